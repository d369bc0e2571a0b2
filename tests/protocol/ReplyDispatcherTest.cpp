#include "protocol/ReplyDispatcher.h"
#include "common/ShellSettings.h"
#include "serial/FrameCodec.h"
#include "support/HexDump.h"
#include "support/PtyPair.h"
#include "support/WaitUntil.h"

#include <QTimer>
#include <gtest/gtest.h>

namespace {

class DispatcherOnPty : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetShellSettings();
        ASSERT_TRUE(pty.Ok());
        TCommPortDriver::SetDeviceOverride(pnCOM1, pty.DevicePath());
        QObject::connect(&dispatcher, &ReplyDispatcher::ConnectionChanged,
                         [this](bool open) { connectionEvents.push_back(open); });
    }
    void TearDown() override { TCommPortDriver::ClearDeviceOverrides(); }

    PtyPair pty;
    TRS232Form rs232;
    ReplyDispatcher dispatcher{rs232};
    std::vector<bool> connectionEvents;
};

} // namespace

TEST_F(DispatcherOnPty, RunsTheHandlerOfTheCodeWithOrWithoutAnExpectedReply) {
    std::vector<std::vector<uint8_t>> seen;
    dispatcher.SetHandler('f', [&](std::span<const uint8_t> p) { seen.emplace_back(p.begin(), p.end()); });
    ASSERT_TRUE(dispatcher.EnsurePortOpen());

    pty.Write(Framed("66 01 02"));
    ASSERT_TRUE(WaitUntil([&] { return seen.size() == 1; }));
    EXPECT_EQ(Hex(seen[0]), "66 01 02");
    EXPECT_EQ(dispatcher.ExpectedReply(), 0);

    dispatcher.ExpectReply('f', 6000);
    // A journal record sold meanwhile (no handler yet) leaves the wait for 'f' alone.
    pty.Write(Framed("4F 00"));
    RunEventsFor(120);
    EXPECT_EQ(dispatcher.ExpectedReply(), 'f');
    EXPECT_TRUE(dispatcher.CommandTimer().isActive());

    pty.Write(Framed("66 03"));
    ASSERT_TRUE(WaitUntil([&] { return seen.size() == 2; }));
    EXPECT_EQ(dispatcher.ExpectedReply(), 0);
    EXPECT_FALSE(dispatcher.CommandTimer().isActive());
}

TEST_F(DispatcherOnPty, HandlerMayArmTheNextWaitAndUnlistedCodesDoNothing) {
    dispatcher.SetHandler(']', [&](std::span<const uint8_t>) { dispatcher.ExpectReply(']', 6000); });
    dispatcher.ExpectReply(']', 6000);
    dispatcher.DispatchReply(']');
    EXPECT_EQ(dispatcher.ExpectedReply(), ']') << "disarmed before the handler, which armed it again";
    EXPECT_TRUE(dispatcher.CommandTimer().isActive());

    dispatcher.ExpectReply('g', 6000);
    dispatcher.DispatchReply('z');
    EXPECT_EQ(dispatcher.ExpectedReply(), 'g');
}

TEST_F(DispatcherOnPty, ExpectedReplyIsOneSlotAndTimesOutSilently) {
    dispatcher.ExpectReply('f', 6000);
    dispatcher.ExpectReply('k', 60);
    EXPECT_EQ(dispatcher.ExpectedReply(), 'k');
    EXPECT_EQ(dispatcher.CommandTimer().interval(), 60);
    ASSERT_TRUE(WaitUntil([&] { return dispatcher.ExpectedReply() == 0; }, 2000));
    EXPECT_FALSE(dispatcher.CommandTimer().isActive());
}

TEST_F(DispatcherOnPty, WaitReplyReturnsFiveWhenTheHandlerCompletesIt) {
    dispatcher.SetHandler('[', [&](std::span<const uint8_t> p) {
        if (p.size() >= 3 && p[1] == 25)
            dispatcher.CompleteWait();
    });
    ASSERT_TRUE(dispatcher.EnsurePortOpen());
    QTimer::singleShot(50, [&] { pty.Write(Framed("5B 19 00")); });
    EXPECT_EQ(dispatcher.WaitReply('[', 3000), ReplyDispatcher::WaitReplied);
    EXPECT_EQ(dispatcher.ExpectedReply(), 0);
    EXPECT_FALSE(dispatcher.IsWaiting());
}

TEST_F(DispatcherOnPty, WaitReplyReturnsZeroWhenAReplyForAnotherPluEndsTheExpectation) {
    dispatcher.SetHandler('[', [&](std::span<const uint8_t> p) {
        if (p.size() >= 3 && p[1] == 25)
            dispatcher.CompleteWait();
    });
    ASSERT_TRUE(dispatcher.EnsurePortOpen());
    QTimer::singleShot(50, [&] { pty.Write(Framed("5B 1A 00")); });
    EXPECT_EQ(dispatcher.WaitReply('[', 3000), ReplyDispatcher::WaitTimedOut);
}

