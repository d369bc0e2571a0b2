#include "monitor/ExternalPluRequest.h"
#include "database/PluTable.h"
#include "protocol/RegisterCharset.h"
#include "support/HexDump.h"

#include <gtest/gtest.h>

namespace {

JournalStyle Style(int lang = 0, int charset = RegisterCharsets::Default) {
    return {lang, false, charset, QLatin1Char('.')};
}

// 'N', sub-code 'C', the number in BCD at 17-20.
std::vector<uint8_t> ByNumber(const char* bcdHex) {
    std::vector<uint8_t> p(21, 0);
    p[0] = 'N';
    p[1] = 'C';
    const auto n = Bytes(bcdHex);
    std::copy(n.begin(), n.end(), p.begin() + 17);
    return p;
}

std::vector<uint8_t> ByBarcode(const char* barcode) {
    std::vector<uint8_t> p(21, 0);
    p[0] = 'N';
    p[1] = 'B';
    for (size_t i = 0; barcode[i] != 0 && i < 19; ++i)
        p[2 + i] = uint8_t(barcode[i]);
    return p;
}

std::vector<uint8_t> AsVector(const std::optional<PluAnswerFrame>& frame) {
    return frame ? std::vector<uint8_t>(frame->begin(), frame->end()) : std::vector<uint8_t>{};
}

const std::vector<uint8_t> NotFound =
    Bytes("4E FF FF 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
          "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");

class ExternalPlu : public ::testing::Test {
  protected:
    void SetUp() override {
        table.FillDefaults();
        PluRecord& sugar = table[7];
        sugar.SetDescription("SUGAR");
        sugar.Price = 1.5;
        sugar.Flags = 0x43;
        sugar.SetBarcode("860000000007");
        for (const int n : {12, 40}) {
            table[n].SetBarcode("5901234123457");
            table[n].Price = n;
        }
    }
    PluTable table;
};

TEST_F(ExternalPlu, ByNumberSevenLeavesItsLineAndAnswersWithPluSeven) {
    const auto request = ByNumber("00 00 00 07");
    const ExternalPluOutcome out = AnswerExternalPluRequest(request, table, Style());
    ASSERT_TRUE(out.Line.has_value());
    EXPECT_EQ(out.Line->toStdString(), "Command : 0x4e  External PLU Sale with PLU number: 7 Bytes 21");
    EXPECT_EQ(out.CountedBytes, 21);
    EXPECT_EQ(Hex(AsVector(out.Answer)),
              Hex(Bytes("4E 07 00 53 55 47 41 52 00 00 00 00 00 00 00 00 00 01 50 43 "
                        "38 36 30 30 30 30 30 30 30 30 30 37 00 00 00 00 00 00 00")));
}

TEST_F(ExternalPlu, NumbersFromTenThousandGetTheNotFoundAnswerAndNoLine) {
    for (const char* n : {"00 01 00 00", "99 99 99 99"}) {
        const ExternalPluOutcome out = AnswerExternalPluRequest(ByNumber(n), table, Style());
        EXPECT_FALSE(out.Line.has_value()) << n;
        EXPECT_EQ(out.CountedBytes, 0) << n;
        EXPECT_EQ(Hex(AsVector(out.Answer)), Hex(NotFound)) << n;
    }
    const ExternalPluOutcome last = AnswerExternalPluRequest(ByNumber("00 00 99 99"), table, Style(1));
    EXPECT_EQ(last.Line->toStdString(), "Komanda : 0x4e  Eksterna PLU prodaja sa PLU brojem: 9999 Bytes 21");
    // Number 9999, low byte first; its default description "COD 9999".
    EXPECT_EQ(Hex(std::vector<uint8_t>(last.Answer->begin(), last.Answer->begin() + 11)),
              Hex(Bytes("4E 0F 27 43 4F 44 20 39 39 39 39")));
}

TEST_F(ExternalPlu, ASharedBarcodeIsAnsweredWithTheLowerNumber) {
    const ExternalPluOutcome out = AnswerExternalPluRequest(ByBarcode("5901234123457"), table, Style());
    ASSERT_TRUE(out.Line.has_value());
    EXPECT_EQ(out.Line->toStdString(),
              "Command : 0x4e  External PLU Sale with barcode: 5901234123457 Bytes 21");
    EXPECT_EQ(out.CountedBytes, 21);
    ASSERT_TRUE(out.Answer.has_value());
    EXPECT_EQ((*out.Answer)[1], 12);
    EXPECT_EQ((*out.Answer)[2], 0);
    // Price 12.00 as 1200 hundredths.
    EXPECT_EQ(Hex(std::vector<uint8_t>(out.Answer->begin() + 15, out.Answer->begin() + 19)),
              Hex(Bytes("00 00 12 00")));
}

TEST_F(ExternalPlu, BarcodesMatchExactly) {
    for (const char* barcode : {"590123412345", "59012341234570", "860000000007 "}) {
        const ExternalPluOutcome out = AnswerExternalPluRequest(ByBarcode(barcode), table, Style());
        EXPECT_TRUE(out.Line.has_value()) << barcode;
        EXPECT_EQ(out.CountedBytes, 21);
        EXPECT_EQ(Hex(AsVector(out.Answer)), Hex(NotFound)) << barcode;
    }
}

TEST_F(ExternalPlu, AnEmptyBarcodeMatchesNoPluWithoutOne) {
    const ExternalPluOutcome out = AnswerExternalPluRequest(ByBarcode(""), table, Style());
    EXPECT_EQ(Hex(AsVector(out.Answer)), Hex(NotFound));
}

TEST_F(ExternalPlu, OtherSubCodesComeToNothing) {
    auto request = ByNumber("00 00 00 07");
    request[1] = 'X';
    const ExternalPluOutcome out = AnswerExternalPluRequest(request, table, Style());
    EXPECT_FALSE(out.Line.has_value());
    EXPECT_EQ(out.CountedBytes, 0);
    EXPECT_FALSE(out.Answer.has_value());
}

TEST_F(ExternalPlu, AShortRequestReadsZerosForItsMissingBytes) {
    const std::vector<uint8_t> request{'N', 'C'};
    const ExternalPluOutcome out = AnswerExternalPluRequest(request, table, Style());
    EXPECT_EQ(out.Line->toStdString(), "Command : 0x4e  External PLU Sale with PLU number: 0 Bytes 2");
    EXPECT_EQ(out.CountedBytes, 2);
    EXPECT_EQ((*out.Answer)[1], 0);
}

struct PriceRow {
    double Price;
    const char* Field; // empty: not answered with the PLU
};

TEST(PluAnswer, PriceInHundredthsAsEightBcdDigits) {
    const PriceRow rows[] = {
        {0.0, "00 00 00 00"},
        {0.01, "00 00 00 01"},
        {0.125, "00 00 00 13"},
        {1.5, "00 00 01 50"},
        {999999.99, "99 99 99 99"},
        {1000000.0, ""},
        {-1.0, ""},
        {std::numeric_limits<double>::quiet_NaN(), ""},
    };
    for (const PriceRow& row : rows) {
        PluRecord entry;
        entry.Price = row.Price;
        const auto answer = EncodePluAnswer(entry, 3, RegisterCharsets::Default);
        if (*row.Field == 0) {
            // A price that eight digits cannot carry is not sent cut short.
            EXPECT_FALSE(answer.has_value()) << row.Price;
            continue;
        }
        ASSERT_TRUE(answer.has_value()) << row.Price;
        EXPECT_EQ(Hex(std::vector<uint8_t>(answer->begin() + 15, answer->begin() + 19)),
                  Hex(Bytes(row.Field)))
            << row.Price;
    }
}

TEST(PluAnswer, TextsGoOutInTheRegisterCharset) {
    PluRecord entry;
    entry.SetDescription(QByteArray("\xCC\xCB\xC5\xCA\xCE")); // МЛЕКО in code page 1251
    entry.SetBarcode("123");
    entry.Flags = 0x91;
    const auto answer = EncodePluAnswer(entry, 0x1234, RegisterCharsets::Cyrillic);
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(Hex(std::vector<uint8_t>(answer->begin(), answer->end())),
              Hex(Bytes("4E 34 12 8E 8C 86 8B 91 00 00 00 00 00 00 00 00 00 00 00 91 "
                        "31 32 33 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00")));
}

} // namespace
