#include "history/HistoryPage.h"

#include "common/SafeFile.h"
#include "common/SystemReasons.h"
#include "history/HistoryMessages.h"
#include "toolkit/ElidedLabel.h"
#include "toolkit/FileDialogs.h"
#include "toolkit/MessageBoxes.h"

#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateEdit>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QTabWidget>
#include <algorithm>
#include <tuple>

namespace {

using namespace HistoryMessages;

// The size a saved chart is drawn at, whatever the window's.
constexpr QSize SavedChartSize(1000, 700);

QString Money(int64_t hundredths) {
    return QLocale::system().toString(double(hundredths) / 100.0, 'f', 2);
}

// The picture of the chart in the format the extension names; empty, with
// the reason, when it cannot be made.
QByteArray ChartPicture(const HistoryChartData& data, const QString& suffix) {
    QChartView view(BuildChart(data));
    view.setRenderHint(QPainter::Antialiasing);
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.resize(SavedChartSize);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    // QWidget::render lays a view out that was never shown, and draws into
    // vector devices as vectors.
    QWidget& widget = view;
    if (suffix == QLatin1String("png")) {
        view.grab().toImage().save(&buffer, "PNG");
    } else if (suffix == QLatin1String("svg")) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(SavedChartSize);
        svg.setViewBox(QRect(QPoint(0, 0), SavedChartSize));
        svg.setTitle(data.Title);
        QPainter painter(&svg);
        widget.render(&painter);
    } else if (suffix == QLatin1String("pdf")) {
        QPdfWriter pdf(&buffer);
        pdf.setTitle(data.Title);
        pdf.setResolution(72);
        pdf.setPageSize(QPageSize(QSizeF(SavedChartSize), QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter(&pdf);
        widget.render(&painter);
    }
    return bytes;
}

// Writes bytes whole beside the target and renames them over it; the reason
// in the language when that fails.
QString WriteWhole(const QString& path, const QByteArray& bytes, int lang) {
    const WriteTarget target = ResolveWriteTarget(path);
    if (!target.Ok())
        return target.Refusal;
    QSaveFile file(target.Path);
    if (!file.open(QIODevice::WriteOnly))
        return SystemReasons::Translate(file.errorString(), lang);
    if (file.write(bytes) != bytes.size() || !file.commit())
        return SystemReasons::Translate(file.errorString(), lang);
    return {};
}

} // namespace

HistoryPage::HistoryPage(QWidget* parent)
    : ModePage(QStringLiteral("HistorySheet"), QStringLiteral("CloseHistorySheet"), PageCaption, parent) {
    m_today = QDate::currentDate();
    auto* choice = new QHBoxLayout;
    m_periodLabel = new QLabel(this);
    m_period = new QComboBox(this);
    m_period->setObjectName(QStringLiteral("HistoryPeriod"));
    m_period->addItems({QString(), QString(), QString(), QString()});
    m_from = new QDateEdit(this);
    m_from->setObjectName(QStringLiteral("HistoryFrom"));
    m_to = new QDateEdit(this);
    m_to->setObjectName(QStringLiteral("HistoryTo"));
    for (QDateEdit* edit : {m_from, m_to}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    }
    m_registerLabel = new QLabel(this);
    m_register = new QComboBox(this);
    m_register->setObjectName(QStringLiteral("HistoryRegister"));
    m_register->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_register->addItem(QString(), -1);
    choice->addWidget(m_periodLabel);
    choice->addWidget(m_period);
    choice->addWidget(m_from);
    choice->addWidget(m_to);
    choice->addWidget(m_registerLabel);
    choice->addWidget(m_register, 1);
    Body()->addLayout(choice);

    // One line, whole in its tooltip: a long reason never makes the page taller.
    m_status = new ElidedLabel(this);
    m_status->setObjectName(QStringLiteral("HistoryStatus"));
    Body()->addWidget(m_status);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("HistoryCharts"));
    m_tabs->setUsesScrollButtons(true);
    for (size_t i = 0; i < HistoryCharts.size(); ++i) {
        auto* view = new QChartView(this);
        view->setObjectName(HistoryChartName(HistoryCharts[i]));
        view->setRenderHint(QPainter::Antialiasing);
        m_views[i] = view;
        m_tabs->addTab(view, QString());
    }
    Body()->addWidget(m_tabs, 1);

    auto* buttons = new QHBoxLayout;
    m_saveChart = new QPushButton(this);
    m_saveChart->setObjectName(QStringLiteral("SaveChart"));
    m_exportFigures = new QPushButton(this);
    m_exportFigures->setObjectName(QStringLiteral("ExportFigures"));
    buttons->addWidget(m_saveChart);
    buttons->addWidget(m_exportFigures);
    buttons->addStretch(1);
    Body()->addLayout(buttons);
    m_saveChart->setEnabled(false);
    m_exportFigures->setEnabled(false);

