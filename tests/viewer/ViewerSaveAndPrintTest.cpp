#include "../shell/ShellFixture.h"
#include "support/TestFiles.h"

#include "monitor/JournalMonitor.h"
#include "monitor/MonitorPage.h"
#include "printing/TRepStatusForm.h"
#include "reports/ReportsPage.h"
#include "support/PdfText.h"
#include "toolkit/FileDialogs.h"
#include "viewer/LineStore.h"
#include "viewer/LineView.h"
#include "viewer/TextFileCommands.h"
#include "viewer/ViewerMessages.h"
#include "viewer/ViewerPage.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <sys/stat.h>

namespace {

class ViewerTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        Item("MnEnglish")->trigger();
        FileDialogs::SetFileHook([this](const FileDialogs::FileRequest& request) {
            fileRequests.push_back(request);
            return chosenFile;
        });
        FileDialogs::SetPrintHook([this](QPrinter& printer) {
            ++printDialogs;
            if (pdfFile.isEmpty())
                return false;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdfFile);
            return true;
        });
    }
    void TearDown() override {
        FileDialogs::SetFileHook({});
        FileDialogs::SetPrintHook({});
        ShellTest::TearDown();
    }

    [[nodiscard]] QString PathOf(const char* name) const {
        return QDir(workDir.path()).filePath(QString::fromLatin1(name));
    }
    // The viewer's text once its file is read to the end.
    [[nodiscard]] QString Viewer() const {
        EXPECT_TRUE(WaitUntil([this] { return Window().ViewerSheet()->Complete(); }));
        return Window().ViewerSheet()->Text();
    }
    void Journal(const char* hex) { (&forms->Session().Journal())->JournalRecord(Bytes(hex)); }

    std::vector<FileDialogs::FileRequest> fileRequests;
    QString chosenFile;
    QString pdfFile;
    int printDialogs = 0;
};

TEST_F(ViewerTest, SavedMonitorLinesViewBackUnchanged) {
    Item("Monitor1")->trigger();
    Journal("40 05 00 00 01 23");
    Item("MnSerbian")->trigger();
    Journal("4B");
    const QString monitorText = Window().MonitorSheet()->MonListBox()->PlainText();

    chosenFile = PathOf("journal"); // typed without an extension
    Item("SaveFile")->trigger();
    ASSERT_EQ(fileRequests.size(), 1u);
    EXPECT_TRUE(fileRequests[0].Save);
    EXPECT_EQ(fileRequests[0].Filter, TextFileCommands::SaveFilter);
    // Plain text is what is written, so no other type is offered.
    EXPECT_EQ(fileRequests[0].Filter, QStringLiteral("Text File  (*.txt);;All Files  (*)"));
    EXPECT_EQ(ReadFile(PathOf("journal.txt")),
              QByteArray("# OPEN RECEIPT\t   \tOperator Number:5\tReceipt Number:123\r\n# KOREKCIJA \r\n"));

    Item("Viewer1")->trigger();
    EXPECT_FALSE(Item("SaveFile")->isEnabled());
    chosenFile = PathOf("journal.txt");
    Control<QToolButton>("View")->click();
    ASSERT_EQ(fileRequests.size(), 2u);
    EXPECT_FALSE(fileRequests[1].Save);
    EXPECT_EQ(fileRequests[1].Filter, TextFileCommands::OpenFilter);
    EXPECT_EQ(Viewer(), monitorText);
    EXPECT_TRUE(boxes.empty());
}

// A name typed without an extension gets .txt, but one that is already there
// is taken as typed.
TEST_F(ViewerTest, AnExistingNameWithoutExtensionIsTakenAsTyped) {
    WriteFile(PathOf("notes"), "old\n");
    Window().DailySheet()->DailyRich()->SetPlainText(QStringLiteral("new"));
    Item("Reports1")->trigger();
    chosenFile = PathOf("notes");
    Item("SaveFile")->trigger();
    EXPECT_EQ(ReadFile(PathOf("notes")), QByteArray("new\r\n"));
    EXPECT_FALSE(QFile::exists(PathOf("notes.txt")));
}

