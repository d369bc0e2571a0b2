#include "plu/PluRecord.h"

#include <cstring>
#include <gtest/gtest.h>

TEST(PluRecord, DefaultDescriptionIsEightCharactersWithTheNumberRightAligned) {
    EXPECT_EQ(DefaultDescription(12), QByteArray("COD   12"));
    EXPECT_EQ(DefaultDescription(9999), QByteArray("COD 9999"));
    EXPECT_EQ(DefaultDescription(0), QByteArray("COD    0"));
}

TEST(PluRecord, UnitNamesByLanguage) {
    const char* english[] = {"item", "gram", "kg", "ton", "litre", "meter", "square meter", "cubic meter"};
    const char* serbian[] = {"kom", "gram", "kg", "tona", "litar", "metar", "kvadratni metar", "kubni metar"};
    for (int u = 0; u < UnitCount; ++u) {
        EXPECT_STREQ(UnitNames(0)[size_t(u)], english[u]) << u;
        EXPECT_STREQ(UnitNames(1)[size_t(u)], serbian[u]) << u;
    }
}

TEST(PluRecord, TextsStopAtTheirFieldEvenWithoutATerminator) {
    PluRecord r;
    std::memset(static_cast<void*>(&r), 'X', sizeof r);
    EXPECT_EQ(r.DescriptionText(), QByteArray(12, 'X'));
    EXPECT_EQ(r.Description2Text(), QByteArray(35, 'X'));
    EXPECT_EQ(r.BarcodeText(), QByteArray(19, 'X')) << "the constant-check byte after it is not part of it";
}

TEST(PluRecord, SettersCutToTheFieldAndZeroFillTheRest) {
    PluRecord r;
    r.SetDescription("ABCDEFGHIJKLMNOP");
    EXPECT_EQ(r.DescriptionText(), QByteArray("ABCDEFGHIJKL"));
    EXPECT_EQ(r.Description[12], '\0');
    r.SetDescription("XY");
    EXPECT_EQ(r.DescriptionText(), QByteArray("XY"));
    EXPECT_EQ(std::count(r.Description.begin() + 2, r.Description.end(), '\0'), 11);

    r.ConstCheck = 0x55;
    r.SetBarcode(QByteArray(25, '7'));
    EXPECT_EQ(r.BarcodeText(), QByteArray(19, '7'));
    EXPECT_EQ(r.ConstCheck, 0x55) << "the barcode setter wrote past its field";
    r.Flags = FlagActive | 7;
    EXPECT_EQ(r.Department(), 7);
}
