#include "reports/ReportDecoder.h"
#include "common/Captions.h"
#include "database/PluTable.h"
#include "protocol/RegisterCharset.h"
#include "support/HexDump.h"

#include <gtest/gtest.h>

namespace {

constexpr int En = 0;
constexpr int Sr = 1;

ReportStyle Style(int lang = En, QChar separator = QLatin1Char('.'), int charset = RegisterCharsets::Cyrillic,
                  bool registerFont = false) {
    return {lang, registerFont, charset, separator};
}

// A report of its layout's length, zero-filled, with hex fields set at their offsets.
std::vector<uint8_t> Report(uint8_t code, std::initializer_list<std::pair<size_t, const char*>> fields = {}) {
    std::vector<uint8_t> p(ReportLength(code), 0);
    p[0] = code;
    for (const auto& [at, hex] : fields) {
        const auto bytes = Bytes(hex);
        std::copy(bytes.begin(), bytes.end(), p.begin() + std::ptrdiff_t(at));
    }
    return p;
}

QStringList L(std::initializer_list<const char*> lines) {
    QStringList out;
    for (const char* line : lines)
        out << QString::fromUtf8(line);
    return out;
}

void ExpectLines(const QStringList& got, const QStringList& want, const std::vector<uint8_t>& payload) {
    EXPECT_EQ(got.join(QLatin1Char('\n')).toStdString(), want.join(QLatin1Char('\n')).toStdString())
        << "payload " << Hex(payload);
}

TEST(TaxReport, AllZeroStillWritesEveryGroup) {
    const auto p = Report('f');
    ExpectLines(DumpDailyVAT(p, Style()),
                L({"------   Daily Sales per TAX   ------", "Tax A\t        0.00", "Tax Г\t        0.00",
                   "Tax Д\t        0.00", "Tax Ћ\t        0.00", "Tax E\t        0.00", "Tax Ж\t        0.00",
                   "Tax И\t        0.00", "Tax J\t        0.00", "Tax K\t        0.00", ""}),
                p);
}

TEST(TaxReport, TenDigitAmountsKeepEveryDigitWithTheLocaleSeparator) {
    // 99999999.99 and 42949672.96 lie beyond 32 bits; 1A nibbles count as 10.
    const auto p = Report('f', {{1, "99 99 99 99 99"}, {6, "42 94 96 72 96"}, {11, "00 00 00 1A 05"}});
    const QStringList lines = DumpDailyVAT(p, Style(En, QLatin1Char(',')));
    ASSERT_EQ(lines.size(), 11);
    EXPECT_EQ(lines[1], QStringLiteral("Tax A\t 99999999,99"));
    EXPECT_EQ(lines[2], QStringLiteral("Tax Г\t 42949672,96"));
    EXPECT_EQ(lines[3], QStringLiteral("Tax Д\t       20,05"));
}

TEST(TaxReport, TaxLettersFollowTheViewsCodePageAndStayCodesUnderTheRegisterFont) {
    const auto p = Report('f');
    const auto letters = [&](const ReportStyle& style) {
        QString out;
        for (const QString& line : DumpDailyVAT(p, style).mid(1, 9))
            out += line.section(QLatin1Char('\t'), 0, 0).right(1);
        return out;
    };
    EXPECT_EQ(letters(Style(En, QLatin1Char('.'), RegisterCharsets::Cyrillic)), QStringLiteral("AГДЋEЖИJK"));
    EXPECT_EQ(letters(Style(En, QLatin1Char('.'), RegisterCharsets::Latin)), QStringLiteral("AĂÄŽEĆČJK"));
    EXPECT_EQ(letters(Style(Sr, QLatin1Char('.'), RegisterCharsets::Cyrillic, true)),
              QString::fromLatin1("A\xC3\xC4\x8E"
                                  "E\xC6\xC8JK"));
}

TEST(DepartmentReport, NineAmountsThenNineCounts) {
    auto p = Report('g');
    for (int i = 0; i < 9; ++i) {
        p[size_t(1 + 5 * i + 3)] = uint8_t(0x10 * (i + 1)); // department i+1: (i+1)0.00... in BCD
        p[size_t(46 + 2 * i + 1)] = uint8_t(i + 1);
    }
    p[46] = 0x12; // department 1: 1201 sales
    ExpectLines(DumpDailyDept(p, Style(Sr)),
                L({"------   Dnevna prodaja po odeljenjima   ------",
                   "Odeljenje 1\t       10.00",
                   "Odeljenje 2\t       20.00",
                   "Odeljenje 3\t       30.00",
                   "Odeljenje 4\t       40.00",
                   "Odeljenje 5\t       50.00",
                   "Odeljenje 6\t       60.00",
                   "Odeljenje 7\t       70.00",
                   "Odeljenje 8\t       80.00",
                   "Odeljenje 9\t       90.00",
                   "Prodaja 1\t1201",
                   "Prodaja 2\t2",
                   "Prodaja 3\t3",
                   "Prodaja 4\t4",
                   "Prodaja 5\t5",
                   "Prodaja 6\t6",
                   "Prodaja 7\t7",
                   "Prodaja 8\t8",
                   "Prodaja 9\t9",
                   ""}),
                p);
}

TEST(StatusReport, FieldsInOrderWithTheFiscalIdConverted) {
    // Fiscal ID in register codes: 0x80 0x81 are А Б on the Cyrillic charset.
    const auto p = Report(
        'h', {{1, "03 02 07 FF 00 01 23 45 04"}, {10, "80 81 31 32 33 00 39 39 39 39"}, {20, "41 C3 00 45"}});
    ExpectLines(
        DumpDailyStatus(p, Style()),
        L({"------   Daily Status Changes   ------", "________________________________________________",
           "VAT Changes\t3", "Number of Resets\t2", "Header Changes\t7", "Total Receipts\t12345",
           "CR Number\t4", "Fiscal ID\tАБ123", "Department Association\tAГ", ""}),
        p);
}

class PluReportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        table[300].SetDescription("MILK 1L");
        table[300].Price = 1.19;
        table[300].Flags = FlagActive | 1;
        table[25].SetDescription("APPLES");
        table[25].Price = 149.5;
        table[25].Flags = FlagActive | FlagDecimalQty | 2;
        // Sold by the kilo on the PC, its quantity flag never set.
        table[26].SetDescription("CHEESE");
        table[26].Price = 10;
        table[26].Unit = 2;
        table[26].Flags = FlagActive | 2;
    }
    PluTable table;
};

