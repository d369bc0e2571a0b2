#include "database/PluCells.h"
#include "database/PluSearch.h"
#include "database/PluTable.h"

#include <gtest/gtest.h>

namespace {

PluCells::Style English() {
    return {0, QLatin1Char('.'), 204, false};
}

TEST(PluCells, EveryColumnOfAVariedEntryInBothLanguages) {
    PluRecord entry;
    entry.SetDescription("MILK");
    entry.SetDescription2("\xC1\xE5\xEB\xEE"); // "Бело" in code page 1251
    entry.Price = 1234.5;
    entry.NetPrice = 0.75;
    entry.Flags = FlagActive | FlagStockProgrammed | FlagDecimalQty | 7;
    entry.Unit = 2;
    entry.SetBarcode("3850001234567");
    entry.Stock = 12345;

    struct Case {
        int Column;
        const char* En;
        const char* Sr;
    };
    const Case cases[] = {
        {PluCells::Code, "42", "42"},
        {PluCells::Description, "MILK", "MILK"},
        {PluCells::Description2, "Бело", "Бело"},
        {PluCells::Price, "1234,50", "1234,50"},
        {PluCells::NetPrice, "0,75", "0,75"},
        {PluCells::Dept, "7", "7"},
        {PluCells::Unit, "kg", "kg"},
        {PluCells::Status, "(Active)   ", "(Aktivno)  "},
        {PluCells::StockStatus, "(Prog.)", "(Prog.)"},
        {PluCells::Barcode, "3850001234567", "3850001234567"},
        {PluCells::Stock, "12,345", "12,345"},
    };
    for (const Case& c : cases) {
        for (const int lang : {0, 1}) {
            const PluCells::Style style{lang, QLatin1Char(','), 204, false};
            EXPECT_EQ(PluCells::Text(entry, 42, c.Column, style), QString::fromUtf8(lang ? c.Sr : c.En))
                << "column " << c.Column << " language " << lang;
        }
    }
}

TEST(PluCells, InactiveUnprogrammedPiecesAndAnUnknownUnit) {
    PluRecord entry;
    entry.Unit = 9; // from a foreign file
    entry.Stock = 7000;
    EXPECT_EQ(PluCells::Text(entry, 0, PluCells::Unit, English()), QStringLiteral("item"));
    EXPECT_EQ(PluCells::Text(entry, 0, PluCells::Stock, English()), QStringLiteral("7000"));
    EXPECT_EQ(PluCells::Text(entry, 0, PluCells::Status, English()), QStringLiteral("(InActive) "));
    EXPECT_EQ(PluCells::Text(entry, 0, PluCells::StockStatus, English()), QStringLiteral("(NonProg)"));
    const PluCells::Style serbian{1, QLatin1Char('.'), 204, false};
    EXPECT_EQ(PluCells::Text(entry, 0, PluCells::Unit, serbian), QStringLiteral("kom"));
    EXPECT_EQ(PluCells::Text(entry, 0, PluCells::Status, serbian), QStringLiteral("(Neaktivno)"));
    EXPECT_EQ(PluCells::Text(entry, 0, PluCells::StockStatus, serbian), QStringLiteral("(Neprog.)"));
    entry.Unit = 4;
    EXPECT_EQ(PluCells::Text(entry, 0, PluCells::Stock, English()), QStringLiteral("7.000"));
}

TEST(PluCells, TitlesOfBothLanguages) {
    const char* english[] = {"Code", "Description", "Description 2", "Price",   "Net Price", "Dept",
                             "Unit", "Status",      "Stock",         "Barcode", "Stock"};
    for (int c = 0; c < PluCells::ColumnCount; ++c)
        EXPECT_EQ(PluCells::Title(c, 0), QString::fromLatin1(english[c]));
    EXPECT_EQ(PluCells::Title(PluCells::Barcode, 1), QStringLiteral("Barcode"));
    EXPECT_EQ(PluCells::Title(PluCells::NetPrice, 1), QStringLiteral("Ulazna cena"));
    EXPECT_EQ(PluCells::Title(PluCells::Dept, 1), QStringLiteral("Odeljenje"));
}

TEST(PluCells, StoredTextFollowsTheCharsetOrShowsRegisterCodes) {
    const QByteArray bytes("\xC8\xE0");
    EXPECT_EQ(PluCells::StoredText(bytes, {0, QLatin1Char('.'), 204, false}), QStringLiteral("Иа"));
    EXPECT_EQ(PluCells::StoredText(bytes, {0, QLatin1Char('.'), 238, false}), QStringLiteral("Čŕ"));
    EXPECT_EQ(PluCells::StoredText(bytes, {0, QLatin1Char('.'), 204, true}), QString::fromLatin1(bytes));
    EXPECT_EQ(PluCells::TypedBytes(QStringLiteral("Иа"), {0, QLatin1Char('.'), 204, false}), bytes);
}

class PluSearchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        table.FillDefaults();
        table[3].SetDescription("COLA");
        table[7].SetDescription("MILK");
        table[8].SetDescription("MILKA");
        table[9].SetDescription("milk");
        table[100].SetBarcode("3851");
        table[200].SetBarcode("3852");
        table[300].SetBarcode("4385");
        table[9999].SetBarcode("385");
    }
    PluTable table;
};

TEST_F(PluSearchTest, JumpFindsTheFirstPrefixFromPluZero) {
    using PluSearch::Field;
    EXPECT_EQ(PluSearch::First(table, Field::Description, "CO"), 0); // the default names come first
    EXPECT_EQ(PluSearch::First(table, Field::Description, "COL"), 3);
    EXPECT_EQ(PluSearch::First(table, Field::Description, "MILK"), 7);
    EXPECT_EQ(PluSearch::First(table, Field::Description, "mi"), 9); // case counts
    EXPECT_EQ(PluSearch::First(table, Field::Description, "XYZ"), std::nullopt);
}

TEST_F(PluSearchTest, SearchListsEveryMatchInOrder) {
    using PluSearch::Field;
    EXPECT_EQ(PluSearch::All(table, Field::Barcode, "385"), (QList<int>{100, 200, 9999}));
    EXPECT_EQ(PluSearch::All(table, Field::Description, "MILK"), (QList<int>{7, 8}));
    EXPECT_EQ(PluSearch::All(table, Field::Description, "COD 99").size(), 100);
    EXPECT_TRUE(PluSearch::All(table, Field::Barcode, "").isEmpty());
    EXPECT_TRUE(PluSearch::All(table, Field::Barcode, "999").isEmpty());
}

} // namespace
