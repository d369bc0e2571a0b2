#include "plu/PluTransfer.h"
#include "common/Captions.h"
#include "common/ShellSettings.h"
#include "database/PluTable.h"
#include "plu/FakeTransferView.h"
#include "plu/PluMessages.h"
#include "protocol/RegisterCharset.h"
#include "protocol/ReplyDispatcher.h"
#include "serial/FrameCodec.h"
#include "support/HexDump.h"
#include "support/ScriptedPeer.h"
#include "support/WaitUntil.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using Payload = ScriptedPeer::Payload;

// The register's PLU record reply for n: its description is "R" and the
// number, so that a stored record tells which reply it came from.
Payload RecordReply(int n, uint8_t flags = 0x41) {
    Payload p(PluRecordReplySize, 0);
    p[0] = PluReadCode;
    p[1] = uint8_t(n & 0xFF);
    p[2] = uint8_t(n >> 8);
    const QByteArray name = "R" + QByteArray::number(n);
    std::copy(name.begin(), name.end(), p.begin() + 3);
    p[17] = 0x02; // price 2.50
    p[18] = 0x50;
    p[19] = flags;
    p[48] = 0x07; // stock 7
    return p;
}

int PluOf(const Payload& p) {
    return p.size() >= 3 ? p[1] + 256 * p[2] : -1;
}

Payload AsPayload(std::span<const uint8_t> bytes) {
    return {bytes.begin(), bytes.end()};
}

class PluTransferTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetShellSettings();
        // No conversion table: digits and capitals go as they are.
        SessionSettings settings;
        settings.Charset = RegisterCharsets::Default;
        transfer.SetSettings(settings);
        view.Watch(transfer);
        ASSERT_TRUE(peer.Ok());
        TCommPortDriver::SetDeviceOverride(pnCOM1, peer.DevicePath());
        // An answering register unless a test says otherwise.
        peer.SetResponder([](const Payload& got) { return std::vector<Payload>{RecordReply(PluOf(got))}; });
    }
    void TearDown() override { TCommPortDriver::ClearDeviceOverrides(); }

    std::vector<Payload> Sent() const { return peer.Received(); }

    ScriptedPeer peer;
    TRS232Form rs232;
    ReplyDispatcher dispatcher{rs232};
    PluTable table;
    FakeTransferView view;
    PluTransfer transfer{dispatcher, table};
};

TEST_F(PluTransferTest, ReadOneStoresTheRecordKeepingThePcOnlyFields) {
    table[25].NetPrice = 1.75;
    table[25].SetDescription2("kept on the PC");
    transfer.ReadOne(25, view.Active);

    ASSERT_EQ(Sent().size(), 1u);
    EXPECT_EQ(Hex(Sent()[0]), Hex(Bytes("5B 19 00")));
    EXPECT_EQ(table[25].DescriptionText(), "R25");
    EXPECT_DOUBLE_EQ(table[25].Price, 2.50);
    EXPECT_EQ(table[25].Stock, 7u);
    EXPECT_DOUBLE_EQ(table[25].NetPrice, 1.75);
    EXPECT_EQ(table[25].Description2Text(), "kept on the PC");
    ASSERT_EQ(view.Shown.size(), 1u);
    EXPECT_EQ(view.Shown[0].Code, 25u);
    EXPECT_EQ(view.GridRows, std::vector<int>{25});
    EXPECT_FALSE(view.Stale);
    EXPECT_GT(view.PlusReads, 0);
    EXPECT_EQ(view.PanelShows, (std::vector<bool>{true, false}));
    EXPECT_FALSE(transfer.IsRunning());
    EXPECT_FALSE(dispatcher.CommandTimer().isActive());
}

