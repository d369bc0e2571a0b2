// How closely the simulated register keeps to its line speed: 1920 bytes at
// 19200 bit/s (10 bits a byte) should take one second. Prints
// ratio = elapsed / line time; 1.00 is exact, above 1 the line runs slow.

#include "sim/RegisterModel.h"
#include "sim/RegisterPort.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

void SimPacing(benchmark::State& state) {
    const auto speed = uint32_t(state.range(0));
    const qsizetype bytes = speed / 10; // one second of line time
    double ratios = 0;
    for (auto _ : state) {
        RegisterModel model;
        SimOptions options;
        options.Speed = speed;
        RegisterPort port(model, options);
        if (!port.Open()) {
            state.SkipWithError("no pseudo-terminal");
            return;
        }
        const int fd = ::open(port.DevicePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        while (!port.FarEndOpen())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        // Frames of 'A's without escapes until the wanted number of bytes is queued.
        QElapsedTimer elapsed;
        elapsed.start();
        qsizetype queued = 0;
        while (queued < bytes) {
            const QByteArray payload(std::min<qsizetype>(60, bytes - queued - 4), 'A');
            port.Send(payload);
            queued = port.Pending() + port.BytesSent();
        }
        qsizetype got = 0;
        char buf[4096];
        while (got < queued) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0)
                got += n;
        }
        const double seconds = double(elapsed.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        ratios += seconds / (double(queued) * 10.0 / double(speed));
        ::close(fd);
    }
    state.counters["ratio"] = ratios / double(state.iterations());
    state.counters["bytes"] = double(bytes);
}

} // namespace

BENCHMARK(SimPacing)->Arg(19200)->Arg(9600)->Arg(38400)->UseManualTime()->Iterations(2)->Unit(
    benchmark::kMillisecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
