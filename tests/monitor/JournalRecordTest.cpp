#include "monitor/JournalRecord.h"
#include "protocol/RegisterCharset.h"
#include "support/HexDump.h"

#include <gtest/gtest.h>
#include <ostream>

template <typename T> static void Field(std::ostream* out, const char* name, const std::optional<T>& v) {
    if (v)
        *out << ' ' << name << '=' << *v;
}

// How a record prints when a comparison fails (found by argument lookup).
void PrintTo(const JournalRecord& r, std::ostream* out) {
    *out << "code=" << char(r.Code) << " kind=" << int(r.SaleKindByte);
    Field(out, "operator", r.Operator);
    Field(out, "receipt", r.ReceiptNumber);
    Field(out, "plu", r.Plu);
    Field(out, "department", r.Department);
    *out << " description=" << Hex(r.Description) << " barcode=" << Hex(r.Barcode);
    Field(out, "unit", r.Unit);
    Field(out, "price", r.Price);
    Field(out, "quantity", r.Quantity);
    Field(out, "amount", r.Amount);
    Field(out, "percent", r.Percent);
    *out << " departments=";
    for (const int64_t d : r.DepartmentAmounts)
        *out << d << ',';
    Field(out, "tickets", r.Tickets);
    Field(out, "pieces", r.Pieces);
    Field(out, "cr", r.RegisterNumber);
    if (r.Clock)
        *out << " clock=" << r.Clock->Year << '-' << r.Clock->Month << '-' << r.Clock->Day << ' '
             << r.Clock->Hour << ':' << r.Clock->Minute;
}

