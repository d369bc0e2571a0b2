#include "HistoryBackends.h"
#include "SocketProxy.h"
#include "support/WaitUntil.h"

#include "history/HistoryRecorder.h"
#include "history/HistoryRows.h"
#include "history/HistorySchema.h"
#include "history/HistoryStore.h"
#include "session/RegisterSession.h"

#include "protocol/RegisterCharset.h"
#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>

#include <QLocalSocket>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <tuple>

namespace {

class HistoryStoreTest : public HistoryBackendTest {};

const RegisterKey Till{QStringLiteral("Corner"), 1, QStringLiteral("OX01234567")};

QVariantList Journal(int n) {
    JournalRecord record;
    record.Code = 'L';
    record.Amount = n;
    record.Payload = QByteArray("L\0\0\0\0\0\0", 7);
    return JournalValues(Till, 1000 + n, record, RegisterCharsets::Default);
}

} // namespace

TEST_P(HistoryStoreTest, MigratesFromEmptyOnceAndRefusesANewerSchema) {
    QString error;
    {
        HistoryStore store;
        ASSERT_TRUE(store.Open(m_target, error)) << error.toStdString();
        store.Add(HistoryTable::Journal, Journal(1));
        ASSERT_TRUE(store.Flush(10000));
    }
    EXPECT_EQ(Scalar(QStringLiteral("SELECT MAX(version) FROM schema_version")).toInt(),
              LatestSchemaVersion());
    {
        // Opened again: nothing is done twice, nothing already kept is lost.
        HistoryStore store;
        ASSERT_TRUE(store.Open(m_target, error)) << error.toStdString();
        store.Add(HistoryTable::Journal, Journal(2));
        ASSERT_TRUE(store.Flush(10000));
    }
    EXPECT_EQ(Scalar(QStringLiteral("SELECT COUNT(*) FROM schema_version")).toInt(), LatestSchemaVersion());
    EXPECT_EQ(Scalar(QStringLiteral("SELECT COUNT(*) FROM journal")).toInt(), 2);

    // A database from a later program is left alone, and said.
    {
        HistoryConnection connection;
        ASSERT_TRUE(Connect(connection));
        QSqlQuery query(connection.Database());
        ASSERT_TRUE(query.exec(QStringLiteral("INSERT INTO schema_version (version) VALUES (99)")));
    }
    HistoryConnection connection;
    ASSERT_TRUE(Connect(connection));
    QSqlDatabase db = connection.Database();
    EXPECT_FALSE(MigrateHistory(db, error));
    EXPECT_TRUE(error.contains(QStringLiteral("newer"))) << error.toStdString();
    EXPECT_EQ(SchemaVersion(db), 99);
}

TEST_P(HistoryStoreTest, PluSalesKeptInThousandthsComeToTenThousandths) {
    HistoryConnection connection;
    ASSERT_TRUE(Connect(connection));
    QSqlDatabase db = connection.Database();
    QString error;
    ASSERT_TRUE(MigrateHistory(db, error, 4)) << error.toStdString();
    QSqlQuery query(db);
    ASSERT_TRUE(query.exec(QStringLiteral(
        "INSERT INTO journal (origin, seq, shop, cr_number, fiscal_id, received_ms, code, quantity, payload) "
        "VALUES (1, 1, 'C', 1, 'F', 1, 'B', 2000, '42'), (1, 2, 'C', 1, 'F', 1, 'A', 25000, '41'), "
        "(1, 3, 'C', 1, 'F', 1, 'O', 3, '4f')")))
        << query.lastError().text().toStdString();
    ASSERT_TRUE(MigrateHistory(db, error)) << error.toStdString();
    ASSERT_TRUE(query.exec(QStringLiteral("SELECT quantity FROM journal ORDER BY seq")));
    std::vector<qint64> quantities;
    while (query.next())
        quantities.push_back(query.value(0).toLongLong());
    EXPECT_EQ(quantities, (std::vector<qint64>{20000, 25000, 3}));
}

