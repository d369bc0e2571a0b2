#pragma once

#include "history/HistoryCharts.h"
#include "history/HistoryReader.h"
#include "toolkit/ModePage.h"

#include <QDate>
#include <array>
#include <optional>

class QChartView;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTabWidget;

// The sales history drawn: a period (today, this week, this month or a range
// of two dates) and a register or all of them, and a chart of each figure.
// The history is read on a thread of its own; the page says while it reads
// and why it could not. Each chart is saved as a picture and its figures go
// out as a spreadsheet.
class HistoryPage : public ModePage {
    Q_OBJECT
  public:
    enum Period { Today, ThisWeek, ThisMonth, Custom };

    explicit HistoryPage(QWidget* parent = nullptr);

    // Where the history is read from; read afresh while the page is up.
    void SetTarget(const HistoryTarget& target);
    // No history is kept: the page says why.
    void SetUnavailable(const QString& why);
    void ApplyLanguage(int lang);
    // The day the periods count from (the PC's date unless set).
    void SetToday(const QDate& today);
    void SetPeriod(Period period);
    void SetRange(const QDate& from, const QDate& to);

    void PageShow() override;
    void PageHide() override;

    // Reads the figures of the chosen period and register again.
    void Refresh();
    [[nodiscard]] bool IsLoading() const { return m_loading; }
    [[nodiscard]] const std::optional<HistoryFigures>& Figures() const { return m_figures; }
    [[nodiscard]] QString StatusText() const;
    [[nodiscard]] HistoryChart CurrentChart() const;
    void ShowChart(HistoryChart chart);
    [[nodiscard]] QChartView* ChartView(HistoryChart chart) const;
    [[nodiscard]] HistoryReader& Reader() { return m_reader; }

    // Write the chart (by the file's extension: .png, .svg, .pdf) or its
    // figures (.xlsx, .csv) whole to path; a failure is said in a message box.
    bool SaveChart(HistoryChart chart, const QString& path);
    bool ExportFigures(HistoryChart chart, const QString& path);

    // The part of a period's figures a chart is drawn from.
    [[nodiscard]] static int PartOf(HistoryChart chart);

  signals:
    // The figures of a read are on show (or its failure is said); a period's
    // figures come in parts, the shown chart's first.
    void FiguresShown(const HistoryReading& reading);

  private:
    void Shown(const HistoryReading& reading);
    void PeriodChosen(int index);
    void DrawChart(HistoryChart chart);
    void ClearCharts();
    void SaveChartClick();
    void ExportFiguresClick();
    void Say(const QString& text, bool failure);
    void SayTotals();
    [[nodiscard]] std::optional<RegisterKey> ChosenRegister() const;
    void FillRegisters(const std::vector<RegisterKey>& registers);

    HistoryReader m_reader;
    bool m_hasTarget = false;
    QString m_unavailable;
    bool m_shown = false;
    bool m_loading = false;
    int m_lang = 1;
    QDate m_today;
    std::optional<HistoryFigures> m_figures;
    // The parts of m_figures read so far (HistoryPart).
    int m_parts = 0;
    struct Asked {
        QDate From;
        QDate To;
        std::optional<RegisterKey> Register;
    };
    Asked m_asked;
    std::vector<RegisterKey> m_registers;
    std::array<bool, HistoryCharts.size()> m_drawn{};

    QLabel* m_periodLabel = nullptr;
    QComboBox* m_period = nullptr;
    QDateEdit* m_from = nullptr;
    QDateEdit* m_to = nullptr;
    QLabel* m_registerLabel = nullptr;
    QComboBox* m_register = nullptr;
    QLabel* m_status = nullptr;
    QTabWidget* m_tabs = nullptr;
    std::array<QChartView*, HistoryCharts.size()> m_views{};
    QPushButton* m_saveChart = nullptr;
    QPushButton* m_exportFigures = nullptr;
};
