// The history store taking a busy register's journal: 1 000 000 journal
// records decoded, put together into receipts and committed by the writer
// thread, into SQLite and (when ORVEX_TEST_PG_URI names a server, as
// ./orvex bench arranges) into PostgreSQL. Figures:
//   - records per second from the first record handed in to the last one
//     committed, against the goal (100 000/s SQLite, 50 000/s PostgreSQL);
//   - the longest time one record held the caller (the window's thread).
#include "BenchSupport.h"
#include "history/HistoryRecorder.h"
#include "history/HistorySql.h"
#include "history/HistoryStore.h"
#include "session/RegisterSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <vector>

namespace {

constexpr int Records = 1000000;
// Records waiting for the writer before the feeder pauses: the register's
// line carries a few hundred a second, a replay must not fill the memory.
constexpr qint64 MostPending = 20000;

// Returns false when the run failed.
bool Run(const char* name, const HistoryTarget& target, double goal) {
    HistoryStore store;
    QString error;
    if (!store.Open(target, error)) {
        std::printf("History: %s: cannot open: %s\n", name, qPrintable(error));
        return false;
    }
    RegisterSession session;
    HistoryRecorder recorder(session, store, QStringLiteral("Bench"));
    const auto receipt = SampleReceiptRecords();
    QElapsedTimer total, one;
    qint64 longestNs = 0;
    total.start();
    for (int i = 0; i < Records; ++i) {
        if (i % 1000 == 0)
            while (store.Pending() > MostPending)
                QThread::msleep(1);
        one.start();
        recorder.JournalRecord(receipt[size_t(i) % receipt.size()], 1700000000000LL + i);
        longestNs = std::max(longestNs, one.nsecsElapsed());
    }
    const double handedIn = double(total.nsecsElapsed()) / 1e9;
    if (!store.Flush(600000)) {
        std::printf("History: %s: not everything was committed: %s\n", name,
                    qPrintable(store.Status().ServerError));
        return false;
    }
    const double seconds = double(total.nsecsElapsed()) / 1e9;
    const double rate = Records / seconds;
    std::printf("History: %d journal records (and their receipts) into %s in %.2f s = %.0f records/s "
                "against the goal %.0f/s: ratio %.2f (goal >= 1)\n",
                Records, name, seconds, rate, goal, rate / goal);
    std::printf("History: %s: all handed in after %.2f s; the longest a record held the caller %.2f ms "
                "(goal < 50)\n",
                name, handedIn, double(longestNs) / 1e6);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    HistoryTarget sqlite;
    QString error;
    if (!dir.isValid() || !ParseHistoryTarget(QString(), dir.path(), sqlite, error))
        return 1;
    bool ok = Run("SQLite", sqlite, 100000);

    const QString uri = qEnvironmentVariable("ORVEX_TEST_PG_URI");
    if (uri.isEmpty()) {
        std::printf("History: PostgreSQL not measured: ORVEX_TEST_PG_URI is not set\n");
        return ok ? 0 : 1;
    }
    HistoryTarget server;
    if (!ParseHistoryTarget(uri, dir.path(), server, error))
        return 1;
    HistoryTarget postgres = server;
    postgres.Database = QStringLiteral("orvex_bench_%1").arg(QRandomGenerator::global()->generate());
    const auto admin = [&](const QString& sql) {
        HistoryConnection connection;
        QString why;
        return connection.OpenPostgres(server, why) && QSqlQuery(connection.Database()).exec(sql);
    };
    if (!admin(QStringLiteral("CREATE DATABASE %1").arg(postgres.Database))) {
        std::printf("History: PostgreSQL: cannot make a database on %s\n", qPrintable(server.Display()));
        return 1;
    }
    ok = Run("PostgreSQL", postgres, 50000) && ok;
    admin(QStringLiteral("DROP DATABASE %1 WITH (FORCE)").arg(postgres.Database));
    return ok ? 0 : 1;
}
