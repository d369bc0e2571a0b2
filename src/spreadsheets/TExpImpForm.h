#pragma once

#include <QDialog>
#include <QElapsedTimer>

class QLabel;
class QProgressBar;
class QPushButton;

// The export/import progress dialog, one instance for the whole run: the rows
// done of all, the time left, the PLU at hand, and Cancel.
class TExpImpForm : public QDialog {
    Q_OBJECT
  public:
    explicit TExpImpForm(QWidget* parent = nullptr);

    // Shows the dialog under a caption; clears ExchangeCancelled.
    void Start(const QString& caption);
    // total 0: not known yet (a file being read).
    void SetProgress(int done, int total, const QString& plu);
    // Closes the dialog; Cancel stays as it was.
    void Finish();
    [[nodiscard]] bool ExchangeCancelled() const { return m_cancelled; }
    void BtnCancelClick();

    [[nodiscard]] QLabel* CurPluLabel() const { return m_curPlu; }
    [[nodiscard]] QLabel* CountLabel() const { return m_count; }
    [[nodiscard]] QProgressBar* Progress() const { return m_progress; }
    [[nodiscard]] QPushButton* CancelButton() const { return m_cancel; }

  signals:
    void CancelRequested();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    QLabel* m_curPlu = nullptr;
    QLabel* m_count = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_cancel = nullptr;
    QElapsedTimer m_clock;
    bool m_cancelled = false;
    bool m_running = false;
};
