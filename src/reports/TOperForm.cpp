#include "reports/TOperForm.h"

#include "protocol/Converts.h"
#include "reports/DailyReports.h"
#include "toolkit/FieldBuilders.h"
#include "toolkit/TypedKeys.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

using FieldBuilders::Button;
using FieldBuilders::Label;

namespace {

constexpr int Operators = 15;

} // namespace

TOperForm::TOperForm(QWidget* parent) : ReportDialog(parent) {
    setObjectName(QStringLiteral("TOperForm"));
    setWindowTitle(QStringLiteral("Operator Statistics"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(QStringLiteral("Operators"), this);
    group->setObjectName(QStringLiteral("OperGroup"));
    auto* row = new QHBoxLayout(group);
    auto* label = Label(group, "Operator", "Operator:");
    m_code = new QComboBox(group);
    m_code->setObjectName(QStringLiteral("OperCode"));
    m_code->setEditable(true);
    m_code->setInsertPolicy(QComboBox::NoInsert);
    for (int n = 1; n <= Operators; ++n)
        m_code->addItem(QString::number(n));
    m_code->lineEdit()->setMaxLength(2);
    row->addWidget(label);
    row->addWidget(m_code, 1);
    layout->addWidget(group);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_ok = Button(this, "GetDailyOper", "OK");
    m_ok->setEnabled(false);
    m_ok->setAutoDefault(false);
    auto* cancel = Button(this, "OperCancel", "Cancel");
    cancel->setAutoDefault(false);
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    m_code->lineEdit()->installEventFilter(this);
    connect(m_code, &QComboBox::currentTextChanged, this, &TOperForm::OperCodeChange);
    connect(m_ok, &QPushButton::clicked, this, &TOperForm::GetDailyOperClick);
    connect(cancel, &QPushButton::clicked, this, &TOperForm::OperCancelClick);
}

void TOperForm::Attach(DailyReports& reports) {
    m_reports = &reports;
    // The register's answer has been written into the report view.
    connect(&reports, &DailyReports::OperatorReported, this, [this] {
        if (!isVisible())
            return;
        hide();
        emit ShowReportsRequested();
    });
}

void TOperForm::showEvent(QShowEvent* event) {
    ReportDialog::showEvent(event);
    m_code->setEditText(QString());
    m_ok->setEnabled(false);
}

bool TOperForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_code->lineEdit()) {
        if (event->type() == QEvent::KeyPress) {
            const QString typed = TypedText(static_cast<QKeyEvent*>(event));
            if (std::ranges::any_of(typed, [](QChar c) { return DigitKeyRejected(c); }))
                return true;
        } else if (event->type() == QEvent::KeyRelease) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !m_code->currentText().isEmpty() &&
                m_ok->isEnabled())
                GetDailyOperClick();
        }
    }
    return ReportDialog::eventFilter(watched, event);
}

void TOperForm::OperCodeChange(const QString& text) {
    if (text.isEmpty()) {
        m_ok->setEnabled(false);
        return;
    }
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < 1 || n > Operators) {
        m_ok->setEnabled(false);
        m_code->setEditText(QString());
        return;
    }
    m_ok->setEnabled(true);
}

void TOperForm::GetDailyOperClick() {
    bool ok = false;
    const int n = m_code->currentText().toInt(&ok);
    if (!m_reports || !ok || n < 1 || n > Operators)
        return;
    m_reports->RequestOperator(n);
}

void TOperForm::OperCancelClick() {
    hide();
    emit ShowReportsRequested();
}
