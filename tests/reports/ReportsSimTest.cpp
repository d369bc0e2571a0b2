#include "../shell/ShellFixture.h"

#include "protocol/Converts.h"
#include "reports/DailyReports.h"
#include "reports/PluStatSeries.h"
#include "reports/ReportsPage.h"
#include "reports/TOperForm.h"
#include "reports/TPLUStat.h"
#include "sim/InProcessRegister.h"
#include "sim/RegisterModel.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <map>

namespace {

// An amount or count as a report line shows it, after its last tab, in hundredths or units.
int64_t Figure(const QString& line) {
    QString text = line.section(QLatin1Char('\t'), -1).trimmed();
    text.remove(QLocale::system().decimalPoint());
    bool ok = false;
    const int64_t value = text.toLongLong(&ok);
    EXPECT_TRUE(ok) << line.toStdString();
    return value;
}

// The program's windows on COM1 = the simulated register, in-process as --simulate runs it.
class ReportsSimTest : public ShellTest {
  protected:
    void StartRegister(SimOptions options) {
        options.Speed = 0;
        sim = std::make_unique<InProcessRegister>(options);
        const QString device = sim->Start();
        ASSERT_FALSE(device.isEmpty()) << sim->ErrorString().toStdString();
        TCommPortDriver::SetDeviceOverride(pnCOM1, device);
        Item("MnEnglish")->trigger();
        Item("Reports1")->trigger();
        Item("Connect1")->trigger();
        ASSERT_TRUE(Dispatcher().IsOpen());
    }
    void TearDown() override {
        if ((&forms->Session().Dispatcher()))
            Dispatcher().Disconnect();
        sim.reset();
        ShellTest::TearDown();
    }

    [[nodiscard]] ReportsPage& Page() const { return *Window().DailySheet(); }
    [[nodiscard]] TPLUStat& PluStat() const { return forms->PLUStat(); }

    // The lines a button's report adds to the view.
    QStringList Fetch(const char* button, int lines) {
        const qsizetype before = Page().Lines().size();
        Control<QPushButton>(button)->click();
        EXPECT_TRUE(WaitUntil([&] { return Page().Lines().size() >= before + lines; })) << button;
        return Page().Lines().mid(before);
    }
    // The PC table gets the PLUs the register holds as active.
    void ActivateRegisterPlus() {
        PluTable& table = forms->DataForm().Table();
        sim->WithModel([&](RegisterModel& model) {
            for (int n = 0; n < RegisterModel::PluCount; ++n) {
                const SimPlu& p = model.Plu(n);
                if (p.Active()) {
                    table[n].Flags = p.Flags;
                    table[n].Price = p.Price / 100.0;
                }
            }
        });
    }
    QStringList RunSeries(int first, int last, int timeoutMs = 30000) {
        const qsizetype before = Page().Lines().size();
        Control<QPushButton>("DailyPLUSales")->click();
        PluStat().PLUCode()->setText(QString::number(first));
        PluStat().PLUCode2()->setText(QString::number(last));
        PluStat().GetDailyPLU()->click();
        EXPECT_TRUE(WaitUntil([&] { return !PluStat().isVisible(); }, timeoutMs));
        return Page().Lines().mid(before);
    }

