#include "monitor/MonitorPage.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

MonitorPage::MonitorPage(QWidget* parent)
    : ModePage(QStringLiteral("MonitorSheet"), QStringLiteral("CloseSheets"),
               {"Sales Monitor", "Evidencija prodaje"}, parent) {
    m_monListBox = new QPlainTextEdit(this);
    m_monListBox->setObjectName(QStringLiteral("MonListBox"));
    m_monListBox->setReadOnly(true);
    m_monListBox->setLineWrapMode(QPlainTextEdit::NoWrap);
    Body()->addWidget(m_monListBox);
}

void MonitorPage::SetCloseVisible(bool visible) {
    CloseButton()->setVisible(visible);
}

QList<QWidget*> MonitorPage::TextViews() const {
    return {m_monListBox};
}

bool MonitorPage::HasText() const {
    return !m_monListBox->document()->isEmpty();
}
