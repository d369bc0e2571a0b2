#include "spreadsheets/SpreadsheetExchange.h"

#include "common/Captions.h"
#include "common/ShellSettings.h"
#include "database/PluTable.h"
#include "protocol/RegisterCharset.h"
#include "spreadsheets/PluSheet.h"
#include "spreadsheets/SheetTemplate.h"
#include "spreadsheets/SpreadsheetMessages.h"
#include "spreadsheets/TExpImpForm.h"
#include "toolkit/FileDialogs.h"
#include "toolkit/MessageBoxes.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QThread>
#include <QTimer>

namespace {

// One step of work on the window's thread stays well below what a user notices.
constexpr qint64 StepBudgetMs = 15;

QString ReadErrorText(SheetError error, const QString& path, int damagedRow) {
    const QString name = QDir::toNativeSeparators(path);
    switch (error) {
    case SheetError::CannotOpen:
        return SpreadsheetMessages::CannotOpen.Text().arg(name);
    case SheetError::Unsupported:
        return SpreadsheetMessages::Unsupported.Text().arg(name);
    case SheetError::Encrypted:
        return SpreadsheetMessages::Encrypted.Text().arg(name);
    case SheetError::TooLarge:
        return SpreadsheetMessages::TooLarge.Text().arg(name);
    case SheetError::NotAFile:
        return SpreadsheetMessages::NotAFile.Text().arg(name);
    default:
        break;
    }
    QString text = SpreadsheetMessages::Damaged.Text().arg(name);
    if (damagedRow > 0)
        text += QLatin1Char('\n') + SpreadsheetMessages::UnclosedQuote.Text().arg(damagedRow);
    return text;
}

} // namespace

SpreadsheetExchange::SpreadsheetExchange(QWidget* mainWindow, PluTable& table, TExpImpForm& progress,
                                         Sources sources)
    : QObject(mainWindow), m_mainWindow(mainWindow), m_table(table), m_progress(progress),
      m_sources(std::move(sources)) {
    setObjectName(QStringLiteral("SpreadsheetExchange"));
}

SpreadsheetExchange::~SpreadsheetExchange() {
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
    }
}

int SpreadsheetExchange::RangeValue(const QString& text) {
    // The leading digits, 0 when there are none.
    int value = 0;
    for (QChar c : text) {
        if (!c.isDigit() || value > PluCount)
            break;
        value = value * 10 + c.digitValue();
    }
    return value;
}

void SpreadsheetExchange::ShowError(const QString& text) {
    MessageRequest request;
    request.Title = QString::fromLatin1(ProgramTitle);
    request.Text = text;
    request.Icon = QMessageBox::Critical;
    MessageBoxes::Show(m_mainWindow, request);
}

void SpreadsheetExchange::BeginRun(const QString& caption) {
    m_running = true;
    m_mainWindow->setEnabled(false);
    m_progress.Start(caption);
}

void SpreadsheetExchange::EndRun() {
    m_progress.Finish();
    m_mainWindow->setEnabled(true);
    m_running = false;
    m_writer.reset();
    m_import.reset();
    m_rows.reset();
    emit Finished();
}

void SpreadsheetExchange::RunInThread(std::function<SheetError()> work,
                                      std::function<void(SheetError)> done) {
    auto result = std::make_shared<SheetError>(SheetError::None);
    m_thread = QThread::create([work = std::move(work), result] { *result = work(); });
    connect(m_thread, &QThread::finished, this, [this, result, done = std::move(done)] {
        m_thread->deleteLater();
        m_thread = nullptr;
        done(*result);
    });
    m_thread->start();
}

void SpreadsheetExchange::MnExportClick() {
    if (m_running)
        return;
    const bool macros = Shell().DescriptionColumn == PluSheet::MacrosDescriptionColumn;
    QString templatePath;
    if (macros) {
        templatePath = FileDialogs::OpenFileName(
            m_mainWindow,
            {false, QStringLiteral("Excel workbook with macros (*.xlsm *.xlsx);;Excel 97-2003 (*.xls)"),
             QStringLiteral("xlsm")});
        if (templatePath.isEmpty())
            return;
        if (QFileInfo(templatePath).suffix().compare(u"xls", Qt::CaseInsensitive) == 0) {
            ShowError(SpreadsheetMessages::XlsTemplate.Text());
            return;
        }
    }
    const QString suffix = macros ? QFileInfo(templatePath).suffix().toLower() : QStringLiteral("xlsx");
    const QString filter = macros ? QStringLiteral("Excel workbook (*.%1)").arg(suffix)
                                  : QStringLiteral("Excel workbook (*.xlsx);;CSV UTF-8 (*.csv)");
    const QString target = FileDialogs::SaveFileName(m_mainWindow, {true, filter, suffix});
    if (target.isEmpty())
        return;
    if (macros && QFileInfo(target).absoluteFilePath() == QFileInfo(templatePath).absoluteFilePath()) {
        ShowError(SpreadsheetMessages::SameAsTemplate.Text());
        return;
    }
    m_writer = macros ? MakeTemplateWriter(templatePath, target) : MakeSheetWriter(target);
    if (!m_writer) {
        ShowError(SpreadsheetMessages::WriteFailed.Text().arg(QDir::toNativeSeparators(target)));
        return;
    }
    m_target = target;
    m_first = qMin(RangeValue(m_sources.From()), PluCount - 1);
    m_next = m_first;
    m_written = 0;
    BeginRun(SpreadsheetMessages::Exporting.Text());
    m_writer->AddRow(PluSheet::TitleRow(Shell().UiLanguage));
    QTimer::singleShot(0, this, &SpreadsheetExchange::ExportStep);
}

