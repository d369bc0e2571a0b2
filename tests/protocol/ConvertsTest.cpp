#include "protocol/Converts.h"
#include "protocol/ConversionError.h"
#include "support/HexDump.h"

#include <array>
#include <gtest/gtest.h>

TEST(Converts, BcdBytesAndFields) {
    EXPECT_EQ(BcdByteToInt(0x47), 47u);
    EXPECT_EQ(BcdByteToInt(0x9A), 100u);
    EXPECT_EQ(BcdByteToInt(0xFF), 165u);
    EXPECT_EQ(BcdToInt(Bytes("00 00 12 34 56")), 123456u);
    EXPECT_EQ(BcdToInt(Bytes("99 99 99 99 99")), 1410065407u);
    EXPECT_EQ(BcdToInt64(Bytes("99 99 99 99 99 99")), 999999999999ull);
    EXPECT_DOUBLE_EQ(BcdToFloat(Bytes("00 12 34 56")), 123456.0);
    EXPECT_EQ(BcdToInt({}), 0u);
}

TEST(Converts, IntToBcdKeepsTheLowEightDigits) {
    EXPECT_EQ(IntToBcd(123456), 0x00123456u);
    EXPECT_EQ(IntToBcd(1234567890), 0x34567890u);
    EXPECT_EQ(IntToBcd(100000000), 0u);
    EXPECT_EQ(IntToBcd(99999999), 0x99999999u);
    EXPECT_EQ(IntToBcd(0), 0u);
}

TEST(Converts, IntToBytesBE) {
    struct Case {
        size_t n;
        const char* expected;
    };
    for (const Case& c :
         {Case{5, "00 00 12 34 56"}, Case{4, "00 12 34 56"}, Case{2, "34 56"}, Case{1, "56"}}) {
        std::vector<uint8_t> out(c.n, 0xEE);
        IntToBytesBE(0x00123456, out);
        EXPECT_EQ(Hex(out), c.expected);
    }
}

TEST(Converts, AmountToBcdWorkedValues) {
    struct Case {
        const char* text;
        QChar separator;
        const char* expected;
    };
    const Case cases[] = {
        {"12.5", '.', "00 00 00 12 50"},        {"0", '.', "00 00 00 00 00"},
        {"123.456", '.', "00 00 01 23 46"},     {"1234567.89", '.', "01 23 45 67 89"},
        {"-12.5", '.', "00 00 00 12 50"},       {"0.005", '.', "00 00 00 00 01"},
        {"7", '.', "00 00 00 07 00"},           {"12,5", ',', "00 00 00 12 50"},
        {"1234567,89", ',', "01 23 45 67 89"},  {"1.005", '.', "00 00 00 01 01"},
        {" 3.3 ", '.', "00 00 00 03 30"},       {"999999.99", '.', "00 99 99 99 99"},
        {"99999999.99", '.', "99 99 99 99 99"}, {"1e2", '.', "00 00 01 00 00"},
    };
    for (const Case& c : cases) {
        std::array<uint8_t, 5> out{};
        AmountToBcd(QString::fromLatin1(c.text), out, c.separator);
        EXPECT_EQ(Hex(out), c.expected) << c.text << " with '" << char(c.separator.unicode()) << "'";
    }
}

TEST(Converts, AmountToBcdRefusesBadTextAndLeavesTheFieldAlone) {
    struct Case {
        const char* text;
        QChar separator;
        const char* message;
    };
    const Case cases[] = {
        {"abc", '.', "'abc' is not a valid floating point value"},
        {"", '.', "'' is not a valid floating point value"},
        {"12.5", ',', "'12.5' is not a valid floating point value"},
        {"1,000.00", '.', "'1,000.00' is not a valid floating point value"},
        {"inf", '.', "'inf' is not a valid floating point value"},
        {"100000000", '.',
         "The amount 100000000 does not fit the field; the largest amount it holds is 99999999.99"},
        {"-100000000,00", ',',
         "The amount -100000000,00 does not fit the field; the largest amount it holds is 99999999,99"},
    };
    for (const Case& c : cases) {
        std::array<uint8_t, 5> out{0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
        try {
            AmountToBcd(QString::fromLatin1(c.text), out, c.separator);
            ADD_FAILURE() << c.text << " was accepted";
        } catch (const ConversionError& e) {
            EXPECT_EQ(e.Message().toStdString(), c.message);
        }
        EXPECT_EQ(Hex(out), "AA AA AA AA AA") << c.text;
    }
}

TEST(Converts, DecimalAndDigitTexts) {
    const auto withPoint = BcdToDecimalText(Bytes("01 23 45"), true);
    EXPECT_EQ(withPoint.Text, "0123.45");
    EXPECT_DOUBLE_EQ(withPoint.Value, 123.45);
    const auto plain = BcdToDecimalText(Bytes("01 23 45"), false);
    EXPECT_EQ(plain.Text, "012345");
    EXPECT_DOUBLE_EQ(plain.Value, 12345.0);
    EXPECT_EQ(BcdToDecimalText(Bytes("45"), true).Text, ".45");
    EXPECT_EQ(BcdToDecimalText({}, true).Text, "");
    EXPECT_EQ(BcdToDigitText(Bytes("1A 2B")), "1A2B");
}

TEST(Converts, KeyFilters) {
    // Each row: the characters a filter keeps (besides the three control keys).
    struct Case {
        const char* name;
        bool (*rejected)(QChar);
        QString kept;
    };
    const auto decimalPoint = [](QChar c) { return DecimalKeyRejected(c, '.'); };
    const auto decimalComma = [](QChar c) { return DecimalKeyRejected(c, ','); };
    const Case cases[] = {
        {"decimal with point", +decimalPoint, "0123456789,."},
        {"decimal with comma", +decimalComma, "0123456789,"},
        {"code", CodeKeyRejected, "!\"#$%&'()*+,-./0123456789"},
        {"non-zero digit", NonZeroDigitKeyRejected, "123456789"},
        {"digit", DigitKeyRejected, "0123456789"},
        {"number", NumberKeyRejected, "0123456789.,"},
    };
    for (const Case& c : cases) {
        for (char16_t ch = 0; ch < 0x200; ++ch) {
            const bool control = ch == 0x08 || ch == 0x0D || ch == 0x10;
            const bool kept = control || c.kept.contains(QChar(ch));
            EXPECT_EQ(c.rejected(QChar(ch)), !kept) << c.name << " char " << int(ch);
        }
    }
    for (char16_t ch = 0; ch < 0x200; ++ch) {
        const bool kept = ch == 0x08 || ch == 0x0D || ch == 0x10 || (ch >= 0x21 && ch <= 0x7A && ch != u'\\');
        EXPECT_EQ(TextKeyRejected(QChar(ch)), !kept) << "text char " << int(ch);
    }
}
