#include "SimOnPty.h"

#include <QDateTime>
#include <string>

namespace {

std::vector<uint8_t> Cmd(const char* hex) {
    return Bytes(hex);
}

std::vector<uint8_t> Padded(const char* hex, size_t size) {
    std::vector<uint8_t> v = Bytes(hex);
    v.resize(size, 0);
    return v;
}

const char* const SaleOfMilk = "3F 01 00 00 00 10 00 4E"; // PLU 1, quantity 1, normal sale

struct PeerRow {
    const char* Name;
    std::vector<const char*> Given; // commands that set the scene
    std::vector<uint8_t> Command;
    std::vector<char> Codes;    // the reply codes that must come back, in order
    std::vector<int> Lengths;   // their payload lengths
    const char* LastStartsWith; // hex the last reply starts with ("" = not checked)
};

// What the register answers to each message the program sends.
std::vector<PeerRow> PeerRows() {
    return {
        {"PluSaleOpensAndReports", {}, Cmd(SaleOfMilk), {'@', '?'}, {6, 24}, "3F 01 00 00 00 01 19"},
        {"AmountIncrement", {SaleOfMilk}, Cmd("43 00 00 00 00 50"), {'C'}, {9}, "43 01 00 00 00 00 00 50 4E"},
        {"AmountDecrement", {SaleOfMilk}, Cmd("44 00 00 00 00 50"), {'D'}, {9}, "44 01 00 00 00 00 00 50 4E"},
        {"PercentIncrement", {SaleOfMilk}, Cmd("45 10 00"), {'E'}, {11}, "45 01 00 00 00 00 00 12 10 00 4E"},
        {"PercentDecrement", {SaleOfMilk}, Cmd("46 10 00"), {'F'}, {11}, "46 01 00 00 00 00 00 12 10 00 4E"},
        {"ImmediateCorrection", {SaleOfMilk}, Cmd("4B"), {'K'}, {1}, "4B"},
        {"Subtotal", {SaleOfMilk}, Cmd("4C"), {'L'}, {7}, "4C 00 00 00 00 01 19"},
        {"ClearIsNotAnswered", {SaleOfMilk}, Cmd("5A"), {}, {}, ""},
        {"Payment",
         {SaleOfMilk},
         Cmd("4F 43 00 00 00 00 00"),
         {'O'},
         {20},
         "4F 00 00 00 00 01 19 00 00 00 01 00 01"},
        {"ReceiptStatus", {}, Cmd("56"), {'V'}, {2}, "56 4F"},
        {"ErrorStatus", {}, Cmd("58"), {' '}, {2}, "20 00"},
        {"NewPluPrice", {}, Cmd("5E 0C 00 00 00 01 99"), {'['}, {56}, "5B 0C 00"},
        {"PluRead", {}, Cmd("5B 19 00"), {'['}, {56}, "5B 19 00"},
        {"PluWrite",
         {},
         Padded("5C 0C 00 43 4F 44 20 20 20 31 32 00 00 00 00 00 00 01 99 C3 00 31 32 33 34 35 36 37", 40),
         {'['},
         {56},
         "5B 0C 00 43 4F 44 20 20 20 31 32 00 00 00 00 00 00 01 99 C3 00 31 32 33 34 35 36 37"},
        {"StockWrite", {}, Cmd("59 34 12 00 00 15 00"), {'['}, {56}, "5B 34 12"},
        {"BarcodeCommitIsNotAnswered", {}, Cmd("50"), {}, {}, ""},
        {"TaxReport", {}, Cmd("66"), {'f'}, {46}, "66"},
        {"DepartmentReport", {}, Cmd("67"), {'g'}, {64}, "67"},
        {"DailyStatus", {}, Cmd("68"), {'h'}, {29}, "68"},
        {"LastZReport", {}, Cmd("6B"), {'k'}, {130}, "6B"},
        {"RunZReport", {}, Cmd("6C"), {' '}, {2}, "20 00"},
        {"PluStatistics", {}, Cmd("69 2C 01"), {'i'}, {17}, "69 2C 01"},
        {"OperatorStatistics", {}, Cmd("6A 01"), {'j'}, {115}, "6A"},
        {"PluReportIsPrintedNotAnswered", {}, Cmd("6E 00 00 0F 27"), {}, {}, ""},
        {"HeaderLineRead", {}, Cmd("5D 01 00"), {']'}, {24}, "5D 01 03 20 20 4F 52 56 45 58 00"},
        {"HeaderLineWrite",
         {},
         Padded("5F 02 02 53 48 4F 50", 24),
         {']'},
         {24},
         "5D 02 02 53 48 4F 50 00 00"},
        {"HeaderEndIsNotAnswered", {}, Cmd("61"), {}, {}, ""},
        {"ThanksMessage", {}, Padded("53 48 45 4C 4C 4F", 22), {'S'}, {1}, "53"},
        {"Clock", {}, Cmd("51"), {'Q'}, {8}, "51"},
        {"UnknownCommandIsNotAnswered", {}, Cmd("77 01"), {}, {}, ""},
    };
}

void PrintTo(const PeerRow& row, std::ostream* os) {
    *os << row.Name;
}

class PeerTable : public SimOnPty, public ::testing::WithParamInterface<PeerRow> {};

} // namespace

