#include "history/HistoryCharts.h"

#include "history/HistoryMessages.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QGraphicsLayout>
#include <QHorizontalBarSeries>
#include <QHorizontalStackedBarSeries>
#include <QStackedBarSeries>
#include <QValueAxis>
#include <algorithm>

namespace {

using namespace HistoryMessages;

qreal Money(int64_t hundredths) {
    return qreal(hundredths) / 100.0;
}
qreal Units(int64_t thousandths) {
    return qreal(thousandths) / 1000.0;
}
SheetCell Text(const QString& text) {
    return SheetCell::OfText(text);
}
SheetCell MoneyCell(int64_t hundredths) {
    return SheetCell::OfNumber(Money(hundredths), 2);
}

// The days (or months) of the period with their figures, none left out.
struct Bucket {
    QString Key;   // ISO day or month
    QString Label; // short, for the axis
    qint64 Receipts = 0;
    int64_t Total = 0;
    QMap<QString, int64_t> ByTax;
};

std::vector<Bucket> Buckets(const HistoryFigures& f, bool& byMonth) {
    std::vector<Bucket> out;
    byMonth = false;
    if (!f.From.isValid() || !f.To.isValid() || f.From > f.To)
        return out;
    byMonth = f.From.daysTo(f.To) + 1 > DailyChartDays;
    const auto keyOf = [byMonth](const QDate& d) {
        return byMonth ? d.toString(QStringLiteral("yyyy-MM")) : d.toString(Qt::ISODate);
    };
    if (byMonth) {
        for (QDate m(f.From.year(), f.From.month(), 1); m <= f.To; m = m.addMonths(1))
            out.push_back({keyOf(m), m.toString(QStringLiteral("MM.yyyy")), 0, 0, {}});
    } else {
        // Within a month the day alone says which; a week reads by date.
        const bool dayAlone =
            f.From.daysTo(f.To) >= 7 && f.From.year() == f.To.year() && f.From.month() == f.To.month();
        for (QDate d = f.From; d <= f.To; d = d.addDays(1))
            out.push_back({keyOf(d),
                           dayAlone ? QString::number(d.day()) : d.toString(QStringLiteral("dd.MM.")),
                           0,
                           0,
                           {}});
    }
    size_t at = 0;
    for (const HistoryFigures::Day& day : f.Days) {
        const QString key = keyOf(day.Date);
        while (at < out.size() && out[at].Key != key)
            ++at;
        if (at == out.size())
            break;
        Bucket& b = out[at];
        b.Receipts += day.Receipts;
        b.Total += day.Total;
        for (auto it = day.ByTax.cbegin(); it != day.ByTax.cend(); ++it)
            b.ByTax[it.key()] += it.value();
    }
    return out;
}

qint64 RoundedAverage(int64_t total, qint64 count) {
    if (count <= 0)
        return 0;
    return total >= 0 ? (total + count / 2) / count : -((-total + count / 2) / count);
}

void Articles(const std::vector<HistoryFigures::Article>& articles, bool byQuantity, int lang,
              HistoryChartData& d) {
    d.Horizontal = true;
    d.Rows.push_back({Text(Plu.Text(lang)), Text(Description.Text(lang)), Text(Quantity.Text(lang)),
                      Text(Amount.Text(lang))});
    QList<qreal> values;
    for (const HistoryFigures::Article& a : articles) {
        d.Categories << QStringLiteral("%1 %2").arg(a.Plu).arg(a.Description.trimmed());
        values << (byQuantity ? Units(a.Quantity) : Money(a.Amount));
        d.Rows.push_back({SheetCell::OfNumber(a.Plu, 0), Text(a.Description),
                          SheetCell::OfNumber(Units(a.Quantity), 3), MoneyCell(a.Amount)});
    }
    d.Sets.push_back({(byQuantity ? Quantity : Amount).Text(lang), values});
}

} // namespace

