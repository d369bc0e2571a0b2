#include "shell/TDLForm.h"

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
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("CancelOK"));
    layout->addWidget(m_status);
    layout->addWidget(m_read);
    layout->addWidget(m_cancel, 0, Qt::AlignCenter);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}
