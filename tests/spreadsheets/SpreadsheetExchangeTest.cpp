#include "shell/ShellFixture.h"
#include "support/TestFiles.h"

#include "database/PluTableModel.h"
#include "plu/PluPage.h"
#include "spreadsheets/PluSheet.h"
#include "spreadsheets/SpreadsheetExchange.h"
#include "spreadsheets/TExpImpForm.h"
#include "toolkit/FileDialogs.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

class SpreadsheetExchangeTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        FileDialogs::SetFileHook([this](const FileDialogs::FileRequest& request) {
            requests.push_back(request);
            if (chosen.isEmpty())
                return QString();
            const QString next = chosen.front();
            chosen.pop_front();
            return next;
        });
        exchange = Window().findChild<SpreadsheetExchange*>();
        ASSERT_TRUE(exchange);
    }
    void TearDown() override {
        FileDialogs::SetFileHook({});
        ShellTest::TearDown();
    }

    [[nodiscard]] QByteArray DatabaseFileBytes() const {
        QFile file(QDir(workDir.path()).filePath(QStringLiteral("pludb.dat")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void Trigger(const char* name) {
        QAction* action = Window().findChild<QAction*>(QString::fromLatin1(name));
        ASSERT_TRUE(action) << name;
        action->trigger();
    }
    void WaitForEnd() {
        ASSERT_TRUE(WaitUntil([this] { return !exchange->Running(); }, 30000));
    }
    void SetRange(const QString& from, const QString& to) {
        Window().ProgSheet()->findChild<QLineEdit*>(QStringLiteral("FromNPlu"))->setText(from);
        Window().ProgSheet()->findChild<QLineEdit*>(QStringLiteral("ToNPlu"))->setText(to);
    }
    PluTable& Table() { return forms->DataForm().Table(); }
    TExpImpForm& Progress() { return forms->ExpImpForm(); }

    SpreadsheetExchange* exchange = nullptr;
    QStringList chosen;
    std::vector<FileDialogs::FileRequest> requests;
    QTemporaryDir files;
};

} // namespace

TEST_F(SpreadsheetExchangeTest, ExportOfARangeThenImportIntoAClearedTable) {
    for (int n = 10; n <= 12; ++n) {
        PluRecord r;
        r.SetDescription(QByteArray("ITEM ") + QByteArray::number(n));
        r.Price = n + 0.25;
        r.NetPrice = n;
        r.Flags = 1 | FlagActive;
        r.SetBarcode("0012345678905");
        Table().StoreRecord(r, n);
        Table()[n].NetPrice = n;
    }
    SetRange(QStringLiteral("10"), QStringLiteral("12abc"));
    const QString path = files.filePath(QStringLiteral("range.xlsx"));
    chosen << path;
    Trigger("MnExport");
    EXPECT_FALSE(Window().isEnabled());
    EXPECT_TRUE(Progress().isVisible());
    WaitForEnd();
    EXPECT_TRUE(Window().isEnabled());
    EXPECT_FALSE(Progress().isVisible());
    ASSERT_FALSE(requests.empty());
    EXPECT_TRUE(requests.back().Save);
    EXPECT_EQ(requests.back().DefaultSuffix, QStringLiteral("xlsx"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes.back().Text.contains(QStringLiteral("3"))) << boxes.back().Text.toStdString();

    SheetRows rows(20, 11);
    ASSERT_EQ(ReadSheetFile(path, rows), SheetError::None);
    EXPECT_EQ(rows.RowCount(), 4);
    EXPECT_EQ(rows.Cell(2, 1).Number, 10);
    EXPECT_EQ(rows.Cell(4, 1).Number, 12);
    EXPECT_EQ(rows.Cell(3, 8).Text, QStringLiteral("0012345678905"));

    Table().Clear();
    Shell().DatabaseChanged = false;
    Shell().PlusReadFromRegister = false;
    const QByteArray fileBefore = DatabaseFileBytes();
    boxes.clear();
    chosen << path;
    Trigger("MnImport");
    EXPECT_FALSE(Window().isEnabled());
    WaitForEnd();
    EXPECT_TRUE(Window().isEnabled());
    EXPECT_EQ(Table()[11].DescriptionText(), QByteArray("ITEM 11"));
    EXPECT_EQ(Table()[11].NetPrice, 11.0);
    EXPECT_EQ(Table()[12].Price, 12.25);
    // Like PLUs read from the register: the close query asks, and No keeps
    // pludb.dat as it was, the way back from a wrong import.
    EXPECT_TRUE(Shell().PlusReadFromRegister);
    EXPECT_FALSE(Shell().DatabaseChanged);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes.back().Text.contains(QStringLiteral("3"))) << boxes.back().Text.toStdString();
    // The grid shows what came in.
    PluTableModel* grid = forms->DataForm().GridModel();
    EXPECT_EQ(grid->data(grid->index(11, PluCells::Description)).toString(), QStringLiteral("ITEM 11"));

    answer = QMessageBox::No;
    EXPECT_TRUE(Window().FormCloseQuery());
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_EQ(DatabaseFileBytes(), fileBefore);
}

// Files carry the texts in the register charset the program is set to; the
// database grid's own charset menu changes only how the grid draws.
TEST_F(SpreadsheetExchangeTest, ExportAndImportUseTheProgramsRegisterCharset) {
    Item("LatCSet")->trigger();
    PluRecord r;
    r.SetDescription(QByteArray("\xC8"
                                "AJ")); // ČAJ in the Latin code page
    r.Price = 2;
    r.Flags = 1 | FlagActive;
    Table().StoreRecord(r, 20);
    SetRange(QStringLiteral("20"), QStringLiteral("20"));
    const QString path = files.filePath(QStringLiteral("latin.csv"));
    chosen << path;
    Trigger("MnExport");
    WaitForEnd();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.contains(QString::fromUtf8("ČAJ"))) << text.toStdString();

    Table()[20].SetDescription("X");
    boxes.clear();
    chosen << path;
    Trigger("MnImport");
    WaitForEnd();
    EXPECT_EQ(Table()[20].DescriptionText(), QByteArray("\xC8"
                                                        "AJ"));
}

