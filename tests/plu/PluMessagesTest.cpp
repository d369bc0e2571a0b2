#include "plu/PluMessages.h"
#include "database/PluTable.h"
#include "protocol/RegisterCharset.h"
#include "support/HexDump.h"

#include <gtest/gtest.h>

namespace {

constexpr int Plain = RegisterCharsets::Default;

PluRecord Plu12() {
    PluRecord r;
    r.Price = 1.99;
    r.Flags = 3 | FlagActive | FlagStockProgrammed;
    r.Unit = 0;
    r.SetBarcode("1234567");
    return r;
}

} // namespace

TEST(PluMessages, ReadRequestCarriesThePluNumberLowByteFirst) {
    EXPECT_EQ(Hex(EncodePluRead(25)), "5B 19 00");
    EXPECT_EQ(Hex(EncodePluRead(9999)), "5B 0F 27");
}

TEST(PluMessages, ReportRequestCarriesTheRangeLowBytesFirst) {
    EXPECT_EQ(Hex(EncodePluReport(0, 9999)), "6E 00 00 0F 27");
    EXPECT_EQ(Hex(EncodePluReport(300, 301)), "6E 2C 01 2D 01");
}

TEST(PluMessages, FlagsAsThePageSetsThem) {
    struct Row {
        bool Active;
        bool StockProgrammed;
        int Unit;
        std::optional<int> Department;
        uint8_t Flags;
    };
    const Row rows[] = {
        {true, false, 0, 3, uint8_t(FlagActive | 3)},
        // No department: never active, and no department bits.
        {true, true, 0, std::nullopt, FlagStockProgrammed},
        {false, false, 2, 15, uint8_t(FlagDecimalQty | 15)},
        // Only the low four bits are a department.
        {true, true, 1, 17, uint8_t(FlagActive | FlagStockProgrammed | FlagDecimalQty | 1)},
    };
    for (const Row& row : rows)
        EXPECT_EQ(PluFlags(row.Active, row.StockProgrammed, row.Unit, row.Department), row.Flags)
            << "unit " << row.Unit << ", department " << row.Department.value_or(-1);
}

TEST(PluMessages, WriteOfPlu12WithAnEmptyDescription) {
    PluRecord entry = Plu12();
    const PluWriteResult w = EncodePluWrite(entry, 12, Plain);
    ASSERT_TRUE(w.Payload) << w.Refusal.toStdString();
    EXPECT_EQ(Hex(*w.Payload),
              "5C 0C 00 43 4F 44 20 20 20 31 32 00 00 00 00 00 00 01 99 C3 00 31 32 33 34 35 36 37 "
              "00 00 00 00 00 00 00 00 00 00 00 00");
    EXPECT_TRUE(entry.DescriptionText().isEmpty()) << "the default name goes on the wire only";
}

TEST(PluMessages, WriteClearsFreePriceInTheEntry) {
    PluRecord entry = Plu12();
    entry.Flags |= FlagFreePrice;
    const PluWriteResult w = EncodePluWrite(entry, 12, Plain);
    ASSERT_TRUE(w.Payload);
    EXPECT_EQ((*w.Payload)[19], 0xC3);
    EXPECT_EQ(entry.Flags, 0xC3);
}

TEST(PluMessages, WritePriceField) {
    struct Case {
        double price;
        const char* bcd;
    };
    for (const Case& c : {Case{0.0, "00 00 00 00"}, Case{999999.99, "99 99 99 99"}, Case{2.5, "00 00 02 50"},
                          Case{0.01, "00 00 00 01"}, Case{0.29, "00 00 00 29"}}) {
        PluRecord entry = Plu12();
        entry.Price = c.price;
        const PluWriteResult w = EncodePluWrite(entry, 12, Plain);
        ASSERT_TRUE(w.Payload) << c.price;
        EXPECT_EQ(Hex(std::span(*w.Payload).subspan(15, 4)), c.bcd) << c.price;
    }
}

TEST(PluMessages, WriteRefusesTextsAndPricesTheRegisterCannotHold) {
    struct Case {
        const char* description;
        const char* barcode;
        double price;
        const char* message;
    };
    const Case cases[] = {
        {"MILK z", "", 1.0, "Invalid decription, PLU Code: 12"},
        {"MILK", "12345z", 1.0, "Invalid barcode, PLU Code: 12"},
        {"MILK", "", 1000000.0, "Invalid price, PLU Code: 12"},
        {"MILK", "", -1.0, "Invalid price, PLU Code: 12"},
    };
    for (const Case& c : cases) {
        PluRecord entry = Plu12();
        entry.Flags |= FlagFreePrice;
        entry.SetDescription(c.description);
        entry.SetBarcode(c.barcode);
        entry.Price = c.price;
        const PluWriteResult w = EncodePluWrite(entry, 12, Plain);
        EXPECT_FALSE(w.Payload) << c.message;
        EXPECT_EQ(w.Refusal.toStdString(), c.message);
        EXPECT_EQ(entry.Flags, 0xC3 | FlagFreePrice)
            << "a refused write leaves the entry alone: " << c.message;
    }
}

