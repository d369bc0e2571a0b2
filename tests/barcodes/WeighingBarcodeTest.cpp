#include "barcodes/WeighingBarcode.h"
#include "database/PluTable.h"
#include "protocol/ConversionError.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

class Weighing : public ::testing::Test {
  protected:
    void SetUp() override {
        table[40].SetBarcode("2112345");
        table[41].SetBarcode("2112345"); // the lower number wins
        table[50].SetBarcode("20999");   // shorter than a code part
        table[60].SetBarcode("2012345678");
    }
    PluTable table;
    BarcodeTypeTable rules = BarcodeTypeTable::Defaults();
};

} // namespace

TEST_F(Weighing, DecodesByTheFirstRuleThatFindsAPlu) {
    struct Case {
        const char* scanned;
        int plu; // -1: no match
        double kg;
    };
    const Case cases[] = {
        {"2112345067890", 40, 6.789},
        {"211234506789", 40, 6.789},  // no check digit needed
        {"2112345", -1, 0},           // shorter than code and weight
        {"2112345067", -1, 0},        // 10 characters
        {"2199999067890", -1, 0},     // no PLU with that code
        {"2012345000150", 60, 0.015}, // the stored barcode only has to begin with the code
        {"2099900012345", -1, 0},     // stored "20999" is shorter than the code part
        {"2212345067890", -1, 0},     // no rule for 22
        {"", -1, 0},
    };
    for (const Case& c : cases) {
        const auto m = DecodeWeighingBarcode(c.scanned, rules, table);
        if (c.plu < 0) {
            EXPECT_FALSE(m) << c.scanned;
            continue;
        }
        ASSERT_TRUE(m) << c.scanned;
        EXPECT_EQ(m->Plu, c.plu) << c.scanned;
        EXPECT_DOUBLE_EQ(m->WeightKg, c.kg) << c.scanned;
    }
}

TEST_F(Weighing, ALaterRuleIsTriedWhenAnEarlierOneFindsNothing) {
    rules.Rules[0] = {21, 9, 3}; // "219999901" names no PLU
    table[40].SetBarcode("");
    table[41].SetBarcode("");
    table[8].SetBarcode("2199999");
    const auto m = DecodeWeighingBarcode("2199999012340", rules, table);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->Plu, 8);
    EXPECT_DOUBLE_EQ(m->WeightKg, 1.234);
}

TEST_F(Weighing, HeadersCompareAsTwoCharacterTexts) {
    rules.Rules[0] = {0, 1, 0};
    table[3].SetBarcode("0");
    EXPECT_FALSE(DecodeWeighingBarcode("0123456", rules, table)) << "header 0 is the text \"0\" alone";
    const auto m = DecodeWeighingBarcode("0", rules, table);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->Plu, 3);
}

TEST_F(Weighing, DamagedRulesFindNothingAndStayInBounds) {
    rules.Rules[1] = {21, -5, 5};
    EXPECT_FALSE(DecodeWeighingBarcode("2112345067890", rules, table));
    rules.Rules[1] = {21, 7, 2147483647};
    EXPECT_FALSE(DecodeWeighingBarcode("2112345067890", rules, table));
    rules.Rules[1] = {21, 2147483647, 2147483647};
    EXPECT_FALSE(DecodeWeighingBarcode("2112345067890", rules, table));
    rules.Rules[1] = {21, 7, -1};
    EXPECT_FALSE(DecodeWeighingBarcode("2112345067890", rules, table));
}

// Such a scan used to stop the barcode entry with a conversion error instead
// of being looked up as a plain barcode.
TEST_F(Weighing, WeightThatIsNotANumberIsNoMatch) {
    EXPECT_FALSE(DecodeWeighingBarcode("21123450A7890", rules, table));
    EXPECT_TRUE(DecodeWeighingBarcode("2112345067890", rules, table));
}

TEST_F(Weighing, TypedBarcodeStopsAtTheCodePartOfItsRule) {
    EXPECT_FALSE(WeighingBarcodeComplete("211234", rules));
    EXPECT_TRUE(WeighingBarcodeComplete("2112345", rules));
    EXPECT_FALSE(WeighingBarcodeComplete("2212345", rules));
    EXPECT_FALSE(WeighingBarcodeComplete("", rules));
}

TEST(BarcodeSample, TextOfTheSampleBox) {
    EXPECT_EQ(BarcodeSampleText("20", 7, 5, '.').toStdString(),
              "Barcode Sample: 20 01234 12345\n\nHeader: 20\nCode: 01234\nWeight: 12.345\n\n"
              "Print: 200123412345");
    EXPECT_EQ(BarcodeSampleText("21", 2, 0, ',').toStdString(),
              "Barcode Sample: 21  \n\nHeader: 21\nCode: \nWeight: 0,000\n\nPrint: 21");
    EXPECT_EQ(BarcodeSampleText("2", 5, 2, ',').toStdString(),
              "Barcode Sample: 2 0123 12\n\nHeader: 2\nCode: 0123\nWeight: 0,012\n\nPrint: 2012312");
    EXPECT_LT(BarcodeSampleText("20", 2147483647, 2147483647, '.').size(), 2000)
        << "damaged rules stay bounded";
    EXPECT_EQ(BarcodeSampleText("10", std::numeric_limits<int>::min(), std::numeric_limits<int>::min(), '.')
                  .toStdString(),
              "Barcode Sample: 10  \n\nHeader: 10\nCode: \nWeight: 0.000\n\nPrint: 10")
        << "the most negative code from a damaged file shows no code part";
}
