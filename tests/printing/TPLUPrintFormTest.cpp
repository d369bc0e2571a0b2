#include "../shell/ShellFixture.h"
#include "support/TestFiles.h"

#include "printing/TPLUPrintForm.h"
#include "printing/TRepStatusForm.h"
#include "toolkit/FileDialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <sys/stat.h>

namespace {

// The printing wizard of the program over a full table; print jobs go to PDF
// files whose text is read back with pdftotext.
class PrintWizardTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        Item("MnEnglish")->trigger();
        PluTable& table = Data().Table();
        table.FillDefaults();
        for (int n = 0; n < PluTable::Size; ++n) {
            if (n % 2 == 0)
                table[n].Flags = uint8_t(FlagActive | 1);
            table[n].Price = n + 0.5;
        }
        table[7].SetDescription("MILK");
        FileDialogs::SetFileHook([this](const FileDialogs::FileRequest&) {
            ++dialogs;
            return pdfFile;
        });
        FileDialogs::SetPrintHook([this](QPrinter& printer) {
            ++dialogs;
            if (pdfFile.isEmpty())
                return false;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdfFile);
            return true;
        });
        Item("PLUDBPrint1")->trigger();
    }
    void TearDown() override {
        FileDialogs::SetFileHook({});
        FileDialogs::SetPrintHook({});
        ShellTest::TearDown();
    }

    [[nodiscard]] TDataForm& Data() const { return forms->DataForm(); }
    [[nodiscard]] TPLUPrintForm& Wizard() const { return forms->PLUPrintForm(); }
    template <typename T> T* On(const char* name) const {
        T* control = Wizard().findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    void Click(const char* name) { On<QAbstractButton>(name)->click(); }
    void ChooseRange(const char* button, const char* from, const char* to) {
        Click(button);
        On<QLineEdit>("From")->setText(QString::fromLatin1(from));
        On<QLineEdit>("To")->setText(QString::fromLatin1(to));
    }
    [[nodiscard]] QString Preview() const { return Wizard().RepRichEdit()->toPlainText(); }
    [[nodiscard]] QString PdfText() const {
        QProcess pdftotext;
        pdftotext.start(QStringLiteral("pdftotext"),
                        {QStringLiteral("-layout"), pdfFile, QStringLiteral("-")});
        if (!pdftotext.waitForFinished(120000))
            return {};
        return QString::fromUtf8(pdftotext.readAllStandardOutput());
    }

    QString pdfFile;
    int dialogs = 0;
};

