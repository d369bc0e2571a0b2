#include "viewer/TextFileCommands.h"

#include "common/Captions.h"
#include "common/SafeFile.h"
#include "common/ShellSettings.h"
#include "printing/PagedTextPrint.h"
#include "printing/UnlaidTextLayout.h"
#include "toolkit/FileDialogs.h"
#include "toolkit/MessageBoxes.h"
#include "viewer/TextFile.h"
#include "viewer/ViewerMessages.h"
#include "viewer/ViewerPage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProgressDialog>
#include <QScopeGuard>
#include <QTextEdit>

const QString TextFileCommands::OpenFilter =
    QStringLiteral("Excel Files (*.xls);;Word Documents (*.doc);;Rich Text Format  (*.rtf);;"
                   "Text Files  (*.txt);;All Files (*.*)");
// What Save writes is plain text lines, whatever the name: only that is offered.
const QString TextFileCommands::SaveFilter = QStringLiteral("Text File  (*.txt);;All Files  (*)");
const QString TextFileCommands::PrintFailed = QStringLiteral("Could not print file !");

namespace {

constexpr int ProgressSteps = 1000;

QString MegaBytes(qint64 bytes) {
    return QString::number(double(bytes) / (1024 * 1024), 'f', 1);
}

QString MinutesSeconds(qint64 ms) {
    const qint64 s = (ms + 500) / 1000;
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

QString PlainTextOf(const QWidget* view) {
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(view))
        return plain->toPlainText();
    if (const auto* rich = qobject_cast<const QTextEdit*>(view))
        return rich->toPlainText();
    return {};
}

} // namespace

TextFileCommands::TextFileCommands(QWidget& owner, ViewerPage& viewer, QTextEdit& printRich,
                                   ViewOfTarget views)
    : QObject(&owner), m_owner(owner), m_viewer(viewer), m_printRich(printRich), m_views(std::move(views)) {
    setObjectName(QStringLiteral("TextFileCommands"));
    m_printRich.document()->setDocumentLayout(new UnlaidTextLayout(m_printRich.document()));
}

QString TextFileCommands::TargetText() const {
    return PlainTextOf(m_views(Shell().SaveTarget));
}

void TextFileCommands::ViewClick() {
    if (IsBusy())
        return;
    const QString path = FileDialogs::OpenFileName(&m_owner, {false, OpenFilter, {}});
    if (path.isEmpty())
        return;
    // Pending events run while a large file comes in (the port is read on this
    // thread); a close among them waits for the end, as during a print.
    m_viewing = true;
    const auto finished = qScopeGuard([this] {
        m_viewing = false;
        emit JobFinished();
    });
    // A large file takes seconds: its progress shows with a Cancel. The box is
    // modal, so the user's input meanwhile reaches no other window.
    QProgressDialog progress(&m_owner);
    progress.setObjectName(QStringLiteral("ViewProgress"));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setWindowTitle(QString::fromLatin1(ProgramTitle));
    progress.setCancelButtonText(ViewerMessages::Cancel.Text());
    progress.setRange(0, ProgressSteps);
    progress.setMinimumDuration(300);
    progress.setValue(0);
    const qint64 fileBytes = QFileInfo(path).size();
    QElapsedTimer clock;
    clock.start();
    // The file's reading and decoding is the first half, showing it the second.
    const auto stepper = [&](int half) {
        return [&, half](qint64 done, qint64 total) {
            const double whole = (half + (total > 0 ? double(done) / double(total) : 1.0)) / 2.0;
            const qint64 left = whole > 0.01 ? qint64(double(clock.elapsed()) * (1.0 - whole) / whole) : -1;
            progress.setLabelText(ViewerMessages::ViewProgressText.Text()
                                      .arg(MegaBytes(qint64(whole * double(fileBytes))))
                                      .arg(MegaBytes(fileBytes))
                                      .arg(left < 0 ? QStringLiteral("-") : MinutesSeconds(left)));
            progress.setValue(int(whole * ProgressSteps));
            // Until the box shows, nothing would hold the user's clicks off
            // the window under it.
            QCoreApplication::processEvents(progress.isVisible() ? QEventLoop::AllEvents
                                                                 : QEventLoop::ExcludeUserInputEvents);
            return !progress.wasCanceled();
        };
    };
    // Whatever the filter said, the file is read as plain text. A file that
    // is refused, or a read that is cancelled, leaves the text shown as it was.
    const TextFileRead read = LoadTextFile(path, Shell().RegisterCharset, MaxViewedFileBytes, stepper(0));
    if (read.Cancelled)
        return;
    if (!read.Error.isEmpty()) {
        progress.reset();
        MessageBoxes::Plain(&m_owner, read.Error);
        return;
    }
    if (!m_viewer.ShowText(read.Text, stepper(1)))
        return;
    progress.reset();
    if (Shell().WordWrap && m_viewer.ViewRich()->lineWrapMode() == QPlainTextEdit::NoWrap)
        MessageBoxes::Plain(&m_owner, ViewerMessages::TooManyLinesToWrap.Text());
}

