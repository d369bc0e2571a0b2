#include "SheetTestSupport.h"

#include "database/PluTable.h"
#include "spreadsheets/PluSheet.h"
#include "spreadsheets/SheetRows.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using Kind = SheetCell::Kind;

SheetCell T(const char* text) {
    return SheetCell::OfText(QString::fromUtf8(text));
}
SheetCell N(double value) {
    return SheetCell::OfNumber(value);
}
SheetCell E() {
    return {};
}
SheetCell F() {
    SheetCell cell;
    cell.Type = Kind::UncomputedFormula;
    return cell;
}

PluCells::Style DefaultStyle() {
    PluCells::Style style;
    style.Charset = 204;
    return style;
}

SheetRows OneRow(const SheetRow& cells) {
    SheetRows rows(PluSheet::LastDataRow, PluSheet::ReadColumns);
    for (size_t c = 0; c < cells.size(); ++c)
        rows.Set(2, int(c) + 1, cells[c]);
    return rows;
}

struct RowCase {
    const char* Name;
    SheetRow Cells;
    PluSheet::RowResult Result;
    // For complete rows:
    int Plu = -1;
    uint32_t Stock = 0;
    uint8_t Flags = 0;
    const char* Barcode = "";
    const char* Description = "";
};

using R = PluSheet::RowResult;

} // namespace

TEST(PluSheetRowRules, TableOfRows) {
    const RowCase cases[] = {
        {"empty A ends", {E(), T("MILK")}, R::Stop},
        {"PLU 10000 skips", {N(10000), T("MILK")}, R::Skip},
        {"PLU -1 skips", {N(-1), T("MILK")}, R::Skip},
        {"PLU text not a number skips", {T("abc"), T("MILK")}, R::Skip},
        {"PLU 1.5 skips", {N(1.5), T("MILK")}, R::Skip},
        {"empty description skips", {N(5), E(), E(), N(1)}, R::Skip},
        {"price 1000000 skips", {N(5), T("MILK"), E(), N(1000000)}, R::Skip},
        {"net price negative skips", {N(5), T("MILK"), E(), N(1), N(-0.01)}, R::Skip},
        {"department 10 skips", {N(5), T("MILK"), E(), N(1), E(), N(10)}, R::Skip},
        {"unit 8 skips", {N(5), T("MILK"), E(), N(1), E(), N(1), N(8)}, R::Skip},
        {"price text not a number skips", {N(5), T("MILK"), E(), T("1.2.3")}, R::Skip},
        {"stock above pieces limit skips",
         {N(5), T("MILK"), E(), N(1), E(), N(1), N(0), E(), N(100000000)},
         R::Skip},
        {"stock above weight limit skips",
         {N(5), T("MILK"), E(), N(1), E(), N(1), N(2), E(), N(100000)},
         R::Skip},
        {"barcode of 20 skips",
         {N(5), T("MILK"), E(), N(1), E(), N(1), N(0), T("12345678901234567890")},
         R::Skip},
        {"description 2 of 36 skips",
         {N(5), T("MILK"), T("123456789012345678901234567890123456"), N(1)},
         R::Skip},
        {"characters the register lacks skip", {N(5), T("MILK\xE4\xB8\xAD")}, R::Skip},
        {"formula without value in a price skips", {N(5), T("MILK"), E(), F()}, R::Skip},
        {"formula without value in the description stops", {N(5), F()}, R::NeedsRecalculation},
        {"unit 2, stock 1.2345 is 1235 thousandths",
         {N(7), T("CHEESE"), E(), N(3.5), E(), N(2), N(2), E(), N(1.2345)},
         R::Complete,
         7,
         1235,
         uint8_t(2 | FlagActive | FlagDecimalQty | FlagStockProgrammed),
         "",
         "CHEESE"},
        {"unit 0, stock 7.5 is 8 pieces",
         {N(8), T("BREAD"), E(), N(1), E(), N(0), N(0), E(), N(7.5)},
         R::Complete,
         8,
         8,
         uint8_t(FlagStockProgrammed),
         "",
         "BREAD"},
        {"price 0 is a free price, texts with commas",
         {T(" 9 "), T("A VERY LONG DESCRIPTION"), E(), T("0,00"), T("1,5"), T("3"), T("1"), E(), T("2,5")},
         R::Complete,
         9,
         2500,
         uint8_t(3 | FlagActive | FlagFreePrice | FlagDecimalQty | FlagStockProgrammed),
         "",
         "A VERY LONG "},
        {"apostrophe dropped once from a barcode",
         {N(9999), T("X"), E(), N(1), E(), E(), E(), T("''0012345678905")},
         R::Complete,
         9999,
         0,
         0,
         "'0012345678905",
         "X"},
        {"numeric barcode in full",
         {N(0), T("X"), E(), N(1), E(), E(), E(), N(4006381333931.0)},
         R::Complete,
         0,
         0,
         0,
         "4006381333931",
         "X"},
    };
    for (const RowCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const SheetRows rows = OneRow(c.Cells);
        const PluSheet::RowOutcome outcome = PluSheet::ReadPluRow(rows, 2, 2, DefaultStyle());
        ASSERT_EQ(int(outcome.Result), int(c.Result));
        if (c.Result == R::Skip) {
            EXPECT_FALSE(outcome.Reason[0].isEmpty());
            EXPECT_FALSE(outcome.Reason[1].isEmpty());
        }
        if (c.Result != R::Complete)
            continue;
        EXPECT_EQ(outcome.Plu, c.Plu);
        EXPECT_EQ(outcome.Record.Stock, c.Stock);
        EXPECT_EQ(int(outcome.Record.Flags), int(c.Flags));
        EXPECT_EQ(outcome.Record.BarcodeText(), QByteArray(c.Barcode));
        EXPECT_EQ(outcome.Record.DescriptionText(), QByteArray(c.Description));
    }
}

