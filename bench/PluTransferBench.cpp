// Range transfers of 1000 PLUs against the simulated register on its own
// thread, its line paced at 115200 and at 19200 bit/s. Prints, for a read and
// for a write, ratio = elapsed time / line time of the bytes that crossed the
// line (the program's frames and the register's, 10 bits a byte at the set
// speed), and the idle line time per exchange: what passes between a reply's
// last byte and the next request's first, on both sides of the pseudo-terminal.
// The simulated line carries the program's frames at the line speed too and
// answers only once a command has come in whole, so 1.00 would be a line never
// idle; the goal is 1.10 or less.
#include "QuietTransferView.h"
#include "common/ShellSettings.h"
#include "database/PluTable.h"
#include "plu/PluMessages.h"
#include "plu/PluTransfer.h"
#include "protocol/ReplyDispatcher.h"
#include "serial/FrameCodec.h"
#include "sim/InProcessRegister.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

namespace {

constexpr int PluRange = 1000;
constexpr double Goal = 1.10;

struct Run {
    double Seconds = 0;
    qint64 BytesOut = 0;
    qint64 BytesIn = 0;
    bool Ok = false;
};

template <typename Payload> qint64 WireSize(const Payload& payload) {
    return qint64(EncodedFrameSize(std::span<const uint8_t>(payload.data(), payload.size())));
}

Run Measure(uint32_t speed, TComPortBaudRate rate, bool write) {
    SimOptions options;
    options.Speed = speed;
    InProcessRegister sim(options);
    const QString device = sim.Start();
    if (device.isEmpty()) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(sim.ErrorString()));
        return {};
    }
    TCommPortDriver::SetDeviceOverride(pnCOM1, device);
    TRS232Form rs232;
    rs232.ChangeSpeed(rate);
    ReplyDispatcher dispatcher(rs232);
    PluTable table;
    table.FillDefaults();
    for (int n = 0; n < PluRange; ++n) {
        table[n].Price = 1.0 + n * 0.01;
        table[n].Flags = 0x41;
        table[n].SetBarcode(QByteArray::number(3850000 + n));
    }
    QuietTransferView view;
    PluTransfer transfer(dispatcher, table);
    transfer.SetView(&view);

    Run run;
    // What the register sends is counted as it arrives, below the framing.
    auto framing = rs232.Serial().OnReceiveData;
    rs232.Serial().OnReceiveData = [&](TCommPortDriver* sender, std::span<const uint8_t> data) {
        run.BytesIn += qint64(data.size());
        framing(sender, data);
    };
    for (int n = 0; n < PluRange; ++n) {
        if (write) {
            PluRecord copy = table[n];
            run.BytesOut += WireSize(*EncodePluWrite(copy, n, Shell().RegisterCharset).Payload);
        } else {
            run.BytesOut += WireSize(EncodePluRead(n));
        }
    }
    if (!dispatcher.EnsurePortOpen())
        return {};
    QElapsedTimer clock;
    clock.start();
    if (write)
        transfer.WriteRange(0, PluRange - 1, 1, false);
    else
        transfer.ReadRange(0, PluRange - 1);
    run.Seconds = double(clock.nsecsElapsed()) / 1e9;
    run.Ok = view.NoResponses == 0 && transfer.CurrentPlu() == PluRange;
    dispatcher.Disconnect();
    TCommPortDriver::ClearDeviceOverrides();
    return run;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ResetShellSettings();
    bool allMet = true;
    const std::pair<uint32_t, TComPortBaudRate> speeds[] = {{115200, br115200}, {19200, br19200}};
    for (const auto& [speed, rate] : speeds) {
        for (const bool write : {false, true}) {
            const Run run = Measure(speed, rate, write);
            const qint64 bytes = run.BytesOut + run.BytesIn;
            const double lineSeconds = double(bytes) * 10.0 / double(speed);
            const double ratio = lineSeconds > 0 ? run.Seconds / lineSeconds : 0;
            const bool met = run.Ok && ratio <= Goal;
            allMet = allMet && met;
            const double idleMs = (run.Seconds - lineSeconds) * 1000.0 / PluRange;
            std::printf(
                "PLU range %-5s %d PLUs at %6u bit/s: %7.3f s, %7lld bytes out %7lld in, line time %7.3f s, "
                "idle %.3f ms a PLU, ratio %.3f (goal <= %.2f)%s\n",
                write ? "write" : "read", PluRange, speed, run.Seconds, static_cast<long long>(run.BytesOut),
                static_cast<long long>(run.BytesIn), lineSeconds, idleMs, ratio, Goal,
                run.Ok ? "" : "  TRANSFER FAILED");
        }
    }
    return allMet ? 0 : 1;
}