TEST_P(PeerTable, AnswersAsTheRegisterDoes) {
    const PeerRow& row = GetParam();
    for (const char* given : row.Given)
        Given(Bytes(given));
    const auto replies = Exchange(row.Command, row.Codes.size());
    ASSERT_EQ(replies.size(), row.Codes.size()) << "command " << Hex(row.Command);
    for (size_t i = 0; i < replies.size(); ++i) {
        EXPECT_EQ(replies[i][0], row.Codes[i]) << Hex(replies[i]);
        EXPECT_EQ(replies[i].size(), row.Lengths[i]) << Hex(replies[i]);
    }
    if (!replies.empty() && *row.LastStartsWith) {
        const auto expected = Bytes(row.LastStartsWith);
        EXPECT_EQ(Hex(replies.back().left(qsizetype(expected.size()))), Hex(expected));
    }
}

INSTANTIATE_TEST_SUITE_P(Messages, PeerTable, ::testing::ValuesIn(PeerRows()),
                         [](const auto& info) { return std::string(info.param.Name); });

// ---------------------------------------------------------------------------

class PeerLayouts : public SimOnPty {
  protected:
    void SetUp() override {
        model.SetClock([] { return QDateTime(QDate(2004, 12, 3), QTime(14, 5, 9)); });
        SimOnPty::SetUp();
    }
};

TEST_F(PeerLayouts, ClockIsBinaryWithTheYearLowByteFirst) {
    const auto replies = Exchange(Cmd("51"), 1);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(Hex(replies[0]), "51 09 05 0E 03 0C D4 07");
}

TEST_F(PeerLayouts, FiscalReceiptReportsEveryStep) {
    auto replies = Exchange(Cmd("3F 01 00 00 00 20 00 4E"), 2); // PLU 1, quantity 2
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(Hex(replies[0]), "40 01 00 00 00 01");
    EXPECT_EQ(Hex(replies[1]), "3F 01 00 00 00 01 19 4D 49 4C 4B 20 31 4C 00 00 00 00 00 00 02 00 00 4E");

    replies = Exchange(Cmd("56"), 1);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(Hex(replies[0]), "56 49");

    replies = Exchange(Cmd("4C"), 1);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(Hex(replies[0]), "4C 00 00 00 00 02 38");

    replies = Exchange(Cmd("4F 43 00 00 00 05 00"), 1); // cash 5.00 for 2.38
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(Hex(replies[0]), "4F 00 00 00 00 02 38 00 00 00 01 00 01 01 05 0E 03 0C D4 07");

    replies = Exchange(Cmd("56"), 1);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(Hex(replies[0]), "56 4F");
}

