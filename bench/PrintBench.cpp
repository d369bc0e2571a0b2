// Printing a day's journal: 100 000 monitor lines to a PDF file through
// File > Print (streamed from the view's lines), against a text document's
// one-call print of the same text. Figures:
//   - seconds for the whole job and the pages it made;
//   - the longest time the user-interface thread went without running its
//     events during the job: the serial port is read there, every 50 ms at
//     the latest, and a line with no handshake loses what overflows;
//   - the time taken before the print dialog, which the longest gap covers
//     too.
#include "BenchSupport.h"
#include "toolkit/FileDialogs.h"
#include "viewer/LineView.h"
#include "viewer/TextFileCommands.h"
#include "viewer/ViewerPage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <cstdio>

namespace {

constexpr int Lines = 100000;

QString JournalDay() {
    QStringList lines;
    lines.reserve(Lines);
    for (int i = 0; i < Lines; ++i) {
        switch (i % 4) {
        case 0:
            lines << QStringLiteral("# OPEN RECEIPT\t   \tOperator Number:5\tReceipt Number:%1").arg(i / 4);
            break;
        case 1:
            lines << QStringLiteral("# PLU SALE\tMILK 1L\tPLU:%1\tPrice:1,99\tQuantity:1.000").arg(i % 9999);
            break;
        case 2:
            lines << QStringLiteral("# SUBTOTAL\tTotal:\t%1,56").arg(i % 997);
            break;
        default:
            lines << QStringLiteral("# PAYMENT\tCASH\tTotal:\t25,50\tPieces:3\t09:14 03.05.2024");
        }
    }
    return lines.join(QLatin1Char('\n'));
}

void ReferenceSetUp(QTextEdit& printRich) {
    printRich.setReadOnly(true);
    printRich.setAcceptRichText(false);
    printRich.setLineWrapMode(QTextEdit::NoWrap);
    printRich.setUndoRedoEnabled(false);
    QFont font(QStringLiteral("Courier"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSize(8);
    printRich.setFont(font);
}

} // namespace

int main(int argc, char** argv) {
    UseOffscreenWithoutDisplay();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString text = JournalDay();
    GapWatch gaps;

    // The reference: the whole text through the view's one-call print.
    double referenceSeconds = 0;
    int referencePages = 0;
    {
        QTextEdit printRich;
        ReferenceSetUp(printRich);
        printRich.setPlainText(text);
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("reference.pdf")));
        printer.setDocName(QString());
        QElapsedTimer clock;
        clock.start();
        printRich.document()->setDefaultFont(printRich.font());
        printRich.document()->print(&printer);
        referenceSeconds = double(clock.nsecsElapsed()) / 1e9;
        referencePages = PdfPages(printer.outputFileName());
    }

    // The program's File > Print of the same text.
    QWidget owner;
    ViewerPage viewer(&owner);
    LineView monitor;
    monitor.SetPlainText(text);
    QFont font(QStringLiteral("Courier"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSize(8);
    monitor.setFont(font);
    TextFileCommands commands(owner, viewer, [&monitor](int) -> QWidget* { return &monitor; });
    const QString pdf = dir.filePath(QStringLiteral("journal.pdf"));
    QElapsedTimer clock, job;
    double beforeDialogMs = 0;
    FileDialogs::SetPrintHook([&](QPrinter& printer) {
        beforeDialogMs = double(clock.nsecsElapsed()) / 1e6;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        job.start();
        return true;
    });
    int pagesReported = 0;
    QObject::connect(&commands, &TextFileCommands::PagePrinted, [&](int page) { pagesReported = page; });
    clock.start();
    gaps.Start();
    commands.PrintClick();
    const double jobSeconds = double(job.nsecsElapsed()) / 1e9;
    const double longestGapMs = gaps.StopMs();
    const int pages = PdfPages(pdf);

    std::printf("Print: reference one-call print of %d lines: %.2f s, %d pages, the event loop stood still "
                "all that time\n",
                Lines, referenceSeconds, referencePages);
    std::printf("Print: File > Print: %.2f s, %d pages (the job says %d): ratio %.2f against the reference\n",
                jobSeconds, pages, pagesReported, jobSeconds / referenceSeconds);
    std::printf("Print: longest gap between two event-loop turns from Print to the end of the job %.1f ms "
                "(goal <= 20; the "
                "port is polled every 50): ratio %.4f against the reference's %.0f ms\n",
                longestGapMs, longestGapMs / (referenceSeconds * 1000), referenceSeconds * 1000);
    std::printf(
        "Print: from Print to the dialog %.1f ms; the job's own longest stretch without events %lld ms "
        "(goal <= 20)\n",
        beforeDialogMs, static_cast<long long>(commands.LongestPrintGapMs()));
    // Lines wrapped to the page take more pages than the reference's cut-off
    // ones; the count the job reports is the count printed.
    return pages == pagesReported && pages > 0 ? 0 : 1;
}