void SpreadsheetExchange::ExportStep() {
    QElapsedTimer clock;
    clock.start();
    // The sheet carries the very texts the database grid shows.
    const PluCells::Style style = m_sources.Style();
    const PluTable& table = m_table;
    int last = 0;
    while (!m_progress.ExchangeCancelled()) {
        // The end of the range is read again for every row, as the page's
        // field may change meanwhile.
        last = qMin(RangeValue(m_sources.To()), PluCount - 1);
        if (m_next > last || clock.elapsed() >= StepBudgetMs)
            break;
        m_writer->AddRow(PluSheet::ExportRow(table[m_next], m_next, style));
        ++m_next;
        ++m_written;
    }
    if (m_progress.ExchangeCancelled()) {
        m_writer.reset(); // nothing reaches the target
        EndRun();
        MessageBoxes::Plain(m_mainWindow, SpreadsheetMessages::ExportCancelled.Text());
        return;
    }
    m_progress.SetProgress(m_written, qMax(m_written, last - m_first + 1),
                           SpreadsheetMessages::PluWritten.Text() + QString::number(m_next - 1));
    if (m_next <= last) {
        QTimer::singleShot(0, this, &SpreadsheetExchange::ExportStep);
        return;
    }
    // Packing the workbook takes longer than a step: it runs beside the window.
    m_progress.SetProgress(m_written, m_written, SpreadsheetMessages::WritingFile.Text());
    SheetWriter* writer = m_writer.get();
    RunInThread([writer] { return writer->Finish(); }, [this](SheetError error) { ExportWritten(error); });
}

void SpreadsheetExchange::ExportWritten(SheetError error) {
    const int written = m_written;
    const QString target = QDir::toNativeSeparators(m_target);
    EndRun();
    if (error == SheetError::None)
        MessageBoxes::Plain(m_mainWindow, SpreadsheetMessages::Exported.Text().arg(written).arg(target));
    else if (error == SheetError::CannotWrite)
        ShowError(SpreadsheetMessages::WriteFailed.Text().arg(target));
    else if (error == SheetError::NotAFile)
        ShowError(SpreadsheetMessages::NotAFile.Text().arg(target));
    else
        ShowError(SpreadsheetMessages::TemplateFailed.Text().arg(target));
}

void SpreadsheetExchange::MnImportClick() {
    if (m_running)
        return;
    QStringList patterns;
    for (const QString& format : ReadableSheetFormats())
        patterns << QStringLiteral("*.") + format;
    const QString path = FileDialogs::OpenFileName(
        m_mainWindow, {false, QStringLiteral("Spreadsheets (%1);;All files (*)").arg(patterns.join(u' ')),
                       QStringLiteral("xlsx")});
    if (path.isEmpty())
        return;
    m_source = path;
    m_rows = std::make_unique<SheetRows>(PluSheet::LastDataRow, PluSheet::ReadColumns);
    BeginRun(SpreadsheetMessages::Importing.Text());
    m_progress.SetProgress(0, 0, SpreadsheetMessages::ReadingFile.Text());
    SheetRows* rows = m_rows.get();
    SheetLimits limits;
    limits.CsvCodePage = CodePageName(m_sources.Style().Charset);
    RunInThread([path, rows, limits] { return ReadSheetFile(path, *rows, limits); },
                [this](SheetError error) { ImportRead(error); });
}

void SpreadsheetExchange::ImportRead(SheetError error) {
    if (m_progress.ExchangeCancelled()) {
        EndRun();
        return;
    }
    if (error != SheetError::None) {
        const QString text = ReadErrorText(error, m_source, m_rows->DamagedRow());
        EndRun();
        ShowError(text);
        return;
    }
    m_import = std::make_unique<PluSheet::PluImport>(*m_rows, Shell().DescriptionColumn, m_sources.Style());
    QTimer::singleShot(0, this, &SpreadsheetExchange::ImportStep);
}

void SpreadsheetExchange::ImportStep() {
    QElapsedTimer clock;
    clock.start();
    PluTable& table = m_table;
    if (m_progress.ExchangeCancelled())
        m_import->Cancel();
    while (!m_import->Done() && clock.elapsed() < StepBudgetMs)
        m_import->Step(table, 50);
    m_progress.SetProgress(m_import->RowsDone(), m_import->RowsTotal(),
                           SpreadsheetMessages::PluRead.Text() + m_import->LastPluText());
    if (!m_import->Done()) {
        QTimer::singleShot(0, this, &SpreadsheetExchange::ImportStep);
        return;
    }
    const PluSheet::ImportSummary summary = m_import->Summary();
    EndRun();
    if (summary.Imported > 0) {
        // Leaving the program asks whether to save what came in, as after a
        // read from the register: No keeps the file as it was.
        Shell().PlusReadFromRegister = true;
        emit PlusImported(summary.FirstPlu, summary.LastPlu);
    }
    MessageRequest request;
    request.Title = QString::fromLatin1(ProgramTitle);
    request.Text = summary.Text(Shell().UiLanguage);
    request.Icon =
        summary.NeedsRecalculation || summary.Skipped > 0 ? QMessageBox::Warning : QMessageBox::Information;
    MessageBoxes::Show(m_mainWindow, request);
}