void TextFileCommands::SaveClick() {
    const QString path = FileDialogs::SaveFileName(&m_owner, {true, SaveFilter, QStringLiteral("txt")});
    if (path.isEmpty())
        return;
    // A name ending in .xls, .doc or .rtf gets the same plain text lines.
    // The viewer's long lines are saved whole, as the file had them.
    const QString text = Shell().SaveTarget == 2 ? m_viewer.Text() : TargetText();
    const QString failure = SaveTextLines(path, TextLines(text));
    if (!failure.isEmpty())
        MessageBoxes::Plain(&m_owner, failure);
}

void TextFileCommands::PrintClick() {
    // One job at a time: a Print reached through the events that run during
    // a job (or its dialog) is not a second job.
    if (IsBusy())
        return;
    m_printing = true;
    const auto finished = qScopeGuard([this] {
        m_printing = false;
        emit JobFinished();
    });
    // The job prints the text as it stands now, whatever reaches the views
    // or the print buffer while it runs.
    const QString text = TargetText();
    // A day of lines takes a while to go in: the port is served meanwhile.
    const auto runEvents = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
    PagedTextPrint::RemoveInPieces(*m_printRich.document(), runEvents);
    m_printRich.clear();
    PagedTextPrint::AppendInPieces(*m_printRich.document(), text, runEvents);
    QPrinter printer;
    if (!FileDialogs::RunPrintDialog(&m_owner, printer))
        return;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    const bool printed = PrintText(printer, text);
    QApplication::restoreOverrideCursor();
    if (!printed)
        MessageBoxes::Plain(&m_owner, PrintFailed);
}

bool TextFileCommands::PrintBuffer(QPrinter& printer) {
    return PrintText(printer, m_printRich.toPlainText());
}

bool TextFileCommands::PrintText(QPrinter& printer, const QString& text) {
    if (!printer.isValid())
        return false;
    // A PDF goes only to a regular file or a new path, through a link to its file.
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        const WriteTarget target = ResolveWriteTarget(printer.outputFileName());
        if (!target.Ok())
            return false;
        printer.setOutputFileName(target.Path);
    }
    printer.setDocName(QString());
    PagedTextPrint job(text, *m_printRich.document(), m_printRich.font());
    connect(&job, &PagedTextPrint::PagePainted, this, &TextFileCommands::PagePrinted);
    if (!job.Run(printer))
        return false;
    if (printer.printerState() == QPrinter::Error || printer.printerState() == QPrinter::Aborted)
        return false;
    // A file that never came into being is a failed job too.
    if (printer.outputFormat() == QPrinter::PdfFormat && !QFileInfo::exists(printer.outputFileName()))
        return false;
    return true;
}