TEST_F(ViewerTest, TheReportViewSavedAsXlsIsPlainTextLines) {
    Window().DailySheet()->DailyRich()->SetPlainText(QStringLiteral("Sales\t12,00\nTax\tA"));
    Window().ViewerSheet()->ShowText(QStringLiteral("not this"));
    Item("Reports1")->trigger();
    chosenFile = PathOf("report.xls");
    Item("SaveFile")->trigger();
    EXPECT_EQ(ReadFile(chosenFile), QByteArray("Sales\t12,00\r\nTax\tA\r\n"));
}

TEST_F(ViewerTest, CancelledDialogsChangeNothing) {
    Item("Monitor1")->trigger();
    Journal("4B");
    chosenFile.clear();
    Item("SaveFile")->trigger();
    EXPECT_EQ(QDir(workDir.path()).entryList({QStringLiteral("*.txt")}), QStringList());
    Item("Viewer1")->trigger();
    Window().ViewerSheet()->ShowText(QStringLiteral("kept"));
    Item("ViewFile")->trigger();
    EXPECT_EQ(Viewer(), QStringLiteral("kept"));
    pdfFile.clear();
    Item("PrintFile")->trigger();
    EXPECT_EQ(printDialogs, 1);
    EXPECT_EQ(Viewer(), QStringLiteral("kept"));
    EXPECT_FALSE(Window().FileCommands()->PrintStatus()->isVisible());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ViewerTest, ViewingASecondFileReplacesTheFirst) {
    WriteFile(PathOf("a.txt"), "first\r\nfile\r\n");
    WriteFile(PathOf("b.rtf"), "second\n");
    Item("Viewer1")->trigger();
    chosenFile = PathOf("a.txt");
    Item("ViewFile")->trigger();
    EXPECT_EQ(Viewer(), QStringLiteral("first\nfile"));
    chosenFile = PathOf("b.rtf");
    Item("ViewFile")->trigger();
    EXPECT_EQ(Viewer(), QStringLiteral("second"));
}

TEST_F(ViewerTest, FailuresAreShownAndReportedAsSuch) {
    Item("Viewer1")->trigger();
    Window().ViewerSheet()->ShowText(QStringLiteral("old"));
    chosenFile = PathOf("absent.txt");
    Item("ViewFile")->trigger();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Title, QStringLiteral("Orvex Commander"));
    EXPECT_TRUE(boxes[0].Text.contains(chosenFile));
    EXPECT_EQ(Viewer(), QStringLiteral("old")) << "a file that cannot be read leaves the shown text";

    Window().ViewerSheet()->ShowText(QStringLiteral("text"));
    chosenFile = PathOf("no-such-folder/out.txt");
    Item("SaveFile")->trigger();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(boxes[1].Text.contains(chosenFile));

    pdfFile = PathOf("no-such-folder/out.pdf");
    Item("PrintFile")->trigger();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[2].Text, QStringLiteral("Could not print file !"));
    EXPECT_EQ(Viewer(), QStringLiteral("text"));
}

