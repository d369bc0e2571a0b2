#include "serial/TCommPortDriver.h"
#include "support/HexDump.h"
#include "support/PtyPair.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

namespace {

class DriverOnPty : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pty.Ok());
        TCommPortDriver::SetDeviceOverride(pnCOM1, pty.DevicePath());
        driver.SetComPort(pnCOM1);
        driver.OnReceiveData = [this](TCommPortDriver*, std::span<const uint8_t> data) {
            received.append(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
            ++chunks;
        };
    }
    void TearDown() override { TCommPortDriver::ClearDeviceOverrides(); }

    PtyPair pty;
    TCommPortDriver driver;
    QByteArray received;
    int chunks = 0;
};

} // namespace

TEST(TCommPortDriver, ConstructorValuesAndNoPortOpened) {
    TCommPortDriver d;
    EXPECT_FALSE(d.IsOpen());
    EXPECT_EQ(d.ComPort(), pnCOM2);
    EXPECT_EQ(d.ComPortSpeed(), br9600);
    EXPECT_EQ(d.ComPortInBufSize(), 2048);
    EXPECT_EQ(d.ComPortOutBufSize(), 2048);
    EXPECT_EQ(d.PacketSize(), -1);
    EXPECT_EQ(d.PacketTimeout(), -1);
    EXPECT_EQ(d.PacketMode(), pmDiscard);
    EXPECT_EQ(d.ComPortPollingDelay(), 50);
    EXPECT_TRUE(d.EnableDTROnOpen());
    EXPECT_EQ(d.OutputTimeout(), 4000);
    EXPECT_EQ(d.OutputFreeSpace(), -1);
    const uint8_t b = 1;
    EXPECT_EQ(d.WriteData({&b, 1}), 0);
}

TEST(TCommPortDriver, SetterRules) {
    TCommPortDriver d;
    d.SetPacketTimeout(10);
    EXPECT_EQ(d.PacketTimeout(), 300);
    d.SetComPortPollingDelay(400);
    EXPECT_EQ(d.PacketTimeout(), 650);
    d.SetPacketTimeout(0);
    EXPECT_EQ(d.PacketTimeout(), -1);
    d.SetPacketSize(0);
    EXPECT_EQ(d.PacketSize(), -1);
    d.SetPacketSize(3000);
    EXPECT_EQ(d.ComPortInBufSize(), 6000);
    EXPECT_EQ(d.ReceiveBufferSize(), 6000u);
    d.SetComPortInBufSize(100);
    EXPECT_EQ(d.ComPortInBufSize(), 6000) << "a packet larger than the buffer raises it again";
}

// Without RTS/CTS handshake the program holds RTS low, as the register's line
// expects; with it, the handshake drives RTS. DTR follows EnableDTROnOpen.
TEST(TCommPortDriver, ModemLinesFollowTheHandshake) {
    struct Case {
        TComPortHwHandshaking Hw;
        bool EnableDtr;
        bool Dtr;
        std::optional<bool> Rts;
    };
    for (const Case& c : {Case{hhNONE, true, true, false}, Case{hhNONE, false, false, false},
                          Case{hhRTSCTS, true, true, std::nullopt}}) {
        TCommPortDriver d;
        d.SetComPortHwHandshaking(c.Hw);
        d.SetEnableDTROnOpen(c.EnableDtr);
        EXPECT_EQ(d.LineSignals().Dtr, c.Dtr);
        EXPECT_EQ(d.LineSignals().Rts, c.Rts) << "handshake " << int(c.Hw);
    }
}

TEST(TCommPortDriver, RatesAndTransferTimes) {
    EXPECT_EQ(TransferTime(br19200, 1), 1u);
    EXPECT_EQ(TransferTime(br9600, 100), 104u);
    EXPECT_EQ(TransferTime(brcust, 48), 100u);
    EXPECT_EQ(BaudRateOf(br115200), 115200u);
    EXPECT_EQ(ComPortName(pnCOM16), "COM16");
    EXPECT_EQ(TCommPortDriver::DeviceName(pnCOM3), "/dev/ttyS2");
}

TEST(TCommPortDriver, MissingDeviceStaysClosed) {
    TCommPortDriver::SetDeviceOverride(pnCOM4, "/dev/orvex-no-such-device");
    TCommPortDriver d;
    d.SetComPort(pnCOM4);
    EXPECT_FALSE(d.OpenPort());
    EXPECT_FALSE(d.IsOpen());
    TCommPortDriver::ClearDeviceOverrides();
}