// Small letters are taken as typing takes them: the register's texts in
// capitals, Latin and Cyrillic alike, Description 2 as written; only a
// character the register cannot show skips the row, and it is named.
TEST(PluSheetRowRules, SmallLettersAreTakenAsTypedAndALackingCharacterIsNamed) {
    struct Case {
        int Charset;
        const char* Description;
        const char* Description2;
        const char* Barcode;
        QByteArray StoredDescription;
        QByteArray StoredDescription2;
        QByteArray StoredBarcode;
    };
    const Case cases[] = {
        {204, "mleko 1l", "Fresh milk", "abc123", "MLEKO 1L", "Fresh milk", "ABC123"},
        {204, "хлеб", "бели хлеб", "", QByteArray("\xD5\xCB\xC5\xC1"),
         QByteArray("\xE1\xE5\xEB\xE8 \xF5\xEB\xE5\xE1"), ""},
        {238, "čaj", "Čaj od nane", "",
         QByteArray("\xC8"
                    "AJ"),
         QByteArray("\xC8"
                    "aj od nane"),
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Description);
        PluCells::Style style;
        style.Charset = c.Charset;
        const SheetRows rows =
            OneRow({N(3), T(c.Description), T(c.Description2), N(1), E(), N(1), N(0), T(c.Barcode)});
        const PluSheet::RowOutcome outcome = PluSheet::ReadPluRow(rows, 2, 2, style);
        ASSERT_EQ(outcome.Result, R::Complete) << outcome.Reason[0].toStdString();
        EXPECT_EQ(outcome.Record.DescriptionText(), c.StoredDescription);
        EXPECT_EQ(outcome.Record.Description2Text(), c.StoredDescription2);
        EXPECT_EQ(outcome.Record.BarcodeText(), c.StoredBarcode);
    }

    const PluSheet::RowOutcome lacking =
        PluSheet::ReadPluRow(OneRow({N(5), T("MILK\xE4\xB8\xAD")}), 2, 2, DefaultStyle());
    ASSERT_EQ(lacking.Result, R::Skip);
    EXPECT_EQ(lacking.Reason[0],
              QString::fromUtf8("column B: '\xE4\xB8\xAD' is a character the register cannot show"));
    EXPECT_EQ(lacking.Reason[1],
              QString::fromUtf8("kolona B: '\xE4\xB8\xAD' je znak koji kasa ne može da prikaže"));
}

TEST(PluSheetRowRules, MacrosVariantTakesDescriptionsFromJAndK) {
    SheetRows rows(PluSheet::LastDataRow, PluSheet::ReadColumns);
    const SheetRow cells = {N(4), T("IGNORED"), T("IGNORED TOO"), N(2),       E(), E(), E(),
                            E(),  E(),          T("FROM J"),      T("FROM K")};
    for (size_t c = 0; c < cells.size(); ++c)
        rows.Set(2, int(c) + 1, cells[c]);
    const auto outcome = PluSheet::ReadPluRow(rows, 2, PluSheet::MacrosDescriptionColumn, DefaultStyle());
    ASSERT_EQ(outcome.Result, R::Complete);
    EXPECT_EQ(outcome.Record.DescriptionText(), QByteArray("FROM J"));
    EXPECT_EQ(outcome.Record.Description2Text(), QByteArray("FROM K"));
}

