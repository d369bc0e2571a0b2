#include "HistoryBackends.h"

#include "history/HistoryRecorder.h"
#include "history/HistoryStore.h"
#include "history/HistorySummary.h"
#include "monitor/JournalMonitor.h"
#include "protocol/ReplyDispatcher.h"
#include "reports/DailyReports.h"
#include "session/RegisterSession.h"
#include "sim/InProcessRegister.h"
#include "sim/RegisterModel.h"
#include "support/WaitUntil.h"

#include <QSqlQuery>
#include <algorithm>
#include <memory>

namespace {

// A day at the simulated register with the history recording: a cashier
// sells, the reports are fetched and the Z report closes the day.
class HistoryDayTest : public HistoryBackendTest {
  protected:
    void SetUp() override {
        HistoryBackendTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        SimOptions options;
        options.Speed = 0;
        m_sim = std::make_unique<InProcessRegister>(options);
        const QString device = m_sim->Start();
        ASSERT_FALSE(device.isEmpty()) << m_sim->ErrorString().toStdString();
        TCommPortDriver::SetDeviceOverride(pnCOM1, device);
        QString error;
        ASSERT_TRUE(m_store.Open(m_target, error)) << error.toStdString();
        m_session = std::make_unique<RegisterSession>();
        m_recorder = std::make_unique<HistoryRecorder>(*m_session, m_store, QStringLiteral("Corner"));
        ASSERT_TRUE(m_session->Dispatcher().EnsurePortOpen());
        QObject::connect(&m_session->Reports(), &DailyReports::ReportReceived,
                         [this](const QByteArray& payload) { m_reports.push_back(payload); });
        QObject::connect(&m_session->Journal(), &JournalMonitor::ReceiptClosed, [this] { ++m_closed; });
    }
    void TearDown() override {
        if (m_session)
            m_session->Dispatcher().Disconnect();
        m_recorder.reset();
        m_session.reset();
        m_sim.reset();
        TCommPortDriver::ClearDeviceOverrides();
        m_store.Close();
        HistoryBackendTest::TearDown();
    }

    // The report's reply as it came.
    QByteArray Fetch(uint8_t code) {
        const size_t before = m_reports.size();
        EXPECT_TRUE(m_session->Reports().RequestReport(code));
        EXPECT_TRUE(WaitUntil([&] { return m_reports.size() > before; }, 5000)) << char(code);
        return m_reports.size() > before ? m_reports.back() : QByteArray();
    }
    void Sell(int receipts) {
        const int until = m_closed + receipts;
        m_sim->WithModel([](RegisterModel& model) { model.StartSelling(1); });
        EXPECT_TRUE(WaitUntil([&] { return m_closed >= until; }, 30000)) << m_closed;
        m_sim->WithModel([](RegisterModel& model) { model.StartSelling(0); });
    }
    static std::span<const uint8_t> Bytes(const QByteArray& b) {
        return {reinterpret_cast<const uint8_t*>(b.constData()), size_t(b.size())};
    }

    HistoryStore m_store;
    std::unique_ptr<InProcessRegister> m_sim;
    std::unique_ptr<RegisterSession> m_session;
    std::unique_ptr<HistoryRecorder> m_recorder;
    std::vector<QByteArray> m_reports;
    int m_closed = 0;
};

} // namespace

TEST_P(HistoryDayTest, TheStoredReceiptsAddUpToTheRegistersOwnFigures) {
    const auto status = DecodeStatusReport(Bytes(Fetch(StatusReportCode)));
    ASSERT_TRUE(status);
    Sell(40);
    // The receipt the cashier was in the middle of is closed before the figures.
    m_sim->WithModel([](RegisterModel& model) {
        while (model.Day().ReceiptOpen())
            model.SellStep();
    });
    ASSERT_TRUE(WaitUntil([&] {
        int open = 1;
        m_sim->WithModel([&](RegisterModel& model) { open = model.Day().ReceiptOpen(); });
        return !open;
    }));
    const auto tax = DecodeTaxReport(Bytes(Fetch(TaxReportCode)));
    const auto departments = DecodeDepartmentReport(Bytes(Fetch(DepartmentReportCode)));
    ASSERT_TRUE(tax && departments);
    int receiptsToday = 0;
    m_sim->WithModel([&](RegisterModel& model) { receiptsToday = model.Day().ReceiptsToday(); });

    bool zDone = false;
    QObject::connect(&m_session->Reports(), &DailyReports::ZReportFinished, [&] { zDone = true; });
    ASSERT_TRUE(m_session->Reports().RunZReport());
    ASSERT_TRUE(WaitUntil([&] { return zDone; }, 10000));
    ASSERT_TRUE(m_store.Flush(10000)) << m_store.Status().ServerError.toStdString();

    EXPECT_GE(receiptsToday, 40);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT COUNT(*) FROM receipts")).toInt(), receiptsToday);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT COUNT(*) FROM receipts WHERE whole = 1")).toInt(), receiptsToday);
    int64_t taxTotal = 0;
    for (const auto& group : tax->TaxGroups)
        taxTotal += int64_t(group.Turnover);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT SUM(total) FROM receipts")).toLongLong(), taxTotal);
    for (size_t d = 0; d < ReportGroups; ++d)
        EXPECT_EQ(Scalar(QStringLiteral("SELECT SUM(dept%1) FROM receipts").arg(d + 1)).toLongLong(),
                  int64_t(departments->Departments[d].Turnover))
            << "department " << d + 1;
    // Every record the register sent is kept, with the register it came from.
    EXPECT_GT(Scalar(QStringLiteral("SELECT COUNT(*) FROM journal")).toInt(), 2 * receiptsToday);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT COUNT(DISTINCT fiscal_id) FROM journal")).toInt(), 1);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT MIN(fiscal_id) FROM receipts")).toString(),
              QString::fromLatin1(status->FiscalId));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT COUNT(*) FROM reports")).toInt(), 3);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT answered FROM zreports")).toInt(), 1);

    // The summary of the day says the same, its tax groups those of the report.
    QString error;
    const QString day = Scalar(QStringLiteral("SELECT MIN(sale_day) FROM receipts")).toString();
    const auto summary = SummariseHistory(m_target, QDate::fromString(day, Qt::ISODate),
                                          QDate::fromString(day, Qt::ISODate), QString(), error);
    ASSERT_TRUE(summary) << error.toStdString();
    EXPECT_EQ(summary->Receipts, receiptsToday);
    EXPECT_EQ(summary->Total, taxTotal);
    std::vector<int64_t> stored;
    for (const int64_t amount : summary->TaxGroups)
        stored.push_back(amount);
    std::vector<int64_t> reported;
    for (const auto& group : tax->TaxGroups)
        if (group.Turnover != 0)
            reported.push_back(int64_t(group.Turnover));
    std::ranges::sort(stored);
    std::ranges::sort(reported);
    EXPECT_EQ(stored, reported);
    EXPECT_FALSE(summary->TaxGroups.contains(QStringLiteral("?")));
    const auto other = SummariseHistory(m_target, QDate::fromString(day, Qt::ISODate),
                                        QDate::fromString(day, Qt::ISODate), QStringLiteral("2"), error);
    ASSERT_TRUE(other) << error.toStdString();
    EXPECT_EQ(other->Receipts, 0) << "another register's receipts are its own";
}

ORVEX_ON_BOTH_BACKENDS(HistoryDayTest);