TEST_F(PrintWizardTest, PagesRangeCheckAndPreviewOnTheClipboard) {
    EXPECT_TRUE(Wizard().isVisible());
    EXPECT_EQ(Wizard().PageIndex(), 0);
    EXPECT_FALSE(On<QCheckBox>("PLUCode")->isEnabled());
    EXPECT_TRUE(On<QCheckBox>("PLUDesc")->isChecked());
    Click("ChoiceNext");
    EXPECT_EQ(Wizard().PageIndex(), 1);
    EXPECT_TRUE(On<QRadioButton>("FromTo")->isChecked());
    EXPECT_TRUE(On<QRadioButton>("Matrix")->isChecked());

    ChooseRange("FromTo", "20", "10");
    EXPECT_TRUE(On<QPushButton>("FinalNext")->isEnabled());
    QApplication::clipboard()->setText(QStringLiteral("kept"));
    Click("Preview");
    EXPECT_TRUE(On<QLineEdit>("To")->text().isEmpty());
    EXPECT_FALSE(On<QPushButton>("FinalNext")->isEnabled());
    EXPECT_EQ(Wizard().PageIndex(), 1);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("kept"));

    ChooseRange("FromToAll", "5", "8");
    Click("Preview");
    EXPECT_EQ(Wizard().PageIndex(), 2);
    const QString expected = QStringLiteral("COD.  DESCRIPTION   \n") + QString(20, u'-') +
                             QStringLiteral("\n   5  COD    5      \n   6  COD    6      \n"
                                            "   7  MILK          \n   8  COD    8      ");
    EXPECT_EQ(Preview(), expected);
    EXPECT_EQ(QApplication::clipboard()->text(), expected);
    EXPECT_EQ(Wizard().RepRichEdit()->font().pointSize(), 8);
    Click("ClosePrevBtn");
    EXPECT_EQ(Wizard().PageIndex(), 1);

    // Active only, horizontal, with the price.
    Click("Back");
    On<QCheckBox>("PLUPrice")->setChecked(true);
    On<QComboBox>("FontSzBox")->setCurrentText(QStringLiteral("12"));
    Click("ChoiceNext");
    ChooseRange("FromTo", "5", "8");
    Click("Horizontal");
    Click("Preview");
    EXPECT_EQ(
        Preview(),
        QString(48, u'_') +
            QStringLiteral("\nCode        :   6\nDescription :COD    6    \nPrice       :6.50      \n") +
            QString(48, u'_') +
            QStringLiteral("\nCode        :   8\nDescription :COD    8    \nPrice       :8.50      "));
    EXPECT_EQ(Wizard().RepRichEdit()->font().pointSize(), 12);

    // Cancel resets the wizard and closes it; the fields come back as last
    // chosen with Next (they are kept between runs too).
    Click("ClosePrevBtn");
    Click("CancelFinal");
    EXPECT_FALSE(Wizard().isVisible());
    EXPECT_EQ(Wizard().PageIndex(), 0);
    EXPECT_TRUE(On<QCheckBox>("PLUPrice")->isChecked());
    EXPECT_EQ(Wizard().FieldChoices(), QStringList{QStringLiteral("PLUPrice")});
    On<QCheckBox>("PLUStock")->setChecked(true);
    Click("PrintCancel");
    EXPECT_FALSE(On<QCheckBox>("PLUStock")->isChecked());
    EXPECT_EQ(Wizard().PrintLayout(), PluPrintout::Layout::Matrix);
    EXPECT_EQ(On<QComboBox>("FontSzBox")->currentText(), QStringLiteral("8"));

    // Escape and the window's close button close it too, from any page.
    Item("PLUDBPrint1")->trigger();
    Click("ChoiceNext");
    QTest::keyClick(&Wizard(), Qt::Key_Escape);
    EXPECT_FALSE(Wizard().isVisible());
    EXPECT_EQ(Wizard().PageIndex(), 0);
    Item("PLUDBPrint1")->trigger();
    EXPECT_TRUE(Wizard().close());
    EXPECT_FALSE(Wizard().isVisible());
}

TEST_F(PrintWizardTest, CancelInTheStatusDialogStopsTheBuildAndKeepsTheFinalPage) {
    Click("ChoiceNext");
    Click("All");
    TRepStatusForm& status = forms->RepStatusForm();
    bool seenRunning = false;
    QTimer::singleShot(0, &status, [&] {
        seenRunning = status.isVisible();
        status.findChild<QPushButton*>(QStringLiteral("CancelButton"))->click();
    });
    const PluTable before = Data().Table();
    Click("Preview");
    EXPECT_TRUE(seenRunning);
    EXPECT_FALSE(status.isVisible());
    EXPECT_EQ(Wizard().PageIndex(), 1);
    EXPECT_TRUE(Preview().isEmpty());
    EXPECT_TRUE(Wizard().isVisible());
    EXPECT_TRUE(std::ranges::equal(Data().Table().Bytes(), before.Bytes()));
}

