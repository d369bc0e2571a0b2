#include "header/HeaderSequence.h"
#include "common/ShellSettings.h"
#include "protocol/RegisterCharset.h"
#include "protocol/ReplyDispatcher.h"
#include "support/HexDump.h"
#include "support/ScriptedPeer.h"
#include "support/WaitUntil.h"

#include <QTimer>
#include <gtest/gtest.h>

namespace {

using Payload = ScriptedPeer::Payload;
constexpr int Cyr = RegisterCharsets::Cyrillic;

Payload LineReply(int line, uint8_t attribute, const QByteArray& text) {
    Payload p(24, 0);
    p[0] = ']';
    p[1] = uint8_t(line);
    p[2] = attribute;
    std::copy(text.begin(), text.end(), p.begin() + 3);
    return p;
}

// A register that answers every request and write with the line asked for.
std::vector<Payload> Echo(const Payload& got) {
    if (got[0] == ']')
        return {LineReply(got[1], 0, "L" + QByteArray::number(got[1]))};
    if (got[0] == '_') {
        Payload p(got);
        p[0] = ']';
        return {p};
    }
    if (got[0] == 'S')
        return {Payload{'S'}};
    return {};
}

class HeaderSequenceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetShellSettings();
        sequence.SetSettings({0});
        ASSERT_TRUE(peer.Ok());
        TCommPortDriver::SetDeviceOverride(pnCOM1, peer.DevicePath());
        peer.SetResponder(Echo);
        QObject::connect(&sequence, &HeaderSequence::LineReceived,
                         [this](const HeaderLine& line) { received.push_back(line); });
    }
    void TearDown() override { TCommPortDriver::ClearDeviceOverrides(); }

    std::array<HeaderSequence::LineContent, 5> FiveLines() const {
        return {{{"ONE", {}}, {"SHOP", {false, true}}, {"THREE", {true, false}}, {"FOUR", {}}, {"FIVE", {}}}};
    }

    ScriptedPeer peer;
    TRS232Form rs232;
    ReplyDispatcher dispatcher{rs232};
    HeaderSequence sequence{dispatcher};
    std::vector<HeaderLine> received;
};

TEST_F(HeaderSequenceTest, ReadRequestsEightLinesInOrderAndEndsIdle) {
    const HeaderSequence::Outcome outcome = sequence.Read(Cyr);
    EXPECT_TRUE(outcome.Done) << outcome.Message.toStdString();
    ASSERT_EQ(peer.Received().size(), 8u);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(Hex(peer.Received()[size_t(i)]), Hex(Payload{0x5D, uint8_t(i + 1), 0}));
    ASSERT_EQ(received.size(), 8u);
    EXPECT_EQ(received[7].Text.trimmed(), "L8");
    EXPECT_EQ(sequence.CurrentMode(), HeaderSequence::Mode::Idle);
}

// A register answering for the wrong line was asked again without end.
TEST_F(HeaderSequenceTest, WrongLinesAreRerequestedThreeTimesThenNamed) {
    int wrong = 2;
    peer.SetResponder([&wrong](const Payload& got) {
        if (got[1] == 4 && wrong-- > 0)
            return std::vector<Payload>{LineReply(5, 0, "X")};
        return Echo(got);
    });
    EXPECT_TRUE(sequence.Read(Cyr).Done);
    EXPECT_EQ(peer.Received().size(), 10u);

    peer.SetResponder([](const Payload& got) {
        return got[1] == 2 ? std::vector<Payload>{LineReply(3, 0, "X")} : Echo(got);
    });
    const HeaderSequence::Outcome outcome = sequence.Read(Cyr);
    EXPECT_FALSE(outcome.Done);
    EXPECT_EQ(peer.Received().size(), 10u + 1 + 4);
    EXPECT_TRUE(outcome.Message.contains("line 2")) << outcome.Message.toStdString();
    EXPECT_EQ(sequence.CurrentMode(), HeaderSequence::Mode::Idle);
}