    connect(m_period, &QComboBox::activated, this, &HistoryPage::PeriodChosen);
    for (QDateEdit* edit : {m_from, m_to})
        connect(edit, &QDateEdit::dateChanged, this, [this] {
            if (m_period->currentIndex() == Custom)
                Refresh();
        });
    connect(m_register, &QComboBox::activated, this, [this] { Refresh(); });
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (index >= 0 && !m_drawn[size_t(index)])
            DrawChart(HistoryCharts[size_t(index)]);
    });
    connect(m_saveChart, &QPushButton::clicked, this, &HistoryPage::SaveChartClick);
    connect(m_exportFigures, &QPushButton::clicked, this, &HistoryPage::ExportFiguresClick);
    connect(&m_reader, &HistoryReader::Done, this, &HistoryPage::Shown);

    ApplyLanguage(m_lang);
    SetPeriod(ThisMonth);
}

void HistoryPage::SetTarget(const HistoryTarget& target) {
    m_reader.SetTarget(target);
    m_hasTarget = true;
    m_unavailable.clear();
    if (m_shown)
        Refresh();
}

void HistoryPage::SetUnavailable(const QString& why) {
    m_hasTarget = false;
    m_unavailable = why;
    if (m_shown)
        Refresh();
}

void HistoryPage::ApplyLanguage(int lang) {
    m_lang = lang;
    SetCaption(PageCaption.Text(lang));
    if (CloseButton())
        CloseButton()->setText(Close.Text(lang));
    m_periodLabel->setText(PeriodLabel.Text(lang));
    const Caption periods[] = {HistoryMessages::Today, HistoryMessages::ThisWeek, HistoryMessages::ThisMonth,
                               CustomRange};
    for (int i = 0; i < 4; ++i)
        m_period->setItemText(i, periods[i].Text(lang));
    m_registerLabel->setText(RegisterLabel.Text(lang));
    m_register->setItemText(0, AllRegisters.Text(lang));
    for (int i = 1; i < m_register->count(); ++i) {
        const RegisterKey& reg = m_registers[size_t(m_register->itemData(i).toInt())];
        m_register->setItemText(
            i, RegisterName.Text(lang).arg(reg.Shop).arg(reg.CrNumber).arg(reg.FiscalId).simplified());
    }
    m_saveChart->setText(HistoryMessages::SaveChart.Text(lang));
    m_exportFigures->setText(HistoryMessages::ExportFigures.Text(lang));
    const Caption titles[] = {TurnoverTab, DepartmentsTab, TopAmountTab, TopQuantityTab,
                              HoursTab,    AverageTab,     OperatorsTab};
    for (size_t i = 0; i < HistoryCharts.size(); ++i)
        m_tabs->setTabText(int(i), titles[i].Text(lang));
    // The charts' titles and legends follow; the status too, unless it waits.
    m_drawn.fill(false);
    if (m_figures) {
        DrawChart(CurrentChart());
        SayTotals();
    } else if (m_loading) {
        Say(Loading.Text(lang), false);
    } else if (m_shown) {
        Refresh();
    }
}

void HistoryPage::SetToday(const QDate& today) {
    m_today = today;
    if (m_period->currentIndex() != Custom)
        SetPeriod(Period(m_period->currentIndex()));
}

void HistoryPage::SetPeriod(Period period) {
    m_period->setCurrentIndex(period);
    PeriodChosen(period);
}

void HistoryPage::SetRange(const QDate& from, const QDate& to) {
    m_period->setCurrentIndex(Custom);
    const QSignalBlocker blockFrom(m_from);
    const QSignalBlocker blockTo(m_to);
    m_from->setEnabled(true);
    m_to->setEnabled(true);
    m_from->setDate(from);
    m_to->setDate(to);
    Refresh();
}

void HistoryPage::PeriodChosen(int index) {
    const bool custom = index == Custom;
    m_from->setEnabled(custom);
    m_to->setEnabled(custom);
    if (!custom) {
        QDate from = m_today;
        QDate to = m_today;
        if (index == ThisWeek) {
            from = m_today.addDays(1 - m_today.dayOfWeek());
            to = from.addDays(6);
        } else if (index == ThisMonth) {
            from = QDate(m_today.year(), m_today.month(), 1);
            to = from.addMonths(1).addDays(-1);
        }
        const QSignalBlocker blockFrom(m_from);
        const QSignalBlocker blockTo(m_to);
        m_from->setDate(from);
        m_to->setDate(to);
    }
    Refresh();
}

void HistoryPage::PageShow() {
    m_shown = true;
    Refresh();
}

