#include "../shell/ShellFixture.h"
#include "support/TestFiles.h"

#include "monitor/MonitorPage.h"
#include "reports/DailyReports.h"
#include "reports/PluStatSeries.h"
#include "reports/ReportsPage.h"
#include "reports/TOperForm.h"
#include "reports/TPLUStat.h"
#include "toolkit/FileDialogs.h"
#include "viewer/TextFileCommands.h"
#include "viewer/ViewerPage.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

namespace {

std::vector<uint8_t> ReportPayload(uint8_t code,
                                   std::initializer_list<std::pair<size_t, const char*>> fields = {}) {
    std::vector<uint8_t> p(ReportLength(code), 0);
    p[0] = code;
    for (const auto& [at, hex] : fields) {
        const auto bytes = Bytes(hex);
        std::copy(bytes.begin(), bytes.end(), p.begin() + std::ptrdiff_t(at));
    }
    return p;
}

class ReportsTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        Item("MnEnglish")->trigger();
        receiver.SetOnFrame(
            [this](uint8_t) { sent.emplace_back(receiver.Payload().begin(), receiver.Payload().end()); });
    }
    void TearDown() override {
        FileDialogs::SetFileHook({});
        FileDialogs::SetPrintHook({});
        ShellTest::TearDown();
    }

    [[nodiscard]] ReportsPage& Page() const { return *Window().DailySheet(); }
    [[nodiscard]] TPLUStat& PluStat() const { return forms->PLUStat(); }
    [[nodiscard]] TOperForm& OperForm() const { return forms->OperForm(); }
    [[nodiscard]] QStringList Lines() const { return Page().Lines(); }

    // The frames the program has written to the line so far, as payloads.
    std::vector<std::vector<uint8_t>>& Sent() {
        const QByteArray bytes = pty.ReadAvailable();
        receiver.Feed(std::span(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())));
        return sent;
    }
    bool WaitSent(size_t count, int ms = 3000) {
        return WaitUntil([&] { return Sent().size() >= count; }, ms);
    }
    void Reply(const std::vector<uint8_t>& payload) { pty.Write(Framed(payload)); }
    void Connect() {
        Item("Connect1")->trigger();
        ASSERT_TRUE(Dispatcher().IsOpen());
    }
    void Click(const char* name) { Control<QPushButton>(name)->click(); }

    FrameReceiver receiver;
    std::vector<std::vector<uint8_t>> sent;
};

TEST_F(ReportsTest, EachButtonArmsItsWaitAndSendsItsRequest) {
    Item("Reports1")->trigger();
    Connect();
    struct Row {
        const char* Button;
        uint8_t Command;
        uint8_t Expected;
        int Timeout;
    };
    const Row rows[] = {{"GetVAT", 'f', 'f', 6000},
                        {"GetDept", 'g', 'g', 6000},
                        {"DailyStatistics", 'h', 'h', 6000},
                        {"GetZ", 'k', 'k', 6000},
                        {"DoZ", 'l', ' ', 65000}};
    answer = QMessageBox::Yes;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Button);
        sent.clear();
        Click(row.Button);
        EXPECT_EQ(Dispatcher().ExpectedReply(), row.Expected);
        EXPECT_EQ(Dispatcher().CommandTimer().interval(), row.Timeout);
        ASSERT_TRUE(WaitSent(1));
        EXPECT_EQ(Hex(sent.front()), Hex(std::vector<uint8_t>{row.Command}));
    }
    ASSERT_EQ(boxes.size(), 1u) << "only the Z report asks";
}

TEST_F(ReportsTest, ARequestOnAClosedPortOpensItFirst) {
    Item("Reports1")->trigger();
    ASSERT_FALSE(Dispatcher().IsOpen());
    Click("GetVAT");
    EXPECT_TRUE(Dispatcher().IsOpen());
    ASSERT_TRUE(WaitSent(1));
    EXPECT_EQ(sent.front(), std::vector<uint8_t>{'f'});
}