QString HistoryChartName(HistoryChart chart) {
    switch (chart) {
    case HistoryChart::Turnover:
        return QStringLiteral("TurnoverChart");
    case HistoryChart::Departments:
        return QStringLiteral("DepartmentsChart");
    case HistoryChart::TopByAmount:
        return QStringLiteral("TopAmountChart");
    case HistoryChart::TopByQuantity:
        return QStringLiteral("TopQuantityChart");
    case HistoryChart::Hours:
        return QStringLiteral("HoursChart");
    case HistoryChart::Average:
        return QStringLiteral("AverageChart");
    case HistoryChart::Operators:
        return QStringLiteral("OperatorsChart");
    }
    return {};
}

HistoryChartData ChartData(HistoryChart chart, const HistoryFigures& f, int lang) {
    HistoryChartData d;
    switch (chart) {
    case HistoryChart::Turnover: {
        bool byMonth = false;
        const std::vector<Bucket> buckets = Buckets(f, byMonth);
        d.Title = (byMonth ? TurnoverMonthChart : TurnoverChart).Text(lang);
        d.Stacked = true;
        SheetRow head{Text((byMonth ? Month : Day).Text(lang))};
        for (const QString& letter : f.TaxLetters) {
            head.push_back(Text(Tax.Text(lang).arg(letter)));
            d.Sets.push_back({Tax.Text(lang).arg(letter), {}});
        }
        head.push_back(Text(Total.Text(lang)));
        head.push_back(Text(Receipts.Text(lang)));
        d.Rows.push_back(head);
        for (const Bucket& b : buckets) {
            d.Categories << b.Label;
            SheetRow row{Text(b.Key)};
            for (qsizetype t = 0; t < f.TaxLetters.size(); ++t) {
                const int64_t amount = b.ByTax.value(f.TaxLetters[t]);
                d.Sets[size_t(t)].second << Money(amount);
                row.push_back(MoneyCell(amount));
            }
            row.push_back(MoneyCell(b.Total));
            row.push_back(SheetCell::OfNumber(qreal(b.Receipts), 0));
            d.Rows.push_back(row);
        }
        break;
    }
    case HistoryChart::Departments: {
        d.Title = DepartmentsChart.Text(lang);
        d.Rows.push_back({Text(Department.Text(lang)), Text(Amount.Text(lang))});
        QList<qreal> values;
        for (size_t i = 0; i < f.Departments.size(); ++i) {
            d.Categories << QString::number(i + 1);
            values << Money(f.Departments[i]);
            d.Rows.push_back({SheetCell::OfNumber(qreal(i + 1), 0), MoneyCell(f.Departments[i])});
        }
        d.Sets.push_back({Amount.Text(lang), values});
        break;
    }
    case HistoryChart::TopByAmount:
        d.Title = TopAmountChart.Text(lang);
        Articles(f.TopByAmount, false, lang, d);
        break;
    case HistoryChart::TopByQuantity:
        d.Title = TopQuantityChart.Text(lang);
        Articles(f.TopByQuantity, true, lang, d);
        break;
    case HistoryChart::Hours: {
        d.Title = HoursChart.Text(lang);
        d.Rows.push_back({Text(Hour.Text(lang)), Text(Receipts.Text(lang))});
        QList<qreal> values;
        for (size_t h = 0; h < f.ReceiptsByHour.size(); ++h) {
            d.Categories << QString::number(h);
            values << qreal(f.ReceiptsByHour[h]);
            d.Rows.push_back(
                {SheetCell::OfNumber(qreal(h), 0), SheetCell::OfNumber(qreal(f.ReceiptsByHour[h]), 0)});
        }
        d.Sets.push_back({Receipts.Text(lang), values});
        break;
    }
    case HistoryChart::Average: {
        bool byMonth = false;
        const std::vector<Bucket> buckets = Buckets(f, byMonth);
        d.Title = AverageChart.Text(lang);
        d.Rows.push_back({Text((byMonth ? Month : Day).Text(lang)), Text(Receipts.Text(lang)),
                          Text(Total.Text(lang)), Text(Average.Text(lang))});
        QList<qreal> values;
        for (const Bucket& b : buckets) {
            const qint64 average = RoundedAverage(b.Total, b.Receipts);
            d.Categories << b.Label;
            values << Money(average);
            d.Rows.push_back({Text(b.Key), SheetCell::OfNumber(qreal(b.Receipts), 0), MoneyCell(b.Total),
                              MoneyCell(average)});
        }
        d.Sets.push_back({Average.Text(lang), values});
        break;
    }
    case HistoryChart::Operators: {
        d.Title = OperatorsChart.Text(lang);
        d.Rows.push_back({Text(Operator.Text(lang)), Text(Receipts.Text(lang)), Text(Total.Text(lang))});
        QList<qreal> values;
        for (const HistoryFigures::Operator& o : f.Operators) {
            d.Categories << QString::number(o.Number);
            values << Money(o.Total);
            d.Rows.push_back({SheetCell::OfNumber(o.Number, 0), SheetCell::OfNumber(qreal(o.Receipts), 0),
                              MoneyCell(o.Total)});
        }
        d.Sets.push_back({Total.Text(lang), values});
        break;
    }
    }
    return d;
}

