#include "protocol/ReplyDispatcher.h"
#include "support/HexDump.h"
#include "support/PtyPair.h"
#include "support/WaitUntil.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

// A serial adapter as udev presents it: a stable name (a symbolic link) in
// front of a device node that goes when the adapter is pulled and comes back,
// possibly as another node, when it is plugged in again.
class ReconnectOnPty : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(first->Ok());
        ASSERT_TRUE(QFile::link(first->DevicePath(), link));
        TCommPortDriver::SetDeviceOverride(pnCOM1, link);
        QObject::connect(&dispatcher, &ReplyDispatcher::PortLost,
                         [this](const QString& d, const QString&) { lost = d; });
        QObject::connect(&dispatcher, &ReplyDispatcher::Reconnected, [this](const QString& d) { back = d; });
        QObject::connect(&dispatcher, &ReplyDispatcher::ConnectionChanged,
                         [this](bool open) { connectionEvents.push_back(open); });
        dispatcher.ChangeSpeed(br38400);
        ASSERT_TRUE(dispatcher.EnsurePortOpen());
    }
    void TearDown() override { TCommPortDriver::ClearDeviceOverrides(); }

    // The adapter is pulled: its name goes first, then the node under the open port.
    void Unplug() {
        ASSERT_TRUE(QFile::rename(link, link + ".away"));
        first->Close();
        ASSERT_TRUE(WaitUntil([&] { return !lost.isEmpty(); }));
        EXPECT_EQ(lost, link);
        EXPECT_FALSE(dispatcher.IsOpen());
    }
    // Plugged in again: a new node, its name renamed into place.
    void PlugBackAs(const PtyPair& device) {
        ASSERT_TRUE(QFile::remove(link + ".away"));
        ASSERT_TRUE(QFile::link(device.DevicePath(), link + ".new"));
        ASSERT_TRUE(QFile::rename(link + ".new", link));
    }

    QTemporaryDir dir;
    const QString link = dir.filePath("ttyORVEX");
    std::unique_ptr<PtyPair> first = std::make_unique<PtyPair>();
    TRS232Form rs232;
    ReplyDispatcher dispatcher{rs232};
    QString lost;
    QString back;
    std::vector<bool> connectionEvents;
};

} // namespace

TEST_F(ReconnectOnPty, LostDeviceIsReopenedAtTheSameSpeedWhenItsNameIsBack) {
    Unplug();
    EXPECT_TRUE(dispatcher.WatchingForLostDevice());

    // Another device showing up meanwhile is none of the program's business.
    PtyPair other;
    RunEventsFor(ReplyDispatcher::ReconnectPollMs * 2);
    EXPECT_FALSE(dispatcher.IsOpen());
    EXPECT_TRUE(back.isEmpty());
    EXPECT_TRUE(other.ReadAvailable().isEmpty());

    PtyPair second;
    PlugBackAs(second);
    ASSERT_TRUE(WaitUntil([&] { return !back.isEmpty(); }, ReplyDispatcher::ReconnectPollMs * 6));
    EXPECT_EQ(back, link);
    EXPECT_TRUE(dispatcher.IsOpen());
    EXPECT_FALSE(dispatcher.WatchingForLostDevice());
    EXPECT_EQ(rs232.Serial().ComPortSpeed(), br38400);
    EXPECT_EQ(rs232.Serial().ActualBaudRate(), 38400u);
    EXPECT_EQ(connectionEvents, (std::vector<bool>{true, false, true}));

    dispatcher.RequestClock();
    EXPECT_EQ(Hex(second.ReadAtLeast(5)), "7E 51 51 51 7F")
        << "the reopened port is the device that came back";
}

