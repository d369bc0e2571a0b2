#include "viewer/TextFileCommands.h"

#include "common/Captions.h"
#include "common/SafeFile.h"
#include "common/ShellSettings.h"
#include "printing/PagedTextPrint.h"
#include "printing/UnlaidTextLayout.h"
#include "toolkit/FileDialogs.h"
#include "toolkit/MessageBoxes.h"
#include "viewer/LineStore.h"
#include "viewer/LineView.h"
#include "viewer/ViewerMessages.h"
#include "viewer/ViewerPage.h"

#include <QApplication>
#include <QFileInfo>
#include <QPrinter>
#include <QSaveFile>
#include <QScopeGuard>
#include <QTextEdit>

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

TextFileCommands::TextFileCommands(QWidget& owner, ViewerPage& viewer, QTextEdit& printRich,
                                   ViewOfTarget views)
    : QObject(&owner), m_owner(owner), m_viewer(viewer), m_printRich(printRich), m_views(std::move(views)) {
    setObjectName(QStringLiteral("TextFileCommands"));
    m_printRich.document()->setDocumentLayout(new UnlaidTextLayout(m_printRich.document()));
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
    // A printout is laid out as a whole: a text of a size no printer is fed
    // with is refused in words before any memory is taken for it.
    const LineView* view = LinesOf(m_views(Shell().SaveTarget));
    const std::shared_ptr<const LineStore> store = view ? view->Store() : nullptr;
    const auto* file = qobject_cast<const FileLineStore*>(store.get());
    const qint64 bytes = file ? file->FileBytes() : store ? store->HeldBytes() : 0;
    if (bytes > MaxPrintedBytes) {
        MessageBoxes::Plain(&m_owner, ViewerMessages::TooLargeToPrint.Text()
                                          .arg(bytes / (1024 * 1024))
                                          .arg(MaxPrintedBytes / (1024 * 1024)));
        return;
    }
    // A file still being read is printed whole: its last lines come first
    // (a second at most at this size), the port served meanwhile.
    while (store && !store->Complete())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
    // A day of lines takes a while to go in: the port is served meanwhile.
    const auto runEvents = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
    // The job prints the text as it stands now, whatever reaches the views
    // or the print buffer while it runs.
    const QString text = store ? store->Text(runEvents) : QString();
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
