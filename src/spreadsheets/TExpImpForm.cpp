#include "spreadsheets/TExpImpForm.h"

#include "common/Captions.h"
#include "spreadsheets/SpreadsheetMessages.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

TExpImpForm::TExpImpForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TExpImpForm"));
    setWindowTitle(SpreadsheetMessages::DataExchange.Text());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    // No other window takes input while the table is being read or written.
    setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(this);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ExpImpAnimate"));
    m_progress->setTextVisible(false);
    m_progress->setMinimumWidth(320);
    m_curPlu = new QLabel(this);
    m_curPlu->setObjectName(QStringLiteral("CurPLULbl"));
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("ExpImpCount"));
    m_cancel = new QPushButton(SpreadsheetMessages::Cancel.Text(), this);
    m_cancel->setObjectName(QStringLiteral("BtnCancel"));
    layout->addWidget(m_progress);
    layout->addWidget(m_curPlu);
    layout->addWidget(m_count);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    buttons->addStretch();
    layout->addLayout(buttons);
    connect(m_cancel, &QPushButton::clicked, this, &TExpImpForm::BtnCancelClick);
}

void TExpImpForm::Start(const QString& caption) {
    m_cancelled = false;
    m_running = true;
    setWindowTitle(caption);
    m_cancel->setText(SpreadsheetMessages::Cancel.Text());
    m_curPlu->clear();
    m_count->clear();
    m_progress->setRange(0, 0); // busy until the total is known
    m_clock.start();
    show();
    raise();
}

void TExpImpForm::SetProgress(int done, int total, const QString& plu) {
    m_curPlu->setText(plu);
    if (total <= 0) {
        m_progress->setRange(0, 0);
        m_count->clear();
        return;
    }
    m_progress->setRange(0, total);
    m_progress->setValue(qBound(0, done, total));
    QString text = SpreadsheetMessages::RowsOf.Text().arg(done).arg(total);
    if (done > 0 && done < total) {
        const qint64 left = m_clock.elapsed() * (total - done) / done / 1000;
        text += QStringLiteral(", ") + SpreadsheetMessages::TimeLeft.Text().arg(left);
    }
    m_count->setText(text);
}

void TExpImpForm::Finish() {
    m_running = false;
    hide();
}

void TExpImpForm::BtnCancelClick() {
    if (m_cancelled)
        return;
    m_cancelled = true;
    emit CancelRequested();
}

void TExpImpForm::closeEvent(QCloseEvent* event) {
    // Closing the window is Cancel; the dialog goes when the work has stopped.
    if (m_running) {
        BtnCancelClick();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TExpImpForm::reject() {
    if (m_running)
        BtnCancelClick();
    else
        QDialog::reject();
}