TEST_F(PeerLayouts, SplitPaymentShowsPaymentStatusUntilPaid) {
    Given(Bytes(SaleOfMilk));
    EXPECT_TRUE(Exchange(Cmd("4F 41 00 00 00 00 50"), 0).empty()) << "a part payment closes nothing";
    auto replies = Exchange(Cmd("56"), 1);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(Hex(replies[0]), "56 50");
    replies = Exchange(Cmd("4C"), 1);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(Hex(replies[0]), "4C 00 00 00 00 00 69") << "the subtotal shows what is still due";
    replies = Exchange(Cmd("4F 43 00 00 00 00 00"), 1);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(Hex(replies[0].left(7)), "4F 00 00 00 00 01 19");
}

namespace {

struct ErrorRow {
    const char* Name;
    std::vector<const char*> Given;
    const char* Command;
    uint8_t Error;
};

void PrintTo(const ErrorRow& row, std::ostream* os) {
    *os << row.Name;
}

class RefusedCommands : public SimOnPty, public ::testing::WithParamInterface<ErrorRow> {};

} // namespace

// A refused command sends no journal record; the error status names the reason.
TEST_P(RefusedCommands, ReportTheirErrorAndSendNoRecord) {
    const ErrorRow& row = GetParam();
    for (const char* given : row.Given)
        Given(Bytes(given));
    const auto records = Exchange(Bytes(row.Command), 0);
    if (row.Error != 0) {
        EXPECT_TRUE(records.empty()) << Hex(records.front());
    }
    const auto status = Exchange(Cmd("58"), 1);
    ASSERT_EQ(status.size(), 1u);
    EXPECT_EQ(Hex(status[0]), Hex(std::vector<uint8_t>{0x20, row.Error}));
}