TEST(PluSheetImport, EmptyColumnAEndsSkipsAreCountedAndNetPriceIsKept) {
    SheetRows rows(PluSheet::LastDataRow, PluSheet::ReadColumns);
    const auto put = [&](int row, const SheetRow& cells) {
        for (size_t c = 0; c < cells.size(); ++c)
            rows.Set(row, int(c) + 1, cells[c]);
    };
    put(1, {T("Code"), T("Description")});
    put(2, {N(1), T("ONE"), E(), N(1), N(0.5)});
    put(3, {N(2), E()});                     // skipped
    put(4, {N(3), T("THREE"), E(), T("x")}); // skipped
    put(5, {N(4), T("FOUR")});
    put(6, {N(10000), T("TOO FAR")}); // skipped, and the rows after it still count
    put(7, {N(-1), T("BELOW")});      // skipped
    put(8, {N(9002), T("LATE")});
    put(9, {N(4), T("FOUR AGAIN AND LONGER"), E(), N(2), E(), N(1)}); // replaces PLU 4, cut to 12
    put(10, {E(), T("GAP")});
    put(11, {N(6), T("AFTER THE GAP")});
    put(12, {E(), E(), E(), N(3)});
    PluTable table;
    PluSheet::PluImport import(rows, 2, DefaultStyle());
    while (!import.Step(table, 2)) {
    }
    const auto& summary = import.Summary();
    EXPECT_EQ(summary.Imported, 3);
    EXPECT_EQ(summary.Repeated, 1);
    EXPECT_EQ(summary.Shortened, 1);
    EXPECT_EQ(summary.EmptyPriceOrDepartment, 3); // rows 2, 5 and 8
    EXPECT_EQ(summary.Skipped, 4);
    ASSERT_EQ(summary.SkippedRows.size(), 4u);
    EXPECT_EQ(summary.SkippedRows[0].first, 3);
    EXPECT_EQ(summary.SkippedRows[1].first, 4);
    EXPECT_EQ(summary.SkippedRows[2].first, 6);
    EXPECT_EQ(summary.SkippedRows[3].first, 7);
    EXPECT_EQ(table[9002].DescriptionText(), QByteArray("LATE"));
    EXPECT_EQ(table[1].NetPrice, 0.5);
    EXPECT_EQ(table[1].Code, 1u);
    EXPECT_EQ(table[4].DescriptionText(), QByteArray("FOUR AGAIN A"));
    EXPECT_TRUE(table[6].DescriptionText().isEmpty());
    EXPECT_EQ(summary.FirstPlu, 1);
    EXPECT_EQ(summary.LastPlu, 9002);
    EXPECT_EQ(summary.EndRow, 10);
    EXPECT_EQ(summary.RowsAfterEnd, 2);
    EXPECT_EQ(summary.RowsBeyond, 0);
    const QString text = summary.Text(0);
    EXPECT_TRUE(text.contains(
        QStringLiteral("Rows not read after row 10, whose PLU cell is empty and ends the data: 2")))
        << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("below row"))) << text.toStdString();
    EXPECT_TRUE(summary.Text(1).contains(QStringLiteral("Nepročitanih redova posle reda 10")))
        << summary.Text(1).toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("PLUs imported: 3"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("row 3: the description is empty"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("row 6: column A: 10000 is not a PLU number (0 to 9999)")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Rows for a PLU taken before (the later row counts): 1")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Descriptions shortened to 12 characters: 1")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral(
        "Rows with an empty price or department, taken as 0 (a free price, an inactive PLU): 3")))
        << text.toStdString();
    EXPECT_TRUE(summary.Text(1).contains(QStringLiteral("Preskočeno redova: 4")));
    EXPECT_TRUE(summary.Text(1).contains(QStringLiteral("Opisa skraćenih na 12 znakova: 1")));
    EXPECT_TRUE(summary.Text(1).contains(QStringLiteral("red 7: kolona A: -1 nije PLU broj (0 do 9999)")))
        << summary.Text(1).toStdString();
}

