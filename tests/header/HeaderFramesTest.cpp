#include "header/HeaderFrames.h"
#include "common/ShellSettings.h"
#include "protocol/RegisterCharset.h"
#include "support/HexDump.h"

#include <gtest/gtest.h>

namespace {

constexpr int Cyr = RegisterCharsets::Cyrillic;

TEST(HeaderFrames, RequestsWritesEndAndThanks) {
    for (int line = 1; line <= 8; ++line)
        EXPECT_EQ(Hex(EncodeHeaderRequest(line)), Hex(std::vector<uint8_t>{0x5D, uint8_t(line), 0}));
    const LineFrameResult shop = EncodeHeaderWrite(2, {false, true}, QStringLiteral("SHOP"), Cyr, 0);
    ASSERT_TRUE(shop.Frame) << shop.Refusal.toStdString();
    std::vector<uint8_t> expected{0x5F, 0x02, 0x02, 'S', 'H', 'O', 'P'};
    expected.resize(24, 0);
    EXPECT_EQ(Hex(*shop.Frame), Hex(expected));
    const LineFrameResult both = EncodeHeaderWrite(1, {true, true}, QStringLiteral("AB"), Cyr, 0);
    ASSERT_TRUE(both.Frame);
    EXPECT_EQ((*both.Frame)[2], 3);
    EXPECT_EQ(Hex(EncodeHeaderEnd()), "61");

    const LineFrameResult thanks = EncodeThanks(QStringLiteral("HVALA"), Cyr, 0);
    ASSERT_TRUE(thanks.Frame);
    std::vector<uint8_t> thanksBytes{0x53, 'H', 'V', 'A', 'L', 'A'};
    thanksBytes.resize(22, 0);
    EXPECT_EQ(Hex(*thanks.Frame), Hex(thanksBytes));
    const LineFrameResult empty = EncodeThanks(QString(), Cyr, 0);
    ASSERT_TRUE(empty.Frame);
    EXPECT_EQ(Hex(*empty.Frame),
              Hex(std::vector<uint8_t>{0x53, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

// A character without a register form was sent as a zero byte: the printed
// line lost it without a word.
TEST(HeaderFrames, UnprintableCharactersAndOverlongLinesAreRefusedByLine) {
    ResetShellSettings();
    Shell().UiLanguage = 0;
    const LineFrameResult euro = EncodeHeaderWrite(3, {}, QString::fromUtf8("SHOP €"), Cyr, 0);
    EXPECT_FALSE(euro.Frame);
    EXPECT_TRUE(euro.Refusal.contains("Line 3")) << euro.Refusal.toStdString();
    EXPECT_TRUE(euro.Refusal.contains(QString::fromUtf8("€")));
    const LineFrameResult wide = EncodeHeaderWrite(4, {true, false}, QStringLiteral("ELEVEN CHAR"), Cyr, 0);
    EXPECT_FALSE(wide.Frame);
    EXPECT_TRUE(wide.Refusal.contains("Line 4"));
    EXPECT_FALSE(EncodeHeaderWrite(1, {}, QString(22, 'A'), Cyr, 0).Frame);
    EXPECT_TRUE(EncodeHeaderWrite(1, {}, QString(21, 'A'), Cyr, 0).Frame);
    EXPECT_FALSE(EncodeThanks(QString::fromUtf8("€"), Cyr, 0).Frame);
    // The blanks a line read is filled with are no characters of it: a
    // double-width line read back is written as it was.
    const LineFrameResult filled =
        EncodeHeaderWrite(1, {true, false}, QStringLiteral("  SHOP") + QString(15, ' '), Cyr, 0);
    ASSERT_TRUE(filled.Frame) << filled.Refusal.toStdString();
    EXPECT_EQ(Hex(*filled.Frame),
              Hex(Bytes("5F 01 01 20 20 53 48 4F 50 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00")));
    EXPECT_EQ(EncodeHeaderWrite(1, {true, false}, QStringLiteral("ELEVEN CHAR  "), Cyr, 0).Refusal,
              QStringLiteral("Line 1 has 11 characters; it takes at most 10. Shorten it first."));
}

TEST(HeaderFrames, RepliesDecodeWithBlanksForZeros) {
    std::vector<uint8_t> reply{']', 4, 3, 'A', 0, 'B'};
    reply.resize(24, 0);
    const std::optional<HeaderLine> line = DecodeHeaderReply(reply, Cyr);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->Number, 4);
    EXPECT_EQ(line->Attribute, 3);
    EXPECT_EQ(line->Text, QStringLiteral("A B") + QString(18, ' '));
    reply.resize(23);
    EXPECT_FALSE(DecodeHeaderReply(reply, Cyr));

    EXPECT_FALSE(AttributesOf(0));
    EXPECT_FALSE(AttributesOf(7));
    EXPECT_TRUE(AttributesOf(1)->DoubleWidth && !AttributesOf(1)->DoubleHeight);
    EXPECT_TRUE(!AttributesOf(2)->DoubleWidth && AttributesOf(2)->DoubleHeight);
    EXPECT_TRUE(AttributesOf(3)->DoubleWidth && AttributesOf(3)->DoubleHeight);
}

TEST(HeaderFrames, CentringRulesOfHeaderAndThanks) {
    const QString ten = QStringLiteral("ABCDEFGHIJ");
    EXPECT_EQ(CenterHeaderText(ten, 21, true), QString(5, ' ') + ten);
    EXPECT_EQ(CenterHeaderText(ten, 10, true), ten);
    EXPECT_EQ(CenterHeaderText("  " + ten + " ", 21, false), ten);
    EXPECT_EQ(CenterHeaderText(QString(15, 'X'), 10, true), QString(15, 'X'));
    EXPECT_TRUE(IsHeaderCentred(QString(5, ' ') + ten, 21));
    EXPECT_FALSE(IsHeaderCentred(" ABCDE" + QString(15, ' '), 21));
    EXPECT_FALSE(IsHeaderCentred(QString(21, ' '), 21));

    EXPECT_EQ(CenterThanksText(ten, true), QString(6, ' ') + ten);
    EXPECT_EQ(CenterThanksText(QString(6, ' ') + ten, false), ten);
    EXPECT_EQ(CenterThanksText("  AB ", true), QString(8, ' ') + "  AB ");
    EXPECT_EQ(CenterThanksText(" AB ", false), "AB ");
}

} // namespace
