#include "sales/SaleCommands.h"
#include "common/ShellSettings.h"
#include "protocol/ConversionError.h"
#include "support/HexDump.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

struct FrameRow {
    const char* What;
    std::function<SaleFrame()> Build;
    const char* Hex;
};

TEST(SaleCommands, FramesOfTheTypedTexts) {
    const QChar point('.');
    const QChar comma(',');
    const FrameRow rows[] = {
        {"sale of 300, empty quantity", [&] { return PluSaleCommand("300", "", SaleKindNormal, point); },
         "3F 2C 01 00 00 10 00 4E"},
        {"quantity 1.5", [&] { return PluSaleCommand("7", "1.5", SaleKindNormal, point); },
         "3F 07 00 00 00 15 00 4E"},
        {"quantity 1,5 under a comma locale",
         [&] { return PluSaleCommand("7", "1,5", SaleKindNormal, comma); }, "3F 07 00 00 00 15 00 4E"},
        {"quantity 0.0004 rounds to nothing",
         [&] { return PluSaleCommand("7", "0.0004", SaleKindNormal, point); }, "3F 07 00 00 00 00 00 4E"},
        {"largest quantity", [&] { return PluSaleCommand("9999", "99999.999", SaleKindNormal, point); },
         "3F 0F 27 99 99 99 99 4E"},
        {"earlier correction of 5 by 2", [&] { return PluSaleCommand("5", "2", SaleKindCorrection, point); },
         "3F 05 00 00 00 20 00 43"},
        {"cash 12.5", [&] { return PaymentCommand(PayCash, "12.5", point); }, "4F 43 00 00 00 12 50"},
        {"cash, empty field", [&] { return PaymentCommand(PayCash, "", point); }, "4F 43 00 00 00 00 00"},
        {"card, largest amount", [&] { return PaymentCommand(PayCard, "99999999.99", point); },
         "4F 41 99 99 99 99 99"},
        {"cheque 0,01", [&] { return PaymentCommand(PayCheque, "0,01", comma); }, "4F 51 00 00 00 00 01"},
        {"amount increment 12.34", [&] { return AmountChangeCommand(true, "12.34", point); },
         "43 00 00 00 12 34"},
        {"amount decrement, empty", [&] { return AmountChangeCommand(false, "", point); },
         "44 00 00 00 00 00"},
        {"percent decrement 10.5", [&] { return PercentChangeCommand(false, "10.5", point); }, "46 10 50"},
        {"percent increment 10,5 (comma)", [&] { return PercentChangeCommand(true, "10,5", point); },
         "45 10 50"},
        {"new price 1.99 for 12", [&] { return EncodeNewPrice(12, 1.99); }, "5E 0C 00 00 00 01 99"},
        {"new price, empty", [&] { return EncodeNewPrice(12, std::nullopt); }, "5E 0C 00 00 00 00 00"},
        {"subtotal", [&] { return EncodeSingle(SubtotalCode); }, "4C"},
        {"clear", [&] { return EncodeSingle(ClearCode); }, "5A"},
        {"immediate correction", [&] { return EncodeSingle(ImmediateCorrectionCode); }, "4B"},
        {"receipt status", [&] { return EncodeSingle(ReceiptStatusCode); }, "56"},
        {"error status", [&] { return EncodeSingle(ErrorStatusRequestCode); }, "58"},
    };
    for (const FrameRow& row : rows) {
        const SaleFrame frame = row.Build();
        EXPECT_EQ(Hex(frame), Hex(Bytes(row.Hex))) << row.What;
    }
    EXPECT_EQ(NewPriceHundredths(EncodeNewPrice(12, 1.99)), 199u);
}

// Values the register would misread are refused, never cut or wrapped.
TEST(SaleCommands, RefusedValuesNameTheTextAndBuildNothing) {
    ResetShellSettings();
    Shell().UiLanguage = 0;
    const QChar point('.');
    const std::pair<const char*, std::function<SaleFrame()>> refused[] = {
        {"PLU 12345", [&] { return PluSaleCommand("12345", "", SaleKindNormal, point); }},
        {"PLU 12ab", [&] { return PluSaleCommand("12ab", "", SaleKindNormal, point); }},
        {"PLU -1", [&] { return PluSaleCommand("-1", "", SaleKindNormal, point); }},
        {"quantity 100000", [&] { return PluSaleCommand("7", "100000", SaleKindNormal, point); }},
        {"quantity -2", [&] { return PluSaleCommand("7", "-2", SaleKindNormal, point); }},
        {"quantity inf", [&] { return PluSaleCommand("7", "inf", SaleKindNormal, point); }},
        {"quantity nan", [&] { return PluSaleCommand("7", "nan", SaleKindNormal, point); }},
        {"quantity 1e9", [&] { return PluSaleCommand("7", "1e9", SaleKindNormal, point); }},
        {"quantity abc", [&] { return PluSaleCommand("7", "abc", SaleKindNormal, point); }},
        {"payment 123456789012", [&] { return PaymentCommand(PayCash, "123456789012", point); }},
        {"payment 100000000", [&] { return PaymentCommand(PayCash, "100000000", point); }},
        {"amount 1000000", [&] { return AmountChangeCommand(true, "1000000", point); }},
        {"percent 100", [&] { return PercentChangeCommand(true, "100", point); }},
    };
    for (const auto& [what, build] : refused) {
        try {
            const SaleFrame frame = build();
            ADD_FAILURE() << what << " built " << Hex(frame);
        } catch (const ConversionError& e) {
            EXPECT_FALSE(e.Message().isEmpty()) << what;
        }
    }
    try {
        (void)PaymentCommand(PayCash, "100000000", point);
    } catch (const ConversionError& e) {
        EXPECT_EQ(e.Message(),
                  "Total/Cash: '100000000' is not a number from 0 to 99999999.99. Nothing was sent.");
    }
    EXPECT_EQ(ReadSaleNumber("99999.999", MaxQuantity, "q", point), 99999.999);
    EXPECT_EQ(ReadPluNumber(""), std::nullopt);
    EXPECT_EQ(ReadPluNumber("0300"), 300);
}

TEST(ReceiptStatus, KnownStatesOthersAndShortReplies) {
    const std::pair<uint8_t, const char*> rows[] = {
        {'I', "Inside receipt"}, {'O', "Outside receipt"}, {'P', "Payment"}, {'X', ""}, {0, ""}};
    for (const auto& [byte, text] : rows) {
        const std::vector<uint8_t> payload{'V', byte};
        EXPECT_EQ(DecodeReceiptStatus(payload, 0), QString::fromUtf8(text)) << int(byte);
    }
    EXPECT_EQ(DecodeReceiptStatus(std::vector<uint8_t>{'V', 'P'}, 1), QStringLiteral("Plaćanje"));
    EXPECT_EQ(DecodeReceiptStatus(std::vector<uint8_t>{'V'}, 0), std::nullopt);
}

} // namespace