void HistoryPage::PageHide() {
    m_shown = false;
}

std::optional<RegisterKey> HistoryPage::ChosenRegister() const {
    const int at = m_register->currentData().toInt();
    if (at < 0 || size_t(at) >= m_registers.size())
        return std::nullopt;
    return m_registers[size_t(at)];
}

void HistoryPage::Refresh() {
    if (!m_hasTarget) {
        m_loading = false;
        m_figures.reset();
        m_parts = 0;
        ClearCharts();
        Say(CannotRead.Text(m_lang).arg(m_unavailable.isEmpty() ? NoHistory.Text(m_lang) : m_unavailable),
            true);
        return;
    }
    const QDate from = m_from->date();
    const QDate to = m_to->date();
    if (from > to) {
        // Nothing is read: a chart of the previous period would pass for this one.
        m_reader.Read(QDate(), QDate(), std::nullopt);
        m_loading = false;
        m_figures.reset();
        m_parts = 0;
        ClearCharts();
        Say(Backwards.Text(m_lang), true);
        return;
    }
    m_loading = true;
    m_parts = 0;
    m_asked = {from, to, ChosenRegister()};
    m_saveChart->setEnabled(false);
    m_exportFigures->setEnabled(false);
    Say(Loading.Text(m_lang), false);
    // The shown chart's figures first, each other one as soon as it is read.
    m_reader.Read(from, to, m_asked.Register, DaysPart | PartOf(CurrentChart()));
}

int HistoryPage::PartOf(HistoryChart chart) {
    switch (chart) {
    case HistoryChart::Hours:
        return HoursPart;
    case HistoryChart::Operators:
        return OperatorsPart;
    case HistoryChart::TopByAmount:
    case HistoryChart::TopByQuantity:
        return ArticlesPart;
    default:
        return DaysPart;
    }
}

void HistoryPage::SayTotals() {
    if (!m_figures || !(m_parts & DaysPart))
        Say(Loading.Text(m_lang), false);
    else if (m_figures->Receipts > 0)
        Say(Totals.Text(m_lang).arg(m_figures->Receipts).arg(Money(m_figures->Total)), false);
    else
        Say(NoSales.Text(m_lang), false);
}

void HistoryPage::FillRegisters(const std::vector<RegisterKey>& registers) {
    // A register stays on offer once known, though it sold nothing in the period.
    std::vector<RegisterKey> all = m_registers;
    for (const RegisterKey& reg : registers)
        if (std::find(all.begin(), all.end(), reg) == all.end())
            all.push_back(reg);
    std::sort(all.begin(), all.end(), [](const RegisterKey& a, const RegisterKey& b) {
        return std::tie(a.Shop, a.CrNumber, a.FiscalId) < std::tie(b.Shop, b.CrNumber, b.FiscalId);
    });
    if (all == m_registers)
        return;
    const std::optional<RegisterKey> chosen = ChosenRegister();
    m_registers = std::move(all);
    const QSignalBlocker block(m_register);
    while (m_register->count() > 1)
        m_register->removeItem(1);
    int current = 0;
    for (size_t i = 0; i < m_registers.size(); ++i) {
        const RegisterKey& reg = m_registers[i];
        m_register->addItem(
            RegisterName.Text(m_lang).arg(reg.Shop).arg(reg.CrNumber).arg(reg.FiscalId).simplified(), int(i));
        if (chosen && *chosen == reg)
            current = int(i) + 1;
    }
    m_register->setCurrentIndex(current);
}

void HistoryPage::Shown(const HistoryReading& reading) {
    if (reading.Id != m_reader.Latest() || !m_loading)
        return;
    if (!reading.Ok) {
        m_loading = false;
        m_figures.reset();
        m_parts = 0;
        ClearCharts();
        Say(CannotRead.Text(m_lang).arg(reading.Error.simplified()), true);
        emit FiguresShown(reading);
        return;
    }
    FillRegisters(reading.Registers);
    const HistoryFigures& got = reading.Figures;
    if (m_parts == 0) {
        // The first answer for the period: the charts of the one before go.
        m_figures = got;
        m_drawn.fill(false);
    } else {
        if (reading.Parts & DaysPart) {
            m_figures->Receipts = got.Receipts;
            m_figures->Total = got.Total;
            m_figures->TaxLetters = got.TaxLetters;
            m_figures->Days = got.Days;
            m_figures->Departments = got.Departments;
            m_figures->Registers = got.Registers;
        }
        if (reading.Parts & HoursPart)
            m_figures->ReceiptsByHour = got.ReceiptsByHour;
        if (reading.Parts & OperatorsPart)
            m_figures->Operators = got.Operators;
        if (reading.Parts & ArticlesPart) {
            m_figures->TopByAmount = got.TopByAmount;
            m_figures->TopByQuantity = got.TopByQuantity;
        }
    }
    m_parts |= reading.Parts;
    DrawChart(CurrentChart());
    SayTotals();
    if (m_parts != AllParts) {
        m_reader.Read(m_asked.From, m_asked.To, m_asked.Register, AllParts & ~m_parts);
    } else {
        m_loading = false;
        m_saveChart->setEnabled(true);
        m_exportFigures->setEnabled(true);
    }
    emit FiguresShown(reading);
}

