#pragma once

#include "history/HistoryFigures.h"
#include "spreadsheets/SheetRows.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <utility>
#include <vector>

class QChart;

enum class HistoryChart { Turnover, Departments, TopByAmount, TopByQuantity, Hours, Average, Operators };
inline constexpr std::array<HistoryChart, 7> HistoryCharts{
    HistoryChart::Turnover, HistoryChart::Departments, HistoryChart::TopByAmount, HistoryChart::TopByQuantity,
    HistoryChart::Hours,    HistoryChart::Average,     HistoryChart::Operators};

// The object name of a chart's view ("TurnoverChart", ...).
[[nodiscard]] QString HistoryChartName(HistoryChart chart);

// What a chart draws and the figures under it, in a language: bars by
// category, one set each (stacked when there are several); the rows are the
// figures as a table with its head row, for a spreadsheet.
struct HistoryChartData {
    QString Title;
    QStringList Categories;
    std::vector<std::pair<QString, QList<qreal>>> Sets;
    bool Stacked = false;
    // Long labels (article names) read better beside the bars.
    bool Horizontal = false;
    std::vector<SheetRow> Rows;
};

// A period of up to this many days is drawn day by day, a longer one by month.
inline constexpr qint64 DailyChartDays = 62;

[[nodiscard]] HistoryChartData ChartData(HistoryChart chart, const HistoryFigures& figures, int lang);
// A new chart of the data; the caller owns it.
[[nodiscard]] QChart* BuildChart(const HistoryChartData& data);
