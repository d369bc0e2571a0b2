#pragma once

#include "database/PluCells.h"
#include "spreadsheets/SheetRows.h"

#include <QElapsedTimer>
#include <QObject>
#include <functional>
#include <memory>

class QThread;
class QWidget;
class PluTable;
class TExpImpForm;
namespace PluSheet {
class PluImport;
}

// Database > Export... and Import...: the PLU table to and from a spreadsheet
// file, in steps between which the window stays alive. The main window is
// disabled while one runs; the progress dialog's Cancel stops it.
class SpreadsheetExchange : public QObject {
    Q_OBJECT
  public:
    // What an export or import reads as it goes: the texts of the cells as
    // the database grid shows them, and the export range as typed (its end is
    // read again for every row, as it may change meanwhile).
    struct Sources {
        std::function<PluCells::Style()> Style;
        std::function<QString()> From;
        std::function<QString()> To;
    };
    SpreadsheetExchange(QWidget* mainWindow, PluTable& table, TExpImpForm& progress, Sources sources);
    ~SpreadsheetExchange() override;

    void MnExportClick();
    void MnImportClick();
    [[nodiscard]] bool Running() const { return m_running; }

  signals:
    // An import or export has ended, whichever way.
    void Finished();
    // An import changed entries from..to of the table.
    void PlusImported(int from, int to);

  private:
    void BeginRun(const QString& caption);
    void EndRun();
    void ExportStep();
    void ExportWritten(SheetError error);
    void ImportRead(SheetError error);
    void ImportStep();
    void RunInThread(std::function<SheetError()> work, std::function<void(SheetError)> done);
    [[nodiscard]] static int RangeValue(const QString& text);
    void ShowError(const QString& text);

    QWidget* m_mainWindow;
    PluTable& m_table;
    TExpImpForm& m_progress;
    Sources m_sources;
    bool m_running = false;
    QThread* m_thread = nullptr;

    // Export
    std::unique_ptr<SheetWriter> m_writer;
    QString m_target;
    int m_next = 0;
    int m_first = 0;
    int m_written = 0;

    // Import
    std::unique_ptr<SheetRows> m_rows;
    std::unique_ptr<PluSheet::PluImport> m_import;
    QString m_source;
};