TEST_F(PrintWizardTest, CancelledPrintDialogKeepsTheLastPageAndAnUnwritablePdfIsReported) {
    Click("ChoiceNext");
    ChooseRange("FromTo", "0", "10");
    Click("FinalNext");
    EXPECT_EQ(dialogs, 1);
    EXPECT_TRUE(Wizard().isVisible());
    EXPECT_EQ(Wizard().PageIndex(), 1);
    EXPECT_TRUE(boxes.empty());

    // A target that cannot be written is said before the job, with the system's reason.
    pdfFile = QDir(workDir.path()).filePath(QStringLiteral("no-such-dir/list.pdf"));
    Click("FinalNext");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Text, QStringLiteral("Could not print file !\n%1: No such file or directory")
                                 .arg(QDir::toNativeSeparators(pdfFile)));
    EXPECT_EQ(Wizard().PagesPrinted(), 0);
    EXPECT_TRUE(Wizard().isVisible());
    EXPECT_EQ(Wizard().PageIndex(), 1);

    // The listing replaces an earlier file only once it is whole.
    pdfFile = QDir(workDir.path()).filePath(QStringLiteral("list.pdf"));
    WriteFile(pdfFile, "an earlier file");
    ASSERT_TRUE(QDir(workDir.path()).mkdir(QStringLiteral("list.pdf.part"))); // the job cannot write
    Click("FinalNext");
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(boxes[1].Text.startsWith(QStringLiteral("Could not print file !\n")))
        << boxes[1].Text.toStdString();
    EXPECT_EQ(ReadFile(pdfFile), QByteArray("an earlier file"));
    ASSERT_TRUE(QDir(workDir.path()).rmdir(QStringLiteral("list.pdf.part")));
    Click("FinalNext");
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(ReadFile(pdfFile).startsWith("%PDF"));
    EXPECT_GT(Wizard().PagesPrinted(), 0);
    EXPECT_FALSE(QFile::exists(pdfFile + QStringLiteral(".part")));
    EXPECT_FALSE(Wizard().isVisible());
}

TEST_F(PrintWizardTest, APdfGoesOnlyToARegularFileThroughItsLinks) {
    Click("ChoiceNext");
    ChooseRange("FromTo", "0", "10");
    // A FIFO is refused by its name: opening it would hold the window until someone reads.
    pdfFile = QDir(workDir.path()).filePath(QStringLiteral("fifo.pdf"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pdfFile).constData(), 0600), 0);
    Click("FinalNext");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Text, QStringLiteral("Could not print file !\n%1: a FIFO, not a regular file")
                                 .arg(QDir::toNativeSeparators(pdfFile)));
    EXPECT_TRUE(QFileInfo(pdfFile).exists() && !QFileInfo(pdfFile).isFile());

    // Through a link the listing lands in the file it leads to; the link stays.
    pdfFile = QDir(workDir.path()).filePath(QStringLiteral("linked.pdf"));
    ASSERT_TRUE(QFile::link(QStringLiteral("real.pdf"), pdfFile));
    Click("FinalNext");
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(QFileInfo(pdfFile).isSymLink());
    EXPECT_TRUE(ReadFile(QDir(workDir.path()).filePath(QStringLiteral("real.pdf"))).startsWith("%PDF"));
}

TEST_F(PrintWizardTest, TheStatusDialogShowsThePagesAndItsCancelStopsThePrintJob) {
    Click("ChoiceNext");
    Click("All");
    Click("Horizontal");
    pdfFile = QDir(workDir.path()).filePath(QStringLiteral("stopped.pdf"));
    TRepStatusForm& status = forms->RepStatusForm();
    QString shown;
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, &status, [&] {
        // Cancel once a few pages are out. A page can pass between two looks,
        // so any page from the third on will do.
        const QString text = status.Percent()->text();
        const QRegularExpressionMatch page =
            QRegularExpression(QStringLiteral("^Page (\\d+) of ")).match(text);
        if (shown.isEmpty() && status.isVisible() && page.hasMatch() && page.captured(1).toInt() >= 3) {
            shown = text;
            status.findChild<QPushButton*>(QStringLiteral("CancelButton"))->click();
        }
    });
    watch.start();
    Click("FinalNext");
    watch.stop();
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^Page \\d+ of \\d+, \\d+:\\d\\d left$")).match(shown).hasMatch())
        << shown.toStdString();
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(status.isVisible());
    EXPECT_TRUE(Wizard().isVisible());
    EXPECT_EQ(Wizard().PageIndex(), 1);
    EXPECT_FALSE(QFile::exists(pdfFile));
    EXPECT_FALSE(QFile::exists(pdfFile + QStringLiteral(".part")));
}