// The user's own step after the loss ends the watch: the device coming back
// then opens nothing.
TEST_F(ReconnectOnPty, ClosingOrMovingToAnotherPortEndsTheWatch) {
    PtyPair elsewhere;
    TCommPortDriver::SetDeviceOverride(pnCOM2, elsewhere.DevicePath());
    const std::function<void()> steps[] = {
        [&] { dispatcher.Disconnect(); },
        [&] { dispatcher.ChangePort(pnCOM2); },
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(i);
        if (i > 0) {
            // Back on the first name, open, for the next round.
            first = std::make_unique<PtyPair>();
            ASSERT_TRUE(QFile::remove(link));
            ASSERT_TRUE(QFile::link(first->DevicePath(), link));
            lost.clear();
            ASSERT_TRUE(dispatcher.EnsurePortOpen());
        }
        Unplug();
        steps[i]();
        EXPECT_FALSE(dispatcher.WatchingForLostDevice());
        PtyPair second;
        PlugBackAs(second);
        RunEventsFor(ReplyDispatcher::ReconnectPollMs * 2);
        EXPECT_FALSE(dispatcher.IsOpen());
        EXPECT_TRUE(back.isEmpty());
    }
}

// A pseudo-terminal named by its number: once it is gone, the number goes to
// the next program that asks for one, so the window used to reopen a stranger's
// line and say the register was back.
TEST(ReconnectDirectPty, APseudoTerminalThatVanishedIsNeverReopened) {
    auto pty = std::make_unique<PtyPair>();
    ASSERT_TRUE(pty->Ok());
    TCommPortDriver::SetDeviceOverride(pnCOM1, pty->DevicePath());
    TRS232Form rs232;
    ReplyDispatcher dispatcher{rs232};
    int losses = 0;
    QObject::connect(&dispatcher, &ReplyDispatcher::PortLost, [&] { ++losses; });
    ASSERT_TRUE(dispatcher.EnsurePortOpen());
    EXPECT_TRUE(rs232.Serial().OpenedIdentity().PseudoTerminal);
    const QString path = pty->DevicePath();
    pty->Close();
    ASSERT_TRUE(WaitUntil([&] { return losses > 0; }));
    EXPECT_FALSE(dispatcher.WatchingForLostDevice());
    RunEventsFor(ReplyDispatcher::ReconnectPollMs * 2);
    EXPECT_EQ(losses, 1);
    EXPECT_FALSE(dispatcher.IsOpen());
    TCommPortDriver::ClearDeviceOverrides();
}

TEST(DeviceIdentityTest, WhatCountsAsTheSameDevice) {
    DeviceIdentity pty;
    pty.Path = QStringLiteral("/dev/pts/7");
    pty.PseudoTerminal = true;
    DeviceIdentity named;
    named.Path = QStringLiteral("/dev/serial/by-id/usb-FTDI_X-if00-port0");
    named.StableName = true;
    DeviceIdentity adapter;
    adapter.Path = QStringLiteral("/dev/ttyUSB0");
    adapter.SerialNumber = QStringLiteral("A1B2");
    adapter.VendorId = 0x0403;
    adapter.ProductId = 0x6001;
    DeviceIdentity otherAdapter = adapter;
    otherAdapter.SerialNumber = QStringLiteral("Z9");
    DeviceIdentity noSerial = adapter;
    noSerial.SerialNumber.clear();
    DeviceIdentity otherMake = noSerial;
    otherMake.VendorId = 0x1a86;
    DeviceIdentity elsewhere = adapter;
    elsewhere.Path = QStringLiteral("/dev/ttyUSB1");
    struct Row {
        const char* Case;
        const DeviceIdentity& Lost;
        const DeviceIdentity& Present;
        bool Same;
    };
    const Row rows[] = {
        {"pseudo-terminal", pty, pty, false},
        {"stable name", named, named, true},
        {"same serial number", adapter, adapter, true},
        {"another serial number", adapter, otherAdapter, false},
        {"no serial number, same make", noSerial, noSerial, true},
        {"no serial number, another make", noSerial, otherMake, false},
        {"another path", adapter, elsewhere, false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.Lost.SameAs(row.Present), row.Same) << row.Case;
    EXPECT_FALSE(pty.MayComeBack());
    EXPECT_TRUE(named.MayComeBack());
}
