#include "exchange/ViewerPage.h"

#include <QTextEdit>
#include <QVBoxLayout>

ViewerPage::ViewerPage(QWidget* parent)
    : ModePage(QStringLiteral("ViewerSheet"), QStringLiteral("CloseViewerSheet"),
               {"File Viewer", "Pregled datoteka"}, parent) {
    m_view = new QTextEdit(this);
    m_view->setObjectName(QStringLiteral("ViewRich"));
    m_view->setReadOnly(true);
    m_view->setAcceptRichText(false);
    m_view->setLineWrapMode(QTextEdit::NoWrap);
    Body()->addWidget(m_view);
}

QList<QWidget*> ViewerPage::TextViews() const {
    return {m_view};
}

bool ViewerPage::HasText() const {
    return !m_view->document()->isEmpty();
}