TEST_F(PluTransferTest, ReadRangeAsksEachPluAfterThePreviousReply) {
    // When a request comes, the reply to the one before has been stored.
    std::vector<bool> previousStored;
    peer.SetResponder([&](const Payload& got) {
        const int n = PluOf(got);
        previousStored.push_back(n == 10 ||
                                 table[n - 1].DescriptionText() == "R" + QByteArray::number(n - 1));
        return std::vector<Payload>{RecordReply(n)};
    });
    transfer.ReadRange(10, 12, view.Active);

    ASSERT_EQ(Sent().size(), 3u);
    EXPECT_EQ(Hex(Sent()[0]), Hex(Bytes("5B 0A 00")));
    EXPECT_EQ(Hex(Sent()[1]), Hex(Bytes("5B 0B 00")));
    EXPECT_EQ(Hex(Sent()[2]), Hex(Bytes("5B 0C 00")));
    EXPECT_EQ(previousStored, (std::vector<bool>{true, true, true}));
    for (int n : {10, 11, 12})
        EXPECT_EQ(table[n].DescriptionText(), "R" + QByteArray::number(n));
    // A range read leaves the grid to be refilled, not row by row.
    EXPECT_TRUE(view.Stale);
    EXPECT_TRUE(view.GridRows.empty());
    EXPECT_TRUE(view.Shown.empty());
    EXPECT_EQ(view.RangeRunning, (std::vector<bool>{true, false}));
    EXPECT_EQ(view.RequestPlus, (std::vector<int>{10, 11, 12}));
    EXPECT_EQ(view.Requests, (std::vector<QString>{">", ">", " >"}));
    EXPECT_EQ(view.Replies,
              (std::vector<QString>{QString(11, ' ') + "<", QString(10, ' ') + "<", QString(9, ' ') + "<"}));
    ASSERT_FALSE(view.Progress.empty());
    EXPECT_EQ(view.Progress.back(), std::make_pair(3, 3));
}

struct RangeRow {
    const char* Name;
    int From;
    int To;
    bool ActiveOnly;
    std::vector<int> Asked;
};

class PluTransferRangeTest : public PluTransferTest, public ::testing::WithParamInterface<RangeRow> {};

TEST_P(PluTransferRangeTest, AsksThePlusOfTheRangeThatPassTheFilter) {
    const RangeRow& row = GetParam();
    for (int n = 0; n < 30; ++n)
        table[n].Flags = n == 11 ? 0x03 : 0x43;
    view.Active = row.ActiveOnly;
    transfer.ReadRange(row.From, row.To, view.Active);
    std::vector<int> asked;
    for (const Payload& p : Sent())
        asked.push_back(PluOf(p));
    EXPECT_EQ(asked, row.Asked);
    EXPECT_FALSE(transfer.IsRunning());
    EXPECT_EQ(view.NoResponses, 0);
    // The inactive PLU keeps what the table had.
    if (row.ActiveOnly) {
        EXPECT_EQ(table[11].Flags, 0x03);
    }
}

