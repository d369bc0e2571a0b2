#include "database/PluTable.h"

#include <algorithm>
#include <gtest/gtest.h>

TEST(PluTable, StartsAllZeroAndDefaultsNameEveryPlu) {
    PluTable table;
    EXPECT_EQ(table.Bytes().size(), 1280000u);
    EXPECT_TRUE(std::ranges::all_of(table.Bytes(), [](std::byte b) { return b == std::byte{0}; }));
    table.FillDefaults();
    EXPECT_EQ(table[0].DescriptionText(), QByteArray("COD    0"));
    EXPECT_EQ(table[12].DescriptionText(), QByteArray("COD   12"));
    EXPECT_EQ(table[9999].DescriptionText(), QByteArray("COD 9999"));
    EXPECT_EQ(table[9999].Code, 0u);
}

TEST(PluTable, StoreRecordKeepsCodeNetPriceAndPadding) {
    PluTable table;
    PluRecord& entry = table[5];
    entry.Code = 4242;
    entry.NetPrice = 3.20;
    entry.Padding113.fill(0xAA);
    entry.SetDescription("OLD NAME LONG");

    PluRecord r;
    r.Code = 5;
    r.SetDescription("NEW");
    r.SetDescription2("second line");
    r.Price = 2.5;
    r.Flags = 0xC3;
    r.Unit = 2;
    r.SetBarcode("2112345");
    r.ConstCheck = 1;
    r.Quantity = 10;
    r.Stock = 20;
    r.Total = 30.5;
    r.VarCheck = 2;
    r.NetPrice = 99.0;
    ASSERT_TRUE(table.StoreRecord(r, 5));

    EXPECT_EQ(entry.Code, 4242u);
    EXPECT_EQ(entry.NetPrice, 3.20);
    EXPECT_EQ(entry.Padding113[0], 0xAA);
    EXPECT_EQ(entry.DescriptionText(), QByteArray("NEW"));
    EXPECT_EQ(entry.Description[3], '\0') << "no rest of the old name behind the new one";
    EXPECT_EQ(entry.Description2Text(), QByteArray("second line"));
    EXPECT_EQ(entry.Price, 2.5);
    EXPECT_EQ(entry.Flags, 0xC3);
    EXPECT_EQ(entry.Unit, 2);
    EXPECT_EQ(entry.BarcodeText(), QByteArray("2112345"));
    EXPECT_EQ(entry.ConstCheck, 1);
    EXPECT_EQ(entry.Quantity, 10u);
    EXPECT_EQ(entry.Stock, 20u);
    EXPECT_EQ(entry.Total, 30.5);
    EXPECT_EQ(entry.VarCheck, 2);
}

TEST(PluTable, StoreRecordIgnoresNumbersOutsideTheTable) {
    PluTable table;
    PluRecord r;
    r.SetDescription("X");
    EXPECT_FALSE(table.StoreRecord(r, 10000));
    EXPECT_FALSE(table.StoreRecord(r, -1));
    EXPECT_TRUE(std::ranges::all_of(table.Bytes(), [](std::byte b) { return b == std::byte{0}; }));
}
