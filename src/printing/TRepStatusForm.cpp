#include "printing/TRepStatusForm.h"
#include "toolkit/FieldBuilders.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

using FieldBuilders::Button;
using FieldBuilders::Label;

TRepStatusForm::TRepStatusForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TRepStatusForm"));
    setWindowTitle(QStringLiteral("Report Creation Status"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    // Only its Cancel is reachable while a listing is built.
    setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(this);
    m_creating = Label(this, "Creating", "Creating Report...");
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressBar"));
    m_progress->setTextVisible(false);
    m_percent = new QLabel(this);
    m_percent->setObjectName(QStringLiteral("Percent"));
    m_cancel = Button(this, "CancelButton", "Cancel");
    layout->addWidget(m_creating);
    layout->addWidget(m_progress);
    auto* row = new QHBoxLayout;
    row->addWidget(m_percent, 1);
    row->addWidget(m_cancel);
    layout->addLayout(row);
    setFixedWidth(320);
    connect(m_cancel, &QPushButton::clicked, this, &TRepStatusForm::CancelButtonClick);
}

void TRepStatusForm::Start(int steps) {
    m_reportCancel = false;
    m_progress->setRange(0, qMax(steps, 1));
    m_progress->setValue(0);
    m_percent->clear();
    show();
    raise();
}

void TRepStatusForm::SetProgress(int step, const QString& percent) {
    m_progress->setValue(qBound(0, step, m_progress->maximum()));
    m_percent->setText(percent);
}

void TRepStatusForm::Finish() {
    hide();
}

void TRepStatusForm::CancelButtonClick() {
    m_reportCancel = true;
    hide();
    emit Cancelled();
}

void TRepStatusForm::closeEvent(QCloseEvent* event) {
    if (isVisible() && !m_reportCancel)
        CancelButtonClick();
    event->accept();
}

void TRepStatusForm::reject() {
    CancelButtonClick();
}