TEST_F(ReportsTest, ReportsAccumulateUntilClearAndTheCommandsFollowTheText) {
    Item("Reports1")->trigger();
    EXPECT_EQ(Shell().SaveTarget, 1);
    EXPECT_EQ(Window().HintText(), QStringLiteral("Daily Statistics Reports - (X.200, OFF)"));
    Connect();
    const auto commandsOn = [this](bool on) {
        EXPECT_EQ(Control<QPushButton>("ClearRich")->isEnabled(), on);
        for (const char* item : {"SaveFile", "PrintFile"})
            EXPECT_EQ(Item(item)->isEnabled(), on) << item;
        for (const char* button : {"Save", "Print"})
            EXPECT_EQ(Control<QToolButton>(button)->isEnabled(), on) << button;
    };
    commandsOn(false);
    Reply(ReportPayload('f', {{1, "00 00 00 12 50"}}));
    ASSERT_TRUE(WaitUntil([&] { return Lines().size() == 11; }));
    commandsOn(true);
    Item("MnSerbian")->trigger();
    Reply(ReportPayload('k'));
    ASSERT_TRUE(WaitUntil([&] { return Lines().size() == 11 + 28; }));
    const QStringList lines = Lines();
    EXPECT_EQ(lines[0], QStringLiteral("------   Daily Sales per TAX   ------"));
    EXPECT_EQ(lines[1], QStringLiteral("Tax A\t") + QStringLiteral("12.50").rightJustified(12).replace(
                                                        QLatin1Char('.'), QLocale::system().decimalPoint()));
    EXPECT_EQ(lines[10], QString());
    EXPECT_EQ(lines[11], QStringLiteral("Poslednji Z izveštaj"))
        << "the second report in the language of its time";
    Click("ClearRich");
    EXPECT_TRUE(Lines().isEmpty());
    commandsOn(false);
    // A report that comes while another page is up is kept for when the page is shown.
    Item("Viewer1")->trigger();
    Reply(ReportPayload('f'));
    ASSERT_TRUE(WaitUntil([&] { return Lines().size() == 11; }));
    EXPECT_FALSE(Item("SaveFile")->isEnabled());
    Item("Reports1")->trigger();
    commandsOn(true);
}

TEST_F(ReportsTest, TheZReportRunsOnceUntilItsAnswerWhichTheReportsPageShows) {
    Item("Reports1")->trigger();
    Connect();
    answer = QMessageBox::Yes;
    QPushButton* doZ = Control<QPushButton>("DoZ");
    QLabel* result = Control<QLabel>("ZResultLabel");
    doZ->click();
    EXPECT_FALSE(doZ->isEnabled());
    EXPECT_EQ(result->text(), QStringLiteral("Z report running ..."));
    // However it is reached, a second run waits for the first one's answer.
    Page().DoZClick();
    ASSERT_TRUE(WaitSent(1));
    RunEventsFor(100);
    EXPECT_EQ(Sent().size(), 1u);
    // A reply too short to carry the status byte is no answer.
    Reply(Bytes("20"));
    RunEventsFor(100);
    EXPECT_FALSE(doZ->isEnabled());
    Reply(Bytes("20 42"));
    ASSERT_TRUE(WaitUntil([&] { return doZ->isEnabled(); }));
    EXPECT_EQ(result->text(), QStringLiteral("E42-The operation is not allowed"));
    EXPECT_TRUE(Lines().isEmpty()) << "nothing is written into the report view";

    doZ->click();
    Reply(Bytes("20 00"));
    ASSERT_TRUE(WaitUntil([&] { return doZ->isEnabled(); }));
    EXPECT_EQ(result->text(), QStringLiteral("Z report done"));

    boxes.clear();
    (&forms->Session().Reports())->SetZReportTimeout(200);
    doZ->click();
    EXPECT_FALSE(doZ->isEnabled());
    ASSERT_TRUE(WaitUntil([&] { return doZ->isEnabled(); }));
    EXPECT_EQ(result->text(), QStringLiteral("There is no Orvex response"));
    ASSERT_EQ(boxes.size(), 2u) << "the question, then the warning";
    EXPECT_EQ(boxes[1].Title, QStringLiteral("Warning"));
    EXPECT_EQ(boxes[1].Text, QStringLiteral("There is no Orvex response"));
    // An error status that answers nothing the page asked for leaves the page alone.
    Reply(Bytes("20 31"));
    RunEventsFor(100);
    EXPECT_EQ(result->text(), QStringLiteral("There is no Orvex response"));
}

