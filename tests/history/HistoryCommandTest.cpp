#include "HistoryReceipts.h"

#include "ctl/CtlRunner.h"
#include "history/HistoryRows.h"
#include "history/HistorySql.h"
#include "history/HistoryStore.h"
#include "history/HistoryTarget.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct CtlResult {
    int Status = -1;
    QString Out;
    QString Err;
};

CtlResult Ctl(const QStringList& args) {
    CtlResult result;
    QTextStream out(&result.Out);
    QTextStream err(&result.Err);
    CtlContext context{out, err};
    result.Status = RunOrvexCtl(args, context);
    out.flush();
    err.flush();
    return result;
}

// Two registers of one shop over two days, the second register with no
// status report (its tax letters unknown).
class HistoryCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        HistoryTarget target;
        QString error;
        ASSERT_TRUE(ParseHistoryTarget(QString(), m_dir.path(), target, error));
        HistoryStore store;
        ASSERT_TRUE(store.Open(target, error)) << error.toStdString();
        const RegisterKey one{QStringLiteral("Corner"), 1, QStringLiteral("OX01")};
        const RegisterKey two{QStringLiteral("Corner"), 2, QStringLiteral("OX02")};
        store.Add(HistoryTable::Registers, RegisterValues(one, QStringLiteral("AABBCCDDE"), 1));
        store.Add(
            HistoryTable::Receipts,
            ReceiptValues(one, 1, Receipt(0, 1050, "2026-12-01T09:05", {1000, 0, 50, 0, 0, 0, 0, 0, 0})));
        store.Add(HistoryTable::Receipts,
                  ReceiptValues(one, 2, Receipt(0, 200, "2026-12-02T10:00", {0, 0, 0, 0, 200, 0, 0, 0, 0})));
        store.Add(HistoryTable::Receipts,
                  ReceiptValues(two, 3, Receipt(0, 333, "2026-12-02T11:00", {333, 0, 0, 0, 0, 0, 0, 0, 0})));
        store.Add(HistoryTable::Receipts,
                  ReceiptValues(one, 4, Receipt(0, 999, "2026-11-30T23:59", {999, 0, 0, 0, 0, 0, 0, 0, 0})));
        ASSERT_TRUE(store.Flush(10000));
    }
    QStringList Summary(const QStringList& more) const {
        return QStringList{"--data-dir", m_dir.path(), "history", "summary"} + more;
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(HistoryCommandTest, SummarisesThePeriodByTheRegistersOwnDates) {
    CtlResult r = Ctl(Summary({"--from", "2026-12-01", "--to", "2026-12-31", "--format", "json"}));
    ASSERT_EQ(r.Status, 0) << r.Err.toStdString();
    EXPECT_EQ(
        r.Out.toStdString(),
        "{\"from\":\"2026-12-01\",\"to\":\"2026-12-31\",\"registers\":2,\"receipts\":3,\"total\":15.83,"
        "\"averageReceipt\":5.28,\"taxGroups\":{\"?\":3.33,\"A\":10.00,\"B\":0.50,\"C\":2.00},"
        "\"departments\":{\"1\":13.33,\"2\":0.00,\"3\":0.50,\"4\":0.00,\"5\":2.00,\"6\":0.00,\"7\":0.00,"
        "\"8\":0.00,\"9\":0.00}}\n");

    r = Ctl(Summary({"--from", "2026-12-02", "--to", "2026-12-02", "--register", "2", "--format", "csv"}));
    ASSERT_EQ(r.Status, 0) << r.Err.toStdString();
    const QStringList lines = r.Out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith("from,to,registers,receipts,total,department1,"));
    EXPECT_TRUE(lines[1].startsWith("2026-12-02,2026-12-02,1,1,3.33,3.33,")) << lines[1].toStdString();

    // JSON unless asked otherwise; a fiscal ID names a register as well.
    r = Ctl(Summary({"--from", "2026-11-30", "--to", "2026-11-30", "--register", "OX01"}));
    ASSERT_EQ(r.Status, 0) << r.Err.toStdString();
    EXPECT_TRUE(r.Out.contains("\"receipts\":1,\"total\":9.99")) << r.Out.toStdString();
}

