#include "HistoryBackends.h"
#include "HistoryReceipts.h"

#include "history/HistoryFigures.h"
#include "history/HistoryStore.h"

namespace {

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

    // One row committed twice, as a batch is sent again after its commit's
    // answer was lost; origin: the run the store would have given it.
    void SendTwice(HistoryTable table, QVariantList row, int origin) {
        HistoryConnection connection;
        ASSERT_TRUE(Connect(connection));
        row[0] = origin;
        row[1] = 1;
        const QVariantList* rows[] = {&row};
        for (int copy = 0; copy < 2; ++copy) {
            QSqlDatabase db = connection.Database();
            ASSERT_TRUE(db.transaction());
            QString error;
            ASSERT_TRUE(connection.Insert(table, rows, error)) << error.toStdString();
            ASSERT_TRUE(db.commit());
        }
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
    const ReceiptRecord r =
        Receipt(1, 500, "2027-03-01T10:00", {}, {{7, 1, QStringLiteral("SEVEN"), 2000, 500}});
    ASSERT_NO_FATAL_FAILURE(
        SendTwice(HistoryTable::ReceiptItems, ReceiptItemValues(One, 1, r, r.Items[0]), 42));
    const auto f = Figures("2027-03-01", "2027-03-01", std::nullopt);
    ASSERT_TRUE(f);
    EXPECT_EQ(Listed(f->TopByAmount), (Articles{{7, QStringLiteral("SEVEN"), 2000, 500}}));
}

// A period reads its whole months from the month totals and the days around
// them from the day totals: every cut of it adds up to what was sold in it.
TEST_P(HistoryFiguresTest, WholeMonthsAndTheDaysAroundThemAddUp) {
    // One article a day from 2027-01-30 to 2027-03-02, its quantity the day
    // of the year, the amount ten times that.
    const QDate first(2027, 1, 30);
    const QDate last(2027, 3, 2);
    for (QDate day = first; day <= last; day = day.addDays(1)) {
        const int n = day.dayOfYear();
        Add(day.day() % 2 ? One : Two,
            Receipt(1, n * 10, day.toString(Qt::ISODate) + "T08:00", {n * 10, 0, 0, 0, 0, 0, 0, 0, 0},
                    {{55, 1, QStringLiteral("TEA"), n, n * 10}}));
    }
    ASSERT_TRUE(m_store.Flush(10000));
    const auto sold = [](QDate from, QDate to) {
        int64_t sum = 0;
        for (QDate day = from; day <= to; day = day.addDays(1))
            sum += day.dayOfYear();
        return sum;
    };
    for (const auto& [from, to] : {std::pair{first, last},                              // around a month
                                   std::pair{QDate(2027, 2, 1), QDate(2027, 2, 28)},    // the month alone
                                   std::pair{QDate(2027, 2, 1), last},                  // a month and after
                                   std::pair{first, QDate(2027, 2, 28)},                // before and a month
                                   std::pair{QDate(2027, 2, 10), QDate(2027, 2, 20)},   // inside one
                                   std::pair{QDate(2027, 1, 31), QDate(2027, 3, 1)}}) { // a day either side
        const auto f = Figures(from.toString(Qt::ISODate), to.toString(Qt::ISODate), std::nullopt);
        ASSERT_TRUE(f);
        const int64_t quantity = sold(from, to);
        EXPECT_EQ(Listed(f->TopByAmount), (Articles{{55, QStringLiteral("TEA"), quantity, quantity * 10}}))
            << from.toString(Qt::ISODate).toStdString() << ".." << to.toString(Qt::ISODate).toStdString();
        EXPECT_EQ(f->Total, quantity * 10);
        EXPECT_EQ(f->Receipts, from.daysTo(to) + 1);
        EXPECT_EQ(f->ReceiptsByHour[8], from.daysTo(to) + 1);
    }
    // One register over the month: its days only.
    const auto one = Figures("2027-02-01", "2027-02-28", One);
    ASSERT_TRUE(one);
    int64_t odd = 0;
    for (int d = 1; d <= 28; d += 2)
        odd += QDate(2027, 2, d).dayOfYear();
    EXPECT_EQ(Listed(one->TopByQuantity), (Articles{{55, QStringLiteral("TEA"), odd, odd * 10}}));
    EXPECT_EQ(one->Receipts, 14);
}

// A receipt sent again after its commit's answer was lost counts once in the
// days, hours and operators as well.
TEST_P(HistoryFiguresTest, AReceiptSentTwiceCountsOnce) {
    const ReceiptRecord r = Receipt(4, 700, "2027-03-05T16:20", {700, 0, 0, 0, 0, 0, 0, 0, 0}, {});
    ASSERT_NO_FATAL_FAILURE(SendTwice(HistoryTable::Receipts, ReceiptValues(One, 1, r), 43));
    const auto f = Figures("2027-03-05", "2027-03-05", std::nullopt);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Receipts, 1);
    EXPECT_EQ(f->Total, 700);
    EXPECT_EQ(f->ReceiptsByHour[16], 1);
    ASSERT_EQ(f->Operators.size(), 1u);
    EXPECT_EQ(f->Operators[0].Receipts, 1);
    EXPECT_EQ(f->Departments[0], 700);
}

