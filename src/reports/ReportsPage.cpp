#include "reports/ReportsPage.h"

#include "common/Captions.h"
#include "protocol/RegisterCharset.h"
#include "reports/DailyReports.h"
#include "reports/ReportMessages.h"
#include "toolkit/CharsetSwitch.h"
#include "toolkit/FieldBuilders.h"
#include "toolkit/MessageBoxes.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>
#include <utility>

using FieldBuilders::Button;
using FieldBuilders::Label;

ReportsPage::ReportsPage(QWidget* parent)
    : ModePage(QStringLiteral("DailySheet"), QStringLiteral("CloseRepsSheetBtn"), ReportMessages::PageTitle,
               parent) {
    auto* panel = new QGroupBox(QStringLiteral("Orvex Reports"), this);
    panel->setObjectName(QStringLiteral("DailyStatus"));
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(6, 4, 6, 4);
    auto* getVat = Button(panel, "GetVAT", "Sales/VAT");
    auto* getDept = Button(panel, "GetDept", "Sales/Dept");
    auto* status = Button(panel, "DailyStatistics", "Daily Status");
    auto* pluSales = Button(panel, "DailyPLUSales", "Daily PLU Sales");
    auto* operators = Button(panel, "DailyOperators", "Oper. Statistics");
    auto* getZ = Button(panel, "GetZ", "Get Previous Z");
    auto* zLabel = Label(panel, "ZReportLabel", "Z Report");
    m_doZ = Button(panel, "DoZ", "Do");
    m_zResult = new QLabel(panel);
    m_zResult->setObjectName(QStringLiteral("ZResultLabel"));
    m_zResult->setWordWrap(true);
    grid->addWidget(getVat, 0, 0);
    grid->addWidget(getDept, 0, 1);
    grid->addWidget(status, 0, 2);
    grid->addWidget(pluSales, 1, 0);
    grid->addWidget(operators, 1, 1);
    grid->addWidget(getZ, 1, 2);
    auto* zRow = new QHBoxLayout;
    zRow->addWidget(zLabel);
    zRow->addWidget(m_doZ);
    zRow->addWidget(m_zResult, 1);
    grid->addLayout(zRow, 2, 0, 1, 3);
    Body()->addWidget(panel);

    m_view = new QTextEdit(this);
    m_view->setObjectName(QStringLiteral("DailyRich"));
    m_view->setReadOnly(true);
    m_view->setAcceptRichText(false);
    m_view->setLineWrapMode(QTextEdit::NoWrap);
    m_view->setUndoRedoEnabled(false);
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont font(QString::fromLatin1(PlainFontName));
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(13);
    m_view->setFont(font);
    m_view->setProperty(CharsetSwitch::CharsetProperty, RegisterCharsets::Cyrillic);
    Body()->addWidget(m_view, 1);

    auto* row = new QHBoxLayout;
    row->addStretch(1);
    m_clear = Button(this, "ClearRich", "Clear");
    m_clear->setEnabled(false);
    row->addWidget(m_clear);
    Body()->addLayout(row);

    const auto request = [this](uint8_t code) {
        return [this, code] {
            if (m_reports)
                m_reports->RequestReport(code);
        };
    };
    connect(getVat, &QPushButton::clicked, this, request(TaxReportCode));
    connect(getDept, &QPushButton::clicked, this, request(DepartmentReportCode));
    connect(status, &QPushButton::clicked, this, request(StatusReportCode));
    connect(getZ, &QPushButton::clicked, this, request(LastZReportCode));
    connect(pluSales, &QPushButton::clicked, this, &ReportsPage::PluStatRequested);
    connect(operators, &QPushButton::clicked, this, &ReportsPage::OperStatRequested);
    connect(m_doZ, &QPushButton::clicked, this, &ReportsPage::DoZClick);
    connect(m_clear, &QPushButton::clicked, this, &ReportsPage::ClearRichClick);
    connect(m_view, &QTextEdit::textChanged, this, &ReportsPage::TextChanged);

    m_zQuiet.setSingleShot(true);
    m_zQuiet.setInterval(ZRepeatGuardMs);
    connect(&m_zQuiet, &QTimer::timeout, this, [this] { m_doZ->setEnabled(true); });
}

