#include "exchange/TextFileCommands.h"

#include "exchange/FileDialogs.h"
#include "exchange/TextFile.h"
#include "exchange/ViewerPage.h"
#include "shell/MessageBoxes.h"
#include "shell/ShellSettings.h"

#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QTextDocument>
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
}

QString TextFileCommands::TargetText() const {
    return PlainTextOf(m_views(Shell().SaveTarget));
}

void TextFileCommands::ViewClick() {
    const QString path = FileDialogs::OpenFileName(&m_owner, {false, OpenFilter, {}});
    if (path.isEmpty())
        return;
    m_viewer.ShowText(QString());
    // Whatever the filter said, the file is read as plain text.
    const TextFileRead read = LoadTextFile(path, Shell().RegisterCharset);
    if (!read.Error.isEmpty()) {
        MessageBoxes::Plain(&m_owner, read.Error);
        return;
    }
    m_viewer.ShowText(read.Text);
}

void TextFileCommands::SaveClick() {
    const QString path = FileDialogs::SaveFileName(&m_owner, {true, SaveFilter, QStringLiteral("txt")});
    if (path.isEmpty())
        return;
    // A name ending in .xls, .doc or .rtf gets the same plain text lines.
    const QString failure = SaveTextLines(path, TextLines(TargetText()));
    if (!failure.isEmpty())
        MessageBoxes::Plain(&m_owner, failure);
}

void TextFileCommands::PrintClick() {
    m_printRich.clear();
    m_printRich.setPlainText(TargetText());
    QPrinter printer;
    if (!FileDialogs::RunPrintDialog(&m_owner, printer))
        return;
    if (!PrintBuffer(printer))
        MessageBoxes::Plain(&m_owner, PrintFailed);
}

bool TextFileCommands::PrintBuffer(QPrinter& printer) {
    if (!printer.isValid())
        return false;
    printer.setDocName(QString());
    QTextDocument* document = m_printRich.document();
    document->setDefaultFont(m_printRich.font());
    document->print(&printer);
    if (printer.printerState() == QPrinter::Error || printer.printerState() == QPrinter::Aborted)
        return false;
    // A file that never came into being is a failed job too.
    if (printer.outputFormat() == QPrinter::PdfFormat && !QFileInfo::exists(printer.outputFileName()))
        return false;
    return true;
}
