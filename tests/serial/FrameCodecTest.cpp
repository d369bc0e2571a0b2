#include "serial/FrameCodec.h"
#include "support/HexDump.h"

#include <gtest/gtest.h>
#include <random>

namespace {

struct WorkedFrame {
    const char* payload;
    uint16_t checksum;
    const char* frame;
};

const WorkedFrame WorkedFrames[] = {
    {"61 62 63", 0x8426, "7E 61 62 63 84 26 7F"},
    {"51", 0x5151, "7E 51 51 51 7F"},
    {"", 0x0000, "7E 00 00 7F"},
    {"7E", 0x7E7E, "7E 7D 5E 7D 5E 7D 5E 7F"},
    {"7D 7F", 0x81FC, "7E 7D 5D 7D 5F 81 FC 7F"},
    {"5B 01 00", 0x5B5C, "7E 5B 01 00 5B 5C 7F"},
};

// Collects every frame the receiver accepts, with its payload.
struct Collector {
    FrameReceiver receiver;
    std::vector<std::vector<uint8_t>> payloads;
    std::vector<uint8_t> codes;

    Collector() {
        receiver.SetOnFrame([this](uint8_t code) {
            codes.push_back(code);
            const auto p = receiver.Payload();
            payloads.emplace_back(p.begin(), p.end());
        });
    }
    void Feed(const std::vector<uint8_t>& bytes) { receiver.Feed(bytes); }
};

} // namespace

TEST(FrameCodec, WorkedValuesEncodeAndChecksum) {
    for (const auto& w : WorkedFrames) {
        const auto payload = Bytes(w.payload);
        EXPECT_EQ(FrameChecksum(payload), w.checksum) << w.payload;
        const auto frame = Framed(payload);
        EXPECT_EQ(Hex(frame), Hex(Bytes(w.frame))) << w.payload;
        EXPECT_EQ(EncodedFrameSize(payload), frame.size());
    }
}

TEST(FrameCodec, WorkedFramesDecodeAtEverySplit) {
    for (const auto& w : WorkedFrames) {
        const auto frame = Bytes(w.frame);
        const auto payload = Bytes(w.payload);
        for (size_t split = 0; split <= frame.size(); ++split) {
            Collector c;
            c.Feed({frame.begin(), frame.begin() + std::ptrdiff_t(split)});
            c.Feed({frame.begin() + std::ptrdiff_t(split), frame.end()});
            ASSERT_EQ(c.payloads.size(), 1u) << w.frame << " split at " << split;
            EXPECT_EQ(Hex(c.payloads[0]), Hex(payload)) << w.frame << " split at " << split;
            EXPECT_EQ(c.codes[0], payload.empty() ? 0 : payload[0]);
        }
    }
}

TEST(FrameCodec, EveryFrameSurvivesByteByByteDelivery) {
    Collector c;
    for (const auto& w : WorkedFrames)
        for (uint8_t b : Bytes(w.frame))
            c.Feed({b});
    ASSERT_EQ(c.payloads.size(), std::size(WorkedFrames));
    for (size_t i = 0; i < std::size(WorkedFrames); ++i)
        EXPECT_EQ(Hex(c.payloads[i]), Hex(Bytes(WorkedFrames[i].payload)));
}

TEST(FrameCodec, TwoFramesInOneChunkDispatchInOrder) {
    Collector c;
    auto bytes = Bytes("7E 61 62 63 84 26 7F 7E 51 51 51 7F");
    c.Feed(bytes);
    ASSERT_EQ(c.codes, (std::vector<uint8_t>{0x61, 0x51}));
}

TEST(FrameCodec, DamagedInputIsDroppedAndTheNextFrameIsHandled) {
    struct Case {
        const char* name;
        const char* bytes;
        std::vector<uint8_t> codes;
    };
    const Case cases[] = {
        {"noise before the first start byte", "01 02 03 7E 51 51 51 7F", {0x51}},
        {"corrupted byte", "7E 61 62 64 84 26 7F 7E 51 51 51 7F", {0x51}},
        {"unstuffed start byte restarts", "7E 61 62 7E 51 51 51 7F", {0x51}},
        {"end byte with nothing gathered", "7F 7E 7F 7E 51 51 51 7F", {0x51}},
        {"end byte with one byte gathered", "7E 51 7F 7E 51 51 51 7F", {0x51}},
        {"no start byte needed", "51 51 51 7F", {0x51}},
        {"empty frame dispatches code 0", "7E 00 00 7F", {0x00}},
    };
    for (const auto& k : cases) {
        Collector c;
        c.Feed(Bytes(k.bytes));
        EXPECT_EQ(c.codes, k.codes) << k.name;
    }
}

TEST(FrameCodec, OversizeInputIsSkippedUpToTheNextStartByte) {
    Collector c;
    std::vector<uint8_t> flood(1000, 0x41);
    flood.push_back(0x7F); // an end byte inside the skipped stretch must not dispatch
    c.Feed(flood);
    EXPECT_TRUE(c.codes.empty());
    EXPECT_LE(c.receiver.FrameLength(), int(Frame::MaxInbound));
    c.Feed(Bytes("7E 51 51 51 7F"));
    EXPECT_EQ(c.codes, (std::vector<uint8_t>{0x51}));

    // A frame of exactly the buffer's size still fits.
    std::vector<uint8_t> payload(Frame::MaxInbound - 2, 0x20);
    Collector d;
    d.Feed(Framed(payload));
    ASSERT_EQ(d.payloads.size(), 1u);
    EXPECT_EQ(d.payloads[0].size(), payload.size());
}

TEST(FrameCodec, EscapeAtChunkEndJoinsTheNextChunk) {
    Collector c;
    c.Feed(Bytes("7E 7D"));
    c.Feed(Bytes("5E 7D"));
    c.Feed(Bytes("5E 7D 5E 7F"));
    ASSERT_EQ(c.payloads.size(), 1u);
    EXPECT_EQ(Hex(c.payloads[0]), "7E");
}

TEST(FrameCodec, OutboundFrameLimit) {
    std::array<uint8_t, Frame::MaxOutbound> out{};
    std::vector<uint8_t> fits(47, 0x7E); // every byte stuffed: 1 + 94 + 4 + 1
    EXPECT_GT(EncodeFrame(fits, out), 0u);
    std::vector<uint8_t> tooLong(97, 0x41);
    EXPECT_EQ(EncodeFrame(tooLong, out), 0u);
}

TEST(FrameCodec, RandomPayloadsRoundTripUnderRandomChunking) {
    std::mt19937 rng(7);
    Collector c;
    std::vector<std::vector<uint8_t>> sent;
    std::vector<uint8_t> stream;
    for (int i = 0; i < 300; ++i) {
        std::vector<uint8_t> p(1 + rng() % 90);
        for (auto& b : p)
            b = static_cast<uint8_t>(rng() % 4 == 0 ? 0x7D + rng() % 3 : rng());
        sent.push_back(p);
        const auto f = Framed(p);
        stream.insert(stream.end(), f.begin(), f.end());
    }
    for (size_t pos = 0; pos < stream.size();) {
        const size_t n = std::min<size_t>(1 + rng() % 64, stream.size() - pos);
        c.Feed({stream.begin() + std::ptrdiff_t(pos), stream.begin() + std::ptrdiff_t(pos + n)});
        pos += n;
    }
    ASSERT_EQ(c.payloads.size(), sent.size());
    for (size_t i = 0; i < sent.size(); ++i)
        ASSERT_EQ(Hex(c.payloads[i]), Hex(sent[i])) << "frame " << i;
}
