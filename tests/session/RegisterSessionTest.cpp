#include "session/RegisterSession.h"

#include "header/HeaderSequence.h"
#include "monitor/JournalMonitor.h"
#include "plu/PluTransfer.h"
#include "protocol/ReplyDispatcher.h"
#include "reports/DailyReports.h"
#include "reports/ReportLayouts.h"
#include "sales/StatusReplies.h"
#include "serial/TCommPortDriver.h"
#include "support/ScriptedPeer.h"
#include "support/WaitUntil.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace {

// An entry as a foreign program may leave it: a unit the register does not
// know and a stray byte after the barcode.
PluRecord Untidy() {
    PluRecord entry;
    entry.SetDescription("MILK");
    entry.Unit = 9;
    entry.ConstCheck = 5;
    return entry;
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(RegisterSession, ATableComesInTidiedWhateverFileItIsReadFrom) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    PluTable written;
    written[4] = Untidy();
    const auto bytes = written.Bytes();
    const QByteArray raw(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    for (const QString& name : {QStringLiteral("pludb.dat"), QStringLiteral("shop.dat")}) {
        SCOPED_TRACE(name.toStdString());
        const QString path = QDir(dir.path()).filePath(name);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(raw), raw.size());
        file.close();

        RegisterSession session;
        ASSERT_TRUE(session.LoadTableFile(path).Ok);
        EXPECT_EQ(session.Table()[4].DescriptionText(), QByteArray("MILK"));
        EXPECT_EQ(session.Table()[4].Unit, 0);
        EXPECT_EQ(session.Table()[4].ConstCheck, 0);
        // What is saved is what the window and orvexctl hold alike.
        ASSERT_TRUE(session.SaveTableFile(path).Ok);
        EXPECT_EQ(
            FileBytes(path).mid(4 * qsizetype(sizeof(PluRecord)), qsizetype(sizeof(PluRecord))),
            QByteArray(reinterpret_cast<const char*>(&session.Table()[4]), qsizetype(sizeof(PluRecord))));
    }
}

TEST(RegisterSession, AMissingFileIsRefusedUnlessANewOneIsAllowed) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = QDir(dir.path()).filePath(QStringLiteral("new.dat"));
    RegisterSession session;
    EXPECT_FALSE(session.LoadTableFile(path).Ok);
    EXPECT_TRUE(session.LoadTableFile(path, true).Ok);
    EXPECT_FALSE(QFile::exists(path));
    // pludb.dat is the program's own: made with the default table.
    EXPECT_TRUE(session.LoadTable(dir.path()).Ok);
    EXPECT_TRUE(QFile::exists(QDir(dir.path()).filePath(QStringLiteral("pludb.dat"))));
    EXPECT_FALSE(session.Table()[1].DescriptionText().isEmpty());
}

TEST(RegisterSession, ChangedEntriesAreTidiedAndAnnouncedWithinTheTable) {
    RegisterSession session;
    std::vector<std::pair<int, int>> changed;
    QObject::connect(&session, &RegisterSession::TableChanged,
                     [&](int from, int to) { changed.emplace_back(from, to); });
    session.Table()[0] = Untidy();
    session.Table()[PluTable::Size - 1] = Untidy();
    session.PlusChanged(-5, 20000);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0], std::make_pair(0, PluTable::Size - 1));
    EXPECT_EQ(session.Table()[0].Unit, 0);
    EXPECT_EQ(session.Table()[PluTable::Size - 1].ConstCheck, 0);

    session.PlusChanged(5, 3);
    EXPECT_EQ(changed.size(), 1u);

    // A record the transfer stored is announced by the session like any change.
    int read = 0;
    QObject::connect(&session, &RegisterSession::PlusRead, [&] { ++read; });
    session.Table()[7] = Untidy();
    emit session.Transfer().RowChanged(7);
    emit session.Transfer().PlusRead();
    ASSERT_EQ(changed.size(), 2u);
    EXPECT_EQ(changed[1], std::make_pair(7, 7));
    EXPECT_EQ(session.Table()[7].Unit, 0);
    EXPECT_EQ(read, 1);
}

TEST(RegisterSession, SettingsReachEveryExchange) {
    RegisterSession session({1, 204, QLatin1Char(',')});
    session.SetLanguage(0);
    session.SetCharset(238);
    session.SetDecimalSeparator(QLatin1Char('.'));
    const SessionSettings expected{0, 238, QLatin1Char('.')};
    const auto same = [&](const SessionSettings& s) {
        return s.Language == expected.Language && s.Charset == expected.Charset &&
               s.DecimalSeparator == expected.DecimalSeparator;
    };
    EXPECT_TRUE(same(session.Settings()));
    EXPECT_TRUE(same(session.Dispatcher().Settings()));
    EXPECT_TRUE(same(session.Journal().Settings()));
    EXPECT_TRUE(same(session.Status().Settings()));
    EXPECT_TRUE(same(session.Reports().Settings()));
    EXPECT_TRUE(same(session.Header().Settings()));
    EXPECT_TRUE(same(session.Transfer().Settings()));
    // And the decoders use them.
    EXPECT_EQ(session.Reports().Style().Charset, 238);
    EXPECT_EQ(session.Reports().Style().Language, 0);
    EXPECT_EQ(session.Reports().Style().DecimalSeparator, QLatin1Char('.'));
}

// Whether the session waits for the register, for whoever must not start an
// exchange of its own meanwhile, and who holds the line.
TEST(RegisterSession, SaysWhileItWaitsForTheRegisterAndWhoHoldsTheLine) {
    ScriptedPeer peer;
    ASSERT_TRUE(peer.Ok());
    TCommPortDriver::SetDeviceOverride(pnCOM1, peer.DevicePath());
    {
        RegisterSession session;
        EXPECT_TRUE(session.LineIdle());
        peer.SetResponder([](const ScriptedPeer::Payload& asked) {
            ScriptedPeer::Payload report(TaxLayout::Length, 0);
            report[0] = asked.at(0);
            return std::vector<ScriptedPeer::Payload>{report};
        });
        ASSERT_TRUE(session.Reports().RequestReport('f'));
        EXPECT_FALSE(session.LineIdle()) << "a report was asked for";
        EXPECT_TRUE(WaitUntil([&] { return session.LineIdle(); }, 3000)) << "its answer ends the wait";

        std::vector<QString> holders;
        QObject::connect(&session, &RegisterSession::LineHolderChanged,
                         [&](const QString& holder) { holders.push_back(holder); });
        session.TakeLine(QStringLiteral("gateway"));
        session.TakeLine(QStringLiteral("gateway"));
        EXPECT_EQ(session.LineHolder(), QStringLiteral("gateway"));
        session.ReleaseLine();
        EXPECT_TRUE(session.LineHolder().isEmpty());
        EXPECT_EQ(holders, (std::vector<QString>{QStringLiteral("gateway"), QString()}));
    }
    TCommPortDriver::ClearDeviceOverrides();
}
