#pragma once

#include "reports/PluStatSeries.h"
#include "reports/ReportDialog.h"

class DailyReports;
class QLabel;
class QLineEdit;
class QPushButton;
class ReportsPage;

// The PLU statistics dialog, one instance for the whole run: the daily sales
// of one PLU or of a range, one request per PLU active on the PC.
class TPLUStat : public ReportDialog {
    Q_OBJECT
  public:
    explicit TPLUStat(QWidget* parent = nullptr);

    // The page whose view takes the report, and the series that asks for it.
    void Attach(DailyReports& reports, PluStatSeries& series, ReportsPage& page);

    [[nodiscard]] QLineEdit* PLUCode() const { return m_code; }
    [[nodiscard]] QLineEdit* PLUCode2() const { return m_code2; }
    [[nodiscard]] QPushButton* GetDailyPLU() const { return m_ok; }
    [[nodiscard]] QPushButton* StatCancel() const { return m_cancel; }
    [[nodiscard]] QLabel* StatProgress() const { return m_progress; }

    void GetDailyPLUClick();
    void StatCancelClick();

  signals:
    // The series is over: the Reports page comes to the front.
    void ShowReportsRequested();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // However the dialog goes (Cancel, Escape, its close box), the series ends.
    void hideEvent(QHideEvent* event) override;

  private:
    void PLUCodeChange(const QString& text);
    void PLUCodeKeyUp();
    void PLUCode2KeyUp();
    void SetCode2Enabled(bool on);
    void UpDownClick(QLineEdit* field, int step);
    void ShowProgress(int done, int total, qint64 msLeft);
    void SeriesFinished(PluStatSeries::End end);
    void ResetRange();

    QLineEdit* m_code;
    QLineEdit* m_code2;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    QLabel* m_progress;
    DailyReports* m_reports = nullptr;
    PluStatSeries* m_series = nullptr;
    ReportsPage* m_page = nullptr;
    bool m_badKey = false;
};
