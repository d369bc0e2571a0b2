#include "viewer/TextFileCommands.h"

#include "common/Captions.h"
#include "common/SafeFile.h"
#include "common/ShellSettings.h"
#include "printing/TRepStatusForm.h"
#include "toolkit/FileDialogs.h"
#include "toolkit/MessageBoxes.h"
#include "viewer/LinePrint.h"
#include "viewer/LineStore.h"
#include "viewer/LineView.h"
#include "viewer/ViewerMessages.h"
#include "viewer/ViewerPage.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QScopeGuard>

const QString TextFileCommands::OpenFilter =
    QStringLiteral("Excel Files (*.xls);;Word Documents (*.doc);;Rich Text Format  (*.rtf);;"
                   "Text Files  (*.txt);;All Files (*.*)");
// What Save writes is plain text lines, whatever the name: only that is offered.
const QString TextFileCommands::SaveFilter = QStringLiteral("Text File  (*.txt);;All Files  (*)");
const QString TextFileCommands::PrintFailed = QStringLiteral("Could not print file !");

namespace {

LineView* LinesOf(QWidget* view) {
    return qobject_cast<LineView*>(view);
}

} // namespace

TextFileCommands::TextFileCommands(QWidget& owner, ViewerPage& viewer, ViewOfTarget views)
    : QObject(&owner), m_owner(owner), m_viewer(viewer), m_views(std::move(views)),
      m_status(new TRepStatusForm(&owner)) {
    setObjectName(QStringLiteral("TextFileCommands"));
    m_status->setObjectName(QStringLiteral("PrintStatus"));
}

QString TextFileCommands::TargetText() const {
    const LineView* view = LinesOf(m_views(Shell().SaveTarget));
    return view ? view->PlainText() : QString();
}

void TextFileCommands::ViewClick() {
    if (IsBusy())
        return;
    const QString path = FileDialogs::OpenFileName(&m_owner, {false, OpenFilter, {}});
    if (path.isEmpty())
        return;
    // Whatever the filter said, the file is shown as plain text. A file that
    // is refused leaves the text shown as it was.
    const QString failure = m_viewer.ShowFile(path, Shell().RegisterCharset);
    if (!failure.isEmpty())
        MessageBoxes::Plain(&m_owner, failure);
}

void TextFileCommands::SaveClick() {
    if (IsBusy())
        return;
    const LineView* view = LinesOf(m_views(Shell().SaveTarget));
    if (!view)
        return;
    // The text as it stands when Save is chosen, whatever comes meanwhile.
    const std::shared_ptr<const LineStore> store = view->Store();
    const QString path = FileDialogs::SaveFileName(&m_owner, {true, SaveFilter, QStringLiteral("txt")});
    if (path.isEmpty())
        return;
    m_saving = true;
    const auto finished = qScopeGuard([this] {
        m_saving = false;
        emit JobFinished();
    });
    // A file is written back as it is, byte for byte; a name ending in .xls,
    // .doc or .rtf gets the same plain text. A large one takes a while: the
    // port is served between its pieces.
    const WriteTarget target = ResolveWriteTarget(path);
    if (!target.Ok()) {
        MessageBoxes::Plain(&m_owner,
                            QStringLiteral("Cannot create file \"%1\". %2").arg(path, target.Refusal));
        return;
    }
    QSaveFile file(target.Path);
    const bool written = file.open(QIODevice::WriteOnly) && store->WriteTo(file, [] {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return true;
    }) && file.commit();
    if (!written)
        MessageBoxes::Plain(&m_owner,
                            QStringLiteral("Cannot create file \"%1\". %2").arg(path, file.errorString()));
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
    const LineView* view = LinesOf(m_views(Shell().SaveTarget));
    if (!view)
        return;
    // The lines are streamed to the printer a row at a time: a text of any
    // size is printed without being held twice, and the status dialog's
    // Cancel stops a long one.
    QPrinter printer;
    if (!FileDialogs::RunPrintDialog(&m_owner, printer))
        return;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    bool cancelled = false;
    const bool printed = PrintLines(printer, *view, cancelled);
    QApplication::restoreOverrideCursor();
    // Stopped by the user: nothing to report.
    if (!printed && !cancelled)
        MessageBoxes::Plain(&m_owner, PrintFailed);
}

bool TextFileCommands::PrintLines(QPrinter& printer, const LineView& view, bool& cancelled) {
    if (!printer.isValid())
        return false;
    // A PDF goes only to a regular file or a new path, through a link to its
    // file; it is written beside it first and takes its name once whole, so
    // a cancelled or failed job leaves no half a file behind.
    QString target;
    QString partial;
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        const WriteTarget resolved = ResolveWriteTarget(printer.outputFileName());
        if (!resolved.Ok())
            return false;
        target = resolved.Path;
        partial = target + QStringLiteral(".part");
        QFile::remove(partial);
        printer.setOutputFileName(partial);
    }
    printer.setDocName(QString());
    // The job prints the view's lines as they stand now, whatever reaches
    // the view while it runs.
    LinePrint job(view.Store(), view.font());
    job.SetCancelCheck([this] { return m_status->ReportCancel(); });
    // The dialog is the listing's own, with the words of a print job in the
    // language of the moment.
    m_status->setWindowTitle(ViewerMessages::PrintTitle.Text());
    m_status->findChild<QLabel*>(QStringLiteral("Creating"))->setText(ViewerMessages::Printing.Text());
    m_status->findChild<QPushButton*>(QStringLiteral("CancelButton"))
        ->setText(ViewerMessages::PrintCancel.Text());
    m_status->Start(0);
    m_status->Progress()->setRange(0, 0);
    connect(&job, &LinePrint::PagePainted, this, [this](int page, qint64 row, qint64 rows) {
        // Rows in thousandths, whatever their count.
        m_status->Progress()->setRange(0, 1000);
        m_status->SetProgress(int(rows > 0 ? row * 1000 / rows : 1000),
                              ViewerMessages::PrintingPage.Text().arg(page));
        emit PagePrinted(page);
    });
    bool printed = job.Run(printer);
    cancelled = job.WasCancelled();
    m_status->Finish();
    m_longestGapMs = job.LongestSliceMs();
    if (printer.printerState() == QPrinter::Error || printer.printerState() == QPrinter::Aborted)
        printed = false;
    if (!partial.isEmpty()) {
        // A file that never came into being is a failed job too.
        printed = printed && QFileInfo::exists(partial) && RenameOverTarget(partial, target).isEmpty();
        if (!printed)
            QFile::remove(partial);
    }
    return printed;
}