TEST_P(HistoryStoreTest, AFailedStepLeavesTheDatabaseAsItWas) {
    // A table in the way of the first step: the step fails and takes its
    // version row and every table it made with it.
    {
        HistoryConnection connection;
        ASSERT_TRUE(Connect(connection));
        QSqlQuery query(connection.Database());
        ASSERT_TRUE(query.exec(QStringLiteral("CREATE TABLE reports (x INTEGER)")));
    }
    HistoryStore store;
    QString error;
    if (GetParam() == HistoryTarget::Backend::Sqlite) {
        EXPECT_FALSE(store.Open(m_target, error));
        EXPECT_TRUE(error.contains(QStringLiteral("schema step 1"))) << error.toStdString();
    } else {
        // The server's refusal keeps the rows in the spool, and says so.
        ASSERT_TRUE(store.Open(m_target, error)) << error.toStdString();
        store.Add(HistoryTable::Journal, Journal(1));
        EXPECT_FALSE(store.Flush(500));
        EXPECT_TRUE(store.Status().ServerError.contains(QStringLiteral("schema step 1")))
            << store.Status().ServerError.toStdString();
        store.Close();
    }
    HistoryConnection connection;
    ASSERT_TRUE(Connect(connection));
    QSqlDatabase db = connection.Database();
    EXPECT_EQ(SchemaVersion(db), 0);
    EXPECT_FALSE(db.tables().contains(QStringLiteral("journal")));
}

TEST_P(HistoryStoreTest, RowsArriveInBatchesAndASecondCopyIsNotKept) {
    QString error;
    HistoryStore store;
    ASSERT_TRUE(store.Open(m_target, error, {200, 1000, 2000})) << error.toStdString();
    for (int n = 0; n < 2500; ++n)
        store.Add(HistoryTable::Journal, Journal(n));
    // The writer commits on its own: no flush asked for.
    const QDeadlineTimer deadline(10000);
    while (store.Pending() > 0 && !deadline.hasExpired())
        QThread::msleep(10);
    EXPECT_EQ(store.Pending(), 0);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT COUNT(*) FROM journal")).toInt(), 2500);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT SUM(amount) FROM journal")).toLongLong(), 2500LL * 2499 / 2);

    // A batch sent again (its commit's answer lost) is kept once.
    HistoryConnection connection;
    ASSERT_TRUE(Connect(connection));
    const qint64 origin = Scalar(QStringLiteral("SELECT MIN(origin) FROM journal")).toLongLong();
    QVariantList again = Journal(0);
    again[0] = origin;
    again[1] = 1;
    const QVariantList* rows[] = {&again};
    ASSERT_TRUE(connection.Database().transaction());
    ASSERT_TRUE(connection.Insert(HistoryTable::Journal, rows, error)) << error.toStdString();
    ASSERT_TRUE(connection.Database().commit());
    EXPECT_EQ(Scalar(QStringLiteral("SELECT COUNT(*) FROM journal")).toInt(), 2500);
}

TEST_P(HistoryStoreTest, TextsComeBackAsTheyWentIn) {
    QString error;
    HistoryStore store;
    ASSERT_TRUE(store.Open(m_target, error)) << error.toStdString();
    const QString texts[] = {QStringLiteral("it's"), QStringLiteral("back\\slash \\N"),
                             QStringLiteral("tab\tline\nreturn\r"),
                             QStringLiteral("\u0416\u0443\u0442\u043E \u0107\u0161\u017E"), QString()};
    const RegisterKey shop{QStringLiteral("O'Brien \\ Sons"), 3, QStringLiteral("OX\t9")};
    for (const QString& text : texts)
        store.Add(HistoryTable::ZReports, ZReportValues(shop, 1, true, 0, text));
    ASSERT_TRUE(store.Flush(10000)) << store.Status().ServerError.toStdString();
    HistoryConnection connection;
    ASSERT_TRUE(Connect(connection));
    QSqlQuery query(connection.Database());
    ASSERT_TRUE(query.exec(QStringLiteral("SELECT line, shop, fiscal_id FROM zreports ORDER BY seq")));
    for (const QString& text : texts) {
        ASSERT_TRUE(query.next());
        EXPECT_EQ(query.value(0).toString(), text.isNull() ? QString("") : text);
        EXPECT_EQ(query.value(1).toString(), shop.Shop);
        EXPECT_EQ(query.value(2).toString(), shop.FiscalId);
    }
}