TEST_F(DispatcherOnPty, WaitReplyReturnsSevenWhenCancelledAndZeroOnTimeOut) {
    QTimer::singleShot(30, [&] { dispatcher.CancelWait(); });
    EXPECT_EQ(dispatcher.WaitReply('[', 3000), ReplyDispatcher::WaitCancelled);

    EXPECT_EQ(dispatcher.WaitReply('[', 80), ReplyDispatcher::WaitTimedOut);
    EXPECT_EQ(dispatcher.ExpectedReply(), 0);
    EXPECT_TRUE(dispatcher.KeepWaiting());
    EXPECT_TRUE(dispatcher.ReplyPending());
}

TEST_F(DispatcherOnPty, ToggleConnectionOpensAndCloses) {
    dispatcher.ToggleConnection();
    EXPECT_TRUE(dispatcher.IsOpen());
    dispatcher.ToggleConnection();
    EXPECT_FALSE(dispatcher.IsOpen());
    EXPECT_EQ(connectionEvents, (std::vector<bool>{true, false}));
}

TEST_F(DispatcherOnPty, OpenFailureNamesTheDeviceAndStaysClosed) {
    TCommPortDriver::SetDeviceOverride(pnCOM1, QStringLiteral("/dev/orvex-no-such-device"));
    QString failed;
    QObject::connect(&dispatcher, &ReplyDispatcher::PortOpenFailed, [&](const QString& d) { failed = d; });
    EXPECT_FALSE(dispatcher.EnsurePortOpen());
    EXPECT_EQ(failed, QStringLiteral("/dev/orvex-no-such-device"));
    EXPECT_TRUE(connectionEvents.empty());
}

TEST_F(DispatcherOnPty, ChangePortMovesAnOpenConnection) {
    PtyPair second;
    ASSERT_TRUE(second.Ok());
    TCommPortDriver::SetDeviceOverride(pnCOM2, second.DevicePath());
    ASSERT_TRUE(dispatcher.EnsurePortOpen());
    dispatcher.ChangePort(pnCOM2);
    EXPECT_TRUE(dispatcher.IsOpen());
    EXPECT_EQ(rs232.Serial().CurrentDeviceName(), second.DevicePath());
    dispatcher.RequestClock();
    QByteArray got;
    ASSERT_TRUE(WaitUntil([&] {
        got += second.ReadAvailable();
        return got.size() >= 5;
    }));
    EXPECT_EQ(Hex(got), Hex(Framed("51")));
    EXPECT_TRUE(pty.ReadAvailable().isEmpty());
}

TEST_F(DispatcherOnPty, FailedReopenAndLostDeviceReturnTheControlsToClosed) {
    ASSERT_TRUE(dispatcher.EnsurePortOpen());
    TCommPortDriver::SetDeviceOverride(pnCOM3, QStringLiteral("/dev/orvex-no-such-device"));
    dispatcher.ChangePort(pnCOM3);
    EXPECT_FALSE(dispatcher.IsOpen());
    EXPECT_EQ(connectionEvents, (std::vector<bool>{true, false}));

    dispatcher.ChangePort(pnCOM1);
    ASSERT_TRUE(dispatcher.EnsurePortOpen());
    QString lost;
    QObject::connect(&dispatcher, &ReplyDispatcher::PortLost,
                     [&](const QString& d, const QString&) { lost = d; });
    // What the driver does when its device vanishes: close, then tell.
    rs232.Serial().ClosePort();
    emit rs232.Serial().PortLost(pty.DevicePath(), QStringLiteral("gone"));
    EXPECT_EQ(lost, pty.DevicePath());
    EXPECT_FALSE(dispatcher.IsOpen());
    EXPECT_EQ(connectionEvents.back(), false);
}

TEST_F(DispatcherOnPty, ClockExchangeAgainstAPeer) {
    QString clock;
    QObject::connect(&dispatcher, &ReplyDispatcher::ClockReceived, [&](const QString& t) { clock = t; });
    ASSERT_TRUE(dispatcher.EnsurePortOpen());
    dispatcher.SetSettings({ShellSettings::English});
    dispatcher.RequestClock();
    EXPECT_EQ(dispatcher.ExpectedReply(), 'Q');
    EXPECT_EQ(dispatcher.CommandTimer().interval(), 6000);
    EXPECT_EQ(Hex(pty.ReadAtLeast(5)), Hex(Framed("51")));

    pty.Write(Framed("51 09 05 0E 03 0C D4 07"));
    ASSERT_TRUE(WaitUntil([&] { return !clock.isEmpty(); }));
    EXPECT_EQ(clock, QStringLiteral("Time : 14:5:9\n\nDate : 3-12-2004"));
    EXPECT_EQ(dispatcher.ExpectedReply(), 0);

    // Unasked, in Serbian, and a truncated one is dropped.
    clock.clear();
    dispatcher.SetSettings({ShellSettings::Serbian});
    pty.Write(Framed("51 09 05"));
    pty.Write(Framed("51 00 00 08 01 01 E9 07"));
    ASSERT_TRUE(WaitUntil([&] { return !clock.isEmpty(); }));
    EXPECT_EQ(clock, QStringLiteral("Vreme : 8:0:0\n\nDatum : 1-1-2025"));
}
