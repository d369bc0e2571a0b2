// The fiscal printer page and the header lines against the simulated register
// on its own thread, its line paced at 19200 bit/s. Prints, for sales (from
// the Enter key in the PLU field to the register's journal record of the
// sale) and for a header read of all eight lines followed by a write of lines
// 1 to 5, ratio = elapsed time / line time of the bytes that crossed the line
// (10 bits a byte). The register answers only once a command has come in
// whole, so 1.00 would be a line never idle; the goal is 1.10 or less.

#include "QuietTransferView.h"
#include "barcodes/BarcodeTypeTable.h"
#include "common/ShellSettings.h"
#include "database/PluTable.h"
#include "header/HeaderSequence.h"
#include "plu/PluTransfer.h"
#include "protocol/ReplyDispatcher.h"
#include "sales/SaleCommands.h"
#include "sales/SalesPage.h"
#include "sales/StatusReplies.h"
#include "serial/FrameCodec.h"
#include "sim/InProcessRegister.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <cstdio>

namespace {

constexpr double Goal = 1.10;
constexpr uint32_t Speed = 19200;
constexpr int Sales = 40;

struct Run {
    double Seconds = 0;
    qint64 Bytes = 0;
    bool Ok = false;
};

qint64 WireSize(std::span<const uint8_t> payload) {
    return qint64(EncodedFrameSize(payload));
}

void Print(const char* what, const Run& run) {
    const double lineSeconds = double(run.Bytes) * 10.0 / double(Speed);
    const double ratio = lineSeconds > 0 ? run.Seconds / lineSeconds : 0;
    std::printf("%-36s at %6u bit/s: %7.3f s, %6lld bytes, line time %7.3f s, ratio %.3f (goal <= %.2f)%s\n",
                what, Speed, run.Seconds, static_cast<long long>(run.Bytes), lineSeconds, ratio, Goal,
                run.Ok ? "" : "  FAILED");
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ResetShellSettings();
    SimOptions options;
    options.Speed = Speed;
    InProcessRegister sim(options);
    const QString device = sim.Start();
    if (device.isEmpty()) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(sim.ErrorString()));
        return 1;
    }
    TCommPortDriver::SetDeviceOverride(pnCOM1, device);
    TRS232Form rs232;
    rs232.ChangeSpeed(br19200);
    ReplyDispatcher dispatcher(rs232);
    PluTable table;
    BarcodeRules barcodes;
    QuietTransferView view;
    PluTransfer transfer(dispatcher, table);
    transfer.SetView(&view);
    StatusReplies statusReplies(dispatcher);
    HeaderSequence header(dispatcher);
    SalesPage page;
    page.Attach(table, dispatcher, barcodes, transfer, statusReplies);
    if (!dispatcher.EnsurePortOpen())
        return 1;

    qint64 bytesIn = 0;
    auto framing = rs232.Serial().OnReceiveData;
    rs232.Serial().OnReceiveData = [&](TCommPortDriver* sender, std::span<const uint8_t> data) {
        bytesIn += qint64(data.size());
        framing(sender, data);
    };
    int saleRecords = 0;
    dispatcher.SetHandler(PluSaleCode, [&](std::span<const uint8_t>) { ++saleRecords; });

    // Sales: PLU 1 of the register's own articles, one piece each.
    auto* code = page.findChild<QLineEdit*>(QStringLiteral("SPLUCode"));
    Run sales;
    sales.Ok = true;
    // The page's own share: from the key to the frame handed to the port.
    qint64 keyToWriteNs = 0;
    const qint64 saleFrame = WireSize(EncodePluSale(1, std::nullopt, SaleKindNormal));
    for (int i = 0; i < Sales && sales.Ok; ++i) {
        code->setText(QStringLiteral("1"));
        const qint64 before = bytesIn;
        QElapsedTimer clock;
        clock.start();
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QCoreApplication::sendEvent(code, &enter);
        keyToWriteNs += clock.nsecsElapsed();
        while (saleRecords <= i && clock.elapsed() < 3000)
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
        sales.Seconds += double(clock.nsecsElapsed()) / 1e9;
        sales.Bytes += saleFrame + (bytesIn - before);
        sales.Ok = saleRecords > i;
    }
    // Closes the receipt, outside the measure.
    rs232.SendFrame(EncodePayment(PayCash, std::nullopt));
    Print("sale, key to journal record", sales);
    std::printf("sale, key to frame written to the port: %.1f us on average\n",
                double(keyToWriteNs) / 1e3 / Sales);

    Run lines;
    std::array<HeaderSequence::LineContent, WritableHeaderLines> content;
    for (int n = 0; n < WritableHeaderLines; ++n) {
        content[size_t(n)].Text = QStringLiteral("HEADER LINE %1").arg(n + 1);
        lines.Bytes += WireSize(EncodeHeaderRequest(n + 1));
        lines.Bytes += WireSize(
            *EncodeHeaderWrite(n + 1, {}, content[size_t(n)].Text, Shell().RegisterCharset, 0).Frame);
    }
    for (int n = WritableHeaderLines + 1; n <= HeaderLineCount; ++n)
        lines.Bytes += WireSize(EncodeHeaderRequest(n));
    const qint64 before = bytesIn;
    QElapsedTimer clock;
    clock.start();
    const bool read = header.Read(Shell().RegisterCharset).Done;
    const bool written = header.Write(content, Shell().RegisterCharset).Done;
    lines.Seconds = double(clock.nsecsElapsed()) / 1e9;
    lines.Bytes += bytesIn - before;
    lines.Ok = read && written;
    Print("header read 8 + write 5 lines", lines);

    dispatcher.Disconnect();
    TCommPortDriver::ClearDeviceOverrides();
    const auto ratio = [](const Run& r) { return r.Seconds / (double(r.Bytes) * 10.0 / double(Speed)); };
    return sales.Ok && lines.Ok && ratio(sales) <= Goal && ratio(lines) <= Goal ? 0 : 1;
}
