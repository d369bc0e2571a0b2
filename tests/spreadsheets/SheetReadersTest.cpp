#include "SheetTestSupport.h"
#include "support/TestFiles.h"

#include "database/PluTable.h"
#include "spreadsheets/PluSheet.h"
#include "spreadsheets/SheetRows.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

// The rows every "other program" file holds: a title row, two PLUs, a row
// that must be skipped (department 12) and one more PLU; then an empty A.
const char* const SampleRowsPy = R"(
rows = [
    ["Code", "Description", "Description 2", "Price", "Net Price", "Dept", "Unit", "Barcode", "Stock"],
    [1, "MILK", "FRESH 1L", 1.25, 1.0, 2, 0, "0012345678905", 12],
    [2, "CHEESE", "", 10.5, 0, 3, 2, "'4006381333931", 1.5],
    [3, "BAD", "", 1, 0, 12, 0, "", 0],
    [9999, "LAST", "", "2,75", "", "", "", "", ""],
]
)";

struct Expected {
    int Imported = 3;
    int Skipped = 1;
};

void ExpectSampleImported(const QString& path) {
    SheetRows rows(PluSheet::LastDataRow, PluSheet::ReadColumns);
    ASSERT_EQ(ReadSheetFile(path, rows), SheetError::None);
    PluTable table;
    PluSheet::PluImport import(rows, 2, PluCells::Style{});
    while (!import.Step(table, 100)) {
    }
    EXPECT_EQ(import.Summary().Imported, 3) << import.Summary().Text(0).toStdString();
    EXPECT_EQ(import.Summary().Skipped, 1);
    EXPECT_EQ(table[1].DescriptionText(), QByteArray("MILK"));
    EXPECT_EQ(table[1].Description2Text(), QByteArray("FRESH 1L"));
    EXPECT_EQ(table[1].Price, 1.25);
    EXPECT_EQ(table[1].NetPrice, 1.0);
    EXPECT_EQ(table[1].Department(), 2);
    EXPECT_EQ(table[1].BarcodeText(), QByteArray("0012345678905"));
    EXPECT_EQ(table[1].Stock, 12u);
    EXPECT_EQ(table[2].Unit, 2);
    EXPECT_EQ(table[2].Stock, 1500u);
    EXPECT_EQ(table[2].BarcodeText(), QByteArray("4006381333931"));
    EXPECT_TRUE(table[3].DescriptionText().isEmpty());
    EXPECT_EQ(table[9999].DescriptionText(), QByteArray("LAST"));
    EXPECT_EQ(table[9999].Price, 2.75);
}

} // namespace

TEST(SheetReaders, FilesOfOtherPrograms) {
    QTemporaryDir dir;
    const QString xlsx = dir.filePath(QStringLiteral("openpyxl.xlsx"));
    const QString xls = dir.filePath(QStringLiteral("xlwt.xls"));
    const QString ods = dir.filePath(QStringLiteral("odf.ods"));
    {
        SCOPED_TRACE("openpyxl");
        ORVEX_RUN_PYTHON(QString::fromUtf8(SampleRowsPy) + QStringLiteral(R"(
import sys, openpyxl
wb = openpyxl.Workbook()
ws = wb.active
for r in rows: ws.append(r)
other = wb.create_sheet("Other")
other.append(["nothing", "here"])
wb.save(sys.argv[1])
)"),
                         {xlsx});
        ExpectSampleImported(xlsx);
    }
    {
        SCOPED_TRACE("xlwt");
        ORVEX_RUN_PYTHON(QString::fromUtf8(SampleRowsPy) + QStringLiteral(R"(
import sys, xlwt
wb = xlwt.Workbook()
ws = wb.add_sheet("PLU")
for i, r in enumerate(rows):
    for j, v in enumerate(r): ws.write(i, j, v)
wb.save(sys.argv[1])
)"),
                         {xls});
        ExpectSampleImported(xls);
    }
    {
        SCOPED_TRACE("odf");
        ORVEX_RUN_PYTHON(QString::fromUtf8(SampleRowsPy) + QStringLiteral(R"(
import sys
from odf.opendocument import OpenDocumentSpreadsheet
from odf.table import Table, TableRow, TableCell
from odf.text import P
doc = OpenDocumentSpreadsheet()
t = Table(name="PLU")
for r in rows:
    tr = TableRow()
    for v in r:
        if isinstance(v, str):
            c = TableCell(valuetype="string")
            if v: c.addElement(P(text=v))
        else:
            c = TableCell(valuetype="float", value=v)
            c.addElement(P(text=str(v)))
        tr.addElement(c)
    t.addElement(tr)
doc.spreadsheet.addElement(t)
doc.save(sys.argv[1])
)"),
                         {ods});
        ExpectSampleImported(ods);
    }
}