namespace {

std::vector<uint8_t> Payload(const char* hex, size_t size = 0) {
    std::vector<uint8_t> p = Bytes(hex);
    if (p.size() < size)
        p.resize(size, 0);
    return p;
}

std::vector<uint8_t> WithText(std::vector<uint8_t> p, size_t at, const char* text) {
    for (size_t i = 0; text[i] != 0; ++i)
        p.at(at + i) = uint8_t(text[i]);
    return p;
}

// Nine BCD 5 amounts, department k holding k.0k, then the rest.
std::vector<uint8_t> NineDepartments(uint8_t code, const char* tailHex) {
    std::vector<uint8_t> p{code};
    for (uint8_t k = 1; k <= 9; ++k) {
        const uint8_t amount[] = {0x00, 0x00, 0x00, k, k};
        p.insert(p.end(), std::begin(amount), std::end(amount));
    }
    const auto tail = Bytes(tailHex);
    p.insert(p.end(), tail.begin(), tail.end());
    return p;
}

constexpr std::array<int64_t, 9> NineAmounts{101, 202, 303, 404, 505, 606, 707, 808, 909};

struct Row {
    const char* Name;
    std::vector<uint8_t> Bytes;
    JournalRecord Expected;
    SaleKind Kind;
    // What the record adds to the receipt, in hundredths.
    int64_t Signed;
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.Name;
}

// Only the fields a row names; the rest stay empty.
JournalRecord Rec(uint8_t code, uint8_t kind, const std::function<void(JournalRecord&)>& fill = {}) {
    JournalRecord r;
    r.Code = code;
    r.SaleKindByte = kind;
    if (fill)
        fill(r);
    return r;
}

class JournalRecords : public ::testing::TestWithParam<Row> {};

TEST_P(JournalRecords, FieldsKindAndSignedAmount) {
    const Row& row = GetParam();
    const std::optional<JournalRecord> record = DecodeJournal(row.Bytes);
    ASSERT_TRUE(record.has_value()) << Hex(row.Bytes);
    JournalRecord expected = row.Expected;
    expected.Payload =
        QByteArray(reinterpret_cast<const char*>(row.Bytes.data()), qsizetype(row.Bytes.size()));
    EXPECT_EQ(*record, expected) << Hex(row.Bytes);
    EXPECT_EQ(record->Kind(), row.Kind);
    EXPECT_EQ(SignedAmount(*record), row.Signed);
}

INSTANTIATE_TEST_SUITE_P(
    EveryCode, JournalRecords,
    ::testing::Values(
        Row{"open receipt", Payload("40 05 00 00 01 23"),
            Rec('@', 0, [](JournalRecord& r) { r.Operator = 5, r.ReceiptNumber = 123; }), SaleKind::None, 0},
        Row{"department sale: ten-thousandths as carried, 1.5005 x 123.45 = 185.24",
            Payload("41 03 00 00 00 01 23 45 00 01 50 05 4E"),
            Rec('A', 'N', [](JournalRecord& r) { r.Department = 3, r.Price = 12345, r.Quantity = 15005; }),
            SaleKind::Normal, 18524},
        Row{"department sale returned counts negative", Payload("41 03 00 00 00 00 10 00 00 02 00 00 52"),
            Rec('A', 'R', [](JournalRecord& r) { r.Department = 3, r.Price = 1000, r.Quantity = 20000; }),
            SaleKind::Return, -2000},
        Row{"PLU sale: thousandths become ten-thousandths, the department its low nibble",
            [] {
                auto p = WithText(WithText(Payload("42 01 2C", 46), 3, "MILK"), 21, "3870001234567");
                p[17] = 0x01, p[18] = 0x99, p[19] = 0x42, p[20] = 2, p[43] = 0x25, p[45] = 'N';
                return p;
            }(),
            Rec('B', 'N',
                [](JournalRecord& r) {
                    r.Plu = 300, r.Description = "MILK", r.Price = 199, r.Department = 2, r.Unit = 2;
                    r.Barcode = "3870001234567", r.Quantity = 25000;
                }),
            SaleKind::Normal, 498},
        Row{"PLU sale corrected counts negative; a unit above 7 reads as 0",
            [] {
                auto p = Payload("42 00 07 8E 8C 86 8B 91 00 41 41", 46);
                p[18] = 0x50, p[20] = 9, p[43] = 0x10, p[45] = 'C';
                return p;
            }(),
            Rec('B', 'C',
                [](JournalRecord& r) {
                    r.Plu = 7, r.Description = "\x8E\x8C\x86\x8B\x91", r.Price = 50, r.Department = 0;
                    r.Unit = 0, r.Quantity = 10000;
                }),
            SaleKind::Correction, -50},
        Row{"amount increment", Payload("43 04 00 00 00 00 05 00 4E"),
            Rec('C', 'N', [](JournalRecord& r) { r.Department = 4, r.Amount = 500; }), SaleKind::Normal, 500},
        Row{"amount increment corrected", Payload("43 04 00 00 00 00 05 00 43"),
            Rec('C', 'C', [](JournalRecord& r) { r.Department = 4, r.Amount = 500; }), SaleKind::Correction,
            -500},
        Row{"amount decrement", Payload("44 04 00 00 00 00 00 75 4E"),
            Rec('D', 'N', [](JournalRecord& r) { r.Department = 4, r.Amount = 75; }), SaleKind::Normal, -75},
        Row{"amount decrement on a return gives back", Payload("44 04 00 00 00 00 00 75 52"),
            Rec('D', 'R', [](JournalRecord& r) { r.Department = 4, r.Amount = 75; }), SaleKind::Return, 75},
        Row{"percent increment with an unknown kind byte", Payload("45 01 00 00 00 00 00 50 10 00 78"),
            Rec('E', 'x', [](JournalRecord& r) { r.Department = 1, r.Amount = 50, r.Percent = 1000; }),
            SaleKind::Unmarked, 50},
        Row{"percent decrement", Payload("46 09 00 00 00 00 12 34 05 50 4E"),
            Rec('F', 'N', [](JournalRecord& r) { r.Department = 9, r.Amount = 1234, r.Percent = 550; }),
            SaleKind::Normal, -1234},
        Row{"subtotal amount increment: nine departments and their sum", NineDepartments('G', "4E"),
            Rec('G', 'N', [](JournalRecord& r) { r.DepartmentAmounts = NineAmounts, r.Amount = 4545; }),
            SaleKind::Normal, 4545},
        Row{"subtotal amount decrement", NineDepartments('H', "4E"),
            Rec('H', 'N', [](JournalRecord& r) { r.DepartmentAmounts = NineAmounts, r.Amount = 4545; }),
            SaleKind::Normal, -4545},
        Row{"subtotal percent increment", NineDepartments('I', "05 00 4E"),
            Rec('I', 'N',
                [](JournalRecord& r) {
                    r.DepartmentAmounts = NineAmounts, r.Amount = 4545, r.Percent = 500;
                }),
            SaleKind::Normal, 4545},
        Row{"subtotal percent decrement corrected", NineDepartments('J', "10 00 43"),
            Rec('J', 'C',
                [](JournalRecord& r) {
                    r.DepartmentAmounts = NineAmounts, r.Amount = 4545, r.Percent = 1000;
                }),
            SaleKind::Correction, 4545},
        Row{"immediate correction: its code alone, no amount of its own", Payload("4B"), Rec('K', 0),
            SaleKind::None, 0},
        Row{"subtotal of twelve digits", Payload("4C 99 99 99 99 99 99"),
            Rec('L', 0, [](JournalRecord& r) { r.Amount = 999999999999; }), SaleKind::None, 0},
        Row{"ticket discount", Payload("4D 00 03 00 00 12 50"),
            Rec('M', 0, [](JournalRecord& r) { r.Tickets = 3, r.Price = 1250; }), SaleKind::None, 0},
        Row{"receipt close: year D4 07 is 2004",
            Payload("4F 00 00 00 00 25 50 00 00 00 42 00 03 01 05 09 0E 03 D4 07"),
            Rec('O', 0,
                [](JournalRecord& r) {
                    r.Amount = 2550, r.ReceiptNumber = 42, r.Pieces = 3, r.RegisterNumber = 1;
                    r.Clock = JournalClock{2004, 3, 14, 9, 5};
                }),
            SaleKind::None, 0},
        Row{"receipt close cut short: the missing bytes read as zero", Payload("4F 00 00 00 00 25 50 00 00"),
            Rec('O', 0,
                [](JournalRecord& r) {
                    r.Amount = 2550, r.ReceiptNumber = 0, r.Pieces = 0, r.RegisterNumber = 0;
                    r.Clock = JournalClock{};
                }),
            SaleKind::None, 0},
        Row{"external sale returned",
            [] {
                auto p = WithText(Payload("3F 02 00 00 01 50 00", 24), 7, "BREAD");
                p[21] = 0x25, p[23] = 'R';
                return p;
            }(),
            Rec('?', 'R',
                [](JournalRecord& r) {
                    r.Department = 2, r.Price = 15000, r.Description = "BREAD", r.Quantity = 2500;
                }),
            SaleKind::Return, -3750},
        Row{"a sale record of only its code", Payload("41"),
            Rec('A', 0, [](JournalRecord& r) { r.Department = 0, r.Price = 0, r.Quantity = 0; }),
            SaleKind::Unmarked, 0}));

TEST(JournalRecord, NothingForOtherCodes) {
    for (const uint8_t code : {uint8_t('N'), uint8_t('P'), uint8_t('>'), uint8_t(0)})
        EXPECT_FALSE(DecodeJournal(std::vector<uint8_t>{code, 1, 2, 3}).has_value()) << int(code);
    EXPECT_FALSE(DecodeJournal({}).has_value());
}

TEST(JournalRecord, ReadsNothingPastItsLayout) {
    // Bytes past the layout would make the subtotal larger if they were read.
    auto p = Payload("4C 00 00 00 00 01 00");
    p.resize(120, 0x99);
    EXPECT_EQ(DecodeJournal(p)->Amount, 100);
}

TEST(JournalRecord, TextsThroughTheRegisterCharset) {
    auto p = Payload("42 00 07 8E 8C 86 8B 91 00 41 41", 46);
    const JournalRecord r = *DecodeJournal(p);
    EXPECT_EQ(r.DescriptionText(RegisterCharsets::Cyrillic), QStringLiteral("МЛЕКО"));
}

TEST(JournalRecord, RegisterTimeOnlyForARealDate) {
    JournalRecord r = *DecodeJournal(Payload("4F 00 00 00 00 25 50 00 00 00 42 00 03 01 05 09 0E 03 D4 07"));
    ASSERT_TRUE(r.RegisterTime().has_value());
    EXPECT_EQ(r.RegisterTime()->toString(Qt::ISODate).left(16), QStringLiteral("2004-03-14T09:05"));
    r.Clock->Month = 13;
    EXPECT_FALSE(r.RegisterTime().has_value());
}

} // namespace