TEST_F(HistoryCommandTest, RefusesWhatItCannotDoInWords) {
    struct Case {
        QStringList Args;
        int Status;
        const char* Said;
    };
    const QString empty = QDir(m_dir.path()).filePath("empty");
    const std::vector<Case> cases{
        {Summary({"--from", "2026-12-01"}), 2, "needs --from and --to"},
        {Summary({"--from", "2026-12-31", "--to", "2026-12-01"}), 2, "is before"},
        {Summary({"--from", "2026-12-01", "--to", "2026-12-02", "--format", "xml"}), 2, "json or csv"},
        {Summary({"--from", "2026-02-30", "--to", "2026-12-02"}), 2, "YYYY-MM-DD"},
        {{"--data-dir", m_dir.path(), "history", "forget"}, 2, "summary or backup"},
        {Summary({"--from", "2026-12-01", "--to", "2026-12-31", "--register", "7"}), 1, "no register 7"},
        {Summary({"--from", "2026-12-01", "--to", "2026-12-31", "--register", "OX99"}), 1,
         "no register OX99"},
        {{"--data-dir", empty, "history", "summary", "--from", "2026-12-01", "--to", "2026-12-02"},
         1,
         "no history kept there"},
        {{"--history", "postgresql://orvex@db.shop.lan/orvex", "history", "backup", "x.sqlite"},
         1,
         "pg_dump"},
        {{"--history", "mysql://shop", "history", "backup", "x.sqlite"}, 2, "neither"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Args.join(' ').toStdString());
        const CtlResult r = Ctl(c.Args);
        EXPECT_EQ(r.Status, c.Status);
        EXPECT_TRUE(r.Err.contains(QLatin1String(c.Said))) << r.Err.toStdString();
        EXPECT_TRUE(r.Out.isEmpty());
    }
    EXPECT_FALSE(QFile::exists(QDir(empty).filePath("history.sqlite"))) << "reading makes no history";
}

TEST_F(HistoryCommandTest, BacksUpAWholeCopyOverAnOlderOne) {
    const QString file = QDir(m_dir.path()).filePath("copy.sqlite");
    WriteFile(file, "an older copy");
    const CtlResult r = Ctl({"--data-dir", m_dir.path(), "history", "backup", file});
    ASSERT_EQ(r.Status, 0) << r.Err.toStdString();
    const CtlResult again = Ctl(
        {"--history", "sqlite:" + file, "history", "summary", "--from", "2026-11-01", "--to", "2026-12-31"});
    ASSERT_EQ(again.Status, 0) << again.Err.toStdString();
    EXPECT_TRUE(again.Out.contains("\"receipts\":4,")) << again.Out.toStdString();
    EXPECT_EQ(QDir(m_dir.path()).entryList({"*.partial"}, QDir::Hidden | QDir::Files).size(), 0);

    // A folder that cannot take the copy leaves nothing behind and says so.
    const CtlResult refused =
        Ctl({"--data-dir", m_dir.path(), "history", "backup", "/nonexistent/copy.sqlite"});
    EXPECT_EQ(refused.Status, 1);
    EXPECT_EQ(refused.Err,
              "orvexctl history backup: /nonexistent/copy.sqlite: the copy cannot be written: No "
              "such file or directory\n");
}

// A register command run with --data-dir keeps what the register said in the
// history there, under the shop named; without it nothing is kept.
TEST(HistoryCommandRecording, ARegisterCommandWithADataFolderKeepsItsReportsInTheHistory) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    CtlResult r = Ctl({"--simulate", "report", "vat"});
    EXPECT_EQ(r.Status, CtlSuccess) << r.Err.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("history.sqlite")));

    const QString kept = dir.filePath("kept");
    for (const char* report : {"status", "vat"}) {
        r = Ctl({"--simulate", "--data-dir", kept, "--shop", "Corner", "report", report});
        EXPECT_EQ(r.Status, CtlSuccess) << r.Err.toStdString();
    }
    QDir::setCurrent(previous);
    HistoryConnection connection;
    QString error;
    ASSERT_TRUE(connection.OpenSqlite(QDir(kept).filePath("history.sqlite"), error)) << error.toStdString();
    QSqlQuery query(connection.Database());
    ASSERT_TRUE(query.exec("SELECT COUNT(*), MIN(shop), MAX(shop) FROM reports") && query.next());
    EXPECT_EQ(query.value(0).toInt(), 2);
    EXPECT_EQ(query.value(1).toString(), "Corner");
    EXPECT_EQ(query.value(2).toString(), "Corner");

    r = Ctl({"--simulate", "--history", "mysql://shop/db", "report", "vat"});
    EXPECT_EQ(r.Status, CtlFailed);
    EXPECT_TRUE(r.Err.startsWith("orvexctl report: mysql://shop/db: the sales history cannot be kept: "))
        << r.Err.toStdString();
}