// The Z report closes the fiscal day for good: it is asked first, No by
// default, in the language of the moment, and the click that follows an
// answer at once (the second half of a double click) runs nothing.
TEST_F(ReportsTest, TheZReportIsAskedFirstAndAClickRightAfterItsAnswerRunsNothing) {
    Item("Reports1")->trigger();
    Connect();
    QPushButton* doZ = Control<QPushButton>("DoZ");
    for (const auto refusal : {QMessageBox::No, QMessageBox::Escape}) {
        answer = refusal;
        boxes.clear();
        doZ->click();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].Text,
                  QStringLiteral("Run the Z report? It closes the fiscal day and cannot be undone."));
        EXPECT_EQ(boxes[0].Default, QMessageBox::No);
        EXPECT_EQ(boxes[0].Buttons, QMessageBox::Yes | QMessageBox::No);
        RunEventsFor(100);
        EXPECT_TRUE(Sent().empty()) << "nothing runs without a yes";
        EXPECT_TRUE(doZ->isEnabled());
    }
    Item("MnSerbian")->trigger();
    boxes.clear();
    doZ->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Text,
              QStringLiteral("Pokrenuti Z izveštaj? On zatvara fiskalni dan i ne može se poništiti."));
    EXPECT_EQ(boxes[0].ButtonTexts.at(0).second, QStringLiteral("Da"));
    EXPECT_EQ(boxes[0].ButtonTexts.at(1).second, QStringLiteral("Ne"));

    // A register that answers in milliseconds: the click that follows runs nothing.
    answer = QMessageBox::Yes;
    doZ->click();
    ASSERT_TRUE(WaitSent(1));
    Reply(Bytes("20 00"));
    ASSERT_TRUE(WaitUntil([&] { return (&forms->Session().Reports())->ZReportRunning() == false; }));
    RunEventsFor(50);
    EXPECT_FALSE(doZ->isEnabled()) << "off for a moment after the answer";
    boxes.clear();
    Page().DoZClick();
    QTest::mouseClick(doZ, Qt::LeftButton);
    EXPECT_TRUE(boxes.empty()) << "not even asked";
    RunEventsFor(100);
    EXPECT_EQ(Sent().size(), 1u);
    // After the moment it asks again.
    ASSERT_TRUE(WaitUntil([&] { return doZ->isEnabled(); }, 3000));
    answer = QMessageBox::No;
    doZ->click();
    EXPECT_EQ(boxes.size(), 1u);
}

