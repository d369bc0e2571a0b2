// The PLU transfer against the simulated register with its line faults all at
// once: lost, corrupt, wrong-numbered and late replies, a cashier selling
// meanwhile, and the device vanishing in the middle of a range. Slow by
// nature (thousands of lost frames each cost a wait), so it runs under the
// `soak` label only: ./orvex soak.

#include "common/Captions.h"
#include "common/ShellSettings.h"
#include "database/PluTable.h"
#include "monitor/ExternalPluRequest.h"
#include "monitor/JournalDecoder.h"
#include "monitor/JournalMonitor.h"
#include "plu/FakeTransferView.h"
#include "plu/PluTransfer.h"
#include "plu/RandomPlus.h"
#include "protocol/RegisterCharset.h"
#include "protocol/ReplyDispatcher.h"
#include "serial/FrameCodec.h"
#include "sim/InProcessRegister.h"
#include "sim/RegisterModel.h"
#include "support/WaitUntil.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>

namespace {

// Every lost or corrupt reply costs one wait: the register's 3000 ms would make
// the thousands of them take hours. The simulator answers within its 10 ms
// delay, so this still leaves room for a busy machine; a reply later than this
// only costs one more attempt.
constexpr int SoakReplyTimeoutMs = 60;

SimOptions FaultyLine(uint32_t seed) {
    SimOptions options;
    options.Speed = 0; // the fastest pacing: no line speed at all
    options.DropEvery = 7;
    options.CorruptEvery = 11;
    options.WrongPluEvery = 13;
    options.DelayMs = 10;
    options.Seed = seed;
    return options;
}

// The fields a write sets and a read brings back; the stock only when the
// cashier cannot have sold from it meanwhile.
std::string Difference(const PluRecord& got, const PluRecord& want, bool withStock) {
    if (got.DescriptionText() != want.DescriptionText())
        return "description " + got.DescriptionText().toHex().toStdString() + " want " +
               want.DescriptionText().toHex().toStdString();
    if (got.Price != want.Price)
        return "price " + std::to_string(got.Price) + " want " + std::to_string(want.Price);
    if (got.Flags != want.Flags)
        return "flags " + std::to_string(got.Flags) + " want " + std::to_string(want.Flags);
    if (got.Unit != want.Unit)
        return "unit " + std::to_string(got.Unit) + " want " + std::to_string(want.Unit);
    if (got.BarcodeText() != want.BarcodeText())
        return "barcode " + got.BarcodeText().toStdString() + " want " + want.BarcodeText().toStdString();
    if (withStock && got.Stock != want.Stock)
        return "stock " + std::to_string(got.Stock) + " want " + std::to_string(want.Stock);
    return {};
}

// The register's view of a PLU in the table's terms (its texts back through the charset).
PluRecord FromRegister(const SimPlu& p, int charset) {
    PluRecord r;
    QByteArray description;
    for (uint8_t c : p.Description)
        description += char(c ? FromRegisterChar(c, charset) : 0);
    r.SetDescription(description);
    r.Price = double(p.Price) / 100.0;
    r.Flags = p.Flags;
    r.Unit = p.Unit;
    r.SetBarcode(QByteArray(reinterpret_cast<const char*>(p.Barcode.data()), qsizetype(p.Barcode.size())));
    r.Stock = p.Stock;
    return r;
}

class PluTransferSoak : public ::testing::Test {
  protected:
    void Start(SimOptions options) {
        ResetShellSettings();
        ASSERT_TRUE(traceDir.isValid());
        options.TraceFile = traceDir.filePath(QStringLiteral("line.trace"));
        sim = std::make_unique<InProcessRegister>(options);
        const QString device = sim->Start();
        ASSERT_FALSE(device.isEmpty()) << sim->ErrorString().toStdString();
        TCommPortDriver::SetDeviceOverride(pnCOM1, device);
        rs232 = std::make_unique<TRS232Form>();
        dispatcher = std::make_unique<ReplyDispatcher>(*rs232);
        monitor = std::make_unique<JournalMonitor>(*dispatcher, table);
        QObject::connect(monitor.get(), &JournalMonitor::LineDecoded,
                         [this](const QString& line) { lines.push_back(line); });
        transfer = std::make_unique<PluTransfer>(*dispatcher, table);
        view.Watch(*transfer);
        transfer->SetReplyTimeout(SoakReplyTimeoutMs);
    }
    void TearDown() override {
        transfer.reset();
        monitor.reset();
        dispatcher.reset();
        rs232.reset();
        sim.reset();
        TCommPortDriver::ClearDeviceOverrides();
    }