INSTANTIATE_TEST_SUITE_P(Ranges, PluTransferRangeTest,
                         ::testing::Values(RangeRow{"All", 10, 12, false, {10, 11, 12}},
                                           RangeRow{"ActiveOnly", 10, 12, true, {10, 12}},
                                           RangeRow{"FromAboveTo", 20, 5, false, {}},
                                           RangeRow{"OnePlu", 7, 7, false, {7}}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(PluTransferTest, ActiveFilterAlsoHoldsForASinglePlu) {
    table[4].Flags = 0x03;
    view.Active = true;
    transfer.ReadOne(4, view.Active);
    EXPECT_TRUE(Sent().empty());
}

TEST_F(PluTransferTest, SilentRegisterGetsFiveRequestsThreeSecondsApartThenTheWarning) {
    peer.SetResponder([](const Payload&) { return std::vector<Payload>{}; });
    transfer.ReadRange(10, 11, view.Active);

    ASSERT_EQ(Sent().size(), size_t(PluTransfer::Attempts));
    for (const Payload& p : Sent())
        EXPECT_EQ(Hex(p), Hex(Bytes("5B 0A 00")));
    // Each attempt waited out the whole time-out before the next went.
    const auto& at = peer.ArrivalMs();
    for (size_t i = 1; i < at.size(); ++i)
        EXPECT_GE(at[i] - at[i - 1], ReplyDispatcher::TransferTimeout - 100) << "between attempts " << i;
    EXPECT_EQ(view.NoResponses, 1);
    EXPECT_EQ(view.Stopped, std::vector<QString>{Captions::Transfer::StoppedAt.Text().arg(10).arg(0)})
        << "the status panel says where it stopped";
    EXPECT_EQ(view.RangeRunning.back(), false);
    EXPECT_EQ(transfer.FailureCount(), 0);
    EXPECT_FALSE(dispatcher.CommandTimer().isActive());
}

TEST_F(PluTransferTest, RepliesForAnotherPluCountAsFailedAttempts) {
    // Always one PLU too far: never the awaited one.
    peer.SetResponder([](const Payload& got) { return std::vector<Payload>{RecordReply(PluOf(got) + 1)}; });
    transfer.ReadRange(10, 12, view.Active);

    ASSERT_EQ(Sent().size(), size_t(PluTransfer::Attempts));
    for (const Payload& p : Sent())
        EXPECT_EQ(PluOf(p), 10);
    EXPECT_EQ(view.NoResponses, 1);
    EXPECT_TRUE(table[11].DescriptionText().isEmpty()) << "a reply for another PLU is not stored";
}

TEST_F(PluTransferTest, AWrongReplyThenTheRightOneGoesOn) {
    int calls = 0;
    peer.SetResponder([&](const Payload& got) {
        const int n = PluOf(got);
        return std::vector<Payload>{RecordReply(++calls == 1 ? n + 5 : n)};
    });
    transfer.ReadRange(10, 11, view.Active);
    std::vector<int> asked;
    for (const Payload& p : Sent())
        asked.push_back(PluOf(p));
    EXPECT_EQ(asked, (std::vector<int>{10, 10, 11}));
    EXPECT_EQ(view.NoResponses, 0);
    EXPECT_EQ(table[10].DescriptionText(), "R10");
    EXPECT_TRUE(table[15].DescriptionText().isEmpty());
}

TEST_F(PluTransferTest, ACorruptReplyIsDroppedAndTheSameRequestGoesAgain) {
    int calls = 0;
    peer.SetResponder([&](const Payload& got) {
        if (++calls == 1) {
            // A frame whose checksum does not hold, then nothing.
            peer.SendRaw(Bytes("7E 5B 0A 00 41 00 00 7F"));
            return std::vector<Payload>{};
        }
        return std::vector<Payload>{RecordReply(PluOf(got))};
    });
    transfer.ReadOne(10, view.Active);
    ASSERT_EQ(Sent().size(), 2u);
    EXPECT_EQ(Sent()[0], Sent()[1]);
    EXPECT_EQ(table[10].DescriptionText(), "R10");
}

struct ScopeRow {
    const char* Name;
    int Scope;
    std::vector<uint8_t> Codes; // command of each frame, PLUs 1 and 2 in turn
};

class PluTransferScopeTest : public PluTransferTest, public ::testing::WithParamInterface<ScopeRow> {};

TEST_P(PluTransferScopeTest, WriteRangeSendsWhatTheScopeSays) {
    const ScopeRow& row = GetParam();
    view.Scope = row.Scope;
    PluTable expected;
    for (int n : {1, 2}) {
        table[n].SetDescription("MILK " + QByteArray::number(n));
        table[n].Price = 1.99 * n;
        table[n].Flags = 0x43 | FlagFreePrice;
        table[n].SetBarcode("385000" + QByteArray::number(n));
        table[n].Stock = 1500 * uint32_t(n);
        expected[n] = table[n];
    }
    transfer.WriteRange(1, 2, view.Scope, view.Active);

    std::vector<Payload> want;
    for (int n : {1, 2}) {
        if (row.Scope != 0)
            want.push_back(AsPayload(*EncodePluWrite(expected[n], n, RegisterCharsets::Default).Payload));
        if (row.Scope != 1)
            want.push_back(AsPayload(EncodeStockWrite(expected[n], n)));
    }
    ASSERT_EQ(Sent().size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(Sent()[i][0], row.Codes[i]) << "frame " << i;
        EXPECT_EQ(Hex(Sent()[i]), Hex(want[i])) << "frame " << i;
    }
    // The acknowledgements of a range write are not stored.
    EXPECT_EQ(table[1].DescriptionText(), "MILK 1");
    EXPECT_EQ(table[2].Stock, 3000u);
    EXPECT_EQ(view.PlusReads, 0);
    // A written constant part no longer has a free price.
    EXPECT_EQ(table[1].Flags, row.Scope == 0 ? 0x63 : 0x43);
}

INSTANTIATE_TEST_SUITE_P(Scopes, PluTransferScopeTest,
                         ::testing::Values(ScopeRow{"StockOnly", 0, {'Y', 'Y'}},
                                           ScopeRow{"ConstantFields", 1, {'\\', '\\'}},
                                           ScopeRow{"Both", 2, {'\\', 'Y', '\\', 'Y'}}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(PluTransferTest, RecordsArrivingBetweenTwoPlusReachTheirHandlersAndStaleRepliesAreDropped) {
    std::vector<Payload> journal;
    dispatcher.SetHandler('O', [&](std::span<const uint8_t> p) { journal.push_back(AsPayload(p)); });
    // Between the reply for PLU 10 and the request for 11 the cashier closes a
    // receipt, and a late reply naming 11 (another PLU's contents) comes too;
    // both wait unread in the port when the transfer clears its input.
    Payload stale = RecordReply(11, 0x43);
    stale[3] = 'S';
    view.OnProgress = [&](int done, int) {
        if (done != 1)
            return;
        std::vector<uint8_t> wire;
        for (const Payload& p : {Payload{'O', 0x00, 0x00, 0x12, 0x34}, stale}) {
            std::vector<uint8_t> frame(EncodedFrameSize(p));
            frame.resize(EncodeFrame(p, frame));
            wire.insert(wire.end(), frame.begin(), frame.end());
        }
        peer.SendRaw(wire);
        ASSERT_TRUE(peer.SentBytesWait());
    };
    transfer.ReadRange(10, 11, view.Active);

    ASSERT_EQ(journal.size(), 1u) << "the payment record that came between two PLUs was thrown away";
    EXPECT_EQ(Hex(journal[0]), "4F 00 00 12 34");
    EXPECT_EQ(table[11].DescriptionText(), "R11") << "the stale reply was taken for PLU 11";
    EXPECT_EQ(table[11].Flags, 0x41);
    EXPECT_EQ(Sent().size(), 2u);
    EXPECT_TRUE(view.Messages.empty());
}

TEST_F(PluTransferTest, ReadRangeWithBothScopesStillAsksEachPluOnce) {
    view.Scope = 2;
    transfer.ReadRange(1, 3, view.Active);
    EXPECT_EQ(Sent().size(), 3u);
}

TEST_F(PluTransferTest, ADescriptionWithoutRegisterFormEndsTheWriteAtThatPlu) {
    for (int n : {1, 2, 3})
        table[n].SetDescription("ITEM");
    table[2].SetDescription("ITEM~"); // no register form in the plain set
    transfer.WriteRange(1, 3, view.Scope, view.Active);

    ASSERT_EQ(Sent().size(), 1u);
    EXPECT_EQ(PluOf(Sent()[0]), 1);
    EXPECT_EQ(view.Messages, std::vector<QString>{"Invalid decription, PLU Code: 2"});
    EXPECT_EQ(view.NoResponses, 0);
    EXPECT_EQ(view.RangeRunning.back(), false);
    EXPECT_FALSE(transfer.IsRunning());
}

TEST_F(PluTransferTest, WriteOneStoresThePageFirstAndKeepsItWhenRefused) {
    view.OnPutPage = [&](int n) { table[n].SetDescription("BAD~"); };
    transfer.WriteOne(9, view.Scope, view.Active);
    EXPECT_EQ(view.PutPages, std::vector<int>{9});
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(view.Messages, std::vector<QString>{"Invalid decription, PLU Code: 9"});
    EXPECT_EQ(table[9].DescriptionText(), "BAD~");
}

TEST_F(PluTransferTest, WriteOneWithoutAPluNumberDoesNothing) {
    transfer.WriteOne(std::nullopt, view.Scope, view.Active);
    EXPECT_TRUE(view.PutPages.empty());
    EXPECT_TRUE(peer.QuietFor(100));
}

TEST_F(PluTransferTest, WriteOneOfBothPartsSendsTheTypedStockAndEndsWithTheRegistersRecord) {
    view.Scope = 2;
    view.OnPutPage = [&](int n) {
        table[n].SetDescription("BREAD");
        table[n].Stock = 42;
    };
    // The register answers with its own old stock of 7 to the constant part,
    // and with the stock it was sent to the stock part.
    peer.SetResponder([](const Payload& got) {
        Payload reply = RecordReply(PluOf(got));
        if (got[0] == StockWriteCode)
            std::copy(got.begin() + 3, got.begin() + 7, reply.begin() + 45);
        return std::vector<Payload>{reply};
    });
    transfer.WriteOne(5, view.Scope, view.Active);

    ASSERT_EQ(Sent().size(), 2u);
    EXPECT_EQ(Sent()[0][0], PluWriteCode);
    EXPECT_EQ(Hex(Sent()[1]), Hex(Bytes("59 05 00 00 00 00 42")));
    EXPECT_EQ(table[5].Stock, 42u);
    EXPECT_EQ(table[5].DescriptionText(), "R5") << "the register's version ends in the table";
    EXPECT_EQ(view.Shown.size(), 2u);
    EXPECT_EQ(view.GridRows, (std::vector<int>{5, 5}));
}

TEST_F(PluTransferTest, CancelEndsTheRangeAfterTheCurrentWait) {
    peer.SetResponder([&](const Payload& got) {
        const int n = PluOf(got);
        if (n == 12) {
            // The user presses Cancel while PLU 12 is awaited.
            QTimer::singleShot(0, &transfer, &PluTransfer::Cancel);
            return std::vector<Payload>{};
        }
        return std::vector<Payload>{RecordReply(n)};
    });
    transfer.ReadRange(10, 20, view.Active);

    EXPECT_EQ(Sent().size(), 3u);
    EXPECT_EQ(table[11].DescriptionText(), "R11");
    EXPECT_TRUE(table[12].DescriptionText().isEmpty());
    EXPECT_EQ(view.NoResponses, 0);
    EXPECT_TRUE(view.Stopped.empty()) << "a cancel is no stop to explain";
    EXPECT_EQ(view.RangeRunning.back(), false);
    EXPECT_FALSE(transfer.IsRunning());
    EXPECT_FALSE(dispatcher.CommandTimer().isActive());
    EXPECT_TRUE(peer.QuietFor(200));
}

// Disconnect (Ctrl+Z) during a range is the user's doing: the transfer ends at
// once and says so, not that the line was lost.
TEST_F(PluTransferTest, ADisconnectEndsTheRangeAndSaysItWasTheDisconnect) {
    peer.SetResponder([&](const Payload& got) {
        const int n = PluOf(got);
        if (n == 12) {
            QTimer::singleShot(0, &dispatcher, &ReplyDispatcher::Disconnect);
            return std::vector<Payload>{};
        }
        return std::vector<Payload>{RecordReply(n)};
    });
    QElapsedTimer clock;
    clock.start();
    transfer.ReadRange(10, 20, view.Active);

    EXPECT_LT(clock.elapsed(), ReplyDispatcher::TransferTimeout);
    EXPECT_EQ(view.Messages, std::vector<QString>{Captions::Transfer::StoppedByDisconnect.Text().arg(12)});
    EXPECT_EQ(view.Stopped, std::vector<QString>{Captions::Transfer::StoppedAt.Text().arg(12).arg(2)});
    EXPECT_EQ(view.NoResponses, 0);
    EXPECT_FALSE(transfer.IsRunning());
}

TEST_F(PluTransferTest, AVanishedDeviceEndsTheTransferAndKeepsWhatWasRead) {
    peer.SetResponder([&](const Payload& got) {
        const int n = PluOf(got);
        if (n == 12) {
            QTimer::singleShot(0, &peer, &ScriptedPeer::Close);
            return std::vector<Payload>{};
        }
        return std::vector<Payload>{RecordReply(n)};
    });
    QElapsedTimer clock;
    clock.start();
    transfer.ReadRange(10, 20, view.Active);

    EXPECT_LT(clock.elapsed(), ReplyDispatcher::TransferTimeout) << "no waiting on a line that is gone";
    EXPECT_EQ(table[11].DescriptionText(), "R11");
    EXPECT_EQ(view.NoResponses, 0);
    ASSERT_EQ(view.Messages.size(), 1u);
    EXPECT_EQ(view.Messages[0], Captions::Transfer::ConnectionLost.Text().arg(12));
    EXPECT_EQ(view.Stopped, std::vector<QString>{Captions::Transfer::StoppedAt.Text().arg(12).arg(2)});
    EXPECT_FALSE(transfer.IsRunning());
    EXPECT_EQ(view.RangeRunning.back(), false);
}

// The device coming back reopens the port, but the cut transfer stays ended:
// nothing more is asked of the register until the user starts again.
TEST_F(PluTransferTest, ACutTransferStaysEndedWhenTheDeviceComesBack) {
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ttyORVEX"));
    ASSERT_TRUE(QFile::link(peer.DevicePath(), link));
    TCommPortDriver::SetDeviceOverride(pnCOM1, link);
    peer.SetResponder([&](const Payload& got) {
        const int n = PluOf(got);
        if (n == 12) {
            QFile::remove(link);
            QTimer::singleShot(0, &peer, &ScriptedPeer::Close);
            return std::vector<Payload>{};
        }
        return std::vector<Payload>{RecordReply(n)};
    });
    QString back;
    QObject::connect(&dispatcher, &ReplyDispatcher::Reconnected, [&](const QString& d) { back = d; });
    transfer.ReadRange(10, 20, view.Active);
    EXPECT_FALSE(transfer.IsRunning());

    ScriptedPeer again;
    again.SetResponder([](const Payload& got) { return std::vector<Payload>{RecordReply(PluOf(got))}; });
    ASSERT_TRUE(QFile::link(again.DevicePath(), link + ".new"));
    ASSERT_TRUE(QFile::rename(link + ".new", link));
    ASSERT_TRUE(WaitUntil([&] { return back == link; }, ReplyDispatcher::ReconnectPollMs * 6));
    EXPECT_TRUE(dispatcher.IsOpen());
    RunEventsFor(200);
    EXPECT_TRUE(again.Received().empty());
    EXPECT_FALSE(transfer.IsRunning());
    EXPECT_NE(table[12].DescriptionText(), "R12") << "PLU 12 was never read";
    ASSERT_EQ(view.Messages.size(), 1u);
    EXPECT_EQ(view.Messages[0], Captions::Transfer::ConnectionLost.Text().arg(12));
}

TEST_F(PluTransferTest, AStartWhileATransferRunsIsIgnored) {
    int nested = 0;
    peer.SetResponder([&](const Payload& got) {
        if (PluOf(got) == 10 && nested++ == 0)
            QTimer::singleShot(0, &transfer, [&] { transfer.ReadOne(500, view.Active); });
        return std::vector<Payload>{RecordReply(PluOf(got))};
    });
    transfer.ReadRange(10, 11, view.Active);
    std::vector<int> asked;
    for (const Payload& p : Sent())
        asked.push_back(PluOf(p));
    EXPECT_EQ(asked, (std::vector<int>{10, 11}));
}

TEST_F(PluTransferTest, AReplyWhenNoTransferRunsBeforeTheFirstChangesNothing) {
    ASSERT_TRUE(dispatcher.EnsurePortOpen());
    peer.Send(RecordReply(0));
    RunEventsFor(100);
    EXPECT_TRUE(table[0].DescriptionText().isEmpty());
    EXPECT_TRUE(view.Shown.empty());
}

TEST_F(PluTransferTest, APortThatCannotOpenSendsNothing) {
    TCommPortDriver::SetDeviceOverride(pnCOM1, QStringLiteral("/nonexistent/tty"));
    transfer.ReadRange(0, 5, view.Active);
    EXPECT_TRUE(view.PanelShows.empty());
    EXPECT_TRUE(view.RangeRunning.empty());
}

} // namespace