TEST(SheetReaders, SemicolonCsvWithByteOrderMark) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("calc.csv"));
    WriteFile(path,
              QByteArrayLiteral("\xEF\xBB\xBF"
                                "Code;Description;Description 2;Price;Net Price;Dept;Unit;Barcode;Stock\r\n"
                                "1;MILK;FRESH 1L;1,25;1;2;0;0012345678905;12\r\n"
                                "2;\"CHEESE\";;10,5;0;3;2;'4006381333931;1,5\r\n"
                                "3;BAD;;1;0;12;0;;0\r\n"
                                "9999;LAST;;2,75;;;;;\r\n"));
    ExpectSampleImported(path);
}

// A CSV saved in the Windows code page of the register charset is read in it;
// UTF-8 stays UTF-8. A text of digits written as ="..." keeps its zeros, and
// the writer puts such texts so, so that a spreadsheet program keeps them too.
TEST(SheetReaders, CsvInTheCodePageAndDigitsThatKeepTheirZeros) {
    QTemporaryDir dir;
    const QString latin = dir.filePath(QStringLiteral("latin.csv"));
    WriteFile(latin, QByteArrayLiteral("Code;Description\r\n5;\xC8"
                                       "AJ\r\n"));
    SheetLimits limits;
    limits.CsvCodePage = "windows-1250";
    SheetRows rows(10, 11);
    ASSERT_EQ(ReadSheetFile(latin, rows, limits), SheetError::None);
    EXPECT_EQ(rows.Cell(2, 2).Text, QString::fromUtf8("ČAJ"));
    const QString utf8 = dir.filePath(QStringLiteral("utf8.csv"));
    WriteFile(utf8, QByteArray("Code;Description\r\n5;") + QString::fromUtf8("ČAJ").toUtf8() + "\r\n");
    ASSERT_EQ(ReadSheetFile(utf8, rows, limits), SheetError::None);
    EXPECT_EQ(rows.Cell(2, 2).Text, QString::fromUtf8("ČAJ"));

    const QString written = dir.filePath(QStringLiteral("barcodes.csv"));
    std::unique_ptr<SheetWriter> writer = MakeSheetWriter(written);
    ASSERT_TRUE(writer);
    writer->AddRow({SheetCell::OfNumber(1), SheetCell::OfText(QStringLiteral("0012345678905")),
                    SheetCell::OfText(QStringLiteral("4006381333931")),
                    SheetCell::OfText(QStringLiteral("12345678901234567"))});
    ASSERT_EQ(writer->Finish(), SheetError::None);
    QFile file(written);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(),
              QByteArray("1,=\"0012345678905\",\"4006381333931\",=\"12345678901234567\"\r\n"));
    ASSERT_EQ(ReadSheetFile(written, rows), SheetError::None);
    EXPECT_EQ(rows.Cell(1, 2).Text, QStringLiteral("0012345678905"));
    EXPECT_EQ(rows.Cell(1, 3).Text, QStringLiteral("4006381333931"));
    EXPECT_EQ(rows.Cell(1, 4).Text, QStringLiteral("12345678901234567"));
}