    // A range to its end, as a user would run it: after "There is no Orvex
    // response" the range is started again from the PLU it stopped at.
    // Returns how many times it had to be started again.
    int RunRange(bool write, int from, int to) {
        int restarts = 0;
        for (int start = from;;) {
            const int before = view.NoResponses;
            if (write)
                transfer->WriteRange(start, to, view.Scope, view.Active);
            else
                transfer->ReadRange(start, to, view.Active);
            if (view.NoResponses == before || restarts > 50)
                return restarts;
            ++restarts;
            start = transfer->CurrentPlu();
        }
    }

    [[nodiscard]] std::vector<SimPlu> RegisterPlus() {
        std::vector<SimPlu> plus;
        sim->WithModel([&](RegisterModel& model) {
            for (int n = 0; n < PluTable::Size; ++n)
                plus.push_back(model.Plu(n));
        });
        return plus;
    }

    // PLUs that are neither right nor named in a message; at most a few shown.
    int Unaccounted(const PluTable& want, const PluTable& got, const std::vector<SimPlu>& held,
                    bool withStock) {
        int wrong = 0;
        const int charset = Shell().RegisterCharset;
        for (int n = 0; n < PluTable::Size; ++n) {
            std::string diff = Difference(got[n], want[n], withStock);
            if (diff.empty())
                diff = Difference(FromRegister(held[size_t(n)], charset), want[n], withStock);
            if (diff.empty() || Named(n))
                continue;
            if (++wrong <= 5)
                ADD_FAILURE() << "PLU " << n << ": " << diff;
        }
        return wrong;
    }

    [[nodiscard]] bool Named(int n) const {
        const QString number = QString::number(n);
        for (const QString& m : view.Messages) {
            if (m.endsWith(QLatin1Char(' ') + number) || m.endsWith(QLatin1Char(':') + number))
                return true;
        }
        return false;
    }

    // The lines the monitor should have shown: one for every journal record
    // and PLU request that left the register whole (the trace also holds the
    // dropped and the corrupted ones, which no program could show).
    [[nodiscard]] std::vector<QString> ExpectedLines() const {
        QFile trace(traceDir.filePath(QStringLiteral("line.trace")));
        std::vector<QString> expected;
        if (!trace.open(QIODevice::ReadOnly | QIODevice::Text))
            return expected;
        JournalStyle style;
        style.Language = Shell().UiLanguage;
        style.Charset = Shell().RegisterCharset;
        style.DecimalSeparator = QLocale::system().decimalPoint().front();
        FrameReceiver receiver;
        receiver.SetOnFrame([&](uint8_t code) {
            const auto payload = receiver.Payload();
            if (IsJournalCode(code)) {
                if (auto line = DecodeJournalRecord(payload, style))
                    expected.push_back(*line);
            } else if (code == ExternalPluCode) {
                if (auto line = AnswerExternalPluRequest(payload, table, style).Line)
                    expected.push_back(*line);
            }
        });
        while (!trace.atEnd()) {
            const QList<QByteArray> fields = trace.readLine().trimmed().split(' ');
            if (fields.size() < 3 || fields[1] != "OUT")
                continue;
            QByteArray wire;
            for (qsizetype i = 2; i < fields.size(); ++i)
                wire += QByteArray::fromHex(fields[i]);
            receiver.Feed(std::span(reinterpret_cast<const uint8_t*>(wire.constData()), size_t(wire.size())));
        }
        return expected;
    }