// A silent register used to leave the view as it was, as if nothing had been
// asked; a report that does not come within its time is said to be missing.
TEST_F(ReportsTest, AReportThatNeverComesIsSaidToBeMissingInTheView) {
    Item("Reports1")->trigger();
    Connect();
    (&forms->Session().Reports())->SetReportTimeout(200);
    Click("GetVAT");
    Click("GetZ");
    ASSERT_TRUE(WaitUntil([&] { return Lines().size() >= 4; }, 3000));
    EXPECT_EQ(
        Lines(),
        QStringList({QStringLiteral("No answer from the register for \"Sales/VAT\" within 0.2 s: nothing "
                                    "was received."),
                     QString(),
                     QStringLiteral("No answer from the register for \"Get Previous Z\" within 0.2 s: "
                                    "nothing was received."),
                     QString()}));
    // An answer in time writes the report and no such line.
    Page().ClearRichClick();
    Item("MnSerbian")->trigger();
    Click("GetDept");
    Reply(ReportPayload('g'));
    ASSERT_TRUE(WaitUntil([&] { return Lines().size() == 20; }));
    RunEventsFor(400);
    EXPECT_EQ(Lines().size(), 20);
    Click("DailyOperators");
    QTest::keyClicks(OperForm().OperCode(), QStringLiteral("3"));
    QTest::keyClick(OperForm().OperCode(), Qt::Key_Return);
    ASSERT_TRUE(WaitUntil([&] { return Lines().size() == 22; }, 3000));
    EXPECT_EQ(Lines()[20],
              QString::fromUtf8("Kasa nije odgovorila za \"Statistika blagajnika\" za 0.2 s: ništa "
                                "nije primljeno."));
    EXPECT_TRUE(OperForm().isVisible()) << "the dialog stays for another try";
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ReportsTest, SaveAndPrintTakeTheReportView) {
    QString chosen = QDir(workDir.path()).filePath(QStringLiteral("day.xls"));
    FileDialogs::SetFileHook([&](const FileDialogs::FileRequest&) { return chosen; });
    const QString pdf = QDir(workDir.path()).filePath(QStringLiteral("day.pdf"));
    FileDialogs::SetPrintHook([&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return true;
    });
    Window().ViewerSheet()->ShowText(QStringLiteral("viewer text"));
    Item("Reports1")->trigger();
    Page().AppendLines(
        {QStringLiteral("------   Daily Sales per TAX   ------"), QStringLiteral("Tax A\t1.00"), QString()});
    Control<QToolButton>("Save")->click();
    EXPECT_EQ(ReadFile(chosen), QByteArray("------   Daily Sales per TAX   ------\r\nTax A\t1.00\r\n\r\n"));
    Control<QToolButton>("Print")->click();
    EXPECT_TRUE(boxes.empty()) << (boxes.empty() ? "" : boxes[0].Text.toStdString());
    EXPECT_EQ(Window().FileCommands()->TargetText(), Page().DailyRich()->toPlainText());
    EXPECT_TRUE(ReadFile(pdf).startsWith("%PDF-"));
    // Markup in a line stays text.
    Page().AppendLines({QStringLiteral("<b>BOLD</b> & co")});
    EXPECT_EQ(Lines().last(), QStringLiteral("<b>BOLD</b> & co"));
}

class PluStatTest : public ReportsTest {
  protected:
    void SetUp() override {
        ReportsTest::SetUp();
        PluTable& table = forms->DataForm().Table();
        for (int n = 1; n <= 10; ++n) {
            table[n].SetDescription(QByteArray("ITEM ") + QByteArray::number(n));
            table[n].Price = n;
            table[n].Flags = uint8_t(FlagActive | 1);
        }
        table[2].Flags = 1;
        table[7].Flags = 1;
        Item("Reports1")->trigger();
        Connect();
        Click("DailyPLUSales");
        ASSERT_TRUE(PluStat().isVisible());
    }
    // Answers every PLU request: quantity sold = the PLU number; returns the PLUs asked for.
    std::vector<int> AnswerUntilClosed() {
        std::vector<int> asked;
        size_t handled = 0;
        WaitUntil(
            [&] {
                auto& frames = Sent();
                for (; handled < frames.size(); ++handled) {
                    const auto& f = frames[handled];
                    if (f.size() != 3 || f[0] != 'i')
                        continue;
                    const int n = f[1] | (f[2] << 8);
                    asked.push_back(n);
                    auto reply = ReportPayload('i', {{1, "00 00 00 00 00 00"}});
                    reply[1] = f[1];
                    reply[2] = f[2];
                    reply[6] = uint8_t(((n / 10) << 4) | (n % 10));
                    Reply(reply);
                }
                return !PluStat().isVisible();
            },
            10000);
        return asked;
    }
};

