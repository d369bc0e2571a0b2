#pragma once

#include "spreadsheets/SheetRows.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <memory>

class QLineEdit;
class QThread;
class QWidget;
class TDataForm;
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
    // from and to are the PLU page's export range fields.
    SpreadsheetExchange(QWidget* mainWindow, TDataForm& data, TExpImpForm& progress, QLineEdit* from,
                        QLineEdit* to);
    ~SpreadsheetExchange() override;

    void MnExportClick();
    void MnImportClick();
    [[nodiscard]] bool Running() const { return m_running; }

  signals:
    // An import or export has ended, whichever way.
    void Finished();

  private:
    void BeginRun(const QString& caption);
    void EndRun();
    void ExportStep();
    void ExportWritten(SheetError error);
    void ImportRead(SheetError error);
    void ImportStep();
    void RunInThread(std::function<SheetError()> work, std::function<void(SheetError)> done);
    [[nodiscard]] int RangeValue(QLineEdit* field) const;
    void ShowError(const QString& text);

    QWidget* m_mainWindow;
    TDataForm& m_data;
    TExpImpForm& m_progress;
    QPointer<QLineEdit> m_from;
    QPointer<QLineEdit> m_to;
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