void HistoryPage::DrawChart(HistoryChart chart) {
    const size_t at = size_t(chart);
    const bool ready = m_figures && (m_parts & PartOf(chart));
    // A chart whose figures are still being read shows nothing meanwhile
    // rather than the period before.
    if (!ready && m_drawn[at])
        return;
    QChart* old = m_views[at]->chart();
    m_views[at]->setChart(ready ? BuildChart(ChartData(chart, *m_figures, m_lang)) : new QChart);
    // The view does not give up a chart it was handed.
    delete old;
    m_drawn[at] = ready;
}

void HistoryPage::ClearCharts() {
    for (QChartView* view : m_views) {
        QChart* old = view->chart();
        view->setChart(new QChart);
        delete old;
    }
    m_drawn.fill(false);
    m_saveChart->setEnabled(false);
    m_exportFigures->setEnabled(false);
}

QString HistoryPage::StatusText() const {
    return m_status->text();
}

HistoryChart HistoryPage::CurrentChart() const {
    return HistoryCharts[size_t(std::max(0, m_tabs->currentIndex()))];
}

void HistoryPage::ShowChart(HistoryChart chart) {
    m_tabs->setCurrentIndex(int(chart));
}

QChartView* HistoryPage::ChartView(HistoryChart chart) const {
    return m_views[size_t(chart)];
}

void HistoryPage::Say(const QString& text, bool failure) {
    m_status->setText(text);
    m_status->setStyleSheet(failure ? QStringLiteral("color: #b00000; font-weight: bold") : QString());
}

bool HistoryPage::SaveChart(HistoryChart chart, const QString& path) {
    if (!m_figures || !(m_parts & PartOf(chart)))
        return false;
    const QString suffix = QFileInfo(path).suffix().toLower();
    QString why;
    if (suffix != QLatin1String("png") && suffix != QLatin1String("svg") && suffix != QLatin1String("pdf")) {
        why = UnknownKind.Text(m_lang);
    } else {
        const QByteArray bytes = ChartPicture(ChartData(chart, *m_figures, m_lang), suffix);
        why = bytes.isEmpty() ? NotWritable.Text(m_lang) : WriteWhole(path, bytes, m_lang);
    }
    if (why.isEmpty())
        return true;
    MessageBoxes::Show(this, {QString::fromLatin1(ProgramTitle), CannotSaveChart.Text(m_lang).arg(path, why),
                              QMessageBox::Warning});
    return false;
}

bool HistoryPage::ExportFigures(HistoryChart chart, const QString& path) {
    if (!m_figures || !(m_parts & PartOf(chart)))
        return false;
    QString why;
    std::unique_ptr<SheetWriter> writer = MakeSheetWriter(path);
    if (!writer) {
        why = UnknownSheetKind.Text(m_lang);
    } else {
        for (const SheetRow& row : ChartData(chart, *m_figures, m_lang).Rows)
            writer->AddRow(row);
        if (writer->Finish() != SheetError::None)
            why = NotWritable.Text(m_lang);
    }
    if (why.isEmpty())
        return true;
    MessageBoxes::Show(this, {QString::fromLatin1(ProgramTitle), CannotExport.Text(m_lang).arg(path, why),
                              QMessageBox::Warning});
    return false;
}

void HistoryPage::SaveChartClick() {
    FileDialogs::FileRequest request;
    request.Save = true;
    request.Filter = QStringLiteral("PNG (*.png);;SVG (*.svg);;PDF (*.pdf)");
    request.DefaultSuffix = QStringLiteral("png");
    const HistoryChart chart = CurrentChart();
    const QString path = FileDialogs::SaveFileName(this, request);
    if (!path.isEmpty())
        SaveChart(chart, path);
}

void HistoryPage::ExportFiguresClick() {
    FileDialogs::FileRequest request;
    request.Save = true;
    request.Filter = QStringLiteral("Excel (*.xlsx);;CSV (*.csv)");
    request.DefaultSuffix = QStringLiteral("xlsx");
    const HistoryChart chart = CurrentChart();
    const QString path = FileDialogs::SaveFileName(this, request);
    if (!path.isEmpty())
        ExportFigures(chart, path);
}
