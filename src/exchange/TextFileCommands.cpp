#include "exchange/TextFileCommands.h"

#include "common/ShellSettings.h"
#include "exchange/FileDialogs.h"
#include "exchange/PagedTextPrint.h"
#include "exchange/TextFile.h"
#include "exchange/UnlaidTextLayout.h"
#include "exchange/ViewerPage.h"
#include "shell/MessageBoxes.h"

#include <QApplication>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QScopeGuard>
#include <QTextEdit>

const QString TextFileCommands::OpenFilter =
    QStringLiteral("Excel Files (*.xls);;Word Documents (*.doc);;Rich Text Format  (*.rtf);;"
                   "Text Files  (*.txt);;All Files (*.*)");
const QString TextFileCommands::SaveFilter = QStringLiteral(
    "Excel File (*.xls);;Word Document (*.doc);;Rich Text Format  (*.rtf);;Text File  (*.txt)");
const QString TextFileCommands::PrintFailed = QStringLiteral("Could not print file !");

namespace {

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
    QApplication::setOverrideCursor(Qt::BusyCursor);
    const auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    const auto runEvents = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
    // Whatever the filter said, the file is read as plain text. A file that
    // is refused leaves the text shown as it was.
    const TextFileRead read = LoadTextFile(path, Shell().RegisterCharset, MaxViewedFileBytes, runEvents);
    if (!read.Error.isEmpty()) {
        MessageBoxes::Plain(&m_owner, read.Error);
        return;
    }
    m_viewer.ShowText(read.Text, runEvents);
    if (Shell().WordWrap && m_viewer.ViewRich()->lineWrapMode() == QPlainTextEdit::NoWrap)
        MessageBoxes::Plain(&m_owner, ViewerPage::TooManyLinesToWrap.Text());
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
