#include "common/ShellSettings.h"
#include "database/PluTable.h"
#include "plu/FakeTransferView.h"
#include "plu/PluMessages.h"
#include "plu/PluTransfer.h"
#include "protocol/ReplyDispatcher.h"
#include "sales/SaleCommands.h"
#include "support/HexDump.h"
#include "support/ScriptedPeer.h"

#include <QTimer>
#include <gtest/gtest.h>

namespace {

using Payload = ScriptedPeer::Payload;
using Result = PluTransfer::PriceChangeResult;

// The register's record reply for PLU n carrying the price in BCD bytes 15-18.
Payload PriceReply(int n, std::array<uint8_t, 4> price) {
    Payload p(PluRecordReplySize, 0);
    p[0] = PluReadCode;
    p[1] = uint8_t(n & 0xFF);
    p[2] = uint8_t(n >> 8);
    std::copy(price.begin(), price.end(), p.begin() + 15);
    return p;
}

class PriceChangeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetShellSettings();
        view.Watch(transfer);
        ASSERT_TRUE(peer.Ok());
        TCommPortDriver::SetDeviceOverride(pnCOM1, peer.DevicePath());
        table[12].Price = 5.00;
    }
    void TearDown() override { TCommPortDriver::ClearDeviceOverrides(); }

    Result Change() { return transfer.ChangePrice(12, command, NewPriceHundredths(command)); }

    const SaleFrame command = EncodeNewPrice(12, 1.99);
    ScriptedPeer peer;
    TRS232Form rs232;
    ReplyDispatcher dispatcher{rs232};
    PluTable table;
    FakeTransferView view;
    PluTransfer transfer{dispatcher, table};
};

TEST_F(PriceChangeTest, AConfirmedPriceEndsAfterOneCommandAndLeavesTheTableAlone) {
    peer.SetResponder([](const Payload& got) {
        return std::vector<Payload>{PriceReply(got[1] + 256 * got[2], {0, 0, 0x01, 0x99})};
    });
    EXPECT_EQ(Change(), Result::Written);
    ASSERT_EQ(peer.Received().size(), 1u);
    EXPECT_EQ(Hex(peer.Received()[0]), Hex(Bytes("5E 0C 00 00 00 01 99")));
    EXPECT_DOUBLE_EQ(table[12].Price, 5.00);
    EXPECT_TRUE(view.Shown.empty());
    EXPECT_EQ(transfer.Kind(), TransferKind::PriceChange);
    EXPECT_FALSE(transfer.IsRunning());
    EXPECT_EQ(dispatcher.ExpectedReply(), 0);
}

// The reply handler keeps the kind of the last transfer: after a single
// write, the price reply must still not be stored as a record.
TEST_F(PriceChangeTest, APriceChangeAfterASingleWriteStoresNothing) {
    peer.SetResponder([](const Payload& got) {
        const std::array<uint8_t, 4> price = got[0] == '^' ? std::array<uint8_t, 4>{0, 0, 0x01, 0x99}
                                                           : std::array<uint8_t, 4>{0, 0, 0x05, 0x00};
        return std::vector<Payload>{PriceReply(got[1] + 256 * got[2], price)};
    });
    table[12].SetDescription("SOAP");
    table[12].Flags = 0x41;
    transfer.WriteOne(12, view.Scope, view.Active);
    ASSERT_EQ(view.Shown.size(), 1u);
    EXPECT_EQ(Change(), Result::Written);
    EXPECT_DOUBLE_EQ(table[12].Price, 5.00);
    EXPECT_EQ(view.Shown.size(), 1u);
}

// Without an answer the command goes twice, then the exchange gives up.
TEST_F(PriceChangeTest, SilenceSendsTwiceThenGivesUp) {
    EXPECT_EQ(Change(), Result::NoResponse);
    EXPECT_EQ(peer.Received().size(), 2u);
    EXPECT_EQ(dispatcher.ExpectedReply(), 0);
}

// A reply for the PLU with another price, or for another PLU, is no success.
TEST_F(PriceChangeTest, AReplyWithAnotherPriceOrPluIsNoConfirmation) {
    peer.SetResponder([](const Payload&) {
        return std::vector<Payload>{PriceReply(12, {0, 0, 0x05, 0x00})};
    });
    EXPECT_EQ(Change(), Result::WrongPrice);
    EXPECT_EQ(transfer.ReplyPrice(), 500u);
    EXPECT_EQ(peer.Received().size(), 2u);

    peer.SetResponder([](const Payload&) {
        return std::vector<Payload>{PriceReply(13, {0, 0, 0x01, 0x99})};
    });
    EXPECT_EQ(Change(), Result::NoResponse);
    EXPECT_EQ(peer.Received().size(), 4u);
}

// A Close during the wait used to send the command again: the price may
// already be in the register.
TEST_F(PriceChangeTest, CloseDuringTheWaitEndsWithoutResending) {
    QTimer::singleShot(200, &dispatcher, &ReplyDispatcher::CancelWait);
    EXPECT_EQ(Change(), Result::Cancelled);
    EXPECT_TRUE(peer.QuietFor(300));
    EXPECT_EQ(peer.Received().size(), 1u);
}

} // namespace
