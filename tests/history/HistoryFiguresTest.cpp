#include "HistoryBackends.h"

#include "history/HistoryFigures.h"
#include "history/HistoryStore.h"

namespace {

ReceiptRecord Receipt(int operatorNumber, int64_t total, const QString& time,
                      std::array<int64_t, ReportGroups> departments, std::vector<ReceiptItem> items) {
    ReceiptRecord r;
    r.Operator = operatorNumber;
    r.Total = total;
    r.RegisterTime = time;
    r.Departments = departments;
    r.Whole = true;
    r.Items = std::move(items);
    return r;
}

const RegisterKey One{QStringLiteral("Corner"), 1, QStringLiteral("OX01")};
const RegisterKey Two{QStringLiteral("Corner"), 2, QStringLiteral("OX02")};

// Two registers of one shop, the second without a status report (its tax
// letters unknown); one receipt the day before the period.
class HistoryFiguresTest : public HistoryBackendTest {
  protected:
    void SetUp() override {
        HistoryBackendTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        QString error;
        ASSERT_TRUE(m_store.Open(m_target, error)) << error.toStdString();
        m_store.Add(HistoryTable::Registers, RegisterValues(One, QStringLiteral("AABBCCDDE"), 1));
        Add(One, Receipt(1, 1050, "2026-12-01T09:05", {1000, 0, 50, 0, 0, 0, 0, 0, 0},
                         {{10, 1, "BREAD", 2000, 1000}, {20, 3, "MILK", 1000, 50}}));
        Add(One,
            Receipt(2, 200, "2026-12-02T10:00", {0, 0, 0, 0, 200, 0, 0, 0, 0}, {{30, 5, "SALT", 4000, 200}}));
        Add(Two,
            Receipt(
                1, 333, "2026-12-02T10:30", {333, 0, 0, 0, 0, 0, 0, 0, 0},
                {{10, 1, "BREAD", 1500, 433}, {10, 1, "BREAD", -500, -100}, {std::nullopt, 1, "", 1000, 0}}));
        Add(One,
            Receipt(1, 999, "2026-11-30T23:59", {999, 0, 0, 0, 0, 0, 0, 0, 0}, {{40, 1, "EGGS", 9000, 999}}));
        ASSERT_TRUE(m_store.Flush(10000)) << m_store.Status().ServerError.toStdString();
    }
    void TearDown() override {
        m_store.Close();
        HistoryBackendTest::TearDown();
    }
    void Add(const RegisterKey& reg, const ReceiptRecord& r) {
        m_store.Add(HistoryTable::Receipts, ReceiptValues(reg, 1, r));
        for (const ReceiptItem& item : r.Items)
            m_store.Add(HistoryTable::ReceiptItems, ReceiptItemValues(reg, 1, r, item));
    }
    std::optional<HistoryFigures> Figures(const QString& from, const QString& to,
                                          const std::optional<RegisterKey>& reg) {
        HistoryConnection connection;
        QString error;
        if (!OpenHistoryForReading(m_target, connection, error)) {
            ADD_FAILURE() << error.toStdString();
            return std::nullopt;
        }
        auto f = ReadHistoryFigures(connection.Database(), QDate::fromString(from, Qt::ISODate),
                                    QDate::fromString(to, Qt::ISODate), reg, error);
        EXPECT_TRUE(f) << error.toStdString();
        return f;
    }

    HistoryStore m_store;
};

using Tax = QMap<QString, int64_t>;
using Articles = std::vector<std::tuple<int, QString, int64_t, int64_t>>;

Articles Listed(const std::vector<HistoryFigures::Article>& articles) {
    Articles out;
    for (const auto& a : articles)
        out.emplace_back(a.Plu, a.Description, a.Quantity, a.Amount);
    return out;
}

} // namespace

