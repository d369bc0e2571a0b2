#include "../shell/ShellFixture.h"
#include "viewer/LineView.h"

#include "monitor/ExternalPluRequest.h"
#include "monitor/JournalDecoder.h"
#include "monitor/JournalMonitor.h"
#include "monitor/MonitorPage.h"
#include "monitor/SalesJournalHooks.h"
#include "sales/SalesPage.h"
#include "shell/StartPage.h"
#include "sim/InProcessRegister.h"
#include "sim/RegisterModel.h"

#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QToolButton>

namespace {

const std::vector<uint8_t> Subtotal = Bytes("4C 00 00 00 12 34 56"); // 7 bytes
const std::vector<uint8_t> Correction = Bytes("4B");                 // 1 byte
const std::vector<uint8_t> OpenReceipt = Bytes("40 05 00 00 01 23"); // 6 bytes

class MonitorTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        Item("MnEnglish")->trigger();
    }
    [[nodiscard]] MonitorPage& Page() const { return *Window().MonitorSheet(); }
    [[nodiscard]] QStringList Lines() const {
        const QString text = Page().MonListBox()->PlainText();
        return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
    }
    void Receive(const std::vector<uint8_t>& payload) {
        (&forms->Session().Journal())->JournalRecord(payload);
    }
};

// What the monitor shows after each step of a user's session.
struct Step {
    const char* Action;
    std::function<void()> Do;
    bool Clear;
    bool SaveAndPrint;
    bool Reset;
    const char* ByteCount;
    int Lines;
};

TEST_F(MonitorTest, EnablingFollowsTheTextAndTheCounter) {
    const auto show = [this](const char* item) { return [this, item] { Item(item)->trigger(); }; };
    const auto receive = [this](const std::vector<uint8_t>& payload) {
        return [this, payload] { Receive(payload); };
    };
    const auto click = [this](const char* button) {
        return [this, button] { Control<QPushButton>(button)->click(); };
    };
    const Step steps[] = {
        {"start page", [] {}, false, false, false, "0", 0},
        {"monitor shown with no text", show("Monitor1"), false, false, false, "0", 0},
        {"first record while shown", receive(OpenReceipt), true, true, true, "6", 1},
        {"second record", receive(Subtotal), true, true, true, "13", 2},
        {"reset keeps the lines", click("Reset"), true, true, false, "0", 2},
        {"clear empties all", click("Clear"), false, false, false, "0", 0},
        {"one record after clear", receive(Correction), true, true, true, "1", 1},
        {"clear again", click("Clear"), false, false, false, "0", 0},
        {"file viewer shown", show("Viewer1"), false, false, false, "0", 0},
        {"record while the viewer is up", receive(Subtotal), false, false, true, "7", 1},
        {"monitor shown again", show("Monitor1"), true, true, true, "7", 1},
        {"close keeps text and counter", click("CloseSheets"), true, false, true, "7", 1},
    };
    for (const Step& step : steps) {
        step.Do();
        SCOPED_TRACE(step.Action);
        EXPECT_EQ(Control<QPushButton>("Clear")->isEnabled(), step.Clear);
        for (const char* item : {"SaveFile", "PrintFile"})
            EXPECT_EQ(Item(item)->isEnabled(), step.SaveAndPrint) << item;
        for (const char* button : {"Save", "Print"})
            EXPECT_EQ(Control<QToolButton>(button)->isEnabled(), step.SaveAndPrint) << button;
        EXPECT_EQ(Control<QPushButton>("Reset")->isEnabled(), step.Reset);
        EXPECT_EQ(Control<QLineEdit>("ByteCount")->text(), QString::fromLatin1(step.ByteCount));
        EXPECT_EQ(Lines().size(), step.Lines);
    }
    EXPECT_EQ(Window().CurrentPage(), static_cast<ModePage*>(Window().StartSheet()));
}