TEST_P(HistoryStoreTest, ARowTheDatabaseRefusesIsSaidAndTakesNoOtherWithIt) {
    QString error;
    HistoryStore store;
    ASSERT_TRUE(store.Open(m_target, error)) << error.toStdString();
    QVariantList bad = Journal(5);
    bad[6] = QVariant(QMetaType::fromType<QString>()); // the record code may not be missing
    store.Add(HistoryTable::Journal, Journal(1));
    store.Add(HistoryTable::Journal, bad);
    store.Add(HistoryTable::Journal, Journal(2));
    EXPECT_FALSE(store.Flush(10000)) << "a refused row is not reported as kept";
    EXPECT_EQ(store.Pending(), 0);
    EXPECT_EQ(store.Status().Refused, 1);
    EXPECT_FALSE(store.Status().ServerError.isEmpty());
    EXPECT_EQ(Scalar(QStringLiteral("SELECT SUM(amount) FROM journal")).toInt(), 3);
    store.Add(HistoryTable::Journal, Journal(4));
    EXPECT_TRUE(store.Flush(10000));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT SUM(amount) FROM journal")).toInt(), 7);
}

// The gateway's receipt outcomes: the number of a receipt made, the
// register's error of one refused, and the whole answer as JSON, its texts
// (quotes, tabs, a line break, Cyrillic) as they were.
TEST_P(HistoryStoreTest, GatewayReceiptOutcomesAreKeptWithTheirAnswer) {
    QString error;
    HistoryStore store;
    ASSERT_TRUE(store.Open(m_target, error)) << error.toStdString();
    RegisterSession session;
    HistoryRecorder recorder(session, store, Till.Shop);
    const QJsonObject made{{"receiptNumber", 41}, {"total", 3.03}, {"key", "pos-1"}};
    const QJsonObject refused{
        {"error", "PLU 9000 \"ne postoji\"\tу каси\nE30"}, {"receiptNumber", QJsonValue()}, {"key", "pos-2"}};
    recorder.GatewayReceipt(QStringLiteral("pos-1"), 201, made, 10);
    recorder.GatewayReceipt(QStringLiteral("pos-2"), 422, refused, 11);
    ASSERT_TRUE(store.Flush(10000)) << store.Status().ServerError.toStdString();

    HistoryConnection connection;
    ASSERT_TRUE(Connect(connection));
    QSqlQuery query(connection.Database());
    ASSERT_TRUE(query.exec(QStringLiteral("SELECT request_key, status, receipt_number, error, outcome, shop "
                                          "FROM gateway_receipts ORDER BY seq")));
    for (const auto& [key, status, outcome] :
         {std::tuple{"pos-1", 201, made}, std::tuple{"pos-2", 422, refused}}) {
        ASSERT_TRUE(query.next());
        EXPECT_EQ(query.value(0).toString(), QString::fromLatin1(key));
        EXPECT_EQ(query.value(1).toInt(), status);
        EXPECT_EQ(query.value(2).isNull(), status != 201);
        EXPECT_EQ(query.value(2).toInt(), status == 201 ? 41 : 0);
        EXPECT_EQ(query.value(3).toString(), outcome.value("error").toString());
        EXPECT_EQ(QJsonDocument::fromJson(query.value(4).toString().toUtf8()).object(), outcome);
        EXPECT_EQ(query.value(5).toString(), Till.Shop);
    }
    EXPECT_FALSE(query.next());
}

ORVEX_ON_BOTH_BACKENDS(HistoryStoreTest);

namespace {

class HistoryServerOutageTest : public HistoryBackendTest {};

} // namespace

