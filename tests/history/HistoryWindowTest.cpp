#include "shell/ShellFixture.h"

#include "history/HistoryCharts.h"
#include "history/HistoryPage.h"
#include "history/HistorySql.h"
#include "shell/WindowHistory.h"
#include "sim/InProcessRegister.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QSqlQuery>
#include <QTest>

namespace {

class HistoryWindowTest : public ShellTest {
  protected:
    // The window records, into the data folder's history, what a simulated
    // register selling every 20 ms sends it.
    void ConnectRecording() {
        const QString device = simulator.Start();
        ASSERT_FALSE(device.isEmpty()) << simulator.ErrorString().toStdString();
        TCommPortDriver::SetDeviceOverride(pnCOM1, device);
        ASSERT_TRUE(forms->History().Open(QString(), workDir.path()))
            << forms->History().OpenError().toStdString();
        Item("Connect1")->trigger();
    }
    static SimOptions Selling() {
        SimOptions options;
        options.Speed = 0;
        options.SellEveryMs = 20;
        return options;
    }
    void TearDown() override {
        if (forms)
            forms->History().Close();
        ShellTest::TearDown();
    }

    InProcessRegister simulator{Selling()};
};

} // namespace

// What the window recorded from the simulated register is what Tools > Sales
// History draws, with the page's hint in the panel.
TEST_F(HistoryWindowTest, TheWindowsOwnRecordsAreOnThePage) {
    ConnectRecording();
    ASSERT_TRUE(Dispatcher().IsOpen());
    HistoryConnection connection;
    QString error;
    ASSERT_TRUE(connection.OpenSqlite(QDir(workDir.path()).filePath("history.sqlite"), error));
    const auto receipts = [&] {
        forms->History().Store().Flush(2000);
        QSqlQuery query(connection.Database());
        return query.exec("SELECT COUNT(*) FROM receipts") && query.next() ? query.value(0).toInt() : 0;
    };
    ASSERT_TRUE(WaitUntil([&] { return receipts() >= 3; }, 20000));
    Dispatcher().Disconnect();
    ASSERT_TRUE(forms->History().Store().Flush(5000));
    const int stored = receipts();

    Item("History1")->trigger();
    HistoryPage* page = Window().HistorySheet();
    EXPECT_EQ(Window().CurrentPage(), page);
    EXPECT_EQ(Window().HintText(), QStringLiteral("Istorija prodaje - promet, artikli, sati, blagajnici"));
    // The simulated register keeps its own calendar: a range that holds it.
    page->SetRange(QDate(2000, 1, 1), QDate(2099, 12, 31));
    ASSERT_TRUE(WaitUntil([&] { return !page->IsLoading(); }, 10000));
    ASSERT_TRUE(page->Figures());
    EXPECT_EQ(page->Figures()->Receipts, stored) << page->StatusText().toStdString();
    EXPECT_FALSE(page->Figures()->TopByAmount.empty()) << "the simulator sells PLUs";
    EXPECT_TRUE(page->StatusText().startsWith(QStringLiteral("Računa: %1").arg(stored)))
        << page->StatusText().toStdString();
    TCommPortDriver::ClearDeviceOverrides();
}

// The Register box clicked, opened and picked from, and the language switched,
// while the period's figures load and the register sells on: the box is
// refilled under the open list and the charts redrawn, with nothing left
// pointing at what went.
TEST_F(HistoryWindowTest, TheRegisterBoxPlayedWithWhileFiguresLoad) {
    ConnectRecording();
    ASSERT_TRUE(Dispatcher().IsOpen());
    Item("History1")->trigger();
    Window().show();
    HistoryPage* page = Window().HistorySheet();
    auto* box = page->findChild<QComboBox*>(QStringLiteral("HistoryRegister"));
    ASSERT_NE(box, nullptr);
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        forms->History().Store().Flush(1000);
        page->SetRange(QDate(2000, 1, 1), QDate(2099, 12, 31));
        box->showPopup();
        RunEventsFor(10);
        QTest::keyClick(box->view(), round % 2 ? Qt::Key_Down : Qt::Key_Up);
        QTest::keyClick(box->view(), Qt::Key_Return);
        if (round % 5 == 0)
            Item(round % 10 ? "MnEnglish" : "MnSerbian")->trigger();
        page->ShowChart(HistoryChart(round % int(HistoryCharts.size())));
        RunEventsFor(15);
    }
    box->hidePopup();
    ASSERT_TRUE(WaitUntil([&] { return !page->IsLoading(); }, 10000));
    EXPECT_GE(box->count(), 2) << "all registers and the simulated one";
    Dispatcher().Disconnect();
    Window().hide();
    TCommPortDriver::ClearDeviceOverrides();
}
