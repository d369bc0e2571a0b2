#include "reports/TPLUStat.h"

#include "common/Captions.h"
#include "database/PluTable.h"
#include "protocol/ConversionError.h"
#include "protocol/Converts.h"
#include "reports/DailyReports.h"
#include "reports/ReportMessages.h"
#include "reports/ReportsPage.h"
#include "toolkit/FieldBuilders.h"
#include "toolkit/MessageBoxes.h"
#include "toolkit/TypedKeys.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

using FieldBuilders::Button;
using FieldBuilders::Label;

namespace {

int IntegerValue(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok)
        throw ConversionError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return value;
}

QString MinutesSeconds(qint64 ms) {
    const qint64 s = (ms + 500) / 1000;
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

// A PLU code: four digits.
QLineEdit* CodeEdit(QWidget* parent, const char* name) {
    return FieldBuilders::Edit(parent, name, 4, 56);
}

} // namespace

TPLUStat::TPLUStat(QWidget* parent) : ReportDialog(parent) {
    setObjectName(QStringLiteral("TPLUStat"));
    setWindowTitle(QStringLiteral("PLU Statistics"));
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(QStringLiteral("PLU"), this);
    group->setObjectName(QStringLiteral("PLUGroup"));
    auto* grid = new QGridLayout(group);
    auto* from = Label(group, "From", "From:");
    auto* to = Label(group, "To", "To (Optional):");
    m_code = CodeEdit(group, "PLUCode");
    m_code->setText(QStringLiteral("0"));
    m_code2 = CodeEdit(group, "PLUCode2");
    grid->addWidget(from, 0, 0);
    grid->addWidget(m_code, 0, 1);
    grid->addWidget(
        FieldBuilders::UpDown(group, "UpDown1", [this](int step) { UpDownClick(m_code, step); }).Holder, 0,
        2);
    grid->addWidget(to, 1, 0);
    grid->addWidget(m_code2, 1, 1);
    grid->addWidget(
        FieldBuilders::UpDown(group, "UpDown2", [this](int step) { UpDownClick(m_code2, step); }).Holder, 1,
        2);
    grid->setColumnStretch(3, 1);
    layout->addWidget(group);
    m_progress = new QLabel(this);
    m_progress->setObjectName(QStringLiteral("StatProgress"));
    layout->addWidget(m_progress);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_ok = Button(this, "GetDailyPLU", "OK");
    m_ok->setEnabled(false);
    m_ok->setAutoDefault(false);
    m_cancel = Button(this, "StatCancel", "Cancel");
    m_cancel->setAutoDefault(false);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);
    SetCode2Enabled(false);

    m_code->installEventFilter(this);
    m_code2->installEventFilter(this);
    connect(m_code, &QLineEdit::textChanged, this, &TPLUStat::PLUCodeChange);
    connect(m_ok, &QPushButton::clicked, this, [this] {
        try {
            GetDailyPLUClick();
        } catch (const ConversionError& error) {
            MessageBoxes::Plain(this, error.Message());
        }
    });
    connect(m_cancel, &QPushButton::clicked, this, &TPLUStat::StatCancelClick);
}

void TPLUStat::Attach(DailyReports& reports, PluStatSeries& series, ReportsPage& page) {
    m_reports = &reports;
    m_series = &series;
    m_page = &page;
    connect(&series, &PluStatSeries::Progress, this, &TPLUStat::ShowProgress);
    connect(&series, &PluStatSeries::Finished, this, &TPLUStat::SeriesFinished);
}

void TPLUStat::SetCode2Enabled(bool on) {
    m_code2->setEnabled(on);
    QPalette palette = m_code2->palette();
    palette.setColor(QPalette::Base, on ? palette.color(QPalette::Active, QPalette::Base)
                                        : palette.color(QPalette::Active, QPalette::Light));
    m_code2->setPalette(palette);
}

bool TPLUStat::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_code || watched == m_code2) {
        if (event->type() == QEvent::KeyPress) {
            // A refused character still reaches the field; the key release empties it.
            const QString typed = TypedText(static_cast<QKeyEvent*>(event));
            if (std::ranges::any_of(typed, [](QChar c) { return CodeKeyRejected(c); }))
                m_badKey = true;
        } else if (event->type() == QEvent::KeyRelease && !static_cast<QKeyEvent*>(event)->isAutoRepeat()) {
            if (watched == m_code)
                PLUCodeKeyUp();
            else
                PLUCode2KeyUp();
        }
    }
    return ReportDialog::eventFilter(watched, event);
}