TEST_P(HistoryFiguresTest, EveryFigureOfThePeriodOverAllRegisters) {
    const auto f = Figures("2026-12-01", "2026-12-31", std::nullopt);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Receipts, 3);
    EXPECT_EQ(f->Total, 1583);
    EXPECT_EQ(f->TaxLetters, (QStringList{"?", "A", "B", "C"}));
    ASSERT_EQ(f->Days.size(), 2u);
    EXPECT_EQ(f->Days[0].Date, QDate(2026, 12, 1));
    EXPECT_EQ(f->Days[0].Receipts, 1);
    EXPECT_EQ(f->Days[0].ByTax, (Tax{{"A", 1000}, {"B", 50}}));
    EXPECT_EQ(f->Days[0].AverageReceipt(), 1050);
    EXPECT_EQ(f->Days[1].Date, QDate(2026, 12, 2));
    EXPECT_EQ(f->Days[1].Total, 533);
    EXPECT_EQ(f->Days[1].ByTax, (Tax{{"?", 333}, {"C", 200}}));
    EXPECT_EQ(f->Days[1].AverageReceipt(), 267) << "266.5 rounds up";
    EXPECT_EQ(f->Departments, (std::array<int64_t, ReportGroups>{1333, 0, 50, 0, 200, 0, 0, 0, 0}));
    // The two registers' PLU 10 together, the returned part taken off; the
    // department sale has no PLU and the day before the period is left out.
    EXPECT_EQ(Listed(f->TopByAmount),
              (Articles{{10, "BREAD", 3000, 1333}, {30, "SALT", 4000, 200}, {20, "MILK", 1000, 50}}));
    EXPECT_EQ(Listed(f->TopByQuantity),
              (Articles{{30, "SALT", 4000, 200}, {10, "BREAD", 3000, 1333}, {20, "MILK", 1000, 50}}));
    std::array<qint64, 24> hours{};
    hours[9] = 1;
    hours[10] = 2;
    EXPECT_EQ(f->ReceiptsByHour, hours);
    ASSERT_EQ(f->Operators.size(), 2u);
    EXPECT_EQ(f->Operators[0].Number, 1);
    EXPECT_EQ(f->Operators[0].Receipts, 2);
    EXPECT_EQ(f->Operators[0].Total, 1383);
    EXPECT_EQ(f->Operators[1].Number, 2);
    EXPECT_EQ(f->Operators[1].Total, 200);
}

TEST_P(HistoryFiguresTest, OneRegisterAndPeriodsWithNothing) {
    const auto one = Figures("2026-12-01", "2026-12-02", One);
    ASSERT_TRUE(one);
    EXPECT_EQ(one->Receipts, 2);
    EXPECT_EQ(one->Total, 1250);
    EXPECT_EQ(one->TaxLetters, (QStringList{"A", "B", "C"}));
    EXPECT_EQ(Listed(one->TopByAmount),
              (Articles{{10, "BREAD", 2000, 1000}, {30, "SALT", 4000, 200}, {20, "MILK", 1000, 50}}));
    ASSERT_EQ(one->Operators.size(), 2u);

    // A part alone: the hours, nothing of the days or articles.
    HistoryConnection connection;
    QString error;
    ASSERT_TRUE(OpenHistoryForReading(m_target, connection, error)) << error.toStdString();
    const auto hours = ReadHistoryFigures(connection.Database(), QDate(2026, 12, 1), QDate(2026, 12, 31),
                                          std::nullopt, error, HoursPart);
    ASSERT_TRUE(hours) << error.toStdString();
    EXPECT_EQ(hours->ReceiptsByHour[10], 2);
    EXPECT_EQ(hours->Receipts, 0);
    EXPECT_TRUE(hours->Days.empty());
    EXPECT_TRUE(hours->TopByAmount.empty());

    for (const auto& [from, to] :
         {std::pair{"2027-01-01", "2027-01-31"}, std::pair{"2026-12-31", "2026-12-01"}}) {
        const auto none = Figures(from, to, std::nullopt);
        ASSERT_TRUE(none);
        EXPECT_EQ(none->Receipts, 0) << from;
        EXPECT_TRUE(none->Days.empty());
        EXPECT_TRUE(none->TopByAmount.empty());
        EXPECT_TRUE(none->Operators.empty());
        EXPECT_TRUE(none->TaxLetters.isEmpty());
    }
}

