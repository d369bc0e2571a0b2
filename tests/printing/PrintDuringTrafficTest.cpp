#include "../shell/ShellFixture.h"
#include "support/PdfText.h"
#include "support/TestFiles.h"
#include "viewer/LineView.h"

#include "monitor/MonitorPage.h"
#include "printing/TRepStatusForm.h"
#include "shell/StartPage.h"
#include "toolkit/FileDialogs.h"
#include "viewer/TextFileCommands.h"
#include "viewer/ViewerPage.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <functional>

namespace {

int PdfPages(const QByteArray& pdf) {
    return int(pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r"));
}

std::vector<uint8_t> Framed(const char* hex) {
    const std::vector<uint8_t> payload = Bytes(hex);
    std::vector<uint8_t> frame(EncodedFrameSize(payload));
    frame.resize(EncodeFrame(payload, frame));
    return frame;
}

// Lines of a journal-like text: tabs, an empty line, lines wider than the
// page (words, and one word longer than a row of the view).
QString LongText(int lines) {
    QStringList out;
    for (int i = 0; i < lines; ++i) {
        if (i % 97 == 5)
            out << QString();
        else if (i % 211 == 7)
            out << QStringLiteral("# WIDE %1 ").arg(i).repeated(40);
        else if (i % 307 == 11)
            out << QStringLiteral("%1:").arg(i) + QString(3000, QLatin1Char('X')) + QStringLiteral(":end");
        else
            out << QStringLiteral("# PLU SALE\tMILK 1L\tPLU:%1\tPrice:1,99\tQuantity:1.000").arg(i);
    }
    return out.join(QLatin1Char('\n'));
}

class PrintJobTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        Item("MnEnglish")->trigger();
        pdfFile = QDir(workDir.path()).filePath(QStringLiteral("job.pdf"));
        FileDialogs::SetPrintHook([this](QPrinter& printer) {
            ++printDialogs;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdfFile);
            return true;
        });
        connect();
    }
    void TearDown() override {
        FileDialogs::SetPrintHook({});
        ShellTest::TearDown();
    }
    void connect() {
        QObject::connect(Window().FileCommands(), &TextFileCommands::PagePrinted, [this](int page) {
            ++pagesSeen;
            lastPage = page;
            if (onPage)
                onPage(page);
        });
    }
    [[nodiscard]] int MonitorLines() const {
        const QString text = Window().MonitorSheet()->MonListBox()->PlainText();
        return text.isEmpty() ? 0 : int(text.count(QLatin1Char('\n'))) + 1;
    }
    void ViewText(const QString& text) {
        Item("Viewer1")->trigger();
        Window().ViewerSheet()->ShowText(text);
    }

    QString pdfFile;
    int printDialogs = 0;
    int pagesSeen = 0;
    int lastPage = 0;
    std::function<void(int)> onPage;
};

TEST_F(PrintJobTest, JournalFramesThatArriveDuringAJobAreAllShown) {
    Item("Connect1")->trigger();
    ASSERT_TRUE(Dispatcher().IsOpen());
    ViewText(LongText(4000));
    const std::vector<uint8_t> subtotal = Framed("4C 00 00 00 12 34 56");
    // Some frames already wait on the line when Print is chosen, one more
    // comes with every page.
    constexpr int waiting = 40;
    int sent = 0;
    for (; sent < waiting; ++sent)
        pty.Write(subtotal);
    int shownDuringJob = 0;
    onPage = [&](int) {
        pty.Write(subtotal);
        ++sent;
        shownDuringJob = MonitorLines();
    };
    Item("PrintFile")->trigger();
    ASSERT_TRUE(boxes.empty()) << boxes[0].Text.toStdString();
    EXPECT_GT(pagesSeen, 20);
    EXPECT_EQ(sent, waiting + pagesSeen);
    EXPECT_GE(shownDuringJob, waiting) << "the port was read while the pages were painted";
    ASSERT_TRUE(WaitUntil([&] { return MonitorLines() == sent; })) << MonitorLines() << " of " << sent;
    EXPECT_EQ(Window().MonitorSheet()->ByteCount()->text(), QString::number(sent * 7));
    const QByteArray pdf = ReadFile(pdfFile);
    EXPECT_EQ(PdfPages(pdf), lastPage);
    EXPECT_EQ(pagesSeen, lastPage);
    Dispatcher().Disconnect();
}

