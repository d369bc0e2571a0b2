#include "serial/FrameCodec.h"

uint16_t FrameChecksum(std::span<const uint8_t> payload) {
    uint8_t s = 0;
    uint8_t x = 0;
    for (uint8_t b : payload) {
        s = static_cast<uint8_t>(s + b);
        x ^= s;
    }
    return static_cast<uint16_t>((x << 8) | s);
}

namespace {
bool NeedsEscape(uint8_t b) {
    return b == Frame::Escape || b == Frame::Start || b == Frame::End;
}
} // namespace

size_t EncodedFrameSize(std::span<const uint8_t> payload) {
    const uint16_t c = FrameChecksum(payload);
    size_t n = 2 + 2;
    for (uint8_t b : payload)
        n += NeedsEscape(b) ? 2 : 1;
    n += NeedsEscape(static_cast<uint8_t>(c >> 8)) ? 1 : 0;
    n += NeedsEscape(static_cast<uint8_t>(c)) ? 1 : 0;
    return n;
}

size_t EncodeFrame(std::span<const uint8_t> payload, std::span<uint8_t> out) {
    if (EncodedFrameSize(payload) > out.size())
        return 0;
    size_t n = 0;
    const auto put = [&](uint8_t b) {
        if (NeedsEscape(b)) {
            out[n++] = Frame::Escape;
            out[n++] = b ^ Frame::EscapeXor;
        } else {
            out[n++] = b;
        }
    };
    out[n++] = Frame::Start;
    for (uint8_t b : payload)
        put(b);
    const uint16_t c = FrameChecksum(payload);
    put(static_cast<uint8_t>(c >> 8));
    put(static_cast<uint8_t>(c));
    out[n++] = Frame::End;
    return n;
}

void FrameReceiver::ResetFrame() {
    m_frameBuffer[0] = 0;
    m_frameLength = 0;
}

std::span<const uint8_t> FrameReceiver::Payload() const {
    return {m_frameBuffer.data(), static_cast<size_t>(m_frameLength >= 2 ? m_frameLength - 2 : 0)};
}

void FrameReceiver::Append(uint8_t b) {
    if (m_frameLength >= static_cast<int>(Frame::MaxInbound)) {
        // No frame is this long: whatever this is, skip it up to the next start byte.
        ResetFrame();
        m_discarding = true;
        return;
    }
    m_frameBuffer[static_cast<size_t>(m_frameLength++)] = b;
}

void FrameReceiver::EndFrame() {
    if (m_frameLength >= 2) {
        const size_t n = static_cast<size_t>(m_frameLength) - 2;
        const uint16_t received = static_cast<uint16_t>((m_frameBuffer[n] << 8) | m_frameBuffer[n + 1]);
        if (FrameChecksum({m_frameBuffer.data(), n}) == received) {
            if (m_onFrame)
                m_onFrame(m_frameBuffer[0]);
        } else if (m_onRejected) {
            m_onRejected();
        }
    }
    ResetFrame();
}

void FrameReceiver::Feed(std::span<const uint8_t> chunk) {
    for (uint8_t b : chunk) {
        if (m_discarding) {
            if (b != Frame::Start)
                continue;
            m_discarding = false;
            m_escapePending = false;
            ResetFrame();
            continue;
        }
        if (m_escapePending) {
            // The byte after an escape is data, even a start or end byte.
            m_escapePending = false;
            Append(b ^ Frame::EscapeXor);
            continue;
        }
        switch (b) {
        case Frame::Escape:
            m_escapePending = true;
            break;
        case Frame::Start:
            ResetFrame();
            break;
        case Frame::End:
            EndFrame();
            break;
        default:
            Append(b);
            break;
        }
    }
}
