#include "toolkit/ModePage.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

ModePage::ModePage(const QString& objectName, const QString& closeButtonName, Caption caption,
                   QWidget* parent)
    : QWidget(parent) {
    setObjectName(objectName);
    auto* layout = new QVBoxLayout(this);
    m_heading = new QLabel(this);
    m_heading->setObjectName(objectName + QStringLiteral("Heading"));
    QFont headingFont = m_heading->font();
    headingFont.setBold(true);
    headingFont.setPointSize(headingFont.pointSize() + 2);
    m_heading->setFont(headingFont);
    layout->addWidget(m_heading);
    m_body = new QVBoxLayout;
    layout->addLayout(m_body, 1);
    // The start page has neither a caption of its own nor a Close button.
    if (!closeButtonName.isEmpty()) {
        auto* closeRow = new QHBoxLayout;
        closeRow->addStretch(1);
        m_close = new QPushButton(QStringLiteral("Close"), this);
        m_close->setObjectName(closeButtonName);
        closeRow->addWidget(m_close);
        layout->addLayout(closeRow);
        connect(m_close, &QPushButton::clicked, this, &ModePage::CloseRequested);
    }
    SetCaption(caption.Text(0));
    m_heading->setVisible(*caption.En != 0);
}

void ModePage::SetCaption(const QString& caption) {
    m_heading->setText(caption);
}

QString ModePage::CaptionText() const {
    return m_heading->text();
}
