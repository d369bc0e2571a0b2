// CPU time of a WaitReply that gets no answer, as a share of its wall time.
// The port is open on a pseudo-terminal, so the poll timer runs as it does
// in the program; the goal is a share below 0.02.
#include "protocol/ReplyDispatcher.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace {
double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("posix_openpt");
        return 1;
    }
    const char* name = ptsname(master);
    // Kept open so that the far end never sees a hang-up.
    const int slave = open(name, O_RDWR | O_NOCTTY);
    TCommPortDriver::SetDeviceOverride(pnCOM1, QString::fromLocal8Bit(name));
    TRS232Form rs232;
    ReplyDispatcher dispatcher(rs232);
    if (!dispatcher.EnsurePortOpen()) {
        std::fprintf(stderr, "cannot open %s\n", name);
        return 1;
    }
    constexpr int TimeoutMs = 3000;
    QElapsedTimer wall;
    const double cpuStart = CpuSeconds();
    wall.start();
    const int32_t result = dispatcher.WaitReply('[', TimeoutMs);
    const double wallSeconds = double(wall.nsecsElapsed()) / 1e9;
    const double cpuSeconds = CpuSeconds() - cpuStart;
    std::printf(
        "WaitReply without an answer: result %d, wall %.3f s, cpu %.4f s, cpu/wall %.4f (goal < 0.02)\n",
        int(result), wallSeconds, cpuSeconds, cpuSeconds / wallSeconds);
    close(master);
    close(slave);
    return result == ReplyDispatcher::WaitTimedOut ? 0 : 1;
}