TEST(SheetReaders, DamagedFilesGiveOneReasonAndNoRows) {
    QTemporaryDir dir;
    const QString xlsx = dir.filePath(QStringLiteral("good.xlsx"));
    {
        auto writer = MakeSheetWriter(xlsx);
        writer->AddRow(PluSheet::TitleRow(0));
        writer->AddRow({SheetCell::OfNumber(1), SheetCell::OfText(QStringLiteral("MILK"))});
        ASSERT_EQ(writer->Finish(), SheetError::None);
    }
    const QByteArray good = ReadFile(xlsx);
    SheetRows rows(PluSheet::LastDataRow, PluSheet::ReadColumns);
    ASSERT_EQ(ReadSheetBytes(good, QStringLiteral("xlsx"), rows), SheetError::None);
    EXPECT_EQ(rows.Cell(2, 2).Text, QStringLiteral("MILK"));

    struct Case {
        const char* Name;
        QByteArray Bytes;
        const char* Format;
        SheetError Error;
    };
    const Case cases[] = {
        {"not a zip", QByteArrayLiteral("hello, this is text"), "xlsx", SheetError::Damaged},
        {"truncated", good.left(good.size() / 2), "xlsx", SheetError::Damaged},
        {"encrypted (compound file with its encrypted package)",
         QByteArrayLiteral("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") + QByteArray(600, '\0') +
             QByteArray("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0", 32),
         "xlsx", SheetError::Encrypted},
        // An old workbook renamed to .xlsx is no password's doing.
        {"xls under an xlsx name",
         QByteArrayLiteral("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") + QByteArray(600, '\0'), "xlsx",
         SheetError::Damaged},
        {"garbage xls", QByteArray(2048, 'x'), "xls", SheetError::Damaged},
        {"unknown format", good, "pdf", SheetError::Unsupported},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        rows.Set(2, 2, SheetCell::OfText(QStringLiteral("LEFT OVER")));
        EXPECT_EQ(ReadSheetBytes(c.Bytes, QString::fromLatin1(c.Format), rows), c.Error);
        EXPECT_EQ(rows.RowCount(), 0);
    }
    // A package whose content.xml once stopped the whole program inside orcus.
    const QByteArray malformedOds = ReadFile(QStringLiteral(ORVEX_FIXTURES_DIR "/ods-malformed-content.ods"));
    ASSERT_FALSE(malformedOds.isEmpty());
    EXPECT_EQ(ReadSheetBytes(malformedOds, QStringLiteral("ods"), rows), SheetError::Damaged);

    // An .xls on which libfreexl reads past a buffer: the reading process
    // survives it.
    const QByteArray badXls = ReadFile(QStringLiteral(ORVEX_FIXTURES_DIR "/xls-bad-string.xls"));
    ASSERT_FALSE(badXls.isEmpty());
    EXPECT_EQ(ReadSheetBytes(badXls, QStringLiteral("xls"), rows), SheetError::Damaged);
    {
        // The reader program is outside input too: one that answers nonsense,
        // or none at all.
        QTemporaryDir bin;
        const QString liar = bin.filePath(QStringLiteral("liar"));
        WriteFile(liar, "#!/bin/sh\nprintf 'not rows at all'\n");
        QFile::setPermissions(liar, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        qputenv("ORVEX_XLS_READER", QFile::encodeName(liar));
        EXPECT_EQ(ReadSheetBytes(badXls, QStringLiteral("xls"), rows), SheetError::Damaged);
        qputenv("ORVEX_XLS_READER", QFile::encodeName(bin.filePath(QStringLiteral("missing"))));
        EXPECT_EQ(ReadSheetBytes(badXls, QStringLiteral("xls"), rows), SheetError::CannotOpen);
        qunsetenv("ORVEX_XLS_READER");
    }

    SheetLimits tight;
    tight.FileBytes = good.size() - 1;
    EXPECT_EQ(ReadSheetBytes(good, QStringLiteral("xlsx"), rows, tight), SheetError::TooLarge);
    tight = {};
    tight.UnpackedBytes = 1000;
    EXPECT_EQ(ReadSheetBytes(good, QStringLiteral("xlsx"), rows, tight), SheetError::TooLarge);
}

TEST(SheetReaders, ZipBombMissingStringsAndUncomputedFormulas) {
    QTemporaryDir dir;
    const QString bomb = dir.filePath(QStringLiteral("bomb.xlsx"));
    const QString noStrings = dir.filePath(QStringLiteral("nostrings.xlsx"));
    const QString formula = dir.filePath(QStringLiteral("formula.xlsx"));
    ORVEX_RUN_PYTHON(QStringLiteral(R"(
import sys, zipfile, openpyxl
bomb, nostrings, formula = sys.argv[1:4]
wb = openpyxl.Workbook(); ws = wb.active
ws.append(["Code", "Description"]); ws.append([1, "MILK"])
wb.save(nostrings)
with zipfile.ZipFile(nostrings) as z:
    parts = {n: z.read(n) for n in z.namelist()}
with zipfile.ZipFile(bomb, "w", zipfile.ZIP_DEFLATED) as z:
    for n, b in parts.items(): z.writestr(n, b)
    z.writestr("xl/media/padding.bin", b"\0" * (8 << 20))
# A cell naming shared string 5 of a package that has none.
sheet = parts["xl/worksheets/sheet1.xml"]
sheet = sheet.replace(b'<c r="B2" t="inlineStr"><is><t>MILK</t></is></c>', b'<c r="B2" t="s"><v>5</v></c>')
assert b't="s"' in sheet
parts["xl/worksheets/sheet1.xml"] = sheet
with zipfile.ZipFile(nostrings, "w", zipfile.ZIP_DEFLATED) as z:
    for n, b in parts.items():
        if n != "xl/sharedStrings.xml": z.writestr(n, b)
wb = openpyxl.Workbook(); ws = wb.active
ws.append(["Code", "Description"]); ws.append([1, '="MI"&"LK"'])
wb.save(formula)
)"),
                     {bomb, noStrings, formula});
    SheetRows rows(PluSheet::LastDataRow, PluSheet::ReadColumns);
    EXPECT_EQ(ReadSheetFile(bomb, rows), SheetError::TooLarge);
    EXPECT_EQ(ReadSheetFile(noStrings, rows), SheetError::Damaged);
    ASSERT_EQ(ReadSheetFile(formula, rows), SheetError::None);
    EXPECT_EQ(rows.Cell(2, 2).Type, SheetCell::Kind::UncomputedFormula);
    PluTable table;
    PluSheet::PluImport import(rows, 2, PluCells::Style{});
    while (!import.Step(table, 100)) {
    }
    EXPECT_TRUE(import.Summary().NeedsRecalculation);
    EXPECT_EQ(import.Summary().Imported, 0);
}

TEST(SheetReaders, CellsBeyondTheKeptPartTakeNoRows) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("wide.csv"));
    QByteArray text = "1,A,,,,,,,,,,,,,,,,,,,,,,,far\r\n";
    WriteFile(path, text);
    SheetRows rows(3, 11);
    ASSERT_EQ(ReadSheetFile(path, rows), SheetError::None);
    EXPECT_EQ(rows.Cell(1, 2).Text, QStringLiteral("A"));
    EXPECT_TRUE(rows.Cell(1, 25).IsEmpty());
    rows.Set(4, 1, SheetCell::OfNumber(1));
    EXPECT_EQ(rows.RowCount(), 1);
}