    // Frames the register sent, and how many of them the line dropped or broke.
    struct LineCounts {
        int Sent = 0;
        int Dropped = 0;
        int Broken = 0;
    };
    [[nodiscard]] LineCounts CountLine() const {
        QFile trace(traceDir.filePath(QStringLiteral("line.trace")));
        LineCounts counts;
        if (!trace.open(QIODevice::ReadOnly | QIODevice::Text))
            return counts;
        int whole = 0;
        FrameReceiver receiver;
        receiver.SetOnFrame([&](uint8_t) { ++whole; });
        while (!trace.atEnd()) {
            const QList<QByteArray> fields = trace.readLine().trimmed().split(' ');
            if (fields.size() < 3 || (fields[1] != "OUT" && fields[1] != "DROP"))
                continue;
            ++counts.Sent;
            if (fields[1] == "DROP") {
                ++counts.Dropped;
                continue;
            }
            QByteArray wire;
            for (qsizetype i = 2; i < fields.size(); ++i)
                wire += QByteArray::fromHex(fields[i]);
            const int before = whole;
            receiver.Feed(std::span(reinterpret_cast<const uint8_t*>(wire.constData()), size_t(wire.size())));
            counts.Broken += whole == before ? 1 : 0;
        }
        return counts;
    }

    // Write everything, then read everything back into an empty table.
    void WriteAndReadBack(int scope, bool selling) {
        FillRandomly(table, 20261210, false);
        const PluTable written = table;
        view.Scope = scope;

        QElapsedTimer clock;
        clock.start();
        const int writeRestarts = RunRange(true, 0, PluTable::Size - 1);
        const double writeSeconds = double(clock.restart()) / 1000.0;
        const int writeMessages = int(view.Messages.size());
        EXPECT_EQ(Unaccounted(written, table, RegisterPlus(), !selling), 0) << "after the write";

        // The write cleared no flag the table sends, but a write keeps what the
        // register answered: compare the read against what was written.
        table.Clear();
        const int readRestarts = RunRange(false, 0, PluTable::Size - 1);
        const double readSeconds = double(clock.elapsed()) / 1000.0;
        EXPECT_EQ(Unaccounted(written, table, RegisterPlus(), !selling), 0) << "after the read";

        std::printf("soak%s: write of %d PLUs (scope %d) %.1f s, %d restarts, %d messages; read %.1f s, "
                    "%d restarts, %d messages\n",
                    selling ? " while selling" : "", PluTable::Size, scope, writeSeconds, writeRestarts,
                    writeMessages, readSeconds, readRestarts, int(view.Messages.size()) - writeMessages);
        const LineCounts line = CountLine();
        std::printf("soak%s: the register sent %d frames, the line dropped %d and broke %d\n",
                    selling ? " while selling" : "", line.Sent, line.Dropped, line.Broken);
        for (const QString& m : view.Messages)
            std::printf("  message: %s\n", qPrintable(m));
    }