void ReportsPage::Attach(DailyReports& reports) {
    m_reports = &reports;
    reports.SetRegisterFontQuery([this] { return RegisterFont(); });
    connect(&reports, &DailyReports::LinesDecoded, this, &ReportsPage::AppendLines);
    connect(&reports, &DailyReports::ZReportStarted, this, [this] {
        m_doZ->setEnabled(false);
        m_zResult->setText(Captions::Reports::ZRunning.Text());
    });
    connect(&reports, &DailyReports::ZReportFinished, this, &ReportsPage::ZFinished);
    connect(&reports, &DailyReports::ZReportUnanswered, this, &ReportsPage::ZUnanswered);
    connect(&reports, &DailyReports::ReportUnanswered, this, &ReportsPage::ReportUnanswered);
}

bool ReportsPage::RegisterFont() const {
    return m_view->font().family() == QLatin1String(RegisterFontName) &&
           m_view->property(CharsetSwitch::CharsetProperty).toInt() == RegisterCharsets::Cyrillic;
}

bool ReportsPage::HasText() const {
    return !m_view->document()->isEmpty();
}

QStringList ReportsPage::Lines() const {
    if (!HasText())
        return {};
    return m_view->toPlainText().split(QLatin1Char('\n'));
}

QList<QWidget*> ReportsPage::TextViews() const {
    return {m_view};
}

void ReportsPage::PageShow() {
    m_shown = true;
    m_clear->setEnabled(HasText());
}

void ReportsPage::PageHide() {
    m_shown = false;
}

void ReportsPage::AppendLines(const QStringList& lines) {
    if (lines.isEmpty())
        return;
    // Inserted as text, not through append(): a PLU description such as
    // "<B>" must not turn into markup.
    QTextCursor cursor(m_view->document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    bool first = !HasText();
    for (const QString& line : lines) {
        if (!std::exchange(first, false))
            cursor.insertBlock();
        cursor.insertText(line);
    }
    cursor.endEditBlock();
    m_view->setTextCursor(cursor);
    m_view->ensureCursorVisible();
}

// Clear and, while the page is on show, Save and Print follow the text.
void ReportsPage::TextChanged() {
    const bool on = HasText();
    if (m_clear->isEnabled() == on)
        return;
    m_clear->setEnabled(on);
    if (m_shown)
        emit FileCommandsRequested(on);
}

void ReportsPage::ClearRichClick() {
    m_view->clear();
}

void ReportsPage::DoZClick() {
    // Disabled from the click until a moment after the answer or the
    // time-out: the register may answer within milliseconds, and the second
    // click of a double click must not run a second Z report.
    if (!m_reports || m_reports->ZReportRunning() || m_zQuiet.isActive())
        return;
    const auto answer = MessageBoxes::Show(this, {Captions::Link::Warning.Text(),
                                                  ReportMessages::ZQuestion.Text(),
                                                  QMessageBox::Warning,
                                                  QMessageBox::Yes | QMessageBox::No,
                                                  QMessageBox::No,
                                                  {{QMessageBox::Yes, ReportMessages::Yes.Text()},
                                                   {QMessageBox::No, ReportMessages::No.Text()}}});
    if (answer != QMessageBox::Yes)
        return;
    m_reports->RunZReport();
}

void ReportsPage::ReportUnanswered(quint8 code) {
    const char* button = code == TaxReportCode          ? "GetVAT"
                         : code == DepartmentReportCode ? "GetDept"
                         : code == StatusReportCode     ? "DailyStatistics"
                         : code == LastZReportCode      ? "GetZ"
                                                        : "DailyOperators";
    const auto* control = findChild<QPushButton*>(QString::fromLatin1(button));
    const QString name = control ? control->text().remove(QLatin1Char('&')) : QString();
    const int ms = m_reports ? m_reports->ReportTimeout() : 0;
    AppendLines(
        {ReportMessages::ReportUnanswered.Text().arg(name, QString::number(ms / 1000.0, 'g', 3)), QString()});
}

void ReportsPage::ZAnswered() {
    m_doZ->setEnabled(false);
    m_zQuiet.start();
}

void ReportsPage::ZFinished(quint8, const QString& line) {
    ZAnswered();
    m_zResult->setText(line.isEmpty() ? Captions::Reports::ZDone.Text() : line);
}

void ReportsPage::ZUnanswered() {
    ZAnswered();
    m_zResult->setText(Captions::Link::NoResponse.Text());
    MessageBoxes::Show(this, {Captions::Link::Warning.Text(), Captions::Link::NoResponse.Text(),
                              QMessageBox::Critical, QMessageBox::Ok});
}