// Records that came before the window was first activated are not counted.
TEST_F(MonitorTest, FirstActivationStartsTheCounterAtZero) {
    forms.reset();
    forms = std::make_unique<FormSet>();
    Receive(Subtotal);
    EXPECT_EQ(Control<QLineEdit>("ByteCount")->text(), QStringLiteral("7"));
    forms->UserForm().FormActivate();
    EXPECT_EQ(Control<QLineEdit>("ByteCount")->text(), QStringLiteral("0"));
    EXPECT_FALSE(Control<QPushButton>("Reset")->isEnabled());
}

TEST_F(MonitorTest, ShowingThePageSetsTheHintAndTheSaveTarget) {
    Item("Viewer1")->trigger();
    EXPECT_EQ(Shell().SaveTarget, 2);
    Item("Monitor1")->trigger();
    EXPECT_EQ(Shell().SaveTarget, 0);
    EXPECT_EQ(Window().HintText(), QStringLiteral("Sales Monitor - (REG.)"));
    EXPECT_EQ(Control<QLabel>("Byte_Count")->text(), QStringLiteral("Number of Bytes:"));
    Item("MnSerbian")->trigger();
    EXPECT_EQ(Window().HintText(), QStringLiteral("Evidencija prodaje - (REG.)"));
    EXPECT_EQ(Control<QLabel>("Byte_Count")->text(), QStringLiteral("Broj bajtova:"));
    EXPECT_EQ(Control<QPushButton>("Clear")->text(), QStringLiteral("Briši"));
}

TEST_F(MonitorTest, LinesKeepTheLanguageTheyWereWrittenIn) {
    Receive(Subtotal);
    Item("MnSerbian")->trigger();
    Receive(Subtotal);
    EXPECT_EQ(Lines(), QStringList({QStringLiteral("# SUBTOTAL \tAmount:1234.56")
                                        .replace(QLatin1Char('.'), QLocale::system().decimalPoint()),
                                    QStringLiteral("# MEĐUZBIR \tIznos:1234.56")
                                        .replace(QLatin1Char('.'), QLocale::system().decimalPoint())}));
}

TEST_F(MonitorTest, TheRegisterFontPicksTheTwinCaptions) {
    Item("MnSerbian")->trigger();
    Item("MnCRAsciiletters")->trigger();
    EXPECT_TRUE(Page().RegisterFont());
    Receive(OpenReceipt);
    Item("CyrCSet")->trigger();
    EXPECT_FALSE(Page().RegisterFont());
    Receive(OpenReceipt);
    const QStringList lines = Lines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith(QString::fromLatin1(Captions::Journal::OpenReceipt.SrRegister)));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("# OTVOREN RAČUN\t")));
}

TEST_F(MonitorTest, FramesOnTheLineBecomeLinesAndTheRequestIsAnswered) {
    forms->DataForm().Table()[7].SetDescription("SUGAR");
    forms->DataForm().Table()[7].Price = 1.5;
    Item("Monitor1")->trigger();
    Item("Connect1")->trigger();
    ASSERT_TRUE(Dispatcher().IsOpen());
    // Any chunking: the frames arrive in one write.
    std::vector<uint8_t> wire;
    for (const char* payload :
         {"40 05 00 00 01 23", "4E 43 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 07", "50 01",
          "4C 00 00 00 12 34 56"}) {
        const auto frame = Framed(payload);
        wire.insert(wire.end(), frame.begin(), frame.end());
    }
    pty.Write(wire);
    ASSERT_TRUE(WaitUntil([&] { return Lines().size() == 3; }));
    EXPECT_EQ(Lines()[1], QStringLiteral("Command : 0x4e  External PLU Sale with PLU number: 7 Bytes 21"));
    EXPECT_EQ(Control<QLineEdit>("ByteCount")->text(), QStringLiteral("34"));
    const auto payload = EncodePluAnswer(forms->DataForm().Table()[7], 7, Shell().RegisterCharset);
    ASSERT_TRUE(payload.has_value());
    const std::vector<uint8_t> frame = Framed(*payload);
    EXPECT_EQ(Hex(pty.ReadAtLeast(int(frame.size()))), Hex(frame));
    EXPECT_EQ((*payload)[1], 7);
    EXPECT_TRUE(Control<QPushButton>("Clear")->isEnabled());
}