QChart* BuildChart(const HistoryChartData& data) {
    auto* chart = new QChart;
    chart->setTitle(data.Title);
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->setVisible(data.Sets.size() > 1);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    chart->setMargins(QMargins(4, 4, 4, 4));
    QAbstractBarSeries* series = nullptr;
    if (data.Horizontal)
        series = data.Stacked ? static_cast<QAbstractBarSeries*>(new QHorizontalStackedBarSeries)
                              : new QHorizontalBarSeries;
    else
        series = data.Stacked ? static_cast<QAbstractBarSeries*>(new QStackedBarSeries) : new QBarSeries;
    // Horizontal bars are drawn from the bottom up: the first is put on top.
    const auto ordered = [&data](QList<qreal> values) {
        if (data.Horizontal)
            std::reverse(values.begin(), values.end());
        return values;
    };
    qreal low = 0;
    qreal high = 0;
    std::vector<qreal> sums(size_t(data.Categories.size()), 0.0);
    for (const auto& [name, values] : data.Sets) {
        auto* set = new QBarSet(name);
        set->append(ordered(values));
        series->append(set);
        for (qsizetype i = 0; i < values.size() && i < data.Categories.size(); ++i) {
            if (data.Stacked) {
                sums[size_t(i)] += values[i];
            } else {
                low = std::min(low, values[i]);
                high = std::max(high, values[i]);
            }
        }
    }
    for (const qreal sum : sums)
        if (data.Stacked) {
            low = std::min(low, sum);
            high = std::max(high, sum);
        }
    if (high <= low)
        high = low + 1;
    chart->addSeries(series);
    QAbstractAxis* categories = nullptr;
    QStringList labels = data.Categories;
    if (data.Horizontal)
        std::reverse(labels.begin(), labels.end());
    if (!data.Horizontal && labels.size() > 12) {
        // A month of days: a label under every bar would be cut to dots; one
        // under every few reads whole.
        auto* axis = new QCategoryAxis;
        axis->setRange(-0.5, qreal(labels.size()) - 0.5);
        axis->setStartValue(-0.5);
        axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
        const qsizetype step = (labels.size() + 11) / 12;
        for (qsizetype i = 0; i < labels.size(); i += step)
            axis->append(labels[i], qreal(i));
        categories = axis;
    } else {
        auto* axis = new QBarCategoryAxis;
        axis->append(labels);
        // Twenty article names one above the other: small, or each is cut to dots.
        if (data.Horizontal && labels.size() > 10) {
            QFont font = axis->labelsFont();
            font.setPixelSize(9);
            axis->setLabelsFont(font);
        }
        // An article's name is worth the room it takes from the bars.
        axis->setTruncateLabels(!data.Horizontal);
        categories = axis;
    }
    auto* values = new QValueAxis;
    values->setRange(low, high);
    values->applyNiceNumbers();
    values->setLabelFormat(values->max() - values->min() >= 10 ? QStringLiteral("%.0f")
                                                               : QStringLiteral("%.2f"));
    chart->addAxis(categories, data.Horizontal ? Qt::AlignLeft : Qt::AlignBottom);
    chart->addAxis(values, data.Horizontal ? Qt::AlignBottom : Qt::AlignLeft);
    series->attachAxis(categories);
    series->attachAxis(values);
    return chart;
}
