#include "exchange/ViewerPage.h"

#include "protocol/RegisterCharset.h"
#include "shell/CharsetSwitch.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

ViewerPage::ViewerPage(QWidget* parent)
    : ModePage(QStringLiteral("ViewerSheet"), QStringLiteral("CloseViewerSheet"),
               {"File Viewer", "Pregled datoteka"}, parent) {
    m_view = new QPlainTextEdit(this);
    m_view->setObjectName(QStringLiteral("ViewRich"));
    m_view->setReadOnly(true);
    m_view->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_view->setUndoRedoEnabled(false);
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont font(QString::fromLatin1(PlainFontName));
    font.setStyleHint(QFont::TypeWriter);
    m_view->setFont(font);
    m_view->setProperty(CharsetSwitch::CharsetProperty, RegisterCharsets::Cyrillic);
    Body()->addWidget(m_view, 1);

    m_clear = new QPushButton(QStringLiteral("Clear"), this);
    m_clear->setObjectName(QStringLiteral("ClearViewer"));
    m_clear->setEnabled(false);
    // Beside the page's Close button.
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(m_clear);
    Body()->addLayout(row);

    connect(m_view, &QPlainTextEdit::textChanged, this, &ViewerPage::ViewRichChange);
    connect(m_clear, &QPushButton::clicked, this, &ViewerPage::ClearViewerClick);
}

QList<QWidget*> ViewerPage::TextViews() const {
    return {m_view};
}

bool ViewerPage::HasText() const {
    return !m_view->document()->isEmpty();
}

void ViewerPage::ShowText(const QString& text) {
    m_view->setPlainText(text);
}

void ViewerPage::ViewRichChange() {
    const bool on = HasText();
    m_clear->setEnabled(on);
    emit FileCommandsRequested(on);
}

void ViewerPage::ClearViewerClick() {
    m_view->clear();
}
