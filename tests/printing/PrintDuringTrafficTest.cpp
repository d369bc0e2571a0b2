#include "../shell/ShellFixture.h"
#include "support/TestFiles.h"
#include "viewer/LineView.h"

#include "monitor/MonitorPage.h"
#include "shell/StartPage.h"
#include "toolkit/FileDialogs.h"
#include "viewer/TextFileCommands.h"
#include "viewer/ViewerPage.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <functional>

namespace {

// A PDF without its creation time, which is all that differs between two
// prints of the same pages.
QByteArray WithoutCreationDate(const QByteArray& pdf) {
    QByteArray out;
    for (const QByteArray& line : pdf.split('\n')) {
        if (!line.startsWith("/CreationDate"))
            out += line + '\n';
    }
    return out;
}

int PdfPages(const QByteArray& pdf) {
    return int(pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r"));
}

std::vector<uint8_t> Framed(const char* hex) {
    const std::vector<uint8_t> payload = Bytes(hex);
    std::vector<uint8_t> frame(EncodedFrameSize(payload));
    frame.resize(EncodeFrame(payload, frame));
    return frame;
}

// Lines of a journal-like text: tabs, an empty line, one line wider than the page.
QString LongText(int lines) {
    QStringList out;
    for (int i = 0; i < lines; ++i) {
        if (i % 97 == 5)
            out << QString();
        else if (i % 211 == 7)
            out << QStringLiteral("# WIDE ").repeated(40);
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
        QObject::connect(Window().FileCommands(), &TextFileCommands::PagePrinted,
                         [this](int page, int pages) {
                             ++pagesSeen;
                             layoutPages = pages;
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
    int layoutPages = 0;
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
    EXPECT_EQ(PdfPages(pdf), layoutPages);
    EXPECT_EQ(pagesSeen, layoutPages);
    Dispatcher().Disconnect();
}

TEST_F(PrintJobTest, TheJobPrintsWhatTheViewsOwnPrintWouldPrint) {
    const QString text = LongText(700);
    ViewText(text);
    Item("PrintFile")->trigger();
    ASSERT_TRUE(boxes.empty());
    const QByteArray printed = ReadFile(pdfFile);

    // The text view's one-call print of the same lines in the print buffer's form.
    QTextEdit view;
    const QTextEdit* buffer = Window().MonitorSheet()->PrintRich();
    view.setLineWrapMode(buffer->lineWrapMode());
    view.setFont(buffer->font());
    view.setPlainText(text);
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString referenceFile = QDir(workDir.path()).filePath(QStringLiteral("reference.pdf"));
    printer.setOutputFileName(referenceFile);
    printer.setDocName(QString());
    view.document()->setDefaultFont(view.font());
    view.document()->print(&printer);
    const QByteArray reference = ReadFile(referenceFile);

    EXPECT_GT(PdfPages(reference), 5);
    EXPECT_EQ(PdfPages(printed), PdfPages(reference));
    EXPECT_EQ(layoutPages, PdfPages(reference));
    EXPECT_TRUE(WithoutCreationDate(printed) == WithoutCreationDate(reference))
        << printed.size() << " bytes printed, " << reference.size() << " bytes from the view's print";
}

TEST_F(PrintJobTest, WhatHappensDuringAJobDoesNotReachIt) {
    const QString text = LongText(1500);
    ViewText(text);
    // Runs at the first turn of events after the click, while the print
    // buffer is still being filled.
    QTimer::singleShot(0, &Window(), [&] { Window().ViewerSheet()->ShowText(QStringLiteral("early")); });
    onPage = [&](int page) {
        if (page == 1) {
            EXPECT_EQ(Window().MonitorSheet()->PrintRich()->toPlainText(), text);
        }
        if (page != 2)
            return;
        // A second Print, new text in the view and the buffer, the page closed.
        Item("PrintFile")->trigger();
        Window().ViewerSheet()->ShowText(QStringLiteral("one line"));
        Window().MonitorSheet()->PrintRich()->setPlainText(QStringLiteral("other"));
        Control<QPushButton>("CloseViewerSheet")->click();
    };
    Item("PrintFile")->trigger();
    ASSERT_TRUE(boxes.empty());
    EXPECT_EQ(printDialogs, 1) << "the second Print did nothing";
    EXPECT_GT(layoutPages, 10);
    EXPECT_EQ(pagesSeen, layoutPages);
    EXPECT_EQ(PdfPages(ReadFile(pdfFile)), layoutPages);
    EXPECT_EQ(Window().CurrentPage(), static_cast<ModePage*>(Window().StartSheet()));

    // The next Print is a job of its own again, with the text of its moment.
    onPage = {};
    pagesSeen = 0;
    ViewText(QStringLiteral("one line"));
    Item("PrintFile")->trigger();
    EXPECT_EQ(printDialogs, 2);
    EXPECT_EQ(pagesSeen, 1);
    EXPECT_EQ(PdfPages(ReadFile(pdfFile)), 1);
    EXPECT_EQ(Window().MonitorSheet()->PrintRich()->toPlainText(), QStringLiteral("one line"));
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
    EXPECT_EQ(PdfPages(ReadFile(pdfFile)), layoutPages);
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
