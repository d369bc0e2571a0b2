#include "printing/PluPrintout.h"
#include "database/PluTable.h"

#include <gtest/gtest.h>

namespace {

using PluPrintout::Layout;

class PluPrintoutTest : public ::testing::Test {
  protected:
    void SetUp() override {
        table.FillDefaults();
        table[7].SetDescription("MILK");
        table[7].Flags = FlagActive | FlagStockProgrammed | 3;
        table[9].SetDescription("FLOUR");
        table[9].SetDescription2("WHEAT FLOUR TYPE 500 IN PAPER BAGS!"); // all 35 characters
        table[9].Price = 123.4;
        table[9].NetPrice = 99.999;
        table[9].Flags = FlagDecimalQty | 12;
        table[9].Unit = 2;
        table[9].SetBarcode("3850001234567890123");
        table[9].Stock = 1500;
        choice.Style = {0, QLatin1Char('.'), 204, false};
        choice.From = 0;
        choice.To = 9999;
    }
    PluTable table;
    PluPrintout::Choice choice;
};

TEST_F(PluPrintoutTest, MatrixWithTheTwoFixedFields) {
    const QStringList lines = PluPrintout::Build(table, choice);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("COD.  DESCRIPTION   "));
    EXPECT_EQ(lines[1], QString(20, u'-'));
    EXPECT_EQ(lines[2], QStringLiteral("   7  MILK        ") + QStringLiteral("  "));
}

TEST_F(PluPrintoutTest, HorizontalWithTheTwoFixedFields) {
    choice.Form = Layout::Horizontal;
    const QStringList lines = PluPrintout::Build(table, choice);
    EXPECT_EQ(lines, (QStringList{QString(48, u'_'), QStringLiteral("Code        :   7"),
                                  QStringLiteral("Description :MILK        ")}));
}

TEST_F(PluPrintoutTest, EveryFieldInBothLayoutsAndLanguages) {
    choice.Printed = {true, true, true, true, true, true, true, true, true};
    choice.AllPlus = true;
    choice.From = 9;
    choice.To = 9;
    const QStringList matrix = PluPrintout::Build(table, choice);
    ASSERT_EQ(matrix.size(), 3);
    const QString titles =
        QStringLiteral("COD.  DESCRIPTION   DESCRIPTION 2                        PRICE       "
                       "COST        DEPT  UNIT             STATUS       STOCK      "
                       "BARCODE              STOCK       ");
    EXPECT_EQ(matrix[0], titles);
    EXPECT_EQ(matrix[1], QString(titles.size(), u'-'));
    const QString line = QStringLiteral("   9  FLOUR         WHEAT FLOUR TYPE 500 IN PAPER BAGS!  "
                                        "123.40      100.00      12    kg               (InActive)   "
                                        "(NonProg)  3850001234567890123  1.500       ");
    EXPECT_EQ(matrix[2], line);
    // Every field starts under its title.
    EXPECT_EQ(line.indexOf(QStringLiteral("123.40")), titles.indexOf(QStringLiteral("PRICE")));
    EXPECT_EQ(line.indexOf(QStringLiteral("kg")), titles.indexOf(QStringLiteral("UNIT")));
    EXPECT_EQ(line.indexOf(QStringLiteral("1.500")), titles.lastIndexOf(QStringLiteral("STOCK")));

    choice.Form = Layout::Horizontal;
    choice.Style.Language = 1;
    EXPECT_EQ(
        PluPrintout::Build(table, choice),
        (QStringList{QString(48, u'_'), QStringLiteral("Kod         :   9"),
                     QStringLiteral("Opis        :FLOUR       "),
                     QStringLiteral("Opis 2      :WHEAT FLOUR TYPE 500 IN PAPER BAGS!"),
                     QStringLiteral("Cena        :123.40    "), QStringLiteral("Ulazna cena :100.00    "),
                     QStringLiteral("Odeljenje   :12 "), QStringLiteral("Tež/Kom     :kg             "),
                     QStringLiteral("Status      :(Neaktivno)"), QStringLiteral("Stanje (St) :(Neprog.)"),
                     QStringLiteral("Barkod      :3850001234567890123"),
                     QStringLiteral("Stanje      :1.500     ")}));
}

TEST_F(PluPrintoutTest, ActiveOrAllOverTheRangeAndTheTableIsOnlyRead) {
    table[9].Unit = 11; // a foreign unit prints as "item" and stays in the table
    const PluTable before = table;
    choice.From = 5;
    choice.To = 9;
    EXPECT_EQ(PluPrintout::Build(table, choice).size(), 2 + 1);
    choice.AllPlus = true;
    choice.Printed.Unit = true;
    const QStringList all = PluPrintout::Build(table, choice);
    EXPECT_EQ(all.size(), 2 + 5);
    EXPECT_TRUE(all.last().contains(QStringLiteral("item"))) << all.last().toStdString();
    choice.From = 0;
    choice.To = 9999;
    EXPECT_EQ(PluPrintout::Build(table, choice).size(), 2 + 10000);
    EXPECT_TRUE(std::ranges::equal(table.Bytes(), before.Bytes()));
}

TEST(PluPrintoutPercent, CountsFromTheStartOfTheRange) {
    EXPECT_EQ(PluPrintout::Percent(5000, 5000, 6000), 0);
    EXPECT_EQ(PluPrintout::Percent(5500, 5000, 6000), 50);
    EXPECT_EQ(PluPrintout::Percent(6000, 5000, 6000), 100);
    EXPECT_EQ(PluPrintout::Percent(3, 3, 3), 100);
}

TEST(PluPrintoutHeader, RegisterFontTakesTheCostTitlesTwin) {
    PluPrintout::Fields fields;
    fields.NetPrice = true;
    const QString plain = PluPrintout::MatrixHeader(fields, {1, QLatin1Char('.'), 204, false})[0];
    const QString twin = PluPrintout::MatrixHeader(fields, {1, QLatin1Char('.'), 204, true})[0];
    EXPECT_TRUE(plain.endsWith(QStringLiteral("UL. CENA    ")));
    EXPECT_NE(plain, twin);
    EXPECT_EQ(plain.size(), twin.size());
}

} // namespace