TEST_F(PrintWizardTest, TenThousandPlusToPdfInBothLayouts) {
    ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        << "pdftotext (poppler-utils) reads the printed PDF back";
    Data().Table()[9999].SetDescription2("LAST ONE WITH A SECOND LINE OF TEXT");
    Data().Table()[9999].Unit = 9; // printed as "item", left in the table
    Data().Table()[9999].SetBarcode("3859999999999");
    Data().Table()[9999].Stock = 4321;
    const PluTable before = Data().Table();

    // Matrix of every field: wider than a page across, so nothing may be cut.
    for (const char* box : {"Description2", "PLUPrice", "PLUCost", "PLUDept", "PLUWP", "PLUA", "PLUPr",
                            "PLUBarcode", "PLUStock"})
        On<QCheckBox>(box)->setChecked(true);
    Click("ChoiceNext");
    Click("All");
    pdfFile = QDir(workDir.path()).filePath(QStringLiteral("matrix.pdf"));
    Click("FinalNext");
    EXPECT_TRUE(boxes.empty()) << boxes.front().Text.toStdString();
    EXPECT_FALSE(Wizard().isVisible());
    EXPECT_EQ(Wizard().PageIndex(), 0);
    const QString matrix = PdfText();
    ASSERT_FALSE(matrix.isEmpty());
    const QRegularExpression pluLine(QStringLiteral("^\\s*(\\d+) +(COD +\\d+|MILK)\\s"),
                                     QRegularExpression::MultilineOption);
    int lines = 0;
    for (auto it = pluLine.globalMatch(matrix); it.hasNext(); it.next())
        ++lines;
    EXPECT_EQ(lines, 10000);
    // Wider than the page even across: the rest of a line goes on below, nothing is cut.
    const QString last = matrix.mid(matrix.lastIndexOf(QStringLiteral("LAST ONE")));
    EXPECT_TRUE(last.contains(QStringLiteral("3859999999999")));
    EXPECT_TRUE(last.contains(QStringLiteral("4321")));
    EXPECT_TRUE(matrix.contains(QStringLiteral("LAST ONE WITH A SECOND LINE OF TEXT")));
    EXPECT_TRUE(matrix.contains(QStringLiteral("9999.50")));
    EXPECT_TRUE(matrix.contains(QStringLiteral("BARCODE")));
    EXPECT_TRUE(std::ranges::equal(Data().Table().Bytes(), before.Bytes()));

    // Horizontal, active PLUs with the unit.
    Item("PLUDBPrint1")->trigger();
    On<QCheckBox>("PLUWP")->setChecked(true);
    Click("ChoiceNext");
    Click("AllActive");
    Click("Horizontal");
    pdfFile = QDir(workDir.path()).filePath(QStringLiteral("horizontal.pdf"));
    Click("FinalNext");
    EXPECT_TRUE(boxes.empty());
    const QString horizontal = PdfText();
    const QRegularExpression codeLine(QStringLiteral("^\\s*Code\\s+:\\s*(\\d+)\\s*$"),
                                      QRegularExpression::MultilineOption);
    QList<int> codes;
    for (auto it = codeLine.globalMatch(horizontal); it.hasNext();)
        codes << it.next().captured(1).toInt();
    ASSERT_EQ(codes.size(), 5000);
    EXPECT_EQ(codes.first(), 0);
    EXPECT_EQ(codes.last(), 9998);
    EXPECT_EQ(horizontal.count(QStringLiteral("Wgt/Pcs     :item")), 5000);
    EXPECT_TRUE(std::ranges::equal(Data().Table().Bytes(), before.Bytes()));
}

} // namespace