TEST_F(DriverOnPty, OpensReceivesWritesAndCloses) {
    ASSERT_TRUE(driver.OpenPort());
    EXPECT_FALSE(driver.LowLatency()) << "a pseudo-terminal refuses low latency and is used as it is";
    EXPECT_TRUE(driver.OpenPort()) << "opening an open port changes nothing";
    driver.SetComPort(pnCOM2);
    EXPECT_EQ(driver.ComPort(), pnCOM1) << "the port number is kept while open";

    pty.Write(Bytes("01 02 03"));
    ASSERT_TRUE(WaitUntil([&] { return received.size() == 3; }));
    EXPECT_EQ(Hex(received), "01 02 03");

    const auto out = Bytes("7E 51 51 51 7F");
    EXPECT_EQ(driver.WriteData(out), 5);
    QByteArray peer;
    ASSERT_TRUE(WaitUntil([&] {
        peer += pty.ReadAvailable();
        return peer.size() == 5;
    }));
    EXPECT_EQ(Hex(peer), "7E 51 51 51 7F");

    driver.ClosePort();
    EXPECT_FALSE(driver.IsOpen());
    const int before = chunks;
    pty.Write(Bytes("04"));
    RunEventsFor(150);
    EXPECT_EQ(chunks, before) << "a closed port delivers nothing";
    ASSERT_TRUE(driver.OpenPort()) << "reopen";
}

TEST_F(DriverOnPty, LineSettingsApplyWhileOpenAndCustomRateWritesBack) {
    ASSERT_TRUE(driver.OpenPort());
    driver.SetComPortSpeed(br38400);
    EXPECT_EQ(driver.ActualBaudRate(), 38400u);
    driver.SetSpecialb(1200);
    driver.SetComPortSpeed(brcust);
    EXPECT_EQ(driver.ActualBaudRate(), 1200u);
    driver.SetComPortSpeed(br115200);
    EXPECT_EQ(driver.Specialb(), 49664);
}

TEST_F(DriverOnPty, NoEventOnQuietTicks) {
    ASSERT_TRUE(driver.OpenPort());
    RunEventsFor(200);
    EXPECT_EQ(chunks, 0);
}

TEST_F(DriverOnPty, VanishedDeviceClosesThePortAndSaysWhich) {
    ASSERT_TRUE(driver.OpenPort());
    QString lost;
    QObject::connect(&driver, &TCommPortDriver::PortLost,
                     [&](const QString& device, const QString&) { lost = device; });
    pty.Close();
    ASSERT_TRUE(WaitUntil([&] { return !lost.isEmpty(); }));
    EXPECT_FALSE(driver.IsOpen());
    EXPECT_TRUE(lost.contains("pts")) << lost.toStdString();
}

TEST_F(DriverOnPty, PacketPathDeliversFixedPackets) {
    std::vector<std::pair<QByteArray, uint32_t>> packets;
    driver.SetPacketSize(4);
    driver.SetPacketTimeout(100);
    driver.SetPacketMode(pmPass);
    driver.OnReceivePacket = [&](TCommPortDriver*, std::span<const uint8_t> p, uint32_t elapsed) {
        packets.emplace_back(QByteArray(reinterpret_cast<const char*>(p.data()), qsizetype(p.size())),
                             elapsed);
    };
    ASSERT_TRUE(driver.OpenPort());
    pty.Write(Bytes("01 02 03 04 05 06 07 08"));
    ASSERT_TRUE(WaitUntil([&] { return packets.size() == 2; }));
    EXPECT_EQ(Hex(packets[0].first), "01 02 03 04");
    EXPECT_EQ(Hex(packets[1].first), "05 06 07 08");
    EXPECT_EQ(packets[0].second, 0u) << "a packet whose first byte came with it has waited no time";
    pty.Write(Bytes("09 0A"));
    ASSERT_TRUE(WaitUntil([&] { return packets.size() == 3; }, 3000))
        << "a short packet passes after its time-out";
    EXPECT_EQ(Hex(packets[2].first), "09 0A");
    EXPECT_GE(packets[2].second, 100u);
}

TEST_F(DriverOnPty, WriteGivesUpWhenTheLineStaysFull) {
    driver.SetOutputTimeout(300);
    ASSERT_TRUE(driver.OpenPort());
    // Nobody reads the far end: the terminal's buffer fills and stays full.
    const std::vector<uint8_t> block(1 << 20, 0x55);
    const int32_t written = driver.WriteData(block);
    EXPECT_LT(written, 0) << "a write that timed out says so";
    EXPECT_GT(-written, 0);
    EXPECT_LT(-written, int32_t(block.size()));
    EXPECT_TRUE(driver.IsOpen());
}