INSTANTIATE_TEST_SUITE_P(
    Errors, RefusedCommands,
    ::testing::Values(ErrorRow{"InactivePlu", {}, "3F F4 01 00 00 10 00 4E", 0x30},
                      ErrorRow{"PluNumberTooHigh", {}, "3F 10 27 00 00 10 00 4E", 0x32},
                      ErrorRow{"ZeroQuantity", {}, "3F 01 00 00 00 00 00 4E", 0x39},
                      ErrorRow{"PaymentOutsideReceipt", {}, "4F 43 00 00 00 00 00", 0x42},
                      ErrorRow{"SubtotalOutsideReceipt", {}, "4C", 0x42},
                      ErrorRow{"DecrementBeyondItem", {SaleOfMilk}, "44 00 00 00 05 00", 0x31},
                      ErrorRow{"EmptyIncrement", {SaleOfMilk}, "43 00 00 00 00 00", 0x38},
                      ErrorRow{"CardBeyondTotal", {SaleOfMilk}, "4F 41 00 00 00 05 00", 0x48},
                      ErrorRow{"CorrectionOfUnsoldPlu", {SaleOfMilk}, "3F 02 00 00 00 10 00 43", 0x31},
                      ErrorRow{"SaleWhilePaying", {SaleOfMilk, "4F 43 00 00 00 00 50"}, SaleOfMilk, 0x42},
                      ErrorRow{"ClearForgetsTheError", {"4C"}, "5A", 0x00},
                      ErrorRow{"SaleSucceeds", {"4C"}, SaleOfMilk, 0x00}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(PeerLayouts, ZReportIsRefusedInsideAReceipt) {
    Given(Bytes(SaleOfMilk));
    const auto replies = Exchange(Cmd("6C"), 1);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(Hex(replies[0]), "20 42");
    EXPECT_EQ(model.Day().ZNumber(), 0);
}

TEST_F(PeerLayouts, PluWritesAreAnsweredWithThePluAsNowHeld) {
    const auto write =
        Padded("5C 0C 00 43 4F 44 20 20 20 31 32 00 00 00 00 00 00 01 99 C3 00 31 32 33 34 35 36 37", 40);
    auto replies = Exchange(write, 1);
    ASSERT_EQ(replies.size(), 1u);
    const QByteArray reply = replies[0];
    EXPECT_EQ(Hex(reply.mid(1, 39)), Hex(std::span(write).subspan(1)));
    uint8_t constSum = 0;
    for (int i = 3; i < 40; ++i)
        constSum = uint8_t(constSum + uint8_t(reply[i]));
    EXPECT_EQ(uint8_t(reply[40]), constSum) << "constant-check byte";

    replies = Exchange(Cmd("59 0C 00 00 00 15 00"), 1);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(Hex(replies[0].mid(45, 4)), "00 00 15 00") << "stock";

    replies = Exchange(Cmd("5E 0C 00 00 00 02 50"), 1);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(Hex(replies[0].mid(15, 4)), "00 00 02 50") << "new price";

    replies = Exchange(Cmd("5B 0C 00"), 1);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(Hex(replies[0].left(21)), "5B 0C 00 43 4F 44 20 20 20 31 32 00 00 00 00 00 00 02 50 C3 00");
    EXPECT_EQ(Hex(replies[0].mid(45, 4)), "00 00 15 00");

    std::array<uint8_t, 19> barcode{'1', '2', '3', '4', '5', '6', '7'};
    EXPECT_EQ(model.FindBarcode(barcode), -1) << "a written barcode waits for its commit";
    EXPECT_TRUE(Exchange(Cmd("50"), 0).empty());
    EXPECT_EQ(model.FindBarcode(barcode), 12);

    EXPECT_TRUE(Exchange(Cmd("5B 10 27"), 0).empty()) << "PLU 10000 does not exist";
}

TEST_F(PeerLayouts, SalesShowInThePluStatistics) {
    Given(Bytes("3F 04 00 00 00 15 00 4E")); // 1.5 kg of apples at 1.49
    const auto replies = Exchange(Cmd("69 04 00"), 1);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(Hex(replies[0]), "69 04 00 00 00 15 00 00 11 85 00 00 00 00 00 02 24");
}

TEST_F(PeerLayouts, HeaderLinesKeepWhatIsWritten) {
    auto replies = Exchange(Padded("5F 05 01 41 42 43", 24), 1);
    ASSERT_EQ(replies.size(), 1u);
    replies = Exchange(Cmd("5D 05 00"), 1);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(Hex(replies[0]), Hex(Padded("5D 05 01 41 42 43", 24)));

    EXPECT_TRUE(Exchange(Cmd("5D 09 00"), 0).empty()) << "there are eight header lines";
    EXPECT_TRUE(Exchange(Padded("5F 00 00 41", 24), 0).empty());

    EXPECT_TRUE(Exchange(Cmd("61"), 0).empty());
    replies = Exchange(Cmd("68"), 1);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(uint8_t(replies[0][3]), 1) << "the header end counts one header change";
}

TEST_F(PeerLayouts, ThanksMessageAndPluReportsAreKept) {
    ASSERT_EQ(Exchange(Padded("53 48 45 4C 4C 4F", 22), 1).size(), 1u);
    EXPECT_EQ(Hex(model.Thanks()), Hex(Padded("48 45 4C 4C 4F", 21)));
    EXPECT_TRUE(Exchange(Cmd("6E 00 00 0F 27"), 0).empty());
    EXPECT_EQ(model.PluReportsPrinted(), 1);
}

TEST_F(PeerLayouts, VoidedItemLeavesNoTraceInThePluStatistics) {
    Given(Bytes(SaleOfMilk));
    Given(Bytes(SaleOfMilk));
    Given(Bytes("43 00 00 00 00 50")); // 0.50 on the second item
    Given(Bytes("4B"));                // and that item voided
    const auto replies = Exchange(Cmd("69 01 00"), 1);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(Hex(replies[0]), "69 01 00 00 00 00 01 00 00 00 00 00 00 00 00 01 19");
}