TEST_F(ViewerTest, PrintTakesThePageOnShowToAPdfFile) {
    Window().DailySheet()->DailyRich()->SetPlainText(QStringLiteral("Daily report\tline 1\nline 2"));
    Window().ViewerSheet()->ShowText(QStringLiteral("viewer text"));
    Item("Reports1")->trigger();
    pdfFile = PathOf("report.pdf");
    Control<QToolButton>("Print")->click();
    EXPECT_TRUE(boxes.empty()) << (boxes.empty() ? "" : boxes[0].Text.toStdString());
    EXPECT_EQ(PdfPagesText(pdfFile).join(QString()).simplified(),
              QStringLiteral("Daily report line 1 line 2"));
    const QByteArray pdf = ReadFile(pdfFile);
    EXPECT_TRUE(pdf.startsWith("%PDF-")) << pdf.left(20).toStdString();
    EXPECT_TRUE(pdf.contains("/Type /Page") || pdf.contains("/Type/Page"));

    // A day of journal lines runs over several pages.
    Item("Monitor1")->trigger();
    for (int i = 0; i < 300; ++i)
        Journal("4C 00 00 00 12 34 56");
    pdfFile = PathOf("journal.pdf");
    Item("PrintFile")->trigger();
    EXPECT_TRUE(boxes.empty());
    const QStringList pages = PdfPagesText(pdfFile);
    EXPECT_GE(pages.size(), 2);
    const QString journal = Window().MonitorSheet()->MonListBox()->PlainText();
    EXPECT_EQ(journal.count(QLatin1Char('\n')), 299);
    EXPECT_TRUE(WithoutSpaces(pages.join(QString())) == WithoutSpaces(journal));
}

// Which commands each step leaves enabled.
struct Step {
    const char* Action;
    std::function<void()> Do;
    bool View;
    bool SaveAndPrint;
    bool ClearViewer;
};

TEST_F(ViewerTest, EnablingFollowsThePageAndTheViewerText) {
    WriteFile(PathOf("a.txt"), "one\r\ntwo\r\n");
    WriteFile(PathOf("empty.txt"), "");
    const auto show = [this](const char* item) { return [this, item] { Item(item)->trigger(); }; };
    const auto view = [this](const char* name) {
        return [this, name] {
            chosenFile = PathOf(name);
            Control<QToolButton>("View")->click();
        };
    };
    const Step steps[] = {
        {"start", [] {}, false, false, false},
        {"viewer shown, empty", show("Viewer1"), true, false, false},
        {"a file loaded", view("a.txt"), true, true, true},
        {"cleared", [this] { Control<QPushButton>("ClearViewer")->click(); }, true, false, false},
        {"loaded again", view("a.txt"), true, true, true},
        {"an empty file", view("empty.txt"), true, false, false},
        {"loaded once more", view("a.txt"), true, true, true},
        {"monitor shown, empty", show("Monitor1"), false, false, true},
        {"viewer shown again", show("Viewer1"), true, true, true},
        {"closed", [this] { Control<QPushButton>("CloseViewerSheet")->click(); }, false, false, true},
    };
    for (const Step& step : steps) {
        step.Do();
        SCOPED_TRACE(step.Action);
        EXPECT_EQ(Item("ViewFile")->isEnabled(), step.View);
        EXPECT_EQ(Control<QToolButton>("View")->isEnabled(), step.View);
        for (const char* item : {"SaveFile", "PrintFile"})
            EXPECT_EQ(Item(item)->isEnabled(), step.SaveAndPrint) << item;
        for (const char* button : {"Save", "Print"})
            EXPECT_EQ(Control<QToolButton>(button)->isEnabled(), step.SaveAndPrint) << button;
        EXPECT_EQ(Control<QPushButton>("ClearViewer")->isEnabled(), step.ClearViewer);
    }
    EXPECT_EQ(Shell().SaveTarget, 2);
}

