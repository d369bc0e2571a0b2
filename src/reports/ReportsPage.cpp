#include "reports/ReportsPage.h"

#include <QTextEdit>
#include <QVBoxLayout>

ReportsPage::ReportsPage(QWidget* parent)
    : ModePage(QStringLiteral("DailySheet"), QStringLiteral("CloseRepsSheetBtn"), {"Reports", "Izvestaji"},
               parent) {
    m_view = new QTextEdit(this);
    m_view->setObjectName(QStringLiteral("DailyRich"));
    m_view->setReadOnly(true);
    m_view->setAcceptRichText(false);
    m_view->setLineWrapMode(QTextEdit::NoWrap);
    Body()->addWidget(m_view);
}

QList<QWidget*> ReportsPage::TextViews() const {
    return {m_view};
}

bool ReportsPage::HasText() const {
    return !m_view->document()->isEmpty();
}
