#include "support/HexDump.h"

#include "serial/FrameCodec.h"

#include <cctype>
#include <cstdio>

std::string Hex(std::span<const uint8_t> bytes) {
    std::string s;
    char b[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(b, sizeof b, i ? " %02X" : "%02X", bytes[i]);
        s += b;
    }
    return s;
}

std::string Hex(const QByteArray& bytes) {
    return Hex(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), size_t(bytes.size())));
}

std::vector<uint8_t> Bytes(const char* hex) {
    std::vector<uint8_t> out;
    int nibble = -1;
    for (const char* p = hex; *p; ++p) {
        if (!std::isxdigit(static_cast<unsigned char>(*p)))
            continue;
        const int v = std::isdigit(static_cast<unsigned char>(*p)) ? *p - '0' : (std::toupper(*p) - 'A' + 10);
        if (nibble < 0) {
            nibble = v;
        } else {
            out.push_back(static_cast<uint8_t>(nibble * 16 + v));
            nibble = -1;
        }
    }
    return out;
}

std::vector<uint8_t> Framed(std::span<const uint8_t> payload) {
    std::vector<uint8_t> frame(EncodedFrameSize(payload));
    frame.resize(EncodeFrame(payload, frame));
    return frame;
}

std::vector<uint8_t> Framed(const char* payloadHex) {
    return Framed(Bytes(payloadHex));
}
