#include "shell/ShellFixture.h"

#include "history/HistoryPage.h"
#include "history/HistorySql.h"
#include "shell/WindowHistory.h"
#include "sim/InProcessRegister.h"

#include <QSqlQuery>

namespace {

class HistoryWindowTest : public ShellTest {
  protected:
    void TearDown() override {
        if (forms)
            forms->History().Close();
        ShellTest::TearDown();
    }
};

} // namespace

// What the window recorded from the simulated register is what Tools > Sales
// History draws, with the page's hint in the panel.
TEST_F(HistoryWindowTest, TheWindowsOwnRecordsAreOnThePage) {
    SimOptions options;
    options.Speed = 0;
    options.SellEveryMs = 20;
    InProcessRegister simulator(options);
    const QString device = simulator.Start();
    ASSERT_FALSE(device.isEmpty()) << simulator.ErrorString().toStdString();
    TCommPortDriver::SetDeviceOverride(pnCOM1, device);
    ASSERT_TRUE(forms->History().Open(QString(), workDir.path()))
        << forms->History().OpenError().toStdString();
    Item("Connect1")->trigger();
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