// 15 rows of PLUs and one more with a cell only beyond the kept columns, read
// with room for 10 rows: the 5 below are counted, the wide one is not.
TEST(SheetReaders, RowsBelowTheKeptOnesAreCountedInEveryFormat) {
    QTemporaryDir dir;
    const QString rowsPy = QStringLiteral("rows = [[n, 'P%d' % n] for n in range(1, 16)]\n"
                                          "wide = 16\n");
    const struct {
        const char* Name;
        const char* Script;
    } formats[] = {
        {"rows.csv", R"(
import sys
with open(sys.argv[1], 'w') as f:
    for r in rows: f.write('%d,%s\r\n' % tuple(r))
    f.write(',' * 19 + 'far\r\n')
)"},
        {"rows.xlsx", R"(
import sys, openpyxl
wb = openpyxl.Workbook(); ws = wb.active
for r in rows: ws.append(r)
ws.cell(row=wide, column=20, value='far')
wb.save(sys.argv[1])
)"},
        {"rows.xls", R"(
import sys, xlwt
wb = xlwt.Workbook(); ws = wb.add_sheet('PLU')
for i, r in enumerate(rows):
    for j, v in enumerate(r): ws.write(i, j, v)
ws.write(wide - 1, 19, 'far')
wb.save(sys.argv[1])
)"},
        {"rows.ods", R"(
import sys
from odf.opendocument import OpenDocumentSpreadsheet
from odf.table import Table, TableRow, TableCell
from odf.text import P
doc = OpenDocumentSpreadsheet(); t = Table(name='PLU')
for r in rows:
    tr = TableRow()
    for v in r:
        c = TableCell(valuetype='float', value=v) if isinstance(v, int) else TableCell(valuetype='string')
        c.addElement(P(text=str(v))); tr.addElement(c)
    t.addElement(tr)
tr = TableRow(); tr.addElement(TableCell(numbercolumnsrepeated=19))
c = TableCell(valuetype='string'); c.addElement(P(text='far')); tr.addElement(c); t.addElement(tr)
doc.spreadsheet.addElement(t); doc.save(sys.argv[1])
)"},
    };
    for (const auto& format : formats) {
        SCOPED_TRACE(format.Name);
        const QString path = dir.filePath(QString::fromLatin1(format.Name));
        ORVEX_RUN_PYTHON(rowsPy + QString::fromUtf8(format.Script), {path});
        SheetRows rows(10, 11);
        ASSERT_EQ(ReadSheetFile(path, rows), SheetError::None);
        EXPECT_EQ(rows.RowCount(), 10);
        EXPECT_EQ(rows.Cell(10, 2).Text, QStringLiteral("P10"));
        EXPECT_EQ(rows.RowsBeyondLimit(), 5);
    }
}