void TPLUStat::PLUCodeChange(const QString& text) {
    if (text.isEmpty()) {
        m_badKey = true;
        // Whatever emptied the field (a cut, a key), OK never sends an empty code.
        m_ok->setEnabled(false);
        return;
    }
    m_ok->setEnabled(!(m_series && m_series->IsRunning()));
    SetCode2Enabled(true);
}

void TPLUStat::PLUCodeKeyUp() {
    if (m_badKey) {
        m_ok->setEnabled(false);
        m_code->clear();
        SetCode2Enabled(false);
    } else {
        m_ok->setEnabled(!m_code->text().isEmpty() && !(m_series && m_series->IsRunning()));
        SetCode2Enabled(true);
    }
    m_badKey = false;
}

void TPLUStat::PLUCode2KeyUp() {
    if (m_badKey)
        m_code2->clear();
    m_badKey = false;
}

void TPLUStat::UpDownClick(QLineEdit* field, int step) {
    if (!field->isEnabled())
        return;
    bool ok = false;
    const int value = field->text().toInt(&ok);
    field->setText(QString::number(std::clamp((ok ? value : 0) + step, 0, PluTable::Size - 1)));
}

void TPLUStat::showEvent(QShowEvent* event) {
    ReportDialog::showEvent(event);
    if (m_series && m_series->IsRunning())
        return;
    m_code->setText(QStringLiteral("0"));
    PLUCodeChange(m_code->text());
    m_code2->clear();
    m_progress->clear();
    ResetRange();
}

void TPLUStat::hideEvent(QHideEvent* event) {
    ResetRange();
    ReportDialog::hideEvent(event);
}

void TPLUStat::ResetRange() {
    if (m_series)
        m_series->Stop();
}

void TPLUStat::GetDailyPLUClick() {
    if (!m_series || !m_reports || !m_page || m_series->IsRunning())
        return;
    // Both texts are read before anything is written or sent.
    int first = IntegerValue(m_code->text());
    int last = first;
    if (!m_code2->text().isEmpty()) {
        const int second = IntegerValue(m_code2->text());
        if (second != 0 && second < first)
            m_code2->clear();
        else if (second != 0)
            last = second;
    }
    first = std::clamp(first, 0, PluTable::Size - 1);
    last = std::clamp(last, 0, PluTable::Size - 1);
    // Only PLUs active on the PC are asked for: with none, the report would
    // be its titles alone and look like a day without sales.
    if (m_series->ActiveIn(first, last) == 0) {
        MessageBoxes::Plain(this, ReportMessages::NoActivePlu.Text().arg(first).arg(last));
        return;
    }
    if (!m_reports->PortReady())
        return;
    m_page->AppendLines(PluReportHeading(m_reports->Style()));
    m_ok->setEnabled(false);
    m_series->Start(first, last);
}

void TPLUStat::StatCancelClick() {
    ResetRange();
    hide();
}

void TPLUStat::ShowProgress(int done, int total, qint64 msLeft) {
    QString text = Captions::Transfer::Progress.Text().arg(done).arg(total);
    if (msLeft >= 0)
        text += QStringLiteral(", ") + Captions::Transfer::TimeLeft.Text().arg(MinutesSeconds(msLeft));
    m_progress->setText(text);
}

void TPLUStat::SeriesFinished(PluStatSeries::End end) {
    if (m_page && !m_series->Unanswered().empty())
        m_page->AppendLines({UnansweredPlusLine(m_series->Unanswered(), m_reports->Style())});
    m_ok->setEnabled(!m_code->text().isEmpty());
    if (end == PluStatSeries::End::Cancelled) {
        // The report must not look complete.
        if (m_page)
            m_page->AppendLines({ReportMessages::SeriesCancelled.Text(m_reports->Style().Language)
                                     .arg(m_series->CurrentPlu())});
        return;
    }
    if (end == PluStatSeries::End::NoResponse) {
        MessageBoxes::Show(this, {Captions::Link::Warning.Text(), Captions::Link::NoResponse.Text(),
                                  QMessageBox::Critical, QMessageBox::Ok});
    }
    emit ShowReportsRequested();
    hide();
}
