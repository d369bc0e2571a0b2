#include "history/HistoryRecorder.h"
#include "history/HistorySql.h"
#include "history/HistoryStore.h"
#include "reports/DailyReports.h"
#include "session/RegisterSession.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray Hex(const char* hex) {
    return QByteArray::fromHex(QByteArray(hex).replace(' ', ""));
}

QByteArray PluSale() {
    QByteArray b(46, '\0');
    b[0] = 'B';
    b[2] = 5;
    b.replace(3, 4, "MILK");
    b[17] = 0x01, b[18] = 0x50; // 1.50
    b[19] = 1;                  // department 1
    b[43] = 0x20;               // 2.000 pieces
    b[45] = 'N';
    return b;
}

QByteArray StatusReply() {
    QByteArray b(29, '\0');
    b[0] = 'h';
    b[9] = 4;
    b.replace(10, 10, "OX99999999");
    b.replace(20, 9, "ABCDEFGHI");
    return b;
}

} // namespace

// A register heard from the middle of a receipt, then named by its status
// report, then a receipt with a correction, a discount on the item and one on
// the subtotal, and a Z report left unanswered.
TEST(HistoryRecorder, ReceiptsAreAssembledFromTheRecordsAndKnowTheirRegister) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    HistoryTarget target;
    QString error;
    ASSERT_TRUE(ParseHistoryTarget(QString(), dir.path(), target, error));
    HistoryStore store;
    ASSERT_TRUE(store.Open(target, error)) << error.toStdString();
    RegisterSession session;
    HistoryRecorder recorder(session, store, QStringLiteral("Corner"));

    recorder.JournalRecord(PluSale(), 1);
    recorder.JournalRecord(Hex("4F 000000000300 00000006 0001 04 05 09 0B 0C EA 07"), 2);
    recorder.Report(StatusReply(), 3);
    EXPECT_EQ(recorder.Register(), (RegisterKey{QStringLiteral("Corner"), 4, QStringLiteral("OX99999999")}));
    for (const QByteArray& record :
         {Hex("40 02 00000007"),
          Hex("41 03 000000000100 00025000 4E"), // 2.5 x 1.00 in department 3
          PluSale(), Hex("4B"),                  // ... and taken back
          Hex("44 03 000000000050 4E"),          // 0.50 off the item
          Hex("48 0000000000 0000000000 0000000020 0000000000 0000000000 0000000000 "
              "0000000000 0000000000 0000000000 4E"), // 0.20 off department 3
          Hex("4F 000000000180 00000007 0001 04 10 0A 0B 0C EA 07")})
        recorder.JournalRecord(record, 4);
    emit session.Reports().ZReportUnanswered();
    ASSERT_TRUE(store.Flush(10000)) << store.Status().ServerError.toStdString();

    HistoryConnection connection;
    ASSERT_TRUE(connection.OpenSqlite(target.File, error));
    QSqlQuery q(connection.Database());
    ASSERT_TRUE(
        q.exec("SELECT whole, cr_number, fiscal_id, operator, receipt_number, total, pieces, register_time, "
               "sale_day, dept1, dept3 FROM receipts ORDER BY seq"));
    ASSERT_TRUE(q.next());
    // Heard from the middle: the register's total, the departments it saw.
    EXPECT_EQ(q.value(0).toInt(), 0);
    EXPECT_EQ(q.value(1).toInt(), 4);
    EXPECT_EQ(q.value(2).toString(), "");
    EXPECT_EQ(q.value(5).toLongLong(), 300);
    EXPECT_EQ(q.value(7).toString(), "2026-12-11T09:05");
    EXPECT_EQ(q.value(9).toLongLong(), 300);
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 1);
    EXPECT_EQ(q.value(2).toString(), "OX99999999");
    EXPECT_EQ(q.value(3).toInt(), 2);
    EXPECT_EQ(q.value(4).toLongLong(), 7);
    EXPECT_EQ(q.value(5).toLongLong(), 180);
    EXPECT_EQ(q.value(6).toInt(), 1);
    EXPECT_EQ(q.value(7).toString(), "2026-12-11T10:16");
    EXPECT_EQ(q.value(8).toString(), "2026-12-11");
    EXPECT_EQ(q.value(9).toLongLong(), 0) << "the corrected sale is not counted";
    EXPECT_EQ(q.value(10).toLongLong(), 180);
    EXPECT_FALSE(q.next());

    ASSERT_TRUE(q.exec("SELECT plu, description, price, quantity, department, sale_kind FROM journal "
                       "WHERE code = 'B' ORDER BY seq"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 5);
    EXPECT_EQ(q.value(1).toString(), "MILK");
    EXPECT_EQ(q.value(2).toLongLong(), 150);
    EXPECT_EQ(q.value(3).toLongLong(), 20000) << "ten-thousandths, as every journal quantity";
    EXPECT_EQ(q.value(4).toInt(), 1);
    EXPECT_EQ(q.value(5).toString(), "N");
    ASSERT_TRUE(q.exec("SELECT COUNT(*), SUM(CASE WHEN code = 'K' THEN 1 ELSE 0 END) FROM journal"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 9);
    EXPECT_EQ(q.value(1).toInt(), 1);
    // The lines of each receipt as they stood at its close: the voided sale is
    // gone, the discount is on the line it was given on.
    ASSERT_TRUE(q.exec("SELECT receipt_number, plu, department, description, quantity, amount, sale_day, "
                       "operator FROM receipt_items ORDER BY seq"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toLongLong(), 6);
    EXPECT_EQ(q.value(1).toInt(), 5);
    EXPECT_EQ(q.value(3).toString(), "MILK");
    EXPECT_EQ(q.value(4).toLongLong(), 2000);
    EXPECT_EQ(q.value(5).toLongLong(), 300);
    EXPECT_EQ(q.value(6).toString(), "2026-12-11");
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toLongLong(), 7);
    EXPECT_TRUE(q.value(1).isNull());
    EXPECT_EQ(q.value(2).toInt(), 3);
    EXPECT_EQ(q.value(4).toLongLong(), 2500);
    EXPECT_EQ(q.value(5).toLongLong(), 200);
    EXPECT_EQ(q.value(7).toInt(), 2);
    EXPECT_FALSE(q.next());
    ASSERT_TRUE(q.exec("SELECT department_taxes FROM registers WHERE fiscal_id = 'OX99999999'"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), "ABCDEFGHI");
    ASSERT_TRUE(q.exec("SELECT answered, fiscal_id FROM zreports"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 0);
    EXPECT_EQ(q.value(1).toString(), "OX99999999");
}
