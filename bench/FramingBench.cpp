// Frame encoding and receive throughput. Each figure is also printed against the
// line: how many times faster than a 115200 bit/s line delivers the same bytes.
#include "serial/FrameCodec.h"

#include <benchmark/benchmark.h>
#include <random>
#include <vector>

namespace {

constexpr double LineBytesPerSecond = 115200.0 / 10.0;

std::vector<uint8_t> Payload(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> p(n);
    for (auto& b : p)
        b = static_cast<uint8_t>(rng());
    return p;
}

void BM_EncodeFrame(benchmark::State& state) {
    const auto payload = Payload(static_cast<size_t>(state.range(0)), 1);
    std::array<uint8_t, 2 * Frame::MaxInbound> out{};
    size_t produced = 0;
    for (auto _ : state) {
        produced += EncodeFrame(payload, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
    state.counters["times_line_speed_115200"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * static_cast<double>(state.range(0)) / LineBytesPerSecond,
        benchmark::Counter::kIsRate);
    benchmark::DoNotOptimize(produced);
}
BENCHMARK(BM_EncodeFrame)->Arg(40)->Arg(56);

// A stream of PLU-reply sized frames, delivered in 64-byte chunks as a port would.
void BM_ReceiveFrames(benchmark::State& state) {
    std::vector<uint8_t> stream;
    for (unsigned i = 0; i < 1000; ++i) {
        const auto p = Payload(56, i);
        std::array<uint8_t, 2 * Frame::MaxInbound> out{};
        const size_t n = EncodeFrame(p, out);
        stream.insert(stream.end(), out.begin(), out.begin() + static_cast<std::ptrdiff_t>(n));
    }
    FrameReceiver receiver;
    size_t frames = 0;
    receiver.SetOnFrame([&](uint8_t) { ++frames; });
    const std::span<const uint8_t> all(stream);
    for (auto _ : state) {
        for (size_t pos = 0; pos < all.size(); pos += 64)
            receiver.Feed(all.subspan(pos, std::min<size_t>(64, all.size() - pos)));
    }
    if (frames != 1000 * static_cast<size_t>(state.iterations()))
        state.SkipWithError("frames lost");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
    state.counters["times_line_speed_115200"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * static_cast<double>(stream.size()) / LineBytesPerSecond,
        benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReceiveFrames);

} // namespace

BENCHMARK_MAIN();
