// libFuzzer target: arbitrary bytes in arbitrary chunkings through the frame
// receiver. Every frame it hands on must carry a checksum that holds, and the
// receiver must stay inside its buffer whatever arrives.
#include "serial/FrameCodec.h"

#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    // The first byte seeds the chunk sizes; the rest is the line.
    unsigned seed = data[0];
    std::span<const uint8_t> line(data + 1, size - 1);

    FrameReceiver receiver;
    receiver.SetOnFrame([&](uint8_t code) {
        const int n = receiver.FrameLength();
        if (n < 2 || n > static_cast<int>(Frame::MaxInbound))
            std::abort();
        const auto& buf = receiver.FrameBuffer();
        const auto payload = receiver.Payload();
        const uint16_t sum = static_cast<uint16_t>((buf[size_t(n) - 2] << 8) | buf[size_t(n) - 1]);
        if (FrameChecksum(payload) != sum || (payload.empty() ? 0 : payload[0]) != code)
            std::abort();
        // A verified payload must survive the trip back through the encoder.
        std::array<uint8_t, 2 * Frame::MaxInbound + 4> out{};
        if (EncodeFrame(payload, out) == 0)
            std::abort();
    });
    size_t pos = 0;
    while (pos < line.size()) {
        seed = seed * 1103515245u + 12345u;
        const size_t n = std::min<size_t>(1 + (seed >> 16) % 97, line.size() - pos);
        receiver.Feed(line.subspan(pos, n));
        if (receiver.FrameLength() < 0 || receiver.FrameLength() > static_cast<int>(Frame::MaxInbound))
            std::abort();
        pos += n;
    }
    return 0;
}