    QTemporaryDir traceDir;
    std::unique_ptr<InProcessRegister> sim;
    std::unique_ptr<TRS232Form> rs232;
    std::unique_ptr<ReplyDispatcher> dispatcher;
    std::unique_ptr<JournalMonitor> monitor;
    PluTable table;
    FakeTransferView view;
    std::unique_ptr<PluTransfer> transfer;
    std::vector<QString> lines;
};

TEST_F(PluTransferSoak, EveryPluWrittenAndReadBackRightThroughEveryFaultAtOnce) {
    Start(FaultyLine(7));
    WriteAndReadBack(2, false);
}

TEST_F(PluTransferSoak, EveryJournalLineReachesTheMonitorWhilePlusGoBothWays) {
    SimOptions options = FaultyLine(11);
    options.SellEveryMs = 200;
    Start(options);
    WriteAndReadBack(1, true);

    // The cashier stops; whatever is still on its way must arrive.
    sim->WithModel([](RegisterModel& model) { model.StartSelling(0); });
    std::vector<QString> expected;
    WaitUntil(
        [&] {
            expected = ExpectedLines();
            return lines.size() >= expected.size();
        },
        5000);
    std::printf("soak while selling: %zu journal lines on the monitor, %zu sent whole by the register\n",
                lines.size(), expected.size());
    ASSERT_GT(expected.size(), 100u) << "the cashier sold too little to prove anything";
    EXPECT_EQ(lines.size(), expected.size());
    size_t firstDifference = 0;
    while (firstDifference < std::min(lines.size(), expected.size()) &&
           lines[firstDifference] == expected[firstDifference])
        ++firstDifference;
    EXPECT_EQ(firstDifference, std::min(lines.size(), expected.size()))
        << "line " << firstDifference << ": '"
        << (firstDifference < lines.size() ? lines[firstDifference].toStdString() : std::string())
        << "' want '"
        << (firstDifference < expected.size() ? expected[firstDifference].toStdString() : std::string())
        << "'";
}

// The device goes (a cable pulled, an adapter unplugged) at a random moment of
// a range read: between frames, in the middle of a request or of a reply. The
// program says where it stopped, and once the device is back the range from
// there completes and leaves every PLU right.
TEST_F(PluTransferSoak, ADeviceVanishingMidRangeIsReportedAndAReconnectResumesCleanly) {
    constexpr int Runs = 10;
    constexpr int RangeLength = 300;
    for (uint32_t seed = 1; seed <= Runs; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        TearDown();
        view = FakeTransferView{};
        table.Clear();
        // Paced at 115200 bit/s, so that a reply spends about 5 ms on the line
        // and a random millisecond can fall inside it.
        SimOptions options;
        options.Speed = 115200;
        options.Seed = seed;
        Start(options);
        if (HasFatalFailure())
            return;
        std::mt19937 rng(seed);
        const int from = int(rng() % (PluTable::Size - RangeLength));
        const int to = from + RangeLength - 1;
        const int vanishAfter = 1 + int(rng() % (RangeLength - 2));
        const int vanishAfterMs = int(rng() % 7);
        view.OnProgress = [&](int done, int) {
            if (done == vanishAfter)
                QTimer::singleShot(vanishAfterMs, Qt::PreciseTimer, sim.get(), [this] { sim->Stop(); });
        };
        transfer->ReadRange(from, to, view.Active);
        view.OnProgress = nullptr;

        const int stoppedAt = transfer->CurrentPlu();
        ASSERT_LE(stoppedAt, to) << "the range ended before the device went";
        ASSERT_EQ(view.Messages.size(), 1u);
        EXPECT_EQ(view.Messages[0], Captions::Transfer::ConnectionLost.Text().arg(stoppedAt));
        ASSERT_EQ(view.Stopped.size(), 1u);
        EXPECT_EQ(view.Stopped[0], transfer->StoppedText());
        EXPECT_EQ(transfer->Transferred(), stoppedAt - from);
        EXPECT_EQ(view.NoResponses, 0);
        EXPECT_FALSE(dispatcher->IsOpen());
        EXPECT_FALSE(transfer->IsRunning());

        // The same register comes back on a new device, and the range goes on
        // from the PLU the message named.
        const QString device = sim->Start();
        ASSERT_FALSE(device.isEmpty());
        TCommPortDriver::SetDeviceOverride(pnCOM1, device);
        view.Messages.clear();
        const int restarts = RunRange(false, stoppedAt, to);
        EXPECT_EQ(restarts, 0);
        EXPECT_TRUE(view.Messages.empty()) << view.Messages.front().toStdString();
        EXPECT_EQ(transfer->CurrentPlu(), to + 1);

        const int charset = Shell().RegisterCharset;
        const std::vector<SimPlu> held = RegisterPlus();
        int wrong = 0;
        for (int n = from; n <= to; ++n) {
            const std::string diff = Difference(table[n], FromRegister(held[size_t(n)], charset), true);
            if (!diff.empty() && ++wrong <= 3)
                ADD_FAILURE() << "PLU " << n << ": " << diff;
        }
        EXPECT_EQ(wrong, 0);
        std::printf("vanish seed %u: range %d-%d, device gone %d ms after the reply to PLU %d, "
                    "stopped at PLU %d; resumed to the end\n",
                    seed, from, to, vanishAfterMs, from + vanishAfter - 1, stoppedAt);
    }
}

} // namespace