TEST_F(PluStatTest, ARangeAsksForTheActivePlusInOrderAndWritesTheirLines) {
    EXPECT_FALSE(Window().isEnabled()) << "the main window waits for the dialog";
    EXPECT_EQ(PluStat().PLUCode()->text(), QStringLiteral("0"));
    EXPECT_TRUE(PluStat().GetDailyPLU()->isEnabled());
    PluStat().PLUCode()->setText(QStringLiteral("1"));
    PluStat().PLUCode2()->setText(QStringLiteral("10"));
    PluStat().GetDailyPLU()->click();
    EXPECT_FALSE(PluStat().GetDailyPLU()->isEnabled()) << "no second series while one runs";
    EXPECT_EQ(AnswerUntilClosed(), (std::vector<int>{1, 3, 4, 5, 6, 8, 9, 10}));
    EXPECT_TRUE(Window().isEnabled());
    EXPECT_EQ(Window().CurrentPage(), static_cast<ModePage*>(&Page()));
    const QStringList lines = Lines();
    ASSERT_EQ(lines.size(), 2 + 8);
    EXPECT_EQ(lines[0], QStringLiteral("------   Daily PLU Sales   ------"));
    EXPECT_EQ(lines[1],
              QStringLiteral("PLU Code\t  Description\t       Price\tQuantity\t       Stock\t       Total"));
    const QString sep = QLocale::system().decimalPoint();
    EXPECT_EQ(lines[3],
              QStringLiteral("       3\t       ITEM 3\t        3.00\t       3\t           0\t        0.00")
                  .replace(QLatin1Char('.'), sep));
}

TEST_F(PluStatTest, RangeEdgeCasesOfTheTwoFields) {
    struct Row {
        const char* From;
        const char* To;
        std::vector<int> Asked;
        const char* ToAfter;
    };
    const Row rows[] = {{"5", "", {5}, ""},
                        {"5", "0", {5}, "0"},
                        {"5", "3", {5}, ""},
                        {"-5", "3", {1, 3}, "3"},
                        {"9", "9999", {9, 10}, "9999"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.From) + " to " + row.To);
        if (!PluStat().isVisible())
            Click("DailyPLUSales");
        sent.clear();
        PluStat().PLUCode()->setText(QString::fromLatin1(row.From));
        PluStat().PLUCode2()->setText(QString::fromLatin1(row.To));
        PluStat().GetDailyPLU()->click();
        EXPECT_EQ(PluStat().PLUCode2()->text(), QString::fromLatin1(row.ToAfter));
        EXPECT_EQ(AnswerUntilClosed(), row.Asked);
    }
}

TEST_F(PluStatTest, KeysThatAreNoDigitsEmptyTheFieldAndTextThatIsNoNumberIsRefused) {
    QTest::keyClick(PluStat().PLUCode(), Qt::Key_End);
    QTest::keyClicks(PluStat().PLUCode(), QStringLiteral("a"));
    EXPECT_EQ(PluStat().PLUCode()->text(), QString());
    EXPECT_FALSE(PluStat().GetDailyPLU()->isEnabled());
    EXPECT_FALSE(PluStat().PLUCode2()->isEnabled());
    QTest::keyClicks(PluStat().PLUCode(), QStringLiteral("1!"));
    EXPECT_EQ(PluStat().PLUCode()->text(), QStringLiteral("1!")) << "the filter lets ! through";
    EXPECT_TRUE(PluStat().GetDailyPLU()->isEnabled());
    // Navigation keys keep their meaning and do not empty the field.
    QTest::keyClick(PluStat().PLUCode(), Qt::Key_Left);
    EXPECT_EQ(PluStat().PLUCode()->text(), QStringLiteral("1!"));
    PluStat().GetDailyPLU()->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Text, QStringLiteral("'1!' is not a valid integer value"));
    RunEventsFor(50);
    EXPECT_TRUE(Sent().empty());
    EXPECT_TRUE(Lines().isEmpty());
    // A cut that empties the field disables OK at once.
    PluStat().PLUCode()->selectAll();
    PluStat().PLUCode()->cut();
    EXPECT_FALSE(PluStat().GetDailyPLU()->isEnabled());
    PluStat().PLUCode()->setText(QStringLiteral("9998"));
    PluStat().findChild<QToolButton*>(QStringLiteral("UpDown1Up"))->click();
    PluStat().findChild<QToolButton*>(QStringLiteral("UpDown1Up"))->click();
    EXPECT_EQ(PluStat().PLUCode()->text(), QStringLiteral("9999"));
}

