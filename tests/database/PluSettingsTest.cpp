#include "database/PluSettings.h"
#include "database/PluTable.h"
#include "protocol/ConversionError.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

using PluSettings::Field;

class PluSettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        table.FillDefaults();
        // PLUs 1 and 3 active, 2 inactive; pieces with stocks 5, 0, 7.
        table[1].Flags = FlagActive | 2;
        table[1].Stock = 5;
        table[2].Stock = 0;
        table[3].Flags = FlagActive | FlagStockProgrammed | 5;
        table[3].Stock = 7;
        for (int n = 1; n <= 3; ++n) {
            table[n].Price = 10.0 * n;
            table[n].NetPrice = 1.5;
            table[n].SetBarcode("385");
            table[n].SetDescription2("second");
            table[n].ConstCheck = 4;
            table[n].VarCheck = 6;
            table[n].Code = 77;
            table[n].Quantity = 3;
            table[n].Total = 9.5;
        }
    }
    PluSettings::Result Set(Field field, const QString& value, bool activeOnly = false, int from = 1,
                            int to = 3, int unit = -1) {
        PluSettings::Request request;
        request.Which = field;
        request.From = from;
        request.To = to;
        request.ActiveOnly = activeOnly;
        request.Value = value;
        request.UnitIndex = unit;
        return PluSettings::Apply(table, request, 0);
    }
    PluTable table;
};

TEST_F(PluSettingsTest, UnitToKgAndBackScalesTheStock) {
    auto result = Set(Field::Unit, {}, false, 1, 3, 2);
    EXPECT_FALSE(result.Refused());
    EXPECT_EQ(result.Changed, 3);
    for (const auto& [n, stock] : {std::pair{1, 5000u}, {2, 0u}, {3, 7000u}}) {
        EXPECT_EQ(table[n].Stock, stock) << n;
        EXPECT_EQ(table[n].Unit, 2);
        EXPECT_TRUE(table[n].Flags & FlagDecimalQty);
    }
    // Between two decimal units the stock stays.
    Set(Field::Unit, {}, false, 1, 3, 4);
    EXPECT_EQ(table[3].Stock, 7000u);
    Set(Field::Unit, {}, false, 1, 3, 0);
    for (const auto& [n, stock] : {std::pair{1, 5u}, {2, 0u}, {3, 7u}}) {
        EXPECT_EQ(table[n].Stock, stock) << n;
        EXPECT_FALSE(table[n].Flags & FlagDecimalQty);
    }
}

TEST_F(PluSettingsTest, UnitChangeThatWouldOverflowTheStockKeepsThosePlusAndNamesThem) {
    table[2].Stock = 100000; // 100000 items would be 100000.000, beyond the field
    table[3].Stock = 4294967;
    const auto result = Set(Field::Unit, {}, false, 1, 3, 2);
    EXPECT_EQ(result.Changed, 1);
    EXPECT_EQ(result.Kept, (QList<int>{2, 3}));
    EXPECT_TRUE(result.KeptMessage.contains(QStringLiteral("2, 3"))) << result.KeptMessage.toStdString();
    EXPECT_EQ(table[2].Stock, 100000u);
    EXPECT_EQ(table[2].Unit, 0);
    EXPECT_EQ(table[3].Stock, 4294967u);
    EXPECT_EQ(table[1].Stock, 5000u);
}

TEST_F(PluSettingsTest, FieldsWithActiveAndAll) {
    // Department 4 activates the whole range; Deactivate clears activity and department.
    EXPECT_EQ(Set(Field::Department, QStringLiteral("4")).Changed, 3);
    for (int n = 1; n <= 3; ++n)
        EXPECT_EQ(table[n].Flags & (FlagActive | FlagDepartmentMask), FlagActive | 4) << n;
    EXPECT_TRUE(table[3].Flags & FlagStockProgrammed);

    table[2].Flags = 0;
    EXPECT_EQ(Set(Field::Deactivate, {}, true).Changed, 2);
    for (int n = 1; n <= 3; ++n)
        EXPECT_EQ(table[n].Flags & (FlagActive | FlagDepartmentMask), 0) << n;
    EXPECT_TRUE(table[3].Flags & FlagStockProgrammed);

    table[1].Flags = FlagActive | 1;
    EXPECT_EQ(Set(Field::Price, QStringLiteral("2.5"), true).Changed, 1);
    EXPECT_EQ(table[1].Price, 2.5);
    EXPECT_EQ(table[2].Price, 20.0);

    // A price of 0 (or nothing, or what rounds to 0) used to change nothing
    // without a word; it is refused with the reason. A net price of 0 sets
    // them all to 0.
    for (const char* zero : {"0", "", "0.004"}) {
        const PluSettings::Result result = Set(Field::Price, QString::fromLatin1(zero));
        EXPECT_EQ(result.Changed, 0) << zero;
        EXPECT_EQ(result.Refusal,
                  QStringLiteral("A price of 0 is not set: the register cannot sell a PLU priced "
                                 "0. Enter a price above 0; no PLU was changed."))
            << zero;
    }
    EXPECT_EQ(table[1].Price, 2.5);
    EXPECT_TRUE(Set(Field::Department, QStringLiteral("0")).Refused());
    EXPECT_EQ(Set(Field::NetPrice, QStringLiteral("0")).Changed, 3);
    for (int n = 1; n <= 3; ++n)
        EXPECT_EQ(table[n].NetPrice, 0.0);
}

