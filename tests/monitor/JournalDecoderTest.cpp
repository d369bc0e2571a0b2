#include "monitor/JournalDecoder.h"
#include "protocol/RegisterCharset.h"
#include "common/Captions.h"
#include "support/HexDump.h"

#include <gtest/gtest.h>

namespace {

namespace J = Captions::Journal;

constexpr int En = 0;
constexpr int Sr = 1;

JournalStyle Style(int lang = En, QChar separator = QLatin1Char('.'), bool registerFont = false,
                   int charset = RegisterCharsets::Default) {
    return {lang, registerFont, charset, separator};
}

// A payload from hex bytes with texts spliced in at their offsets.
std::vector<uint8_t> Record(const char* hex, std::initializer_list<std::pair<size_t, const char*>> texts = {},
                            size_t size = 0) {
    std::vector<uint8_t> p = Bytes(hex);
    if (p.size() < size)
        p.resize(size, 0);
    for (const auto& [at, text] : texts) {
        for (size_t i = 0; text[i] != 0; ++i)
            p.at(at + i) = uint8_t(text[i]);
    }
    return p;
}

QString Decode(const std::vector<uint8_t>& payload, const JournalStyle& style) {
    const std::optional<QString> line = DecodeJournalRecord(payload, style);
    return line ? *line : QStringLiteral("<no line>");
}

struct Row {
    const char* Name;
    std::vector<uint8_t> Payload;
    JournalStyle Style;
    QString Expected;
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.Name;
}

class JournalLayouts : public ::testing::TestWithParam<Row> {};

TEST_P(JournalLayouts, LineOfTheRecord) {
    const Row& row = GetParam();
    EXPECT_EQ(Decode(row.Payload, row.Style).toStdString(), row.Expected.toStdString()) << Hex(row.Payload);
}

const std::vector<uint8_t> PluSale300 = Record("42 01 2C", {{3, "MILK"}, {21, "1234567890123"}}, 46);

std::vector<uint8_t> PluSale(uint8_t unit, const char* quantityHex, uint8_t kind) {
    std::vector<uint8_t> p = PluSale300;
    p[15] = 0x00, p[16] = 0x00, p[17] = 0x01, p[18] = 0x99;
    p[19] = 0x42; // the high nibble is not the department
    p[20] = unit;
    const auto q = Bytes(quantityHex);
    std::copy(q.begin(), q.end(), p.begin() + 41);
    p[45] = kind;
    return p;
}

// Nine BCD 5 amounts, department k holding k.00, then the rest.
std::vector<uint8_t> NineDepartments(uint8_t code, const char* tailHex) {
    std::vector<uint8_t> p{code};
    for (uint8_t k = 1; k <= 9; ++k) {
        const uint8_t amount[] = {0x00, 0x00, 0x00, k, 0x00};
        p.insert(p.end(), std::begin(amount), std::end(amount));
    }
    const auto tail = Bytes(tailHex);
    p.insert(p.end(), tail.begin(), tail.end());
    return p;
}

const QString NineAmounts = QStringLiteral("\tDepartment1:1.00\tDepartment2:2.00\tDepartment3:3.00"
                                           "\tDepartment4:4.00\tDepartment5:5.00\tDepartment6:6.00"
                                           "\tDepartment7:7.00\tDepartment8:8.00\tDepartment9:9.00");

const QString RegisterReceiptNumber = QString::fromLatin1(J::ReceiptNumber.SrRegister);

INSTANTIATE_TEST_SUITE_P(
    Records, JournalLayouts,
    ::testing::Values(
        Row{"open receipt: three blanks in the second column",
            Record("40 05 00 00 01 23"),
            Style(),
            QStringLiteral("# OPEN RECEIPT\t   \tOperator Number:5\tReceipt Number:123")},
        Row{"open receipt in Serbian",
            Record("40 05 00 00 01 23"),
            Style(Sr),
            QStringLiteral("# OTVOREN RAČUN\t   \tBroj blagajnika:5\tBroj računa:123")},
        Row{"open receipt in Serbian on the register font: the twins",
            Record("40 05 00 00 01 23"),
            Style(Sr, QLatin1Char('.'), true),
            QString::fromLatin1(J::OpenReceipt.SrRegister) + QStringLiteral("\t   \tBroj blagajnika:5\t") +
                RegisterReceiptNumber + QStringLiteral(":123")},
        Row{"open receipt in English on the register font: the same text",
            Record("40 05 00 00 01 23"),
            Style(En, QLatin1Char('.'), true),
            QStringLiteral("# OPEN RECEIPT\t   \tOperator Number:5\tReceipt Number:123")},
        Row{"department sale: quantity 00 01 00 00 is 1.000 after a tab",
            Record("41 03 00 00 00 01 23 45 00 01 00 00 4E"),
            Style(),
            QStringLiteral("# DEPT SALE\t(NORMAL)\tDepartment:\t3\tPrice:\t123.45\tQuantity:\t1.000")},
        Row{"department sale with the locale's comma",
            Record("41 03 00 00 00 01 23 45 00 01 23 45 52"),
            Style(En, QLatin1Char(',')),
            QStringLiteral("# DEPT SALE\t(RETURN)\tDepartment:\t3\tPrice:\t123,45\tQuantity:\t1,235")},
        Row{"department sale in Serbian on the register font: the quantity twin",
            Record("41 03 00 00 00 00 10 00 00 02 00 00 43"),
            Style(Sr, QLatin1Char(','), true),
            QStringLiteral("# PRODAJA PO ODELJENJU\t(KOREKCIJA)\tOdeljenje:\t3\tCena:\t10,00\t") +
                QString::fromLatin1(J::Quantity.SrRegister) + QStringLiteral(":\t2,000")},
        Row{"PLU sale: code bytes 01 2C are PLU Code:300, unit 0 shows whole pieces",
            PluSale(0, "00 00 10 00", 'N'),
            Style(),
            QStringLiteral("# PLU SALE\t(NORMAL)\tPLU Code:300\tDescription:MILK\tPrice:1.99\tDepartment:2"
                           "\tMeas. Unit:item\tQuantity:1\tBarcode:1234567890123")},
        Row{"PLU sale by the kilo shows thousandths",
            PluSale(2, "00 00 10 00", 'R'),
            Style(),
            QStringLiteral("# PLU SALE\t(RETURN)\tPLU Code:300\tDescription:MILK\tPrice:1.99\tDepartment:2"
                           "\tMeas. Unit:kg\tQuantity:1.000\tBarcode:1234567890123")},
        Row{"PLU sale: unit above 7 is an item, an unknown kind three blanks",
            PluSale(9, "00 00 20 00", 'x'),
            Style(Sr, QLatin1Char(',')),
            QStringLiteral("# PLU PRODAJA\t   \tPLU kod:300\tOpis:MILK\tCena:1,99\tOdeljenje:2"
                           "\tJedinica mere:item\tKoličina:2\tBarcode:1234567890123")},
        Row{"PLU sale: the register's Cyrillic description",
            Record("42 00 07 8E 8C 86 8B 91 00 41 41", {}, 46),
            Style(En, QLatin1Char('.'), false, RegisterCharsets::Cyrillic),
            QStringLiteral("# PLU SALE\t   \tPLU Code:7\tDescription:МЛЕКО\tPrice:0.00\tDepartment:0"
                           "\tMeas. Unit:item\tQuantity:0\tBarcode:")},
        Row{"amount increment",
            Record("43 04 00 00 00 00 05 00 4E"),
            Style(),
            QStringLiteral("# AMOUNT INCREMENT \t(NORMAL)\tDepartment:4\tAmount:5.00")},
        Row{"amount decrement with an unknown kind",
            Record("44 04 00 00 00 00 00 75 00"),
            Style(),
            QStringLiteral("# AMOUNT DECREMENT \t   \tDepartment:4\tAmount:0.75")},
        Row{"percent increment",
            Record("45 01 00 00 00 00 00 50 10 00 43"),
            Style(),
            QStringLiteral("# % INCREMENT \t(CORRECTION)\tDepartment:1\tAmount:0.50\tPercentage:10.00")},
        Row{"percent decrement with a comma",
            Record("46 09 00 00 00 00 12 34 05 50 4E"),
            Style(En, QLatin1Char(',')),
            QStringLiteral("# % DECREMENT \t(NORMAL)\tDepartment:9\tAmount:12,34\tPercentage:5,50")},
        Row{"amount subtotal increment: nine departments in payload order",
            NineDepartments('G', "4E"),
            Style(),
            QStringLiteral("# AMOUNT SUBTOTAL INCREMENT \t(NORMAL)") + NineAmounts},
        Row{"amount subtotal decrement",
            NineDepartments('H', "52"),
            Style(),
            QStringLiteral("# AMOUNT SUBTOTAL DECREMENT \t(RETURN)") + NineAmounts},
        Row{"percent subtotal increment",
            NineDepartments('I', "05 00 4E"),
            Style(),
            QStringLiteral("# % SUBTOTAL INCREMENT \t(NORMAL)") + NineAmounts +
                QStringLiteral("\tPercentage:5.00")},
        Row{"percent subtotal decrement",
            NineDepartments('J', "10 00 43"),
            Style(),
            QStringLiteral("# % SUBTOTAL DECREMENT \t(CORRECTION)") + NineAmounts +
                QStringLiteral("\tPercentage:10.00")},
        Row{"correction: the title alone", Record("4B"), Style(), QStringLiteral("# CORRECTION ")},
        Row{"subtotal", Record("4C 00 00 00 12 34 56"), Style(), QStringLiteral("# SUBTOTAL \tAmount:1234.56")},
        Row{"subtotal of twelve digits is not cut at 32 bits",
            Record("4C 99 99 99 99 99 99"),
            Style(En, QLatin1Char(',')),
            QStringLiteral("# SUBTOTAL \tAmount:9999999999,99")},
        Row{"ticket discount always with a point",
            Record("4D 00 03 00 00 12 50"),
            Style(En, QLatin1Char(',')),
            QStringLiteral("# TICKET DISCOUNT\tTickets:3\tPrice:12.50")},
        Row{"receipt close: year D4 07 is 2004, 9 h 5 min is 09:05",
            Record("4F 00 00 00 00 25 50 00 00 00 42 00 03 01 05 09 0E 03 D4 07"),
            Style(),
            QStringLiteral("# PAYMENT/RECEIPT CLOSE \tTotal:25.50\tReceipt Number:42\t Pieces:3\t CR Number:1"
                           "\tTime:09:05\tDate:14/03/2004")},
        Row{"receipt close in Serbian on the register font",
            Record("4F 00 00 00 00 25 50 00 00 00 42 00 03 01 05 09 0E 03 D4 07"),
            Style(Sr, QLatin1Char(','), true),
            QString::fromLatin1(J::PaymentReceiptClose.SrRegister) + QStringLiteral("\tUkupno:25,50\t") +
                RegisterReceiptNumber +
                QStringLiteral(":42\t Komada:3\t Broj kase:1\tVreme:09:05\tDatum:14/03/2004")},
        Row{"receipt close cut short: the missing bytes read as zero",
            Record("4F 00 00 00 00 25 50 00 00"),
            Style(),
            QStringLiteral("# PAYMENT/RECEIPT CLOSE \tTotal:25.50\tReceipt Number:0\t Pieces:0\t CR Number:0"
                           "\tTime:00:00\tDate:00/00/   0")},
        Row{"external sale",
            Record("3F 02 00 00 01 50 00", {{7, "BREAD"}}, 24),
            Style(),
            QStringLiteral("# EXTERNAL SALE \t   \tDepartment:2\tPrice:150.00\tDescription:BREAD\tQuantity:0.000")},
        Row{"external sale with its quantity",
            [] {
                auto p = Record("3F 02 00 00 01 50 00", {{7, "BREAD"}}, 24);
                p[21] = 0x25, p[23] = 'N';
                return p;
            }(),
            Style(),
            QStringLiteral("# EXTERNAL SALE \t(NORMAL)\tDepartment:2\tPrice:150.00\tDescription:BREAD"
                           "\tQuantity:0.250")},
        Row{"a department sale of only its code", Record("41"), Style(),
            QStringLiteral("# DEPT SALE\t   \tDepartment:\t0\tPrice:\t0.00\tQuantity:\t0.000")}));

TEST(JournalDecoder, CodesOtherThanJournalRecordsWriteNothing) {
    for (const uint8_t code :
         {uint8_t('N'), uint8_t('P'), uint8_t('Q'), uint8_t('>'), uint8_t('['), uint8_t(0)}) {
        EXPECT_FALSE(DecodeJournalRecord(std::vector<uint8_t>{code, 1, 2, 3}, Style()).has_value())
            << int(code);
    }
    EXPECT_FALSE(DecodeJournalRecord({}, Style()).has_value());
    int journalCodes = 0;
    for (int code = 0; code < 256; ++code)
        journalCodes += IsJournalCode(uint8_t(code)) ? 1 : 0;
    EXPECT_EQ(journalCodes, 16); // '?', '@' ... 'M', 'O'
}

TEST(JournalDecoder, LongerRecordsReadOnlyTheirLayout) {
    auto p = Record("4C 00 00 00 00 01 00");
    p.resize(120, 0xFF);
    EXPECT_EQ(Decode(p, Style()), QStringLiteral("# SUBTOTAL \tAmount:1.00"));
}

TEST(JournalDecoder, AmountsKeepEveryDigit) {
    EXPECT_EQ(FormatHundredths(0, QLatin1Char('.')), QStringLiteral("0.00"));
    EXPECT_EQ(FormatHundredths(5, QLatin1Char(',')), QStringLiteral("0,05"));
    EXPECT_EQ(FormatHundredths(429496729600ULL, QLatin1Char('.')), QStringLiteral("4294967296.00"));
}

} // namespace
