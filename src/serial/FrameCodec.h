#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

// The frame on the line, both directions:
//   0x7E, payload (stuffed), checksum high, checksum low (both stuffed), 0x7F.
// Stuffing sends 0x7D, 0x7E and 0x7F as 0x7D followed by the byte XOR 0x20.
namespace Frame {
constexpr uint8_t Start = 0x7E;
constexpr uint8_t End = 0x7F;
constexpr uint8_t Escape = 0x7D;
constexpr uint8_t EscapeXor = 0x20;
// The largest frame the program sends, start and end bytes included.
constexpr size_t MaxOutbound = 100;
// Unstuffed payload plus checksum gathered from the line.
constexpr size_t MaxInbound = 200;
} // namespace Frame

// x (XOR of the running sums) in bits 15..8, s (the running sum) in bits 7..0.
[[nodiscard]] uint16_t FrameChecksum(std::span<const uint8_t> payload);

// Bytes of the complete frame of payload; 0 when out cannot hold it (nothing
// meaningful is left in out then).
[[nodiscard]] size_t EncodeFrame(std::span<const uint8_t> payload, std::span<uint8_t> out);
// Size of the complete frame of payload.
[[nodiscard]] size_t EncodedFrameSize(std::span<const uint8_t> payload);

// Rebuilds frames from chunks of received bytes. Chunks may split a frame
// anywhere, an escape pair included. For every frame whose checksum holds,
// OnFrame runs with the reply code while FrameBuffer still holds the frame; for
// every frame whose checksum fails, OnRejected runs the same way (the buffer
// then holds the bytes as received, checksum included).
//
// What the line may throw at it is bounded: more than MaxInbound unstuffed bytes
// without an end byte drop the frame and everything up to the next start byte;
// an end byte with fewer than two gathered bytes drops the frame.
class FrameReceiver {
  public:
    using FrameHandler = std::function<void(uint8_t code)>;

    void SetOnFrame(FrameHandler handler) { m_onFrame = std::move(handler); }
    void SetOnRejected(std::function<void()> handler) { m_onRejected = std::move(handler); }
    void Feed(std::span<const uint8_t> chunk);
    void ResetFrame();

    [[nodiscard]] const std::array<uint8_t, Frame::MaxInbound>& FrameBuffer() const { return m_frameBuffer; }
    [[nodiscard]] int FrameLength() const { return m_frameLength; }
    // Payload of the frame being handled: reply code and data, no checksum.
    [[nodiscard]] std::span<const uint8_t> Payload() const;

  private:
    void Append(uint8_t b);
    void EndFrame();

    FrameHandler m_onFrame;
    std::function<void()> m_onRejected;
    std::array<uint8_t, Frame::MaxInbound> m_frameBuffer{};
    int m_frameLength = 0;
    bool m_escapePending = false;
    bool m_discarding = false;
};
