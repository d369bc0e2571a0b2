#pragma once

#include "toolkit/ModePage.h"

#include <QStringList>
#include <QTimer>

class DailyReports;
class QLabel;
class QPushButton;
class QTextEdit;

// The daily reports page: the report requests, the Z report, and the report
// view DailyRich, where reports accumulate until Clear.
class ReportsPage : public ModePage {
    Q_OBJECT
  public:
    // How long after a Z answer Do stays off.
    static constexpr int ZRepeatGuardMs = 1000;

    explicit ReportsPage(QWidget* parent = nullptr);

    // The reports on the line that the buttons ask for and the view shows.
    void Attach(DailyReports& reports);

    [[nodiscard]] QTextEdit* DailyRich() const { return m_view; }
    [[nodiscard]] QPushButton* DoZ() const { return m_doZ; }
    [[nodiscard]] QLabel* ZResult() const { return m_zResult; }
    // Whether the view draws register codes: the OrvexChars font at the Cyrillic charset.
    [[nodiscard]] bool RegisterFont() const;
    [[nodiscard]] QStringList Lines() const;

    [[nodiscard]] QList<QWidget*> TextViews() const override;
    [[nodiscard]] int SaveTargetIndex() const override { return 1; }
    [[nodiscard]] bool HasText() const override;
    void PageShow() override;
    void PageHide() override;

    // Lines at the end of the view, taken as plain text whatever they hold.
    void AppendLines(const QStringList& lines);
    void ClearRichClick();
    void DoZClick();

  signals:
    void PluStatRequested();
    void OperStatRequested();

  private:
    void TextChanged();
    void ZFinished(quint8 status, const QString& line);
    void ZUnanswered();
    void ZAnswered();
    void ReportUnanswered(quint8 code);

    QTextEdit* m_view;
    QPushButton* m_clear;
    QPushButton* m_doZ;
    QLabel* m_zResult;
    DailyReports* m_reports = nullptr;
    // Runs for a moment after each Z answer; Do stays off meanwhile.
    QTimer m_zQuiet;
    bool m_shown = false;
};