// Every line is on paper in order, and a line wider than the page goes on
// in the lines below it (words and one unbroken run alike), nothing cut off;
// the status dialog says the page at hand.
TEST_F(PrintJobTest, EveryLineIsPrintedInOrderAndWideLinesWrap) {
    const QString text = LongText(700);
    ViewText(text);
    QStringList said;
    onPage = [&](int) {
        const TRepStatusForm* status = Window().FileCommands()->PrintStatus();
        EXPECT_TRUE(status->isVisible());
        said << status->Percent()->text();
    };
    Item("PrintFile")->trigger();
    ASSERT_TRUE(boxes.empty()) << boxes[0].Text.toStdString();
    EXPECT_FALSE(Window().FileCommands()->PrintStatus()->isVisible());
    const QStringList pages = PdfPagesText(pdfFile);
    ASSERT_GT(pages.size(), 5);
    EXPECT_EQ(pages.size(), PdfPages(ReadFile(pdfFile)));
    EXPECT_EQ(pagesSeen, int(pages.size()));
    EXPECT_EQ(said.constFirst(), QStringLiteral("Printing page 1"));
    EXPECT_EQ(said.constLast(), QStringLiteral("Printing page %1").arg(pages.size()));
    EXPECT_TRUE(WithoutSpaces(pages.join(QString())) == WithoutSpaces(text))
        << "a line lost, cut or out of order";
    // The wide lines took several printed lines each, none wider than the page.
    const QString all = pages.join(QLatin1Char('\n'));
    EXPECT_FALSE(all.contains(QStringLiteral("# WIDE 7 ").repeated(40)));
    const QString unbroken = QString(3000, QLatin1Char('X'));
    EXPECT_FALSE(all.contains(unbroken));
    EXPECT_TRUE(WithoutSpaces(all).contains(QStringLiteral("11:") + unbroken + QStringLiteral(":end")));
}

// Pages chosen in the print dialog are the pages of the whole printout: the
// others take no sheet, and the page numbers go on counting.
TEST_F(PrintJobTest, OnlyThePagesChosenAreOnPaper) {
    const QString text = LongText(700);
    ViewText(text);
    Item("PrintFile")->trigger();
    const QStringList whole = PdfPagesText(pdfFile);
    ASSERT_GT(whole.size(), 5);

    FileDialogs::SetPrintHook([this](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfFile);
        QPageRanges ranges;
        ranges.addRange(2, 3);
        ranges.addPage(5);
        printer.setPageRanges(ranges);
        return true;
    });
    Item("PrintFile")->trigger();
    ASSERT_TRUE(boxes.empty());
    EXPECT_EQ(PdfPages(ReadFile(pdfFile)), 3);
    QProcess reader;
    reader.start(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), pdfFile, QStringLiteral("-")});
    ASSERT_TRUE(reader.waitForFinished(60000));
    const QStringList printed = QString::fromUtf8(reader.readAllStandardOutput()).split(QLatin1Char('\f'));
    ASSERT_GE(printed.size(), 3);
    const int numbers[] = {2, 3, 5};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(numbers[i]);
        EXPECT_TRUE(printed[i].startsWith(whole[numbers[i] - 1].left(200)));
        EXPECT_EQ(printed[i].trimmed().split(QLatin1Char('\n')).constLast(), QString::number(numbers[i]));
    }
}

