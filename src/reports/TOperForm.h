#pragma once

#include "reports/ReportDialog.h"

class DailyReports;
class QComboBox;
class QPushButton;

// The operator statistics dialog, one instance for the whole run. It stays
// open from OK until the register's answer, which closes it.
class TOperForm : public ReportDialog {
    Q_OBJECT
  public:
    explicit TOperForm(QWidget* parent = nullptr);

    void Attach(DailyReports& reports);

    [[nodiscard]] QComboBox* OperCode() const { return m_code; }
    [[nodiscard]] QPushButton* GetDailyOper() const { return m_ok; }

    void GetDailyOperClick();
    void OperCancelClick();

  signals:
    void ShowReportsRequested();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void OperCodeChange(const QString& text);

    QComboBox* m_code;
    QPushButton* m_ok;
    DailyReports* m_reports = nullptr;
};
