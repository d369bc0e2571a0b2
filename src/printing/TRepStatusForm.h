#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

// The report creation status dialog, one instance for the whole run: the
// progress of a listing being built, and its Cancel.
class TRepStatusForm : public QDialog {
    Q_OBJECT
  public:
    explicit TRepStatusForm(QWidget* parent = nullptr);

    // Shows the dialog for a build of steps steps; clears ReportCancel.
    void Start(int steps);
    void SetProgress(int step, const QString& percent);
    void Finish();
    [[nodiscard]] bool ReportCancel() const { return m_reportCancel; }
    void CancelButtonClick();

    [[nodiscard]] QProgressBar* Progress() const { return m_progress; }
    [[nodiscard]] QLabel* Percent() const { return m_percent; }

  signals:
    void Cancelled();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    QLabel* m_creating = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_percent = nullptr;
    QPushButton* m_cancel = nullptr;
    bool m_reportCancel = false;
};
