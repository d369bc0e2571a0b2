#include "ctl/CtlRun.h"

#include "common/SafeFile.h"
#include "common/ShellSettings.h"
#include "database/PluTable.h"
#include "protocol/RegisterCharset.h"
#include "spreadsheets/PluSheet.h"
#include "spreadsheets/SheetRows.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// Keeps stderr from a library's own prints for the life of this object: the
// descriptor points at an anonymous file meanwhile, dropped afterwards.
class LibraryLinesSilenced {
  public:
    LibraryLinesSilenced() {
        std::fflush(stderr);
        const int sink = ::memfd_create("orvexctl-library-lines", MFD_CLOEXEC);
        m_saved = sink >= 0 ? ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0) : -1;
        if (m_saved >= 0)
            ::dup2(sink, STDERR_FILENO);
        if (sink >= 0)
            ::close(sink);
    }
    ~LibraryLinesSilenced() {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
    }
    LibraryLinesSilenced(const LibraryLinesSilenced&) = delete;
    LibraryLinesSilenced& operator=(const LibraryLinesSilenced&) = delete;

  private:
    int m_saved = -1;
};

} // namespace

int CtlRun::Export() {
    const QStringList& w = m_line.Words;
    if (!OnlyOptions({"--db"}))
        return CtlUsage;
    if ((w.size() != 2 && w.size() != 4))
        return Usage(QStringLiteral("export takes FILE and optionally FROM and TO"));
    int from = 0;
    int to = PluTable::Size - 1;
    if (w.size() == 4) {
        const std::optional<int> f = Number(w[2]);
        const std::optional<int> t = Number(w[3]);
        if (!f || !t || !PluTable::Contains(*f) || !PluTable::Contains(*t) || *f > *t)
            return Usage(QStringLiteral("export takes PLU numbers 0 to %1, FROM not above TO")
                             .arg(PluTable::Size - 1));
        from = *f;
        to = *t;
    }
    if (w[1] == QLatin1String("-")) {
        // The rows the .csv file would hold, to stdout.
        if (!LoadTable())
            return CtlFailed;
        const PluCells::Style style = FileStyle();
        m_context.Out << CsvRowText(PluSheet::TitleRow(style.Language)) << "\r\n";
        for (int n = from; n <= to; ++n)
            m_context.Out << CsvRowText(PluSheet::ExportRow(Table()[n], n, style)) << "\r\n";
        return CtlSuccess;
    }
    const QString target = QFileInfo(w[1]).absoluteFilePath();
    std::unique_ptr<SheetWriter> writer = MakeSheetWriter(target);
    if (!writer)
        return Usage(QStringLiteral("export writes .xlsx or .csv files"));
    if (const WriteTarget where = ResolveWriteTarget(target); !where.Ok())
        return FailFile(target, where.Refusal + QStringLiteral("; nothing was written"));
    if (!LoadTable())
        return CtlFailed;
    const PluCells::Style style = FileStyle();
    SheetError written = SheetError::None;
    m_context.Err.flush();
    {
        // libxlsxwriter prints its own lines on stderr before the error it
        // returns; the one line below says what they say.
        const LibraryLinesSilenced silenced;
        writer->AddRow(PluSheet::TitleRow(style.Language));
        for (int n = from; n <= to; ++n)
            writer->AddRow(PluSheet::ExportRow(Table()[n], n, style));
        written = writer->Finish();
    }
    if (written != SheetError::None) {
        const QString reason = writer->ErrorString();
        return FailFile(
            target, reason.isEmpty()
                        ? QStringLiteral("the file could not be written; no file was made")
                        : QStringLiteral("the file could not be written: %1; no file was made").arg(reason));
    }
    m_context.Out << (to - from + 1) << " PLUs exported to " << target << "\n";
    return CtlSuccess;
}

int CtlRun::Import() {
    const QStringList& w = m_line.Words;
    if (!OnlyOptions({"--db"}))
        return CtlUsage;
    if (w.size() != 2)
        return Usage(QStringLiteral("import takes FILE"));
    const QString source = QFileInfo(w[1]).absoluteFilePath();
    // Looked at by name: a FIFO is not even opened, a device not read.
    if (const QString refusal = RegularFileRefusal(source); !refusal.isEmpty())
        return FailFile(source, refusal + QStringLiteral("; nothing was imported"));
    if (!LoadTable(true))
        return CtlFailed;
    SheetRows rows(PluSheet::LastDataRow, PluSheet::ReadColumns);
    SheetLimits limits;
    limits.CsvCodePage = CodePageName(FileStyle().Charset);
    switch (ReadSheetFile(source, rows, limits)) {
    case SheetError::None:
        break;
    case SheetError::CannotOpen:
        return FailFile(source, QStringLiteral("the file cannot be opened; nothing was imported"));
    case SheetError::Unsupported:
        return FailFile(source,
                        QStringLiteral("not a spreadsheet format that can be read; nothing was imported"));
    case SheetError::Encrypted:
        return FailFile(source, QStringLiteral("the file is protected by a password; nothing was imported"));
    case SheetError::TooLarge:
        return FailFile(source, QStringLiteral("the file is too large; nothing was imported"));
    case SheetError::NotAFile:
        return FailFile(source, QStringLiteral("not a regular file; nothing was imported"));
    default:
        return FailFile(source, rows.DamagedRow() > 0
                                    ? QStringLiteral("the file is damaged (the quote that opens in row %1 is "
                                                     "never closed); nothing was imported")
                                          .arg(rows.DamagedRow())
                                    : QStringLiteral("the file is damaged or not the format its name says; "
                                                     "nothing was imported"));
    }
    PluSheet::PluImport import(rows, Shell().DescriptionColumn, FileStyle());
    ProgressLine progress(m_context);
    while (!import.Done()) {
        import.Step(Table(), 200);
        progress.Show(import.RowsDone(), import.RowsTotal(), -1);
        // SIGINT or SIGTERM: the rows taken so far are kept, as a cancel in the window does.
        QCoreApplication::processEvents();
        if (m_context.StopRequested && m_context.StopRequested())
            import.Cancel();
    }
    progress.Finish();
    const PluSheet::ImportSummary& summary = import.Summary();
    const QString text = summary.Text(Shell().UiLanguage).trimmed();
    if (summary.Imported == 0)
        return FailFile(source, QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    if (!SaveTable())
        return CtlFailed;
    m_context.Out << Printable(text) << "\n";
    // What the sheet held and was not taken makes the import fail, though
    // what was taken stays in the database.
    QStringList left;
    if (summary.Cancelled)
        left << QStringLiteral("interrupted at row %1").arg(summary.CancelledRow);
    if (summary.NeedsRecalculation)
        left
            << QStringLiteral("stopped at row %1, a formula without its value").arg(summary.RecalculationRow);
    if (summary.Skipped > 0)
        left << QStringLiteral("%1 rows skipped").arg(summary.Skipped);
    if (summary.RowsAfterEnd > 0)
        left << QStringLiteral("%1 rows after row %2 not read: its PLU cell is empty")
                    .arg(summary.RowsAfterEnd)
                    .arg(summary.EndRow);
    if (summary.RowsBeyond > 0)
        left << QStringLiteral("%1 rows below row %2 not read")
                    .arg(summary.RowsBeyond)
                    .arg(PluSheet::LastDataRow);
    if (!left.isEmpty())
        return FailFile(source, left.join(QStringLiteral("; ")));
    return CtlSuccess;
}