TEST(PluMessages, WriteConvertsTextsToTheRegisterCharset) {
    PluRecord entry = Plu12();
    entry.SetDescription("\xC0\xC1 1"); // windows-1251 "АБ 1"
    const PluWriteResult w = EncodePluWrite(entry, 300, RegisterCharsets::Cyrillic);
    ASSERT_TRUE(w.Payload);
    EXPECT_EQ(Hex(std::span(*w.Payload).first(15)), "5C 2C 01 80 81 20 31 00 00 00 00 00 00 00 00");
}

TEST(PluMessages, StockWrite) {
    PluRecord entry;
    entry.Stock = 77;
    EXPECT_EQ(Hex(EncodeStockWrite(entry, 4660, 1500u)), "59 34 12 00 00 15 00");
    EXPECT_EQ(entry.Stock, 1500u) << "a given stock is stored first";
    entry.Stock = 0;
    EXPECT_EQ(Hex(EncodeStockWrite(entry, 1)), "59 01 00 00 00 00 00");
    entry.Stock = 99999999;
    EXPECT_EQ(Hex(EncodeStockWrite(entry, 2)), "59 02 00 99 99 99 99");
}

TEST(PluMessages, DecodeReplyFields) {
    PluTable table;
    table[7].SetDescription2("kept on the PC");
    table[7].NetPrice = 3.2;
    // PLU 7, "АB" in register codes, price 2.50, flags C3, unit 2, barcode,
    // const check 11, quantity 1500, stock 20000, total 12.50, var check 22.
    const auto reply = Bytes("5B 07 00 80 42 00 00 00 00 00 00 00 00 00 00 00 00 02 50 C3 02 "
                             "32 31 31 32 33 34 35 00 00 00 00 00 00 00 00 00 00 00 00 11 "
                             "00 00 15 00 00 02 00 00 00 00 00 00 12 50 22");
    ASSERT_EQ(reply.size(), PluRecordReplySize);
    const PluRecord r = DecodePluReply(reply, table, RegisterCharsets::Cyrillic);
    EXPECT_EQ(r.Code, 7u);
    EXPECT_EQ(r.DescriptionText(), QByteArray("\xC0"
                                              "B"));
    EXPECT_EQ(r.Description2Text(), QByteArray("kept on the PC"));
    EXPECT_DOUBLE_EQ(r.Price, 2.50);
    EXPECT_EQ(r.Flags, 0xC3);
    EXPECT_EQ(r.Unit, 2);
    EXPECT_EQ(r.BarcodeText(), QByteArray("2112345"));
    EXPECT_EQ(r.ConstCheck, 0x11);
    EXPECT_EQ(r.Quantity, 1500u);
    EXPECT_EQ(r.Stock, 20000u);
    EXPECT_DOUBLE_EQ(r.Total, 12.50);
    EXPECT_EQ(r.VarCheck, 0x22);
    EXPECT_EQ(r.NetPrice, 0.0);
    EXPECT_EQ(table[7].NetPrice, 3.2);
    EXPECT_EQ(table[7].Description2Text(), QByteArray("kept on the PC"));
}

TEST(PluMessages, DecodeTotalReadsAllTwelveDigits) {
    PluTable table;
    std::vector<uint8_t> reply(PluRecordReplySize, 0);
    reply[0] = 0x5B;
    const auto total = Bytes("99 99 99 99 99 99");
    std::copy(total.begin(), total.end(), reply.begin() + 49);
    EXPECT_DOUBLE_EQ(DecodePluReply(reply, table, Plain).Total, 9999999999.99);
    const auto beyond32 = Bytes("00 42 94 96 72 96"); // 4294967296 hundredths
    std::copy(beyond32.begin(), beyond32.end(), reply.begin() + 49);
    EXPECT_DOUBLE_EQ(DecodePluReply(reply, table, Plain).Total, 42949672.96);
}

TEST(PluMessages, DecodeOfAStrangeReplyStaysInsideItsBuffers) {
    PluTable table;
    // PLU 65535 has no table entry; a short reply reads its missing bytes as zero.
    const PluRecord r = DecodePluReply(Bytes("5B FF FF 41 42"), table, Plain);
    EXPECT_EQ(r.Code, 65535u);
    EXPECT_EQ(r.DescriptionText(), QByteArray("AB"));
    EXPECT_TRUE(r.Description2Text().isEmpty());
    EXPECT_EQ(r.Total, 0.0);
    // Twelve description bytes without a zero still end at the field.
    std::vector<uint8_t> full(PluRecordReplySize, 0x41);
    full[0] = 0x5B;
    full[1] = 1;
    full[2] = 0;
    EXPECT_EQ(DecodePluReply(full, table, Plain).DescriptionText(), QByteArray(12, 'A'));
}
