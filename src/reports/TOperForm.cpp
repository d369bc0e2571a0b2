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

    // Fifteen numbers need no completion, and its popup took the Enter
    // that should have pressed OK.
    m_code->setCompleter(nullptr);
    // Keys typed into the box reach the combo box, which hands them to its
    // line edit past that edit's filters; both are watched.
    m_code->installEventFilter(this);
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
    if ((watched == m_code || watched == m_code->lineEdit()) && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (m_ok->isEnabled())
                GetDailyOperClick();
            return true;
        }
        const QString typed = TypedText(key);
        if (std::ranges::any_of(typed, [](QChar c) { return DigitKeyRejected(c); }))
            return true;
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
