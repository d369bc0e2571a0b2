#include "toolkit/LimitMark.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QStyle>
#include <QToolTip>

namespace {
constexpr const char* WordsProperty = "limitWords";
constexpr const char* OwnTipProperty = "limitOwnTip";
const QString SignName = QStringLiteral("LimitSign");

QAction* Sign(const QLineEdit* field) {
    return field->findChild<QAction*>(SignName, Qt::FindDirectChildrenOnly);
}
} // namespace

namespace LimitMark {

void Set(QLineEdit* field, const QString& words) {
    if (!IsSet(field)) {
        field->setProperty(OwnTipProperty, field->toolTip());
        QAction* sign = field->addAction(field->style()->standardIcon(QStyle::SP_MessageBoxWarning),
                                         QLineEdit::TrailingPosition);
        sign->setObjectName(SignName);
        QPalette palette = field->palette();
        palette.setColor(QPalette::Text, Qt::red);
        field->setPalette(palette);
    }
    const bool changed = Words(field) != words;
    field->setProperty(WordsProperty, words);
    field->setToolTip(words);
    if (QAction* sign = Sign(field))
        sign->setToolTip(words);
    if (changed && field->isVisible())
        QToolTip::showText(field->mapToGlobal(QPoint(0, field->height())), words, field);
}

void Clear(QLineEdit* field) {
    if (!IsSet(field))
        return;
    delete Sign(field);
    QPalette palette = field->palette();
    palette.setColor(QPalette::Text, QApplication::palette(field).color(QPalette::Text));
    field->setPalette(palette);
    field->setToolTip(field->property(OwnTipProperty).toString());
    field->setProperty(WordsProperty, QVariant());
    if (QToolTip::isVisible())
        QToolTip::hideText();
}

bool IsSet(const QLineEdit* field) {
    return !Words(field).isEmpty();
}

QString Words(const QLineEdit* field) {
    return field->property(WordsProperty).toString();
}

} // namespace LimitMark
