#include "SheetTestSupport.h"
#include "support/TestFiles.h"

#include "database/PluTable.h"
#include "spreadsheets/OoxmlSheet.h"
#include "spreadsheets/PluSheet.h"
#include "spreadsheets/SheetTemplate.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <zip.h>

#include <map>

namespace {

std::map<QString, QByteArray> Parts(const QString& path, QStringList* order = nullptr) {
    std::map<QString, QByteArray> parts;
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    if (!archive)
        return parts;
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        const QString name = QString::fromUtf8(zip_get_name(archive, zip_uint64_t(i), 0));
        QByteArray bytes;
        EXPECT_TRUE(Ooxml::ReadPart(archive, name, 1 << 26, bytes)) << name.toStdString();
        parts[name] = bytes;
        if (order)
            *order << name;
    }
    zip_close(archive);
    return parts;
}

} // namespace

TEST(SheetTemplate, OnlyCellsAToIOfTheWrittenRowsChange) {
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("macros.xlsm"));
    ORVEX_RUN_PYTHON(QStringLiteral(R"(
import sys, zipfile, openpyxl
path = sys.argv[1]
wb = openpyxl.Workbook()
first = wb.active
first.title = "Notes"
first["A1"] = "not the PLU sheet"
ws = wb.create_sheet("PLU")
ws["A1"] = "old title"
ws["B3"] = "OLD DESCRIPTION"
ws["J2"] = "=B2&\"!\""
ws["K1"] = "Descr 2 of J"
ws["A20"] = "KEEP ME"
wb.active = 1
wb.save(path)
with zipfile.ZipFile(path, "a") as z:
    z.writestr("xl/vbaProject.bin", bytes(range(256)) * 8)
)"),
                     {source});
    const QByteArray templateBefore = ReadFile(source);
    QStringList templateOrder;
    const auto templateParts = Parts(source, &templateOrder);
    ASSERT_TRUE(templateParts.count(QStringLiteral("xl/vbaProject.bin")));

    PluTable table;
    FillVariedPlus(table);
    const QString target = dir.filePath(QStringLiteral("export.xlsm"));
    auto writer = MakeTemplateWriter(source, target);
    writer->AddRow(PluSheet::TitleRow(0));
    for (int n = 10; n <= 14; ++n)
        writer->AddRow(PluSheet::ExportRow(table[n], n, PluCells::Style{}));
    ASSERT_EQ(writer->Finish(), SheetError::None);

    EXPECT_EQ(ReadFile(source), templateBefore) << "the template was changed";
    QStringList targetOrder;
    const auto targetParts = Parts(target, &targetOrder);
    EXPECT_EQ(targetOrder, templateOrder);
    const QString sheetPath = QStringLiteral("xl/worksheets/sheet2.xml");
    for (const auto& [name, bytes] : templateParts) {
        if (name == sheetPath)
            continue;
        EXPECT_EQ(targetParts.at(name), bytes) << name.toStdString();
    }
    const QByteArray sheet = targetParts.at(sheetPath);
    EXPECT_TRUE(sheet.contains("<f>B2&amp;\"!\"</f>")) << sheet.toStdString();
    EXPECT_FALSE(sheet.contains("OLD DESCRIPTION"));

    SheetRows rows(PluSheet::LastDataRow, PluSheet::ReadColumns);
    ASSERT_EQ(ReadSheetFile(target, rows), SheetError::None);
    EXPECT_EQ(rows.Cell(1, 1).Text, QStringLiteral("Code"));
    EXPECT_EQ(rows.Cell(1, 11).Text, QStringLiteral("Descr 2 of J"));
    EXPECT_EQ(rows.Cell(20, 1).Text, QStringLiteral("KEEP ME"));
    EXPECT_EQ(rows.Cell(2, 10).Type, SheetCell::Kind::UncomputedFormula);
    PluTable imported;
    PluSheet::PluImport import(rows, 2, PluCells::Style{});
    while (!import.Step(imported, 100)) {
    }
    EXPECT_EQ(import.Summary().Imported, 5);
    for (int n = 10; n <= 14; ++n) {
        EXPECT_EQ(imported[n].DescriptionText(), table[n].DescriptionText());
        EXPECT_EQ(imported[n].BarcodeText(), table[n].BarcodeText());
        EXPECT_EQ(imported[n].Price, table[n].Price);
        EXPECT_EQ(imported[n].Stock, table[n].Stock);
    }
}

TEST(SheetTemplate, ADamagedTemplateMakesNoFile) {
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("broken.xlsm"));
    WriteFile(source, QByteArrayLiteral("PK\x03\x04 not really a zip"));
    const QString target = dir.filePath(QStringLiteral("out.xlsm"));
    auto writer = MakeTemplateWriter(source, target);
    writer->AddRow(PluSheet::TitleRow(0));
    EXPECT_EQ(writer->Finish(), SheetError::Damaged);
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}