TEST_F(PluStatTest, CancelStopsTheSeriesAndListsThePluWithoutAnswer) {
    PluStat().PLUCode()->setText(QStringLiteral("1"));
    PluStat().PLUCode2()->setText(QStringLiteral("10"));
    PluStat().GetDailyPLU()->click();
    ASSERT_TRUE(WaitSent(1));
    PluStat().StatCancel()->click();
    EXPECT_FALSE(PluStat().isVisible());
    EXPECT_FALSE((&forms->Session().PluSeries())->IsRunning());
    RunEventsFor(200);
    EXPECT_EQ(Sent().size(), 1u) << "nothing more leaves after Cancel";
    // A cancelled report used to end without a word, as if it were complete.
    ASSERT_EQ(Lines().size(), 4);
    EXPECT_EQ(Lines()[2], QStringLiteral("No answer from the register for PLU: 1"));
    EXPECT_EQ(Lines()[3], QStringLiteral("Cancelled at PLU 1"));
    // The answer that comes late is still written.
    auto reply = ReportPayload('i', {{1, "01 00 00 00 00 05"}});
    Reply(reply);
    ASSERT_TRUE(WaitUntil([&] { return Lines().size() == 5; }));
    EXPECT_TRUE(Lines().last().startsWith(QStringLiteral("       1\t       ITEM 1")));
}

// A range without a PLU active on the PC used to write the titles alone, as
// if nothing had been sold; it is said why nothing is asked, and how to mend it.
TEST_F(PluStatTest, ARangeWithoutAPluActiveOnThePcSaysSoAndAsksNothing) {
    for (const auto& [from, to] : {std::pair{"11", "20"}, {"2", ""}, {"0", "0"}}) {
        SCOPED_TRACE(from);
        boxes.clear();
        PluStat().PLUCode()->setText(QString::fromLatin1(from));
        PluStat().PLUCode2()->setText(QString::fromLatin1(to));
        PluStat().GetDailyPLU()->click();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_TRUE(boxes[0].Text.startsWith(
            QStringLiteral("No PLU from %1 to %2 is active on the PC")
                .arg(QString::fromLatin1(from), QString::fromLatin1(*to ? to : from))))
            << boxes[0].Text.toStdString();
        EXPECT_TRUE(boxes[0].Text.contains(QStringLiteral("\"Read all from ECR\"")));
        EXPECT_TRUE(PluStat().isVisible());
        EXPECT_TRUE(PluStat().GetDailyPLU()->isEnabled());
    }
    RunEventsFor(50);
    EXPECT_TRUE(Sent().empty());
    EXPECT_TRUE(Lines().isEmpty());
    Item("MnSerbian")->trigger();
    boxes.clear();
    PluStat().GetDailyPLU()->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(
        boxes[0].Text.startsWith(QString::fromUtf8("Nijedan PLU od 0 do 0 nije aktivan na računaru")));
}

TEST_F(ReportsTest, TheOperatorDialogTakesOneToFifteenAndTheAnswerClosesIt) {
    Item("Reports1")->trigger();
    Connect();
    Click("DailyOperators");
    ASSERT_TRUE(OperForm().isVisible());
    EXPECT_FALSE(Window().isEnabled());
    QComboBox* code = OperForm().OperCode();
    QPushButton* ok = OperForm().GetDailyOper();
    EXPECT_FALSE(ok->isEnabled());
    for (const char* refused : {"16", "0"}) {
        code->setEditText(QString());
        QTest::keyClicks(code->lineEdit(), QString::fromLatin1(refused));
        EXPECT_EQ(code->currentText(), QString()) << refused;
        EXPECT_FALSE(ok->isEnabled()) << refused;
    }
    QTest::keyClicks(code->lineEdit(), QStringLiteral("x1"));
    EXPECT_EQ(code->currentText(), QStringLiteral("1")) << "a letter never reaches the field";
    QTest::keyClicks(code->lineEdit(), QStringLiteral("5"));
    EXPECT_TRUE(ok->isEnabled());
    ok->click();
    ASSERT_TRUE(WaitSent(1));
    EXPECT_EQ(Hex(sent[0]), "6A 0F");
    EXPECT_TRUE(OperForm().isVisible()) << "open until the answer";
    Item("Monitor1")->trigger();
    Reply(ReportPayload('j', {{1, "FF FF"}}));
    ASSERT_TRUE(WaitUntil([&] { return !OperForm().isVisible(); }));
    EXPECT_TRUE(Window().isEnabled());
    EXPECT_EQ(Window().CurrentPage(), static_cast<ModePage*>(&Page()));
    EXPECT_EQ(Lines().size(), 26);
    EXPECT_EQ(Lines()[2], QStringLiteral("Operator Password\tNon programmed"));

    // Escape closes it without bringing the Reports page up.
    Item("Monitor1")->trigger();
    Click("DailyOperators");
    QTest::keyClick(code->lineEdit(), Qt::Key_Escape);
    EXPECT_FALSE(OperForm().isVisible());
    EXPECT_EQ(Window().CurrentPage(), static_cast<ModePage*>(Window().MonitorSheet()));
}