// Font size and wrap are the views' own, and a printout takes the view's
// font: the same lines in a larger size take more pages.
TEST_F(ViewerTest, TheViewsShareFontSizeAndWrapAndPrintInTheirFont) {
    Item("FS10")->trigger();
    Item("WRYes")->trigger();
    EXPECT_EQ(Window().ViewerSheet()->ViewRich()->font().pointSize(), 10);
    EXPECT_EQ(Window().MonitorSheet()->MonListBox()->font().pointSize(), 10);
    EXPECT_TRUE(Window().ViewerSheet()->ViewRich()->WordWrap());

    QStringList lines;
    for (int i = 0; i < 400; ++i)
        lines << QStringLiteral("line %1").arg(i);
    Item("Viewer1")->trigger();
    Window().ViewerSheet()->ShowText(lines.join(QLatin1Char('\n')));
    qsizetype pagesAt[2] = {};
    for (const int size : {8, 12}) {
        Item(size == 8 ? "FS8" : "FS12")->trigger();
        pdfFile = PathOf(size == 8 ? "small.pdf" : "large.pdf");
        Item("PrintFile")->trigger();
        ASSERT_TRUE(boxes.empty());
        const QStringList pages = PdfPagesText(pdfFile);
        EXPECT_TRUE(WithoutSpaces(pages.join(QString())) == WithoutSpaces(lines.join(QString())));
        pagesAt[size == 8 ? 0 : 1] = pages.size();
    }
    EXPECT_GT(pagesAt[0], 1);
    EXPECT_GT(pagesAt[1], pagesAt[0] * 5 / 4)
        << pagesAt[0] << " pages at 8 points, " << pagesAt[1] << " at 12";
}