TEST_F(PluReportTest, OneLinePerPluFromTheReplyAndThePcTable) {
    struct Row {
        const char* Name;
        std::vector<uint8_t> Payload;
        ReportStyle Style;
        QStringList Want;
    };
    const Row rows[] = {
        {"whole pieces", Report('i', {{1, "2C 01 00 00 15 00 00 00 00 40 00 00 00 01 78 50"}}), Style(),
         L({"     300\t      MILK 1L\t        1.19\t    1500\t          40\t      178.50"})},
        {"decimal quantity in thousandths, comma",
         Report('i', {{1, "19 00 00 00 15 00 00 01 20 00 00 00 00 00 22 43"}}), Style(En, QLatin1Char(',')),
         L({"      25\t       APPLES\t      149,50\t   1,500\t      12,000\t       22,43"})},
        {"a unit other than item counts in thousandths without the flag too",
         Report('i', {{1, "1A 00 00 01 01 62 00 00 00 00 00 00 00 01 01 62"}}), Style(),
         L({"      26\t       CHEESE\t       10.00\t  10.162\t       0.000\t      101.62"})},
        {"twelve-digit total", Report('i', {{1, "2C 01 00 00 00 01 00 00 00 00 99 99 99 99 99 99"}}), Style(),
         L({"     300\t      MILK 1L\t        1.19\t       1\t           0\t9999999999.99"})},
        {"a PLU number outside the table: empty description and price",
         Report('i', {{1, "10 27 00 00 00 02 00 00 00 03 00 00 00 00 01 00"}}), Style(),
         L({"   10000\t             \t            \t       2\t           3\t        1.00"})},
        {"nothing sold: no line", Report('i', {{1, "2C 01 00 00 00 00 00 00 00 40"}}), Style(), {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        ExpectLines(DumpDailyPLU(row.Payload, row.Style, table), row.Want, row.Payload);
    }
}

TEST_F(PluReportTest, HeadingAndColumnTitlesWithTheQuantityTwin) {
    EXPECT_EQ(PluReportHeading(Style()),
              L({"------   Daily PLU Sales   ------",
                 "PLU Code\t  Description\t       Price\tQuantity\t       Stock\t       Total"}));
    const QStringList serbian =
        PluReportHeading(Style(Sr, QLatin1Char('.'), RegisterCharsets::Cyrillic, true));
    ASSERT_EQ(serbian.size(), 2);
    EXPECT_EQ(serbian[1].section(QLatin1Char('\t'), 3, 3),
              QString::fromLatin1(Captions::PluStatistics::Quantity.SrRegister));
    EXPECT_EQ(UnansweredPlusLine({3, 17}, Style()),
              QStringLiteral("No answer from the register for PLU: 3, 17"));
}

TEST(OperatorReport, EveryLineInOrder) {
    const auto p = Report('j', {{1, "E9 03"},
                                {3, "00 00 00 12 34 56"},
                                {9, "00 00 00 00 10 00"},
                                {15, "12 34 56 78 90 12"},
                                {21, "99 99 99 99 99 99"},
                                {27, "00 42"},
                                {29, "01 23"},
                                {66, "00 00 00 05 50"},
                                {71, "00 02"},
                                {73, "00 00 00 01 00"},
                                {78, "00 01"},
                                {80, "00 00 00 02 00"},
                                {85, "00 02"},
                                {87, "00 00 00 03 00"},
                                {92, "00 03"},
                                {94, "00 00 00 04 00"},
                                {99, "00 04"},
                                {101, "00 00 00 05 00"},
                                {106, "00 05"},
                                {108, "99 99 99 99 99"},
                                {113, "00 06"}});
    ExpectLines(DumpDailyOper(p, Style()),
                L({"------   Daily Operator Statistics   ------",
                   "________________________________________________",
                   "Operator Password\t****",
                   "Cash\t     1234.56",
                   "Cheque\t       10.00",
                   "Card\t1234567890.12",
                   "Total\t9999999999.99",
                   "Drawer\t          42",
                   "Receipts\t123",
                   "Correction\t        5.50",
                   "Corrections\t2",
                   "Pay In",
                   "Cheque Amount\t        1.00",
                   "Cheques\t1",
                   "Cash Amount\t        2.00",
                   "Cashes\t2",
                   "Card Amount\t        3.00",
                   "Cards\t3",
                   "Pay Out",
                   "Cheque Amount\t        4.00",
                   "Cheques\t4",
                   "Cash Amount\t        5.00",
                   "Cashes\t5",
                   "Card Amount\t 99999999.99",
                   "Cards\t6",
                   ""}),
                p);
}

TEST(OperatorReport, PasswordFFFFIsNotProgrammedAndTwinsFollowTheFont) {
    const auto p = Report('j', {{1, "FF FF"}});
    EXPECT_EQ(DumpDailyOper(p, Style()).at(2), QStringLiteral("Operator Password\tNon programmed"));
    EXPECT_EQ(DumpDailyOper(Report('j', {{1, "FF 00"}}), Style()).at(2),
              QStringLiteral("Operator Password\t****"));
    namespace R = Captions::Reports;
    const QStringList twins = DumpDailyOper(p, Style(Sr, QLatin1Char('.'), RegisterCharsets::Cyrillic, true));
    EXPECT_EQ(twins.at(2),
              QString::fromLatin1(R::OperatorPassword.SrRegister) + QStringLiteral("\tNeprogramirano"));
    EXPECT_EQ(twins.at(11), QString::fromLatin1(R::PayIn.SrRegister));
    EXPECT_EQ(twins.at(18), QString::fromLatin1(R::PayOut.SrRegister));
    // English has no register form: the same text on either font.
    EXPECT_EQ(DumpDailyOper(p, Style(En, QLatin1Char('.'), RegisterCharsets::Cyrillic, true)),
              DumpDailyOper(p, Style()));
}

// A Z report: date 03/12/2004 14:05, Z number 300, tax group A 1234.56 with
// tax 205.76, group K twelve nines, 4711 receipts.
std::vector<uint8_t> ZReport(const char* resetHex, uint8_t headerByte) {
    auto p = Report('k', {{1, "03 12 20 04 14 05 2C 01"},
                          {1 + 8, "00 00 00 12 34 56"},
                          {1 + 8 + 48, "99 99 99 99 99 99"},
                          {1 + 62, "00 00 00 02 05 76"},
                          {1 + 116, "00 00 47 11"},
                          {1 + 121, resetHex}});
    p[1 + 128] = headerByte;
    return p;
}

TEST(LastZReport, WithoutAResetNoResetLines) {
    const auto p = ZReport("02 00 00 00 00 00 00", 0x03);
    ExpectLines(DumpLastZ(p, Style()),
                L({"Last Z Report",
                   "________________________________________________",
                   "Z Record\t300",
                   "Date\t03/12/2004     Time\t14:05",
                   "Number of Resets\t2",
                   "Header Changes\t3",
                   "Total Receipts\t4711",
                   "-------------------------------------------------------",
                   "PROGR. SUM A\t        1234.56",
                   "PROGR. SUM Г\t           0.00",
                   "PROGR. SUM Д\t           0.00",
                   "PROGR. SUM Ћ\t           0.00",
                   "PROGR. SUM E\t           0.00",
                   "PROGR. SUM Ж\t           0.00",
                   "PROGR. SUM И\t           0.00",
                   "PROGR. SUM J\t           0.00",
                   "PROGR. SUM K\t  9999999999.99",
                   "-------------------------------------------------------",
                   "PROGR. SUM Tax A\t         205.76",
                   "PROGR. SUM Tax Г\t           0.00",
                   "PROGR. SUM Tax Д\t           0.00",
                   "PROGR. SUM Tax Ћ\t           0.00",
                   "PROGR. SUM Tax E\t           0.00",
                   "PROGR. SUM Tax Ж\t           0.00",
                   "PROGR. SUM Tax И\t           0.00",
                   "PROGR. SUM Tax J\t           0.00",
                   "PROGR. SUM Tax K\t           0.00",
                   "-------------------------------------------------------"}),
                p);
}

TEST(LastZReport, AResetTypeAddsItsLinesAndBit7OfTheHeaderCountIsNotShown) {
    // One reset on 21/06/(20)05 at 09:30, reset type 5.
    const QStringList lines = DumpLastZ(ZReport("01 21 06 05 05 09 30", 0x85), Style());
    ASSERT_GE(lines.size(), 9);
    EXPECT_EQ(lines[4], QStringLiteral("Number of Resets\t1"));
    EXPECT_EQ(lines[5], QStringLiteral("Reset Type\t0x5"));
    EXPECT_EQ(lines[6], QStringLiteral("Reset Date :\t21/06/2005     Time\t09:30"));
    EXPECT_EQ(lines[7], QStringLiteral("Header Changes\t5"));
    EXPECT_EQ(lines.size(), 30);
    EXPECT_EQ(DumpLastZ(ZReport("01 21 06 AB 05 09 30", 0), Style()).at(5),
              QStringLiteral("Reset Type\t0xab"));
}

TEST(LastZReport, NibblesAToFShowAsLettersInDatesAndCountAsTenToFifteenInNumbers) {
    auto p = ZReport("00 00 00 00 00 00 00", 0);
    const auto date = Bytes("3A 1B 20 0F 2C 5D");
    std::copy(date.begin(), date.end(), p.begin() + 1);
    const auto receipts = Bytes("00 00 1A 23");
    std::copy(receipts.begin(), receipts.end(), p.begin() + 1 + 116);
    const auto amount = Bytes("00 00 00 00 0F 00");
    std::copy(amount.begin(), amount.end(), p.begin() + 1 + 8);
    const QStringList lines = DumpLastZ(p, Style());
    EXPECT_EQ(lines[3], QStringLiteral("Date\t3A/1B/200F     Time\t2C:5D"));
    EXPECT_EQ(lines[6], QStringLiteral("Total Receipts\t2023"));
    EXPECT_EQ(lines[8], QStringLiteral("PROGR. SUM A\t          15.00"));
}

TEST(ShortReports, OneLineSayingSoAndNothingReadPastTheEnd) {
    PluTable table;
    for (const uint8_t code : {'f', 'g', 'h', 'i', 'j', 'k'}) {
        const size_t length = ReportLength(code);
        for (const size_t size : {size_t(1), size_t(3), length - 1}) {
            // On the heap and exactly as long as the reply, so that a read past
            // its end is caught by the sanitizers.
            auto payload = std::make_unique<uint8_t[]>(size);
            std::fill_n(payload.get(), size, uint8_t(0x99));
            payload[0] = code;
            const std::span<const uint8_t> p(payload.get(), size);
            const QStringList lines = DecodeReport(p, Style(), table);
            EXPECT_EQ(lines,
                      QStringList(QStringLiteral("Short report '%1' received: %2 of %3 bytes, not shown")
                                      .arg(QChar(code))
                                      .arg(size)
                                      .arg(length)))
                << code << " " << size;
        }
    }
    EXPECT_EQ(DecodeReport(Bytes("20 00"), Style(), table), QStringList());
    EXPECT_EQ(ReportedPlu(Bytes("69 2C")), std::nullopt);
    EXPECT_EQ(ReportedPlu(Bytes("69 2C 01")), 300);
}

TEST(ShortReports, ALongerReplyIsReadAtItsLayoutsOffsets) {
    auto p = Report('f', {{1, "00 00 00 01 00"}});
    p.push_back(0x99);
    EXPECT_EQ(DumpDailyVAT(p, Style()).at(1), QStringLiteral("Tax A\t        1.00"));
}

} // namespace