// A keyboard types into the box itself, which hands the keys to its line
// edit past that edit's filters: Enter after 15 used to send nothing.
TEST_F(ReportsTest, EnterInTheOperatorBoxActsAsOkWheneverOkIsEnabled) {
    Item("Reports1")->trigger();
    Connect();
    Click("DailyOperators");
    QComboBox* code = OperForm().OperCode();
    EXPECT_EQ(code->completer(), nullptr);
    QTest::keyClick(code, Qt::Key_Return);
    RunEventsFor(100);
    EXPECT_TRUE(Sent().empty()) << "OK is off while the box is empty";
    QTest::keyClicks(code, QStringLiteral("1x5"));
    EXPECT_EQ(code->currentText(), QStringLiteral("15"));
    QTest::keyClick(code, Qt::Key_Return);
    ASSERT_TRUE(WaitSent(1));
    EXPECT_EQ(Hex(sent[0]), "6A 0F");
    code->setEditText(QString());
    QTest::keyClicks(code->lineEdit(), QStringLiteral("7"));
    QTest::keyClick(code->lineEdit(), Qt::Key_Enter);
    ASSERT_TRUE(WaitSent(2));
    EXPECT_EQ(Hex(sent[1]), "6A 07");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ReportsTest, TheDialogsFollowTheLanguage) {
    Item("MnSerbian")->trigger();
    EXPECT_EQ(PluStat().windowTitle(), QStringLiteral("PLU Statistika"));
    EXPECT_EQ(PluStat().findChild<QLabel*>(QStringLiteral("To"))->text(), QStringLiteral("Do (opciono):"));
    EXPECT_EQ(OperForm().findChild<QLabel*>(QStringLiteral("Operator"))->text(), QStringLiteral("Blagajnik"));
    EXPECT_EQ(Control<QPushButton>("DoZ")->text(), QStringLiteral("Uradi"));
    Item("MnEnglish")->trigger();
    EXPECT_EQ(PluStat().windowTitle(), QStringLiteral("PLU Statistics"));
    EXPECT_EQ(Control<QLabel>("ZReportLabel")->text(), QStringLiteral("Z Report"));
}

} // namespace

namespace {

TEST_F(ReportsTest, TheRegisterFontOfTheViewPicksTheTwinsAndShowsTaxLettersAsCodes) {
    Item("Reports1")->trigger();
    Connect();
    Item("MnSerbian")->trigger();
    Item("MnCRAsciiletters")->trigger();
    EXPECT_TRUE(Page().RegisterFont());
    Reply(ReportPayload('j', {{1, "FF FF"}}));
    Reply(ReportPayload('f'));
    ASSERT_TRUE(WaitUntil([&] { return Lines().size() == 26 + 11; }));
    EXPECT_EQ(Lines()[2], QString::fromLatin1(Captions::Reports::OperatorPassword.SrRegister) +
                              QStringLiteral("\tNeprogramirano"));
    EXPECT_TRUE(Lines()[26 + 2].startsWith(QString::fromLatin1("Porez \xC3\t")));
    Item("CyrCSet")->trigger();
    EXPECT_FALSE(Page().RegisterFont());
    Reply(ReportPayload('f'));
    ASSERT_TRUE(WaitUntil([&] { return Lines().size() == 26 + 22; }));
    EXPECT_TRUE(Lines()[26 + 11 + 2].startsWith(QStringLiteral("Porez Г\t")));
}

} // namespace