// A pipe would hold the window in open() until somebody writes to it; a
// folder or a file over the limit of what is mapped is no text to show
// either. Each is refused by name, and the text on show stays.
TEST_F(ViewerTest, WhatCannotBeViewedIsRefusedByNameAndTheShownTextStays) {
    Item("Viewer1")->trigger();
    Window().ViewerSheet()->ShowText(QStringLiteral("kept"));
    const QString fifo = PathOf("pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QFile large(PathOf("large.txt"));
    // Sparse: it takes no room on the disk.
    ASSERT_TRUE(large.open(QIODevice::WriteOnly) && large.resize(MaxViewedFileBytes + 1));
    large.close();
    const QString folder = PathOf("folder");
    ASSERT_TRUE(QDir().mkdir(folder));
    struct Row {
        QString Path;
        const char* Says;
    };
    for (const Row& row : {Row{fifo, "not a regular file"}, Row{folder, "not a regular file"},
                           Row{large.fileName(), "too large"}}) {
        boxes.clear();
        chosenFile = row.Path;
        Item("ViewFile")->trigger();
        ASSERT_EQ(boxes.size(), 1u) << row.Says;
        EXPECT_TRUE(boxes[0].Text.contains(row.Path)) << boxes[0].Text.toStdString();
        EXPECT_TRUE(boxes[0].Text.contains(QLatin1String(row.Says))) << boxes[0].Text.toStdString();
        EXPECT_EQ(Viewer(), QStringLiteral("kept"));
    }
}

// A file of one very long line: the view shows the line in pieces short
// enough to lay out (also wrapped), and Save writes the file back as it was.
TEST_F(ViewerTest, AVeryLongLineIsShownInPiecesAndSavedBackWhole) {
    QByteArray line;
    for (int i = 0; line.size() < 3 * 1024 * 1024; ++i)
        line += "ART" + QByteArray::number(i) + ' ';
    const QByteArray file = line + "\r\nsecond line\r\n";
    WriteFile(PathOf("long.txt"), file);
    Item("Viewer1")->trigger();
    chosenFile = PathOf("long.txt");
    Item("ViewFile")->trigger();
    EXPECT_EQ(Viewer().size(), line.size() + 12);
    EXPECT_TRUE(boxes.empty());

    const LineView* view = Window().ViewerSheet()->ViewRich();
    const LineStore& store = *view->Store();
    ASSERT_EQ(view->RowCount(), (line.size() + LineStore::DisplayLimit - 1) / LineStore::DisplayLimit + 1);
    for (qsizetype row = 0; row < store.RowCount(); ++row) {
        ASSERT_LE(store.Row(row).size(), LineStore::DisplayLimit);
        ASSERT_EQ(store.Continues(row), row > 0 && row + 1 < store.RowCount()) << row;
    }
    EXPECT_EQ(store.Row(store.RowCount() - 1), QStringLiteral("second line"));

    Item("WRYes")->trigger();
    EXPECT_TRUE(view->WordWrap());
    EXPECT_TRUE(boxes.empty());

    chosenFile = PathOf("saved.txt");
    Item("SaveFile")->trigger();
    EXPECT_TRUE(ReadFile(PathOf("saved.txt")) == file) << "the saved file differs from the one viewed";
}

// Wrapping lays out only the rows on screen: a text of any number of lines
// is wrapped as asked, with no refusal, and its last row can be reached.
TEST_F(ViewerTest, ATextOfVeryManyLinesIsWrappedToo) {
    QByteArray many;
    constexpr int Lines = 200000;
    for (int i = 0; i < Lines; ++i)
        many += QByteArray::number(i) + " " + QByteArray(150, 'w') + " end\n";
    WriteFile(PathOf("many.txt"), many);
    Window().show();
    Item("Viewer1")->trigger();
    Item("WRYes")->trigger();
    chosenFile = PathOf("many.txt");
    Item("ViewFile")->trigger();
    ASSERT_TRUE(WaitUntil([this] { return Window().ViewerSheet()->Complete(); }));
    QApplication::processEvents();
    LineView* view = Window().ViewerSheet()->ViewRich();
    EXPECT_EQ(view->RowCount(), Lines);
    EXPECT_EQ(view->FirstShownRow(), 0) << "a file opens at its start however its lines come in";
    EXPECT_TRUE(view->WordWrap());
    EXPECT_TRUE(boxes.empty());
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
    EXPECT_EQ(view->LastShownRow(), Lines - 1) << "the end of a wrapped text is in view";
    Item("WRNo")->trigger();
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
    EXPECT_EQ(view->LastShownRow(), Lines - 1);
    EXPECT_EQ(view->FirstShownRow(), view->verticalScrollBar()->value());
}

// A file is shown while it is still being read: viewing another meanwhile,
// or clearing the view, stops the reading of the first and shows only the
// second, and the page says how far the reading has come until it is done.
TEST_F(ViewerTest, AnotherFileOrClearWhileAFileIsReadTakesOver) {
    QByteArray lines;
    while (lines.size() < 32 * 1024 * 1024)
        lines += "# PLU SALE\tMILK 1L\tPLU:12\tPrice:1,99\r\n";
    WriteFile(PathOf("large.txt"), lines);
    WriteFile(PathOf("small.txt"), "small\r\n");
    Item("Viewer1")->trigger();
    for (const bool clear : {false, true}) {
        chosenFile = PathOf("large.txt");
        Item("ViewFile")->trigger();
        if (clear) {
            Control<QPushButton>("ClearViewer")->click();
            EXPECT_EQ(Viewer(), QString());
        } else {
            chosenFile = PathOf("small.txt");
            Item("ViewFile")->trigger();
            EXPECT_EQ(Viewer(), QStringLiteral("small"));
        }
        EXPECT_FALSE(Window().ViewerSheet()->ViewProgress()->isVisible());
    }
    chosenFile = PathOf("large.txt");
    Item("ViewFile")->trigger();
    EXPECT_EQ(Viewer().size(), lines.size() - lines.count('\r') - 1);
    EXPECT_FALSE(Window().ViewerSheet()->ViewProgress()->isVisible()) << "gone once the file is read";
    EXPECT_TRUE(boxes.empty());
}

// A viewed file is printed from its mapped lines: CR LF ends no line with a
// stray character, and a line longer than a row of the view (shown in
// pieces) is printed whole, wrapped to the page.
TEST_F(ViewerTest, AViewedFileIsPrintedLineByLine) {
    QByteArray bytes;
    for (int i = 0; i < 150; ++i)
        bytes += "row " + QByteArray::number(i) + "\tend\r\n";
    bytes += "long:" + QByteArray(3000, 'y') + ":tail\r\nlast\r\n";
    WriteFile(PathOf("crlf.txt"), bytes);
    Item("Viewer1")->trigger();
    chosenFile = PathOf("crlf.txt");
    Item("ViewFile")->trigger();
    const QString shown = Viewer();
    pdfFile = PathOf("crlf.pdf");
    Item("PrintFile")->trigger();
    ASSERT_TRUE(boxes.empty());
    const QString printed = PdfPagesText(pdfFile).join(QLatin1Char('\n'));
    EXPECT_TRUE(WithoutSpaces(printed) == WithoutSpaces(QString::fromLatin1(bytes)));
    EXPECT_TRUE(WithoutSpaces(printed) == WithoutSpaces(shown));
    EXPECT_FALSE(printed.contains(QLatin1Char('\r')));
    EXPECT_FALSE(printed.contains(QString(1100, QLatin1Char('y')))) << "wrapped to the page";
}

// Print streams the lines, so any file the machine maps is printed, however
// large (a long job is stopped with the status dialog's Cancel); in the
// language of the window, the dialog says the page at hand.
TEST_F(ViewerTest, ALargeFileIsPrintedUntilCancelled) {
    QFile large(PathOf("large.txt"));
    ASSERT_TRUE(large.open(QIODevice::WriteOnly) && large.resize(qint64(65) * 1024 * 1024));
    large.close();
    Item("Viewer1")->trigger();
    chosenFile = large.fileName();
    Item("ViewFile")->trigger();
    pdfFile = PathOf("large.pdf");
    TRepStatusForm* status = Window().FileCommands()->PrintStatus();
    for (const int lang : {ShellSettings::English, ShellSettings::Serbian}) {
        boxes.clear();
        Item(lang == ShellSettings::English ? "MnEnglish" : "MnSerbian")->trigger();
        QString said;
        const QMetaObject::Connection pages =
            QObject::connect(Window().FileCommands(), &TextFileCommands::PagePrinted, [&](int page) {
                said = status->Percent()->text();
                if (page == 3)
                    status->findChild<QPushButton*>(QStringLiteral("CancelButton"))->click();
            });
        Item("PrintFile")->trigger();
        QObject::disconnect(pages);
        EXPECT_TRUE(boxes.empty());
        EXPECT_EQ(said, ViewerMessages::PrintingPage.Text(lang).arg(3));
    }
    EXPECT_EQ(printDialogs, 2);
    EXPECT_FALSE(QFile::exists(pdfFile));
}

} // namespace