TEST_F(MonitorTest, SubtotalAndReceiptCloseReachTheSalesPageHooks) {
    QStringList subtotals;
    int closed = 0;
    QObject::connect((&forms->Session().Journal()), &JournalMonitor::SubtotalRecorded,
                     [&](const QString& amount) { subtotals << amount; });
    QObject::connect((&forms->Session().Journal()), &JournalMonitor::ReceiptClosed, [&] { ++closed; });
    Receive(Subtotal);
    Receive(Bytes("4F 00 00 00 00 25 50 00 00 00 42 00 03 01 05 09 0E 03 D4 07"));
    Receive(Correction);
    const QString sep = QLocale::system().decimalPoint();
    EXPECT_EQ(subtotals, QStringList({QStringLiteral("1234") + sep + QStringLiteral("56")}));
    EXPECT_EQ(closed, 1);
    // While the fiscal printer page is up, its subtotal field follows the journal.
    Item("Sales1")->trigger();
    ASSERT_NE(Window().ActiveSalesHooks(), nullptr);
    auto* subtotal = Window().SalesSheet()->findChild<QLineEdit*>(QStringLiteral("SubtEdit"));
    ASSERT_NE(subtotal, nullptr);
    Receive(Subtotal);
    EXPECT_EQ(subtotal->text(), QStringLiteral("1234") + sep + QStringLiteral("56"));
    Receive(Bytes("4F 00 00 00 00 25 50 00 00 00 42 00 03 01 05 09 0E 03 D4 07"));
    EXPECT_EQ(subtotal->text(), QString());
    Item("Monitor1")->trigger();
    EXPECT_EQ(Window().ActiveSalesHooks(), nullptr);
}