TEST(PluSheetImport, ListsTheFirstTwentySkipsAndReadsRow10001) {
    SheetRows rows(PluSheet::LastDataRow, PluSheet::ReadColumns);
    for (int row = 2; row <= 10001; ++row) {
        rows.Set(row, 1, N(row - 2));
        if (row % 2 == 0 || row == 10001)
            rows.Set(row, 2, T("D"));
    }
    // A sheet longer than the register's PLUs: read past, and said.
    for (int row = 10002; row <= 10004; ++row)
        rows.Set(row, 1, N(1));
    PluTable table;
    PluSheet::PluImport import(rows, 2, DefaultStyle());
    EXPECT_EQ(import.RowsTotal(), 10000);
    while (!import.Step(table, 500)) {
    }
    EXPECT_EQ(import.Summary().Imported, 5001);
    EXPECT_EQ(import.Summary().Skipped, 4999);
    EXPECT_EQ(import.Summary().SkippedRows.size(), 20u);
    EXPECT_EQ(table[9999].DescriptionText(), QByteArray("D"));
    EXPECT_TRUE(import.Summary().Text(0).contains(QStringLiteral("(the first 20 listed)")));
    EXPECT_EQ(import.Summary().RowsAfterEnd, 0);
    EXPECT_TRUE(import.Summary().Text(0).contains(
        QStringLiteral("Rows not read below row 10001 (the register holds 10000 PLUs): 3")))
        << import.Summary().Text(0).toStdString();
    EXPECT_TRUE(import.Summary().Text(1).contains(QStringLiteral("Nepročitanih redova ispod reda 10001")));
}

TEST(PluSheetExport, RowsCarryGridTextsAndNumbers) {
    PluRecord r;
    r.SetDescription("MILK");
    r.Price = 12.5;
    r.Unit = 2;
    r.Stock = 1500;
    r.Flags = 3 | FlagActive | FlagDecimalQty;
    r.SetBarcode("0012345678905");
    PluCells::Style style = DefaultStyle();
    style.DecimalSeparator = QLatin1Char(',');
    const SheetRow row = PluSheet::ExportRow(r, 10, style);
    ASSERT_EQ(row.size(), 9u);
    EXPECT_EQ(row[0].Number, 10);
    EXPECT_EQ(row[1].Text, QStringLiteral("MILK"));
    EXPECT_EQ(row[3].Type, Kind::Number);
    EXPECT_EQ(row[3].Number, 12.5);
    EXPECT_EQ(row[3].Decimals, 2);
    EXPECT_EQ(row[5].Number, 3);
    EXPECT_EQ(row[6].Number, 2);
    EXPECT_EQ(row[7].Type, Kind::Text);
    EXPECT_EQ(row[7].Text, QStringLiteral("0012345678905"));
    EXPECT_EQ(row[8].Number, 1.5);
    EXPECT_EQ(row[8].Decimals, 3);
    const SheetRow titles = PluSheet::TitleRow(0);
    ASSERT_EQ(titles.size(), 9u);
    EXPECT_EQ(titles[0].Text, QStringLiteral("Code"));
    EXPECT_EQ(titles[7].Text, QStringLiteral("Barcode"));
    EXPECT_EQ(titles[8].Text, QStringLiteral("Stock"));
}

namespace {

void ExportAll(const PluTable& table, const QString& path) {
    auto writer = MakeSheetWriter(path);
    ASSERT_TRUE(writer);
    writer->AddRow(PluSheet::TitleRow(0));
    for (int n = 0; n < PluTable::Size; ++n)
        writer->AddRow(PluSheet::ExportRow(table[n], n, DefaultStyle()));
    ASSERT_EQ(writer->Finish(), SheetError::None);
}

void ImportAll(const QString& path, PluTable& table) {
    SheetRows rows(PluSheet::LastDataRow, PluSheet::ReadColumns);
    ASSERT_EQ(ReadSheetFile(path, rows), SheetError::None);
    PluSheet::PluImport import(rows, 2, DefaultStyle());
    while (!import.Step(table, 1000)) {
    }
    EXPECT_EQ(import.Summary().Imported, PluTable::Size) << import.Summary().Text(0).toStdString();
}

} // namespace

TEST(PluSheetRoundTrip, TenThousandPlusThroughXlsxAndCsv) {
    PluTable source;
    FillVariedPlus(source);
    QTemporaryDir dir;
    for (const char* name : {"plus.xlsx", "plus.csv"}) {
        SCOPED_TRACE(name);
        const QString path = dir.filePath(QString::fromLatin1(name));
        ExportAll(source, path);
        PluTable imported;
        ImportAll(path, imported);
        ExpectSamePlus(source, imported);
        // Nothing but the target is left in the folder.
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(),
                  qsizetype(name == std::string("plus.xlsx") ? 1 : 2));
    }
}

TEST(SheetWriters, AFailedWriteLeavesTheTargetAsItWas) {
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("no/such/folder/plus.xlsx"));
    auto writer = MakeSheetWriter(missing);
    ASSERT_TRUE(writer);
    writer->AddRow(PluSheet::TitleRow(0));
    EXPECT_EQ(writer->Finish(), SheetError::CannotWrite);
    EXPECT_FALSE(QFile::exists(missing));
    EXPECT_FALSE(MakeSheetWriter(dir.filePath(QStringLiteral("plus.ods"))));
}
