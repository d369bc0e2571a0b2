#include "shell/TDLForm.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TDLForm::TDLForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TDLForm"));
    setWindowTitle(QStringLiteral("Status Form"));
    auto* layout = new QVBoxLayout(this);
    m_status = new QLabel(QStringLiteral("Reading ..."), this);
    m_status->setObjectName(QStringLiteral("DLStatusLabel"));
    m_read = new QLabel(QStringLiteral("PLUs  Read :"), this);
    m_read->setObjectName(QStringLiteral("PLUsRead"));
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("PLUsReadCount"));
    // It reports on the work of the main window, which keeps the keyboard.
    setAttribute(Qt::WA_ShowWithoutActivating);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("CancelOK"));
    layout->addWidget(m_status);
    auto* count = new QHBoxLayout;
    count->addWidget(m_read);
    count->addWidget(m_count, 1);
    layout->addLayout(count);
    layout->addWidget(m_cancel, 0, Qt::AlignCenter);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString TDLForm::CountText() const {
    return m_count->text();
}

void TDLForm::ShowCount(int done, int total) {
    m_count->setText(QStringLiteral("%1 / %2").arg(done).arg(total));
}

void TDLForm::reject() {
    emit CancelRequested();
    QDialog::reject();
}