TEST_P(HistoryFiguresTest, TheTwentyLargestArticlesAndTheKnownRegisters) {
    // 25 articles: the amounts rise with the PLU number, the quantities fall.
    std::vector<ReceiptItem> items;
    for (int plu = 101; plu <= 125; ++plu)
        items.push_back({plu, 1, QStringLiteral("P%1").arg(plu), (126 - plu) * 1000, plu * 10});
    Add(Two, Receipt(3, 0, "2027-02-01T12:00", {}, items));
    ASSERT_TRUE(m_store.Flush(10000));
    const auto f = Figures("2027-02-01", "2027-02-01", std::nullopt);
    ASSERT_TRUE(f);
    ASSERT_EQ(f->TopByAmount.size(), TopArticles);
    ASSERT_EQ(f->TopByQuantity.size(), TopArticles);
    for (size_t i = 0; i < TopArticles; ++i) {
        EXPECT_EQ(f->TopByAmount[i].Plu, 125 - int(i));
        EXPECT_EQ(f->TopByQuantity[i].Plu, 101 + int(i));
    }

    HistoryConnection connection;
    QString error;
    ASSERT_TRUE(OpenHistoryForReading(m_target, connection, error)) << error.toStdString();
    const auto registers = ReadHistoryRegisters(connection.Database(), error);
    ASSERT_TRUE(registers) << error.toStdString();
    EXPECT_EQ(*registers, (std::vector<RegisterKey>{One})) << "named by its status report";
    const auto december = Figures("2026-12-01", "2026-12-31", std::nullopt);
    ASSERT_TRUE(december);
    EXPECT_EQ(december->Registers, (std::vector<RegisterKey>{One, Two})) << "heard selling";
}

TEST_P(HistoryFiguresTest, AHistoryThatIsNotThereIsSaid) {
    HistoryTarget missing = m_target;
    missing.File = m_dir.filePath(QStringLiteral("elsewhere/history.sqlite"));
    if (GetParam() == HistoryTarget::Backend::Postgres)
        missing.Database = QStringLiteral("orvex_no_such_database");
    HistoryConnection connection;
    QString error;
    EXPECT_FALSE(OpenHistoryForReading(missing, connection, error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(missing.File)) << "reading makes no history";
}

ORVEX_ON_BOTH_BACKENDS(HistoryFiguresTest);

// A batch sent again after its commit's answer was lost is kept once: in the
// day totals the top articles are read from as in the lines themselves.
TEST_P(HistoryFiguresTest, ALineSentTwiceCountsOnceInTheTopArticles) {
    ASSERT_TRUE(m_store.Flush(10000));
    HistoryConnection connection;
    ASSERT_TRUE(Connect(connection));
    const ReceiptRecord r =
        Receipt(1, 500, "2027-03-01T10:00", {}, {{7, 1, QStringLiteral("SEVEN"), 2000, 500}});
    QVariantList row = ReceiptItemValues(One, 1, r, r.Items[0]);
    row[0] = 42; // the run and its sequence number, as the store gives them
    row[1] = 1;
    const QVariantList* rows[] = {&row};
    for (int copy = 0; copy < 2; ++copy) {
        QSqlDatabase db = connection.Database();
        ASSERT_TRUE(db.transaction());
        QString error;
        ASSERT_TRUE(connection.Insert(HistoryTable::ReceiptItems, rows, error)) << error.toStdString();
        ASSERT_TRUE(db.commit());
    }
    const auto f = Figures("2027-03-01", "2027-03-01", std::nullopt);
    ASSERT_TRUE(f);
    EXPECT_EQ(Listed(f->TopByAmount), (Articles{{7, QStringLiteral("SEVEN"), 2000, 500}}));
}