namespace {

// A log rotated by another program while it is on show: the program goes on
// and says what happened.
TEST_F(ViewerTest, AFileShortenedByAnotherProgramIsSaidAndDoesNotEndTheProgram) {
    QByteArray text;
    for (int i = 0; i < 5000; ++i)
        text += "journal line " + QByteArray::number(i) + "\r\n";
    WriteFile(PathOf("rotated.txt"), text);
    Item("Viewer1")->trigger();
    chosenFile = PathOf("rotated.txt");
    Item("ViewFile")->trigger();
    ASSERT_EQ(Viewer().count(QLatin1Char('\n')), 4999);
    ASSERT_TRUE(QFile::resize(PathOf("rotated.txt"), 0));
    QLabel* notice = Window().ViewerSheet()->ViewProgress();
    EXPECT_TRUE(WaitUntil([&] {
        return notice->isVisibleTo(Window().ViewerSheet()) &&
               notice->text().startsWith(QStringLiteral("Another program shortened the file"));
    })) << notice->text().toStdString();
    // What lay past the new end reads as empty; reading it does not end the program.
    const QString shown = Window().ViewerSheet()->Text();
    EXPECT_FALSE(shown.contains(QStringLiteral("journal line 4999")));
    chosenFile = PathOf("rotated.txt");
    Item("ViewFile")->trigger();
    EXPECT_TRUE(Viewer().isEmpty());
    EXPECT_TRUE(WaitUntil([&] { return !notice->isVisibleTo(Window().ViewerSheet()); }))
        << notice->text().toStdString();
}

} // namespace