namespace {

// A history as older programs left it: the steps up to a version, then rows
// written straight into its tables.
class HistoryUpgradeTest : public HistoryBackendTest {
  protected:
    void WriteAt(int version) {
        HistoryConnection connection;
        ASSERT_TRUE(Connect(connection));
        QSqlDatabase db = connection.Database();
        QString error;
        ASSERT_TRUE(MigrateHistory(db, error, version)) << error.toStdString();
        ASSERT_EQ(SchemaVersion(db), version);
        std::vector<QVariantList> receipts;
        std::vector<QVariantList> items;
        int seq = 0;
        const auto add = [&](const RegisterKey& reg, const ReceiptRecord& r) {
            receipts.push_back(ReceiptValues(reg, 1, r));
            receipts.back()[0] = 7;
            receipts.back()[1] = ++seq;
            for (const ReceiptItem& item : r.Items) {
                items.push_back(ReceiptItemValues(reg, 1, r, item));
                items.back()[0] = 7;
                items.back()[1] = ++seq;
            }
        };
        add(One, Receipt(1, 300, "2026-11-30T09:10", {300, 0, 0, 0, 0, 0, 0, 0, 0},
                         {{10, 1, "BREAD", 1000, 100}, {20, 1, "MILK", 2000, 200}}));
        add(One, Receipt(2, 150, "2026-12-01T17:45", {0, 150, 0, 0, 0, 0, 0, 0, 0},
                         {{10, 1, "BREAD", 1500, 150}}));
        add(Two,
            Receipt(2, 90, "2026-12-01T17:50", {90, 0, 0, 0, 0, 0, 0, 0, 0}, {{30, 1, "SALT", 500, 90}}));
        ASSERT_TRUE(db.transaction());
        for (const auto& [table, rows] :
             {std::pair{HistoryTable::Receipts, &receipts}, std::pair{HistoryTable::ReceiptItems, &items}}) {
            std::vector<const QVariantList*> pointers;
            for (const QVariantList& row : *rows)
                pointers.push_back(&row);
            ASSERT_TRUE(connection.Insert(table, pointers, error)) << error.toStdString();
        }
        ASSERT_TRUE(db.commit());
    }
    std::optional<HistoryFigures> Figures() {
        HistoryConnection connection;
        QString error;
        if (!OpenHistoryForReading(m_target, connection, error)) {
            ADD_FAILURE() << error.toStdString();
            return std::nullopt;
        }
        auto f = ReadHistoryFigures(connection.Database(), QDate(2026, 11, 1), QDate(2026, 12, 31),
                                    std::nullopt, error);
        EXPECT_TRUE(f) << error.toStdString();
        return f;
    }
    void ExpectTheReceipts(const HistoryFigures& f) {
        EXPECT_EQ(f.Receipts, 3);
        EXPECT_EQ(f.Total, 540);
        ASSERT_EQ(f.Days.size(), 2u);
        EXPECT_EQ(f.Days[1].Receipts, 2);
        EXPECT_EQ(f.ReceiptsByHour[17], 2);
        ASSERT_EQ(f.Operators.size(), 2u);
        EXPECT_EQ(f.Operators[1].Total, 240);
        EXPECT_EQ(f.Departments, (std::array<int64_t, ReportGroups>{390, 150, 0, 0, 0, 0, 0, 0, 0}));
    }
};

} // namespace

// A history from before the totals were kept (its lines, no day totals):
// read as it is, then brought up to date with what it held.
TEST_P(HistoryUpgradeTest, AnOlderHistoryIsReadAsItIsAndUpgradedWithItsTotals) {
    ASSERT_NO_FATAL_FAILURE(WriteAt(2));
    const auto before = Figures();
    ASSERT_TRUE(before);
    ExpectTheReceipts(*before);
    EXPECT_TRUE(before->TopByAmount.empty()) << "no article totals kept yet";

    HistoryStore store;
    QString error;
    ASSERT_TRUE(store.Open(m_target, error)) << error.toStdString();
    const ReceiptRecord more =
        Receipt(1, 50, "2026-12-02T08:00", {50, 0, 0, 0, 0, 0, 0, 0, 0}, {{20, 1, "MILK", 500, 50}});
    store.Add(HistoryTable::Receipts, ReceiptValues(One, 1, more));
    store.Add(HistoryTable::ReceiptItems, ReceiptItemValues(One, 1, more, more.Items[0]));
    ASSERT_TRUE(store.Flush(10000));
    store.Close();
    // Two whole months: the month totals alone, made from the lines kept.
    const auto after = Figures();
    ASSERT_TRUE(after);
    EXPECT_EQ(after->Receipts, 4);
    EXPECT_EQ(after->Total, 590);
    EXPECT_EQ(after->ReceiptsByHour[17], 2);
    EXPECT_EQ(after->ReceiptsByHour[8], 1);
    EXPECT_EQ(after->Departments, (std::array<int64_t, ReportGroups>{440, 150, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Listed(after->TopByAmount),
              (Articles{{10, "BREAD", 2500, 250}, {20, "MILK", 2500, 250}, {30, "SALT", 500, 90}}));
}

ORVEX_ON_BOTH_BACKENDS(HistoryUpgradeTest);