TEST(SheetReaders, WorksheetXmlAsOtherWritersShapeIt) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("shaped.xlsx"));
    // Prefixed elements, the active tab on the second sheet, entities, a
    // comment, empty and self-closing cells, a shared formula with its value,
    // a rich inline string with a phonetic run.
    ORVEX_RUN_PYTHON(QStringLiteral(R"(
import sys, zipfile
ns = 'xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"'
sheet2 = ('<?xml version="1.0" encoding="UTF-8"?><x:worksheet ' + ns + '><x:dimension ref="A1:C3"/><x:sheetData>'
  '<!-- written by hand --><x:row r="2"><x:c r="A2" s="1"/><x:c r="B2" t="inlineStr"><x:is><x:r><x:t>A&amp;B</x:t></x:r>'
  '<x:r><x:t xml:space="preserve"> &#x41;&#66;</x:t></x:r><x:rPh><x:t>IGNORED</x:t></x:rPh></x:is></x:c>'
  '<x:c r="C2"><x:f t="shared" si="0"/><x:v>2.5</x:v></x:c></x:row>'
  '<x:row><x:c><x:v>7</x:v></x:c><x:c t="str"><x:f>"S"</x:f><x:v>S&lt;T</x:v></x:c></x:row>'
  '</x:sheetData></x:worksheet>')
sheet1 = '<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData><row r="1"><c r="A1"><v>99</v></c></row></sheetData></worksheet>'
wb = ('<x:workbook ' + ns + '><x:bookViews><x:workbookView activeTab="1"/></x:bookViews><x:sheets>'
  '<x:sheet name="One" sheetId="1" r:id="rId1"/><x:sheet name="Two" sheetId="2" r:id="rId2"/></x:sheets></x:workbook>')
rels = ('<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
  '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/one.xml"/>'
  '<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="/xl/worksheets/two.xml"/>'
  '</Relationships>')
top = ('<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
  '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>'
  '</Relationships>')
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("_rels/.rels", top)
    z.writestr("xl/workbook.xml", wb)
    z.writestr("xl/_rels/workbook.xml.rels", rels)
    z.writestr("xl/worksheets/one.xml", sheet1)
    z.writestr("xl/worksheets/two.xml", sheet2)
)"),
                     {path});
    SheetRows rows(10, 11);
    ASSERT_EQ(ReadSheetFile(path, rows), SheetError::None);
    EXPECT_TRUE(rows.Cell(1, 1).IsEmpty()); // that is the other sheet's
    EXPECT_TRUE(rows.Cell(2, 1).IsEmpty());
    EXPECT_EQ(rows.Cell(2, 2).Text, QStringLiteral("A&B AB"));
    EXPECT_EQ(rows.Cell(2, 3).Type, SheetCell::Kind::Number);
    EXPECT_EQ(rows.Cell(2, 3).Number, 2.5);
    EXPECT_EQ(rows.Cell(3, 1).Number, 7);
    EXPECT_EQ(rows.Cell(3, 2).Text, QStringLiteral("S<T"));
}