TEST_F(HeaderSequenceTest, WriteSendsFiveLinesEachAfterItsReplyThenTheEnd) {
    const HeaderSequence::Outcome outcome = sequence.Write(FiveLines(), Cyr);
    EXPECT_TRUE(outcome.Done) << outcome.Message.toStdString();
    const auto& sent = peer.Received();
    ASSERT_TRUE(WaitUntil([&] { return sent.size() == 6u; }));
    Payload shop{0x5F, 0x02, 0x02, 'S', 'H', 'O', 'P'};
    shop.resize(24, 0);
    EXPECT_EQ(Hex(sent[1]), Hex(shop));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(sent[size_t(i)][1], i + 1);
    EXPECT_EQ(Hex(sent[5]), "61");
    EXPECT_EQ(received.size(), 5u);
}

// An unprintable character used to go as a zero byte; now nothing goes.
TEST_F(HeaderSequenceTest, ARefusedLineSendsNothing) {
    auto lines = FiveLines();
    lines[3].Text = QString::fromUtf8("FO€R");
    const HeaderSequence::Outcome outcome = sequence.Write(lines, Cyr);
    EXPECT_FALSE(outcome.Done);
    EXPECT_TRUE(outcome.Message.contains("Line 4"));
    EXPECT_TRUE(peer.QuietFor(200));
    EXPECT_TRUE(peer.Received().empty());
}

// A write that stopped part-way said nothing of what had reached the register.
TEST_F(HeaderSequenceTest, AWriteThatStopsSaysWhichLinesWereWritten) {
    peer.SetResponder([](const Payload& got) { return got[1] == 3 ? std::vector<Payload>{} : Echo(got); });
    const HeaderSequence::Outcome outcome = sequence.Write(FiveLines(), Cyr);
    EXPECT_FALSE(outcome.Done);
    EXPECT_EQ(outcome.Message.toStdString(),
              "Writing stopped at line 3: no answer from the register. Lines written: 1, 2.");
    EXPECT_TRUE(peer.QuietFor(200));
    EXPECT_EQ(peer.Received().size(), 3u);
    EXPECT_EQ(sequence.CurrentMode(), HeaderSequence::Mode::Idle);
}

TEST_F(HeaderSequenceTest, ThanksWaitsForTheRegistersAnswer) {
    const HeaderSequence::Outcome outcome = sequence.WriteThanks("HVALA", Cyr);
    EXPECT_TRUE(outcome.Done);
    ASSERT_EQ(peer.Received().size(), 1u);
    Payload thanks{0x53, 'H', 'V', 'A', 'L', 'A'};
    thanks.resize(22, 0);
    EXPECT_EQ(Hex(peer.Received()[0]), Hex(thanks));

    // A late 'S' finds no thanks write waiting and ends nothing else.
    peer.SetResponder([](const Payload&) { return std::vector<Payload>{}; });
    peer.Send({'S'});
    RunEventsFor(100);
    EXPECT_EQ(dispatcher.ExpectedReply(), 0);
    EXPECT_FALSE(sequence.IsBusy());
}

// A PLU transfer step takes the link: a header read in progress gives way.
TEST_F(HeaderSequenceTest, ResetModeEndsAReadAfterItsWait) {
    peer.SetResponder([this](const Payload& got) {
        if (got[1] == 2)
            sequence.ResetMode();
        return Echo(got);
    });
    const HeaderSequence::Outcome outcome = sequence.Read(Cyr);
    EXPECT_FALSE(outcome.Done);
    EXPECT_EQ(peer.Received().size(), 2u);
}

// Close during a read: it says it stopped, not that the register was silent.
TEST_F(HeaderSequenceTest, ACancelledReadSaysWhereItStopped) {
    peer.SetResponder([](const Payload& got) { return got[1] == 3 ? std::vector<Payload>{} : Echo(got); });
    QTimer::singleShot(200, &dispatcher, &ReplyDispatcher::CancelWait);
    const HeaderSequence::Outcome outcome = sequence.Read(Cyr);
    EXPECT_FALSE(outcome.Done);
    EXPECT_EQ(outcome.Message.toStdString(), "Reading stopped at line 3.");
    EXPECT_EQ(peer.Received().size(), 3u);
}

} // namespace