// A job of thousands of pages is stopped by the status dialog's Cancel: no
// page more is printed, the file that was there stays as it was (a printout
// is written whole or not at all), and nothing is reported as failed.
TEST_F(PrintJobTest, CancelStopsAJobAndLeavesNoHalfFile) {
    ViewText(LongText(20000));
    WriteFile(pdfFile, "earlier printout");
    onPage = [&](int page) {
        if (page == 2)
            Window()
                .FileCommands()
                ->PrintStatus()
                ->findChild<QPushButton*>(QStringLiteral("CancelButton"))
                ->click();
    };
    Item("PrintFile")->trigger();
    EXPECT_TRUE(boxes.empty()) << boxes[0].Text.toStdString();
    EXPECT_EQ(pagesSeen, 2);
    EXPECT_FALSE(Window().FileCommands()->PrintStatus()->isVisible());
    EXPECT_EQ(ReadFile(pdfFile), QByteArray("earlier printout"));
    EXPECT_FALSE(QFile::exists(pdfFile + QStringLiteral(".part")));

    // The next job is not cancelled by the last one's Cancel.
    onPage = {};
    pagesSeen = 0;
    ViewText(QStringLiteral("after"));
    Item("PrintFile")->trigger();
    EXPECT_EQ(pagesSeen, 1);
    EXPECT_EQ(PdfPagesText(pdfFile), QStringList{QStringLiteral("after")});
}

TEST_F(PrintJobTest, WhatHappensDuringAJobDoesNotReachIt) {
    const QString text = LongText(1500);
    ViewText(text);
    // Runs at the first turn of events after the click, while the print
    // buffer is still being filled.
    QTimer::singleShot(0, &Window(), [&] { Window().ViewerSheet()->ShowText(QStringLiteral("early")); });
    onPage = [&](int page) {
        if (page != 2)
            return;
        // A second Print, new text in the view, the page closed.
        Item("PrintFile")->trigger();
        Window().ViewerSheet()->ShowText(QStringLiteral("one line"));
        Control<QPushButton>("CloseViewerSheet")->click();
    };
    Item("PrintFile")->trigger();
    ASSERT_TRUE(boxes.empty());
    EXPECT_EQ(printDialogs, 1) << "the second Print did nothing";
    EXPECT_GT(lastPage, 10);
    EXPECT_EQ(pagesSeen, lastPage);
    EXPECT_EQ(PdfPages(ReadFile(pdfFile)), lastPage);
    EXPECT_TRUE(WithoutSpaces(PdfPagesText(pdfFile).join(QString())) == WithoutSpaces(text))
        << "the job printed the text of its start, whole";
    EXPECT_EQ(Window().CurrentPage(), static_cast<ModePage*>(Window().StartSheet()));

    // The next Print is a job of its own again, with the text of its moment.
    onPage = {};
    pagesSeen = 0;
    ViewText(QStringLiteral("one line"));
    Item("PrintFile")->trigger();
    EXPECT_EQ(printDialogs, 2);
    EXPECT_EQ(pagesSeen, 1);
    EXPECT_EQ(PdfPages(ReadFile(pdfFile)), 1);
    EXPECT_EQ(PdfPagesText(pdfFile), QStringList{QStringLiteral("one line")});
}

TEST_F(PrintJobTest, ClosingTheWindowDuringAJobWaitsForItsEnd) {
    ViewText(LongText(1000));
    QSignalSpy closing(&Window(), &TUserForm::Closing);
    int closedDuringJob = -1;
    onPage = [&](int page) {
        if (page == 1) {
            EXPECT_FALSE(Window().close());
        }
        closedDuringJob = int(closing.count());
    };
    Item("PrintFile")->trigger();
    EXPECT_EQ(closedDuringJob, 0);
    EXPECT_EQ(PdfPages(ReadFile(pdfFile)), lastPage);
    EXPECT_TRUE(WaitUntil([&] { return closing.count() == 1; }));
}

TEST_F(PrintJobTest, AFailedPrinterIsStillReported) {
    ViewText(LongText(200));
    pdfFile = QDir(workDir.path()).filePath(QStringLiteral("no-such-folder/job.pdf"));
    Item("PrintFile")->trigger();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Text, TextFileCommands::PrintFailed);
    EXPECT_EQ(pagesSeen, 0);
    // And the failed job does not block the next one.
    pdfFile = QDir(workDir.path()).filePath(QStringLiteral("job.pdf"));
    Item("PrintFile")->trigger();
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_GT(PdfPages(ReadFile(pdfFile)), 1);
}

} // namespace