// The server goes away in the middle of the day, the program is even started
// again meanwhile, and the server comes back: every row is there, once.
TEST_P(HistoryServerOutageTest, RowsWaitInTheSpoolAndArriveOnceInOrder) {
    if (GetParam() != HistoryTarget::Backend::Postgres)
        GTEST_SKIP() << "a server outage concerns PostgreSQL only";
    const QString socket = QStringLiteral("/.s.PGSQL.%1").arg(m_target.Port);
    SocketProxy proxy(m_dir.path() + socket, m_target.Host + socket);
    ASSERT_TRUE(proxy.Up());
    HistoryTarget relayed = m_target;
    relayed.Host = m_dir.path();
    const HistoryStore::Options quick{50, 1000, 100};
    int n = 0;
    const auto add = [&](HistoryStore& store, int rows) {
        for (int i = 0; i < rows; ++i)
            store.Add(HistoryTable::Journal, Journal(n++));
    };
    QString error;
    {
        HistoryStore store;
        ASSERT_TRUE(store.Open(relayed, error, quick)) << error.toStdString();
        add(store, 300);
        ASSERT_TRUE(store.Flush(10000)) << store.Status().ServerError.toStdString();
        EXPECT_TRUE(store.Status().ServerReachable());

        // What the window's hint panel is to say arrives on this thread.
        HistoryStatus said;
        QObject::connect(&store, &HistoryStore::StatusChanged, &store, [&](const HistoryStatus& status) {
            EXPECT_EQ(QThread::currentThread(), qApp->thread());
            said = status;
        });
        proxy.Down();
        add(store, 300);
        EXPECT_FALSE(store.Flush(1000)) << "rows only in the spool are not reported as on the server";
        EXPECT_FALSE(store.Status().ServerReachable());
        EXPECT_EQ(store.Status().Spooled, 300);
        EXPECT_TRUE(WaitUntil([&] { return !said.ServerReachable() && said.Spooled == 300; }));
        add(store, 200);
    }
    EXPECT_EQ(Scalar(QStringLiteral("SELECT COUNT(*) FROM journal")).toInt(), 300);
    {
        // Started again while the server is still away: the spool is kept on
        // disk, new rows queue behind it.
        HistoryStore store;
        ASSERT_TRUE(store.Open(relayed, error, quick)) << error.toStdString();
        EXPECT_EQ(store.Status().Spooled, 500);
        add(store, 100);
        ASSERT_TRUE(proxy.Up());
        ASSERT_TRUE(store.Flush(15000)) << store.Status().ServerError.toStdString();
        EXPECT_EQ(store.Status().Spooled, 0);
        EXPECT_TRUE(store.Status().ServerReachable());
    }
    EXPECT_EQ(Scalar(QStringLiteral("SELECT COUNT(*) FROM journal")).toInt(), 900);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT COUNT(DISTINCT amount) FROM journal")).toInt(), 900);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT SUM(amount) FROM journal")).toLongLong(), 900LL * 899 / 2);
}

ORVEX_ON_BOTH_BACKENDS(HistoryServerOutageTest);

// A server that takes the connection and never answers: Open returns while
// the writer still waits for it (the window opens its history on its own
// thread), and the rows wait in the spool.
TEST(HistoryStoreOpen, DoesNotWaitForTheServer) {
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        GTEST_SKIP() << "the PostgreSQL driver of Qt SQL is not installed (libqt6sql6-psql)";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QLocalServer silent;
    ASSERT_TRUE(silent.listen(dir.path() + QStringLiteral("/.s.PGSQL.5432")));
    HistoryTarget target;
    QString error;
    ASSERT_TRUE(ParseHistoryTarget(QStringLiteral("postgresql://orvex@/orvex?host=%1").arg(dir.path()),
                                   dir.path(), target, error))
        << error.toStdString();
    HistoryStore store;
    ASSERT_TRUE(store.Open(target, error)) << error.toStdString();
    ASSERT_TRUE(silent.waitForNewConnection(5000));
    QLocalSocket* client = silent.nextPendingConnection();
    ASSERT_NE(client, nullptr);
    // The writer is still waiting for an answer: it has not hung up.
    EXPECT_FALSE(client->waitForDisconnected(300)) << "Open waited for the server to time out";
    store.Add(HistoryTable::Journal, Journal(1));
    client->abort();
    EXPECT_FALSE(store.Flush(1000));
    EXPECT_TRUE(WaitUntil([&] { return store.Status().Spooled == 1; }, 5000));
    EXPECT_FALSE(store.Status().ServerReachable());
}

