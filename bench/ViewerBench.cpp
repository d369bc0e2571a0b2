// File > View of large files: a 20 MB file of one line and a 60 MB file of
// many lines, loaded into the viewer and shown with word wrap on and off.
// Figures: seconds, the longest time the user-interface thread went without
// running its events (goal < 50 ms: the port is read there), and the memory
// the process holds afterwards.
#include "BenchSupport.h"
#include "toolkit/FileDialogs.h"
#include "viewer/TextFileCommands.h"
#include "viewer/ViewerPage.h"

#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextEdit>
#include <cstdio>

namespace {

// Resident and peak memory of the process, in MiB.
double MemoryMiB(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return -1;
}

QByteArray OneLine(qsizetype bytes) {
    QByteArray line;
    line.reserve(bytes);
    while (line.size() < bytes)
        line += "MLEKO 1L 1,99 ";
    line.truncate(bytes);
    return line;
}

QByteArray ManyLines(qsizetype bytes) {
    QByteArray text;
    text.reserve(bytes + 100);
    for (int i = 0; text.size() < bytes; ++i)
        text +=
            "# PLU SALE\tMILK 1L\tPLU:" + QByteArray::number(i % 9999) + "\tPrice:1,99\tQuantity:1.000\r\n";
    return text;
}

struct Run {
    double Seconds = 0;
    double GapMs = 0;
};

template <typename F> Run Measure(GapWatch& gaps, F&& step) {
    QElapsedTimer clock;
    clock.start();
    gaps.Start();
    step();
    QCoreApplication::processEvents();
    return {double(clock.nsecsElapsed()) / 1e9, gaps.StopMs()};
}

bool Case(const char* name, const QByteArray& bytes, const QTemporaryDir& dir) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return false;
    }
    QWidget owner;
    owner.resize(1000, 700);
    ViewerPage viewer(&owner);
    viewer.resize(1000, 700);
    QTextEdit printRich;
    TextFileCommands commands(owner, viewer, printRich,
                              [&viewer](int) -> QWidget* { return viewer.ViewRich(); });
    owner.show();
    FileDialogs::SetFileHook([&path](const FileDialogs::FileRequest&) { return path; });
    GapWatch gaps;
    const double before = MemoryMiB("VmRSS:");
    const Run load = Measure(gaps, [&] { commands.ViewClick(); });
    const double after = MemoryMiB("VmRSS:");
    bool wrapped = false;
    const Run wrap = Measure(gaps, [&] { wrapped = viewer.SetWordWrap(true); });
    const Run unwrap = Measure(gaps, [&] { viewer.SetWordWrap(false); });
    const Run scroll = Measure(gaps, [&] {
        viewer.SetWordWrap(true);
        viewer.ViewRich()->moveCursor(QTextCursor::End);
        viewer.ViewRich()->repaint();
    });
    viewer.SetWordWrap(false);
    const double mib = double(bytes.size()) / (1024 * 1024);
    std::printf(
        "Viewer: %s (%.0f MiB, %d display lines): load %.2f s, longest gap %.1f ms; word wrap on %.3f s "
        "(gap %.1f ms, %s), off %.3f s (gap %.1f ms), wrapped and scrolled to the end %.3f s (gap %.1f "
        "ms) (goal: every gap < 50 ms)\n",
        name, mib, viewer.ViewRich()->blockCount(), load.Seconds, load.GapMs, wrap.Seconds, wrap.GapMs,
        wrapped ? "wrapped" : "refused: too many lines", unwrap.Seconds, unwrap.GapMs, scroll.Seconds,
        scroll.GapMs);
    std::printf(
        "Viewer: %s: memory held for the shown file %.0f MiB, %.1f times the file; peak of the process "
        "%.0f MiB\n",
        name, after - before, (after - before) / mib, MemoryMiB("VmHWM:"));
    // Line ends come in as '\n', the last one dropped.
    const bool whole =
        viewer.Text().size() == bytes.size() - bytes.count('\r') - (bytes.endsWith('\n') ? 1 : 0);
    FileDialogs::SetFileHook({});
    return whole && viewer.HasText();
}

} // namespace

int main(int argc, char** argv) {
    UseOffscreenWithoutDisplay();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    bool ok = Case("one-line-20MB.txt", OneLine(20 * 1024 * 1024), dir);
    ok = Case("many-lines-60MB.txt", ManyLines(60 * 1024 * 1024), dir) && ok;
    return ok ? 0 : 1;
}
