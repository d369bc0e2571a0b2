// The sales monitor over a long day: 100 000 journal records decoded and
// appended to the visible monitor page, with the event loop running between
// them as it does when records arrive from the port. Figures:
//   - lines per second, against the most records a 19200 bit/s line can carry
//     (10 bits a byte, the day's mix of record sizes, framing included);
//   - the rate of the last thousand lines against the first thousand (a view
//     that slows down as it fills would show it here);
//   - the memory the view holds afterwards, against the UTF-16 text itself,
//     and the bytes its line store holds a line (goal 100);
//   - 100 000 lines appended to the view straight (goal 100 000 lines/s).
#include "BenchSupport.h"
#include "database/PluTable.h"
#include "monitor/JournalMonitor.h"
#include "monitor/MonitorPage.h"
#include "protocol/ReplyDispatcher.h"
#include "serial/FrameCodec.h"
#include "serial/TRS232Form.h"
#include "viewer/LineStore.h"
#include "viewer/LineView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

constexpr int Lines = 100000;
constexpr int Batch = 50; // records handled between two turns of the event loop

// The sample receipt as the journal takes its records.
std::vector<std::vector<uint8_t>> Receipt() {
    std::vector<std::vector<uint8_t>> r;
    for (const QByteArray& record : SampleReceiptRecords())
        r.emplace_back(record.begin(), record.end());
    return r;
}

long ResidentKiB() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * (sysconf(_SC_PAGESIZE) / 1024) : 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TRS232Form rs232;
    ReplyDispatcher dispatcher(rs232);
    PluTable table;
    JournalMonitor journal(dispatcher, table);
    MonitorPage page;
    page.Attach(journal);
    page.resize(560, 400);
    page.show();
    page.PageShow();
    QApplication::processEvents();

    const auto receipt = Receipt();
    double wireBytes = 0;
    for (const auto& record : receipt)
        wireBytes += double(EncodedFrameSize(record));
    const double lineSpeedRecordsPerSecond = 19200.0 / 10.0 / (wireBytes / double(receipt.size()));

    const long rssBefore = ResidentKiB();
    QElapsedTimer total, slice;
    qint64 firstThousandNs = 0, lastThousandNs = 0;
    total.start();
    for (int i = 0; i < Lines; ++i) {
        if (i == 0 || i == Lines - 1000)
            slice.start();
        journal.JournalRecord(receipt[size_t(i) % receipt.size()]);
        if (i % Batch == Batch - 1)
            QApplication::processEvents();
        if (i == 999)
            firstThousandNs = slice.nsecsElapsed();
    }
    QApplication::processEvents();
    lastThousandNs = slice.nsecsElapsed();
    const double seconds = double(total.nsecsElapsed()) / 1e9;
    const long rssAfter = ResidentKiB();

    const QString text = page.MonListBox()->PlainText();
    const double textKiB = double(text.size()) * 2.0 / 1024.0;
    const qsizetype blocks = page.MonListBox()->RowCount();
    const double heldPerLine = double(page.MonListBox()->Store()->HeldBytes()) / double(Lines);
    const double linesPerSecond = Lines / seconds;
    std::printf("Monitor: %d journal lines in %.2f s = %.0f lines/s; a 19200 bit/s line carries at most "
                "%.0f records/s: ratio %.0f (goal > 10)\n",
                int(blocks), seconds, linesPerSecond, lineSpeedRecordsPerSecond,
                linesPerSecond / lineSpeedRecordsPerSecond);
    std::printf("Monitor: last 1000 lines %.1f ms against the first 1000 %.1f ms: ratio %.2f (goal < 2)\n",
                double(lastThousandNs) / 1e6, double(firstThousandNs) / 1e6,
                double(lastThousandNs) / double(firstThousandNs));
    std::printf("Monitor: the view holds %.1f MiB more after the day; the text itself is %.1f MiB (UTF-16): "
                "ratio %.1f, %.0f bytes a line\n",
                double(rssAfter - rssBefore) / 1024.0, textKiB / 1024.0,
                double(rssAfter - rssBefore) / textKiB, double(rssAfter - rssBefore) * 1024.0 / Lines);
    std::printf("Monitor: the line store holds %.1f bytes a journal line (goal 100: ratio %.2f)\n",
                heldPerLine, heldPerLine / 100.0);
    QElapsedTimer clear;
    clear.start();
    page.ClearClick();
    QApplication::processEvents();
    std::printf("Monitor: Clear of the day's lines %.1f ms\n", double(clear.nsecsElapsed()) / 1e6);

    // The view alone, the lines of a day appended as fast as they come.
    const QStringList day = text.split(QLatin1Char('\n'));
    LineView* view = page.MonListBox();
    QElapsedTimer append;
    append.start();
    for (int i = 0; i < Lines; ++i) {
        view->AppendLine(day[i % day.size()]);
        if (i % Batch == Batch - 1)
            QApplication::processEvents();
    }
    QApplication::processEvents();
    const double appendRate = Lines / (double(append.nsecsElapsed()) / 1e9);
    std::printf(
        "Monitor: %d lines appended to the view at %.0f lines/s (goal 100000: ratio %.2f), at the end: "
        "%s\n",
        Lines, appendRate, 100000.0 / appendRate,
        view->verticalScrollBar()->value() == view->verticalScrollBar()->maximum() ? "yes" : "no");
    return blocks == Lines ? 0 : 1;
}
