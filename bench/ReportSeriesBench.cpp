// A PLU statistics series of 1000 PLUs active on the PC against the simulated
// register on its own thread, its line paced at 19200 and 9600 bit/s. Prints
// elapsed / floor, where the floor gives each PLU the larger of the register's
// 30 ms pace and the line time of its request and reply (10 bits a byte); goal
// 1.10 or less. And the program's CPU seconds / wall seconds during the series
// (the user-interface thread, where the whole series runs; the simulated
// register's own thread is shown apart); goal 0.02 or less.

#include "common/ShellSettings.h"
#include "database/PluTable.h"
#include "protocol/ReplyDispatcher.h"
#include "reports/DailyReports.h"
#include "reports/PluStatSeries.h"
#include "sales/StatusReplies.h"
#include "serial/FrameCodec.h"
#include "sim/InProcessRegister.h"
#include "sim/RegisterModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

constexpr int Plus = 1000;
constexpr double RatioGoal = 1.10;
constexpr double CpuGoal = 0.02;

double CpuSeconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

struct Run {
    double Seconds = 0;
    double FloorSeconds = 0;
    double ThreadCpu = 0;
    double ProcessCpu = 0;
    int Lines = 0;
    bool Ok = false;
};

Run Measure(uint32_t speed, TComPortBaudRate rate) {
    SimOptions options;
    options.Speed = speed;
    InProcessRegister sim(options);
    const QString device = sim.Start();
    if (device.isEmpty()) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(sim.ErrorString()));
        return {};
    }
    Run run;
    PluTable table;
    table.FillDefaults();
    sim.WithModel([&](RegisterModel& model) {
        for (int n = 0; n < Plus; ++n) {
            table[n].Flags = FlagActive | 1;
            table[n].Price = 1.0 + n * 0.01;
            SimPlu p = model.Plu(n);
            p.Quantity = uint32_t(1 + n);
            p.Stock = uint32_t(5000 + n);
            p.Total = uint64_t(100 * (1 + n));
            model.SetPlu(n, p);
            const std::vector<uint8_t> request{'i', uint8_t(n % 256), uint8_t(n / 256)};
            const QByteArray reply = model.Day().PluReport(n);
            const size_t bytes =
                EncodedFrameSize(request) +
                EncodedFrameSize(
                    std::span(reinterpret_cast<const uint8_t*>(reply.constData()), size_t(reply.size())));
            run.FloorSeconds +=
                std::max(PluStatSeries::PaceMs / 1000.0, double(bytes) * 10.0 / double(speed));
        }
    });
    TCommPortDriver::SetDeviceOverride(pnCOM1, device);
    TRS232Form rs232;
    rs232.ChangeSpeed(rate);
    ReplyDispatcher dispatcher(rs232);
    StatusReplies status(dispatcher);
    DailyReports reports(dispatcher, status, table);
    PluStatSeries series(reports, table);
    QObject::connect(&reports, &DailyReports::LinesDecoded,
                     [&](const QStringList& lines) { run.Lines += int(lines.size()); });
    if (!dispatcher.EnsurePortOpen())
        return {};
    QEventLoop loop;
    PluStatSeries::End end = PluStatSeries::End::Cancelled;
    QObject::connect(&series, &PluStatSeries::Finished, &loop, [&](PluStatSeries::End e) {
        end = e;
        loop.quit();
    });
    QElapsedTimer clock;
    const double thread0 = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    const double process0 = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    clock.start();
    series.Start(0, Plus - 1);
    if (series.IsRunning())
        loop.exec();
    run.Seconds = double(clock.nsecsElapsed()) / 1e9;
    run.ThreadCpu = CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - thread0;
    run.ProcessCpu = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - process0;
    run.Ok = end == PluStatSeries::End::Completed && series.Unanswered().empty() && run.Lines == Plus;
    dispatcher.Disconnect();
    TCommPortDriver::ClearDeviceOverrides();
    return run;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ResetShellSettings();
    bool allMet = true;
    const std::pair<uint32_t, TComPortBaudRate> speeds[] = {{19200, br19200}, {9600, br9600}};
    for (const auto& [speed, rate] : speeds) {
        const Run run = Measure(speed, rate);
        const double ratio = run.FloorSeconds > 0 ? run.Seconds / run.FloorSeconds : 0;
        const double cpu = run.Seconds > 0 ? run.ThreadCpu / run.Seconds : 0;
        const bool met = run.Ok && ratio <= RatioGoal && cpu <= CpuGoal;
        allMet = allMet && met;
        std::printf(
            "PLU statistics series %d PLUs at %5u bit/s: %7.3f s, floor %7.3f s, ratio %.3f (goal <= %.2f); "
            "CPU/wall %.4f (goal <= %.2f), with the simulated register's thread %.4f%s\n",
            Plus, speed, run.Seconds, run.FloorSeconds, ratio, RatioGoal, cpu, CpuGoal,
            run.Seconds > 0 ? run.ProcessCpu / run.Seconds : 0, run.Ok ? "" : "  SERIES FAILED");
    }
    return allMet ? 0 : 1;
}
