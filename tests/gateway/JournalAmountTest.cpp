#include "gateway/JournalJson.h"
#include "gateway/ReceiptOperation.h"
#include "history/ReceiptAssembler.h"
#include "protocol/RegisterCharset.h"
#include "support/HexDump.h"

#include <gtest/gtest.h>

namespace {

struct Row {
    const char* Name;
    const char* Hex;
    // Hundredths the line adds to the receipt.
    int64_t Amount;
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.Name;
}

JournalRecord Decoded(const char* hex) {
    const std::vector<uint8_t> bytes = Bytes(hex);
    return DecodeJournal(bytes).value();
}

// The history's receipt line and the gateway's running amount (from the
// record as it arrives and from its JSON as the request log keeps it) reckon
// a line alike.
class LineAmounts : public ::testing::TestWithParam<Row> {};

TEST_P(LineAmounts, HistoryAndGatewayAgree) {
    const Row& row = GetParam();
    const JournalRecord sale = Decoded(row.Hex);
    ReceiptAssembler history;
    history.Add(Decoded("40 01 00 00 00 07"), RegisterCharsets::Default);
    const bool adjustment = !IsSaleRecord(sale.Code);
    // An adjustment goes on the line before it, a sale of nothing.
    if (adjustment)
        history.Add(Decoded("41 01 00 00 00 00 00 00 00 00 00 00 4E"), RegisterCharsets::Default);
    history.Add(sale, RegisterCharsets::Default);
    const std::optional<ReceiptRecord> receipt = history.Add(
        Decoded("4F 00 00 00 00 00 00 00 00 00 07 00 01 01 05 09 0E 03 EA 07"), RegisterCharsets::Default);
    ASSERT_TRUE(receipt.has_value());
    ASSERT_EQ(receipt->Items.size(), 1u);

    EXPECT_EQ(SignedAmount(sale), row.Amount);
    EXPECT_EQ(receipt->Items[0].Amount, row.Amount);
    EXPECT_EQ(ReceiptAmountOf(JournalRecordJson(sale, RegisterCharsets::Default)), row.Amount);
}

INSTANTIATE_TEST_SUITE_P(
    SignsAndRounding, LineAmounts,
    ::testing::Values(
        Row{"department sale", "41 01 00 00 00 00 10 00 00 02 50 00 4E", 2500},
        Row{"department sale returned is negative", "41 01 00 00 00 00 10 00 00 02 50 00 52", -2500},
        Row{"department sale corrected is negative", "41 01 00 00 00 00 10 00 00 02 50 00 43", -2500},
        Row{"the fourth decimal of a quantity counts: 100.00 x 0.0015",
            "41 01 00 00 00 01 00 00 00 00 00 15 4E", 15},
        Row{"halves away from zero: 0.05 x 0.5 returned", "41 01 00 00 00 00 00 05 00 00 50 00 52", -3},
        Row{"PLU sale returned",
            "42 00 05 41 42 43 00 00 00 00 00 00 00 00 00 00 00 01 99 01 "
            "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 30 00 52",
            -597},
        Row{"external sale corrected",
            "3F 01 00 00 00 02 50 41 00 00 00 00 00 00 00 00 00 00 00 00 02 00 00 43", -500},
        Row{"amount decrement", "44 01 00 00 00 00 00 75 4E", -75},
        Row{"percent increment", "45 01 00 00 00 00 00 50 10 00 4E", 50},
        Row{"amount increment corrected takes it back", "43 01 00 00 00 00 01 00 43", -100}));

} // namespace
