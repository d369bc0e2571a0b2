#pragma once

#include "protocol/Converts.h"

#include <QByteArray>
#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

// Field writers and readers of the simulated register's messages. A message is
// built in a zero-filled QByteArray of its full length; every writer stays
// inside it, so a layout slip shows as a wrong field, never as a stray write.
namespace SimFields {

// Packed BCD, most significant byte first, width bytes (2*width digits; higher
// digits are dropped, as a register's fixed field would).
inline void PutBcd(QByteArray& msg, int offset, int width, uint64_t value) {
    for (int i = width - 1; i >= 0; --i) {
        const uint8_t lo = value % 10;
        value /= 10;
        const uint8_t hi = value % 10;
        value /= 10;
        if (offset + i >= 0 && offset + i < msg.size())
            msg[offset + i] = char((hi << 4) | lo);
    }
}

inline void PutByte(QByteArray& msg, int offset, uint8_t value) {
    if (offset >= 0 && offset < msg.size())
        msg[offset] = char(value);
}

inline void PutLe16(QByteArray& msg, int offset, uint16_t value) {
    PutByte(msg, offset, value & 0xFF);
    PutByte(msg, offset + 1, value >> 8);
}

inline void PutBe16(QByteArray& msg, int offset, uint16_t value) {
    PutByte(msg, offset, value >> 8);
    PutByte(msg, offset + 1, value & 0xFF);
}

template <size_t N> void PutBytes(QByteArray& msg, int offset, const std::array<uint8_t, N>& bytes) {
    for (size_t i = 0; i < N; ++i)
        PutByte(msg, offset + int(i), bytes[i]);
}

// Readers of a command: bytes past its end read as zero (a short command is
// taken as if zero-filled).
inline uint8_t Byte(std::span<const uint8_t> cmd, size_t offset) {
    return offset < cmd.size() ? cmd[offset] : 0;
}

inline uint16_t Le16(std::span<const uint8_t> cmd, size_t offset) {
    return uint16_t(Byte(cmd, offset) | (Byte(cmd, offset + 1) << 8));
}

inline uint64_t Bcd(std::span<const uint8_t> cmd, size_t offset, size_t width) {
    std::array<uint8_t, 8> field{};
    for (size_t i = 0; i < width && i < field.size(); ++i)
        field[i] = Byte(cmd, offset + i);
    return BcdToInt64(std::span<const uint8_t>(field.data(), std::min(width, field.size())));
}

template <size_t N> std::array<uint8_t, N> Text(std::span<const uint8_t> cmd, size_t offset) {
    std::array<uint8_t, N> out{};
    for (size_t i = 0; i < N; ++i)
        out[i] = Byte(cmd, offset + i);
    return out;
}

} // namespace SimFields