    std::unique_ptr<InProcessRegister> sim;
};

TEST_F(ReportsSimTest, EveryReportOfASimulatedDayAddsUpToItsJournalAndTheZReportClosesIt) {
    StartRegister({});
    // The day's receipts as the journal reports them.
    int64_t journalTotal = 0;
    int receipts = 0;
    std::map<int, int> perCode;
    QObject::connect(&forms->Session().RS232(), &TRS232Form::ReplyReceived, [&](quint8 code) {
        ++perCode[code];
        const auto p = forms->Session().RS232().Payload();
        if (code == 'O' && p.size() >= 7) {
            journalTotal += int64_t(BcdToInt64(p.subspan(1, 6)));
            ++receipts;
        }
    });
    // The register's line counts as listened to once it answers: nothing it
    // sells is lost before the program has the port open.
    EXPECT_EQ(Fetch("DailyStatistics", 10)[5], QStringLiteral("Total Receipts\t0"));
    Control<QPushButton>("ClearRich")->click();
    sim->WithModel([](RegisterModel& model) { model.StartSelling(2); });
    ASSERT_TRUE(WaitUntil([&] { return receipts >= 30; }, 60000));
    sim->WithModel([](RegisterModel& model) { model.StartSelling(0); });
    int registerReceipts = -1;
    ASSERT_TRUE(WaitUntil(
        [&] {
            bool closed = false;
            sim->WithModel([&](RegisterModel& model) {
                if (model.Day().ReceiptOpen() || model.AwaitingPluAnswer())
                    model.SellStep();
                closed = !model.Day().ReceiptOpen() && !model.AwaitingPluAnswer();
                registerReceipts = model.Day().ReceiptsToday();
            });
            return closed && receipts == registerReceipts;
        },
        30000))
        << receipts << " receipts in the journal, " << registerReceipts << " in the register" << [&] {
               std::string s;
               for (auto [c, n] : perCode)
                   s += " " + std::to_string(c) + ":" + std::to_string(n);
               return s;
           }();
    ASSERT_GT(journalTotal, 0);

    const QStringList vat = Fetch("GetVAT", 11);
    int64_t sum = 0;
    for (const QString& line : vat.mid(1, 9))
        sum += Figure(line);
    EXPECT_EQ(sum, journalTotal) << "tax groups";

    const QStringList dept = Fetch("GetDept", 20);
    sum = 0;
    for (const QString& line : dept.mid(1, 9))
        sum += Figure(line);
    EXPECT_EQ(sum, journalTotal) << "departments";

    const QStringList status = Fetch("DailyStatistics", 10);
    EXPECT_EQ(status[5], QStringLiteral("Total Receipts\t%1").arg(receipts));
    EXPECT_EQ(status[7], QStringLiteral("Fiscal ID\tOX01234567"));

    // Operators 1 to 3 sell; together they took the whole day.
    int64_t operatorTotal = 0;
    int operatorReceipts = 0;
    for (int op = 1; op <= 3; ++op) {
        const qsizetype before = Page().Lines().size();
        Control<QPushButton>("DailyOperators")->click();
        QTest::keyClicks(forms->OperForm().OperCode()->lineEdit(), QString::number(op));
        forms->OperForm().GetDailyOper()->click();
        ASSERT_TRUE(WaitUntil([&] { return !forms->OperForm().isVisible(); }));
        const QStringList lines = Page().Lines().mid(before);
        ASSERT_EQ(lines.size(), 26);
        EXPECT_TRUE(lines[6].startsWith(QStringLiteral("Total\t")));
        operatorTotal += Figure(lines[6]);
        operatorReceipts += int(Figure(lines[8]));
    }
    EXPECT_EQ(operatorTotal, journalTotal);
    EXPECT_EQ(operatorReceipts, receipts);

    // Every PLU the register sold today, against its own totals.
    ActivateRegisterPlus();
    std::map<int, SimPlu> sold;
    int active = 0;
    sim->WithModel([&](RegisterModel& model) {
        for (int n = 0; n < RegisterModel::PluCount; ++n) {
            active += model.Plu(n).Active() ? 1 : 0;
            if (model.Plu(n).Active() && model.Plu(n).Quantity > 0)
                sold[n] = model.Plu(n);
        }
    });
    ASSERT_FALSE(sold.empty());
    QElapsedTimer clock;
    clock.start();
    const QStringList plus = RunSeries(0, 9999);
    EXPECT_GE(clock.elapsed(), (active - 1) * PluStatSeries::PaceMs)
        << "never faster than the register's pace";
    ASSERT_EQ(plus.size(), qsizetype(2 + sold.size())) << plus.join(QLatin1Char('\n')).toStdString();
    const QString sep = QLocale::system().decimalPoint();
    int row = 2;
    for (const auto& [n, p] : sold) {
        const QStringList fields = plus[row++].split(QLatin1Char('\t'));
        ASSERT_EQ(fields.size(), 6);
        EXPECT_EQ(fields[0].trimmed().toInt(), n);
        const QString quantity = p.DecimalQty() ? QStringLiteral("%1%2%3")
                                                      .arg(p.Quantity / 1000)
                                                      .arg(sep)
                                                      .arg(p.Quantity % 1000, 3, 10, QLatin1Char('0'))
                                                : QString::number(p.Quantity);
        EXPECT_EQ(fields[3].trimmed(), quantity) << n;
        EXPECT_EQ(Figure(fields[5]), int64_t(p.Total)) << n;
    }
    EXPECT_EQ(Window().CurrentPage(), static_cast<ModePage*>(&Page()));

    // The Z report: answered, shown, and the next 'k' holds the day.
    QPushButton* doZ = Control<QPushButton>("DoZ");
    answer = QMessageBox::Yes;
    doZ->click();
    ASSERT_EQ(boxes.size(), 1u) << "the Z report is asked first";
    boxes.clear();
    ASSERT_TRUE(WaitUntil([&] { return doZ->isEnabled(); }));
    EXPECT_EQ(Control<QLabel>("ZResultLabel")->text(), QStringLiteral("Z report done"));
    const QStringList z = Fetch("GetZ", 28);
    EXPECT_EQ(z[2], QStringLiteral("Z Record\t1"));
    EXPECT_EQ(z[6], QStringLiteral("Total Receipts\t%1").arg(receipts));
    sum = 0;
    for (const QString& line : z.mid(8, 9))
        sum += Figure(line);
    EXPECT_EQ(sum, journalTotal) << "the Z report's sums";
    // A new day starts at zero.
    for (const QString& line : Fetch("GetVAT", 11).mid(1, 9))
        EXPECT_EQ(Figure(line), 0) << line.toStdString();
    EXPECT_EQ(Fetch("DailyStatistics", 10)[5], QStringLiteral("Total Receipts\t0"));
    EXPECT_EQ(RunSeries(0, 9999).size(), 2) << "no PLU has sold anything since";
    EXPECT_TRUE(boxes.empty()) << (boxes.empty() ? "" : boxes[0].Text.toStdString());
}

// Figures set straight into the register: PLU n sold n pieces for n.00.
void SetSales(InProcessRegister& sim) {
    sim.WithModel([](RegisterModel& model) {
        for (int n = 1; n <= 20; ++n) {
            SimPlu p = model.Plu(n);
            p.Quantity = uint32_t(p.DecimalQty() ? n * 1000 : n);
            p.Total = uint64_t(n * 100);
            model.SetPlu(n, p);
        }
    });
}

TEST_F(ReportsSimTest, ALineThatDropsEveryThirdFrameListsTheUnansweredPlusAtTheEnd) {
    SimOptions options;
    options.DropEvery = 3;
    StartRegister(options);
    SetSales(*sim);
    ActivateRegisterPlus();
    EXPECT_EQ((&forms->Session().PluSeries())->ReplyTimeout(), 6000);
    (&forms->Session().PluSeries())->SetReplyTimeout(300);
    const QStringList lines = RunSeries(0, 9999);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.last(), QStringLiteral("No answer from the register for PLU: 3, 6, 9, 12, 15, 18"));
    std::vector<int> shown;
    for (const QString& line : lines.mid(2, lines.size() - 3))
        shown.push_back(line.section(QLatin1Char('\t'), 0, 0).trimmed().toInt());
    EXPECT_EQ(shown, (std::vector<int>{1, 2, 4, 5, 7, 8, 10, 11, 13, 14, 16, 17, 19, 20}));
    EXPECT_TRUE(boxes.empty()) << "never three silent PLUs in a row";
    EXPECT_EQ(Window().CurrentPage(), static_cast<ModePage*>(&Page()));
}

TEST_F(ReportsSimTest, ASilentRegisterStopsTheSeriesAfterThreePlusWithTheWarning) {
    SimOptions options;
    options.Silent = true;
    StartRegister(options);
    ActivateRegisterPlus();
    (&forms->Session().PluSeries())->SetReplyTimeout(300);
    const QStringList lines = RunSeries(0, 9999);
    EXPECT_EQ((&forms->Session().PluSeries())->Done(), 3);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines.last(), QStringLiteral("No answer from the register for PLU: 1, 2, 3"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Text, QStringLiteral("There is no Orvex response"));
    EXPECT_EQ(boxes[0].Title, QStringLiteral("Warning"));
    EXPECT_TRUE(Window().isEnabled());
}

} // namespace