TEST_F(PluSettingsTest, StockByUnitAndItsProgrammedFlag) {
    table[2].Unit = 2;
    EXPECT_EQ(Set(Field::Stock, QStringLiteral("12.3456")).Changed, 3);
    EXPECT_EQ(table[1].Stock, 12u); // pieces: the whole number at the start
    EXPECT_EQ(table[2].Stock, 12346u);
    for (int n = 1; n <= 3; ++n)
        EXPECT_TRUE(table[n].Flags & FlagStockProgrammed);
    Set(Field::Stock, QString()); // empty counts as 0
    for (int n = 1; n <= 3; ++n) {
        EXPECT_EQ(table[n].Stock, 0u);
        EXPECT_FALSE(table[n].Flags & FlagStockProgrammed);
    }
}

TEST_F(PluSettingsTest, InitialiseResetsOnlyTheActivePlusAndKeepsTheChecks) {
    EXPECT_EQ(Set(Field::Initialise, {}, true).Changed, 2);
    for (const int n : {1, 3}) {
        const PluRecord& e = table[n];
        EXPECT_EQ(e.DescriptionText(), DefaultDescription(n));
        EXPECT_TRUE(e.Description2Text().isEmpty());
        EXPECT_TRUE(e.BarcodeText().isEmpty());
        EXPECT_EQ(e.Price, 0.0);
        EXPECT_EQ(e.NetPrice, 0.0);
        EXPECT_EQ(e.Stock, 0u);
        EXPECT_EQ(e.Quantity, 0u);
        EXPECT_EQ(e.Total, 0.0);
        EXPECT_EQ(e.Flags, 0);
        EXPECT_EQ(e.Unit, 0);
        EXPECT_EQ(e.ConstCheck, 4);
        EXPECT_EQ(e.VarCheck, 6);
        EXPECT_EQ(e.Code, 77u);
    }
    EXPECT_EQ(table[2].Price, 20.0);
    EXPECT_EQ(PluSettings::CountAffected(table, 0, 9999, true), 0);
    EXPECT_EQ(PluSettings::CountAffected(table, 0, 9999, false), 10000);
}

TEST_F(PluSettingsTest, RefusedValuesChangeNothing) {
    const PluTable before = table;
    const auto same = [&] { return std::ranges::equal(table.Bytes(), before.Bytes()); };
    for (const auto& [field, value] : {std::pair{Field::Price, "1000000"},
                                       {Field::NetPrice, "-1"},
                                       {Field::Stock, "100000"},
                                       {Field::Stock, "-2"},
                                       {Field::Department, ""}}) {
        const auto result = Set(field, QString::fromLatin1(value));
        EXPECT_TRUE(result.Refused()) << value;
        EXPECT_EQ(result.Changed, 0);
        EXPECT_TRUE(same()) << value;
    }
    EXPECT_TRUE(Set(Field::Unit, {}, false, 1, 3, -1).Refused());
    EXPECT_TRUE(Set(Field::Price, QStringLiteral("5"), false, 3, 1).Refused());
    EXPECT_THROW((void)Set(Field::Price, QStringLiteral("1.2.3")), ConversionError);
    EXPECT_TRUE(same());
}

TEST(PluSettingsRange, NumbersOutsideTheTableAreTakenToItsEnds) {
    EXPECT_EQ(PluSettings::RangeNumber(QStringLiteral("-5")), 0);
    EXPECT_EQ(PluSettings::RangeNumber(QStringLiteral("99999")), 9999);
    EXPECT_EQ(PluSettings::RangeNumber(QStringLiteral("125")), 125);
    EXPECT_THROW((void)PluSettings::RangeNumber(QStringLiteral("1.5")), ConversionError);
    EXPECT_THROW((void)PluSettings::RangeNumber(QString()), ConversionError);

    PluTable table;
    PluSettings::Request request;
    request.Which = Field::NetPrice;
    request.Value = QStringLiteral("3");
    request.From = -20;
    request.To = 99999;
    EXPECT_EQ(PluSettings::Apply(table, request, 0).Changed, 10000);
    EXPECT_EQ(table[9999].NetPrice, 3.0);
}

} // namespace