TEST_F(SpreadsheetExchangeTest, ImportSummaryListsSkippedRowsAndTheFlagIsSet) {
    Shell().UiLanguage = ShellSettings::English;
    const QString path = files.filePath(QStringLiteral("list.csv"));
    WriteFile(path, QByteArrayLiteral("Code;Description;Description 2;Price\r\n"
                                      "1;MILK;;1,5\r\n"
                                      "2;;;1\r\n"
                                      "3;BREAD;;abc\r\n"
                                      "4;SALT;;0\r\n"));
    chosen << path;
    Shell().PlusReadFromRegister = false;
    Trigger("MnImport");
    WaitForEnd();
    ASSERT_EQ(boxes.size(), 1u);
    const QString text = boxes.back().Text;
    EXPECT_TRUE(text.contains(QStringLiteral("PLUs imported: 2"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("row 3: the description is empty"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("row 4: column D: 'abc' is not a number")))
        << text.toStdString();
    EXPECT_EQ(boxes.back().Icon, QMessageBox::Warning);
    EXPECT_TRUE(Shell().PlusReadFromRegister);
    EXPECT_EQ(Table()[1].Price, 1.5);
    EXPECT_TRUE(Table()[4].Flags & FlagFreePrice);
}

TEST_F(SpreadsheetExchangeTest, ADamagedFileChangesNothingAndSaysWhy) {
    Shell().UiLanguage = ShellSettings::English;
    Table()[5].SetDescription("KEPT");
    const QByteArray before(reinterpret_cast<const char*>(Table().Bytes().data()), PluTable::ByteSize);
    const QString path = files.filePath(QStringLiteral("broken.xlsx"));
    WriteFile(path, QByteArrayLiteral("PK\x03\x04 cut short"));
    chosen << path;
    Shell().PlusReadFromRegister = false;
    Trigger("MnImport");
    WaitForEnd();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes.back().Icon, QMessageBox::Critical);
    EXPECT_TRUE(boxes.back().Text.contains(QStringLiteral("damaged"))) << boxes.back().Text.toStdString();
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(Table().Bytes().data()), PluTable::ByteSize), before);
    EXPECT_FALSE(Shell().DatabaseChanged);
    EXPECT_TRUE(Window().isEnabled());

    // A CSV quote that is never closed names the row it opens in.
    const QString csv = files.filePath(QStringLiteral("quote.csv"));
    WriteFile(csv, QByteArrayLiteral("Code;Description\r\n1;MILK\r\n2;\"BREAD\r\n3;SALT\r\n"));
    chosen << csv;
    Trigger("MnImport");
    WaitForEnd();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(
        boxes.back().Text.endsWith(QStringLiteral("\nThe quote that opens in row 3 is never closed.")))
        << boxes.back().Text.toStdString();
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(Table().Bytes().data()), PluTable::ByteSize), before);
}

TEST_F(SpreadsheetExchangeTest, CancelledExportLeavesNoFile) {
    Shell().UiLanguage = ShellSettings::English;
    SetRange(QStringLiteral("0"), QStringLiteral("9999"));
    const QString path = files.filePath(QStringLiteral("all.csv"));
    chosen << path;
    Trigger("MnExport");
    Progress().CancelButton()->click();
    WaitForEnd();
    EXPECT_FALSE(QFile::exists(path));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes.back().Text.contains(QStringLiteral("cancelled"))) << boxes.back().Text.toStdString();
    EXPECT_TRUE(Window().isEnabled());
    EXPECT_EQ(QDir(files.path()).entryList(QDir::Files | QDir::Hidden).size(), 0);
}

TEST_F(SpreadsheetExchangeTest, MacrosVariantRefusesAnXlsTemplateAndImportsFromJAndK) {
    Shell().UiLanguage = ShellSettings::English;
    Trigger("Filewithmacros");
    EXPECT_EQ(Shell().DescriptionColumn, 10);
    chosen << files.filePath(QStringLiteral("old.xls"));
    Trigger("MnExport");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes.back().Text.contains(QStringLiteral(".xlsm"))) << boxes.back().Text.toStdString();
    EXPECT_FALSE(exchange->Running());

    boxes.clear();
    const QString path = files.filePath(QStringLiteral("macros.csv"));
    WriteFile(path, QByteArrayLiteral("Code,Description,Description 2,Price,,,,,,J,K\r\n"
                                      "7,IGNORED,IGNORED,2,,,,,,FROM J,FROM K\r\n"));
    chosen << path;
    Trigger("MnImport");
    WaitForEnd();
    EXPECT_EQ(Table()[7].DescriptionText(), QByteArray("FROM J"));
    EXPECT_EQ(Table()[7].Description2Text(), QByteArray("FROM K"));
    Trigger("Standardfile");
}