// The file cannot take rows for a while (another program holds it past the
// wait, the disk is full): the rows are kept and go in once it can, none is
// counted as refused.
TEST(HistoryStoreFile, RowsTheFileCannotTakeNowAreHeldAndWrittenLater) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    HistoryTarget target;
    QString error;
    ASSERT_TRUE(ParseHistoryTarget(QString(), dir.path(), target, error)) << error.toStdString();
    HistoryStore store;
    HistoryStore::Options options;
    options.BusyMs = 50;
    options.RetryMs = 100;
    ASSERT_TRUE(store.Open(target, error, options)) << error.toStdString();

    HistoryConnection other;
    ASSERT_TRUE(other.OpenSqlite(target.File, error)) << error.toStdString();
    QSqlQuery hold(other.Database());
    ASSERT_TRUE(hold.exec(QStringLiteral("BEGIN EXCLUSIVE")));
    for (int n = 1; n <= 3; ++n)
        store.Add(HistoryTable::Journal, Journal(n));
    EXPECT_FALSE(store.Flush(600));
    EXPECT_EQ(store.Pending(), 3);
    EXPECT_EQ(store.Status().Held, 3);
    EXPECT_EQ(store.Status().Refused, 0);
    EXPECT_FALSE(store.Status().ServerError.isEmpty());
    store.Add(HistoryTable::Journal, Journal(4));

    ASSERT_TRUE(hold.exec(QStringLiteral("COMMIT")));
    EXPECT_TRUE(store.Flush(10000));
    EXPECT_EQ(store.Status(), HistoryStatus{});
    QSqlQuery sum(other.Database());
    ASSERT_TRUE(sum.exec(QStringLiteral("SELECT SUM(amount), COUNT(*) FROM journal")) && sum.next());
    EXPECT_EQ(sum.value(0).toInt(), 10);
    EXPECT_EQ(sum.value(1).toInt(), 4);
}

// Whether a failed insert is the rows' own fault decides between dropping a
// row and keeping the batch: a full file is never the rows' fault.
TEST(HistoryStoreFile, AFullFileIsNotARefusedRow) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("history.sqlite"));
    HistoryConnection connection;
    QString error;
    ASSERT_TRUE(connection.OpenSqlite(file, error)) << error.toStdString();
    QSqlDatabase db = connection.Database();
    ASSERT_TRUE(MigrateHistory(db, error)) << error.toStdString();

    QVariantList bad = Journal(5);
    bad[6] = QVariant(QMetaType::fromType<QString>());
    const QVariantList* badRow = &bad;
    EXPECT_FALSE(connection.Insert(HistoryTable::Journal, {&badRow, 1}, error));
    EXPECT_TRUE(connection.RowsAtFault()) << error.toStdString();

    QSqlQuery query(connection.Database());
    ASSERT_TRUE(query.exec(QStringLiteral("PRAGMA page_count")) && query.next());
    ASSERT_TRUE(query.exec(QStringLiteral("PRAGMA max_page_count = %1").arg(query.value(0).toInt())));
    std::vector<QVariantList> rows;
    for (int n = 0; n < 2000; ++n) {
        rows.push_back(Journal(n));
        rows.back()[0] = 1; // the run and its sequence, as the store numbers them
        rows.back()[1] = n;
    }
    std::vector<const QVariantList*> pointers;
    for (const QVariantList& row : rows)
        pointers.push_back(&row);
    ASSERT_TRUE(connection.Database().transaction());
    EXPECT_FALSE(connection.Insert(HistoryTable::Journal, pointers, error));
    EXPECT_FALSE(connection.RowsAtFault()) << error.toStdString();
    connection.Database().rollback();
}