// The simulated register's selling day, watched on the monitor: every record
// the register sent (as its trace shows) is one line, in order, and the
// register's requests for PLUs are answered from the PC table.
TEST_F(MonitorTest, TheSimulatedDayAppearsLineByLine) {
    PluTable& table = forms->DataForm().Table();
    for (int n = 1; n < 200; ++n) {
        table[n].SetDescription(QByteArray("PC ") + QByteArray::number(n));
        table[n].Price = n + 0.25;
        table[n].Flags = uint8_t(FlagActive | (1 + n % 9));
    }
    // Two PLUs share a barcode the register does not know: the lower one answers.
    for (const int n : {300, 301}) {
        table[n].SetBarcode("8600009999001");
        table[n].SetDescription(QByteArray("SCAN ") + QByteArray::number(n));
        table[n].Price = 3;
        table[n].Flags = FlagActive | 2;
    }
    const QString tracePath = QDir(workDir.path()).filePath(QStringLiteral("trace.txt"));
    SimOptions options;
    options.Speed = 0;
    options.TraceFile = tracePath;
    InProcessRegister simulator(options);
    const QString device = simulator.Start();
    ASSERT_FALSE(device.isEmpty()) << simulator.ErrorString().toStdString();
    TCommPortDriver::SetDeviceOverride(pnCOM1, device);
    Item("Monitor1")->trigger();
    Item("Connect1")->trigger();
    ASSERT_TRUE(Dispatcher().IsOpen());
    simulator.WithModel([](RegisterModel& model) { model.StartSelling(5); });
    const auto has = [&](const char* text) {
        return Page().MonListBox()->PlainText().contains(QLatin1String(text));
    };
    EXPECT_TRUE(WaitUntil(
        [&] {
            return Lines().size() >= 200 && has("Description:PC ") && has("Description:SCAN 300") &&
                   has("PLU Sale with barcode");
        },
        60000))
        << Lines().size() << " lines";
    simulator.WithModel([](RegisterModel& model) { model.StartSelling(0); });

    // What the register sent, from its trace; what the PC answered.
    const auto traced = [&] {
        std::vector<std::vector<uint8_t>> out, in;
        QFile trace(tracePath);
        if (!trace.open(QIODevice::ReadOnly))
            return std::make_pair(out, in);
        FrameReceiver outReceiver, inReceiver;
        outReceiver.SetOnFrame(
            [&](uint8_t) { out.emplace_back(outReceiver.Payload().begin(), outReceiver.Payload().end()); });
        inReceiver.SetOnFrame(
            [&](uint8_t) { in.emplace_back(inReceiver.Payload().begin(), inReceiver.Payload().end()); });
        for (const QByteArray& line : trace.readAll().split('\n')) {
            // "<time> OUT|IN|DROP <hex bytes>"
            const QList<QByteArray> fields = line.split(' ');
            if (fields.size() < 3 || (fields[1] != "OUT" && fields[1] != "IN"))
                continue;
            const QByteArray wire = QByteArray::fromHex(fields.mid(2).join());
            const auto bytes =
                std::span(reinterpret_cast<const uint8_t*>(wire.constData()), size_t(wire.size()));
            (fields[1] == "OUT" ? outReceiver : inReceiver).Feed(bytes);
        }
        return std::make_pair(out, in);
    };
    JournalStyle style{ShellSettings::English, false, Shell().RegisterCharset,
                       QLocale::system().decimalPoint().front()};
    QStringList expected;
    qint64 bytes = 0;
    std::vector<std::vector<uint8_t>> answers;
    const auto expect = [&] {
        expected.clear();
        bytes = 0;
        answers.clear();
        for (const auto& payload : traced().first) {
            if (payload[0] == ExternalPluCode) {
                const ExternalPluOutcome outcome = AnswerExternalPluRequest(payload, table, style);
                if (outcome.Line)
                    expected << *outcome.Line;
                bytes += outcome.CountedBytes;
                if (outcome.Answer)
                    answers.emplace_back(outcome.Answer->begin(), outcome.Answer->end());
            } else if (const auto line = DecodeJournalRecord(payload, style)) {
                expected << *line;
                bytes += qint64(payload.size());
            }
        }
        return expected.size() == Lines().size() && answers.size() == traced().second.size();
    };
    // The last request may still be on its way back.
    EXPECT_TRUE(WaitUntil(expect, 10000));
    EXPECT_EQ(Lines(), expected);
    EXPECT_EQ(Control<QLineEdit>("ByteCount")->text(), QString::number(bytes));
    EXPECT_EQ(traced().second, answers) << "every request answered from the PC table, in order";
    Dispatcher().Disconnect();
}

} // namespace

namespace {

TEST_F(MonitorTest, TheViewStaysOnItsColumnsAsLinesArrive) {
    Window().show();
    Item("Monitor1")->trigger();
    QScrollBar* columns = Page().MonListBox()->horizontalScrollBar();
    for (int i = 0; i < 40; ++i)
        Receive(Bytes("4F 00 00 00 00 25 50 00 00 00 42 00 03 01 05 09 0E 03 D4 07"));
    QApplication::processEvents();
    ASSERT_GT(columns->maximum(), 0) << "the lines are wider than the view";
    EXPECT_EQ(columns->value(), 0);
    columns->setValue(columns->maximum() / 2);
    const int column = columns->value();
    Receive(Subtotal);
    EXPECT_EQ(columns->value(), column);
    Item("Viewer1")->trigger();
    Receive(Subtotal);
    Item("Monitor1")->trigger();
    QApplication::processEvents();
    EXPECT_EQ(columns->value(), column);
    const QScrollBar* rows = Page().MonListBox()->verticalScrollBar();
    EXPECT_EQ(rows->value(), rows->maximum()) << "the newest line is in view";
}

} // namespace
