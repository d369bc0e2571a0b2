// File > View of large files: a 20 MB file of one line, a 60 MB file of many
// lines and a 1 GB file of short lines, shown in the viewer with word wrap on
// and off, then looked through with Find. Figures: the time to the first
// screen and to the whole index, the longest time the user-interface thread
// went without running its events (the port is read there), the memory held
// for the index, and each against its goal (ratio < 1 meets it).
#include "BenchSupport.h"
#include "toolkit/FileDialogs.h"
#include "viewer/LineStore.h"
#include "viewer/LineView.h"
#include "viewer/TextFileCommands.h"
#include "viewer/ViewerPage.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <cstdio>

namespace {

QByteArray OneLine(qsizetype bytes) {
    QByteArray line;
    line.reserve(bytes);
    while (line.size() < bytes)
        line += "MLEKO 1L 1,99 ";
    line.truncate(bytes);
    return line;
}

QByteArray ManyLines(qsizetype bytes, int from = 0) {
    QByteArray text;
    text.reserve(bytes + 100);
    for (int i = from; text.size() < bytes; ++i)
        text +=
            "# PLU SALE\tMILK 1L\tPLU:" + QByteArray::number(i % 9999) + "\tPrice:1,99\tQuantity:1.000\r\n";
    return text;
}

bool WriteBig(const QString& path, qint64 bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray piece = ManyLines(8 * 1024 * 1024);
    for (qint64 written = 0; written < bytes; written += piece.size())
        if (file.write(piece) != piece.size())
            return false;
    return true;
}

struct Run {
    double Seconds = 0;
    double GapMs = 0;
};

// Runs step, then the event loop until done says so.
template <typename F, typename D> Run Measure(GapWatch& gaps, F&& step, D&& done) {
    QElapsedTimer clock;
    clock.start();
    gaps.Start();
    step();
    // Waits for events as the program's own loop does, not spinning (the
    // index has a worker thread to share the processor with).
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    return {seconds, gaps.StopMs()};
}
template <typename F> Run Measure(GapWatch& gaps, F&& step) {
    return Measure(gaps, std::forward<F>(step), [] { return true; });
}

bool Case(const char* name, const QString& path, qint64 bytes, double firstScreenGoal, double indexGoal) {
    QWidget owner;
    owner.resize(1000, 700);
    ViewerPage viewer(&owner);
    viewer.resize(1000, 700);
    TextFileCommands commands(owner, viewer, [&viewer](int) -> QWidget* { return viewer.ViewRich(); });
    owner.show();
    QCoreApplication::processEvents();
    LineView& view = *viewer.ViewRich();
    FileDialogs::SetFileHook([&path](const FileDialogs::FileRequest&) { return path; });
    GapWatch gaps;
    // The first screen: the rows it shows are indexed and painted.
    const Run first = Measure(
        gaps, [&] { commands.ViewClick(); },
        [&] {
            const bool ready = viewer.Complete() || view.RowCount() > view.viewport()->height() / 10;
            if (ready)
                view.viewport()->repaint();
            return ready;
        });
    const Run index = Measure(
        gaps, [] {}, [&] { return viewer.Complete(); });
    const qsizetype rows = view.RowCount();
    const double held = double(view.Store()->HeldBytes());
    const Run wrap = Measure(gaps, [&] {
        view.SetWordWrap(true);
        view.viewport()->repaint();
    });
    const Run end = Measure(gaps, [&] {
        view.ScrollToEnd();
        view.viewport()->repaint();
    });
    const Run unwrap = Measure(gaps, [&] {
        view.SetWordWrap(false);
        view.viewport()->repaint();
    });
    const double mib = double(bytes) / (1024 * 1024);
    std::printf(
        "Viewer: %s (%.0f MiB, %lld rows): first screen %.3f s (goal %.2f s: ratio %.2f), whole index "
        "%.2f s (goal %.1f s: ratio %.2f), longest gap %.1f ms (goal 20 ms: ratio %.2f)\n",
        name, mib, qlonglong(rows), first.Seconds, firstScreenGoal, first.Seconds / firstScreenGoal,
        index.Seconds + first.Seconds, indexGoal, (index.Seconds + first.Seconds) / indexGoal,
        qMax(first.GapMs, index.GapMs), qMax(first.GapMs, index.GapMs) / 20.0);
    std::printf(
        "Viewer: %s: word wrap on %.1f ms, scrolled to the end wrapped %.1f ms, off %.1f ms (goal 20 ms "
        "each: ratio %.2f); longest gap %.1f ms\n",
        name, wrap.Seconds * 1e3, end.Seconds * 1e3, unwrap.Seconds * 1e3,
        qMax(wrap.Seconds, qMax(end.Seconds, unwrap.Seconds)) * 1e3 / 20.0,
        qMax(wrap.GapMs, qMax(end.GapMs, unwrap.GapMs)));
    std::printf(
        "Viewer: %s: memory held besides the mapped file %.1f MiB, %.2f bytes a row (goal 8: ratio %.2f)\n",
        name, held / (1024 * 1024), held / double(qMax<qsizetype>(1, rows)),
        held / double(qMax<qsizetype>(1, rows)) / 8.0);

    // Find through every row, counting the hits.
    auto* findText = view.findChild<QLineEdit*>(QStringLiteral("FindText"));
    view.ShowFind();
    findText->setText(QStringLiteral("PLU:4711\t"));
    qsizetype hits = -1;
    const auto counted = QObject::connect(&view, &LineView::FindDone, [&hits](qsizetype n) { hits = n; });
    const Run find = Measure(
        gaps, [&] { view.FindNext(false); }, [&] { return hits >= 0; });
    QObject::disconnect(counted);
    const double perTenMillion = find.Seconds * 1e7 / double(qMax<qsizetype>(1, rows));
    std::printf("Viewer: %s: Find through %lld rows %.3f s, %lld hits: %.3f s per 10 million rows (goal 1 s: "
                "ratio %.2f), longest gap %.1f ms\n",
                name, qlonglong(rows), find.Seconds, qlonglong(hits), perTenMillion, perTenMillion,
                find.GapMs);
    FileDialogs::SetFileHook({});
    return rows > 0 && viewer.HasText();
}

} // namespace

int main(int argc, char** argv) {
    UseOffscreenWithoutDisplay();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const auto write = [&dir](const char* name, const QByteArray& bytes) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? file.fileName()
                                                                                    : QString();
    };
    bool ok = true;
    {
        const QByteArray one = OneLine(20 * 1024 * 1024);
        ok = Case("one-line-20MB.txt", write("one-line-20MB.txt", one), one.size(), 0.1, 2.5) && ok;
    }
    {
        const QByteArray many = ManyLines(60 * 1024 * 1024);
        ok = Case("many-lines-60MB.txt", write("many-lines-60MB.txt", many), many.size(), 0.1, 2.5) && ok;
    }
    const QString big = dir.filePath(QStringLiteral("lines-1GB.txt"));
    const qint64 bigBytes = qint64(1) << 30;
    if (!WriteBig(big, bigBytes))
        return 1;
    ok = Case("lines-1GB.txt", big, QFile(big).size(), 0.2, 2.5) && ok;
    return ok ? 0 : 1;
}
