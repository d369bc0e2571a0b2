#include "shell/CaptionApplier.h"

#include "toolkit/ModePage.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QWidget>

namespace {

void SetText(QObject* control, const QString& text) {
    if (auto* page = qobject_cast<ModePage*>(control))
        page->SetCaption(text);
    else if (auto* menu = qobject_cast<QMenu*>(control))
        menu->setTitle(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(text);
    else if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(control))
        group->setTitle(text);
    else if (auto* action = qobject_cast<QAction*>(control))
        action->setText(text);
}

void SetToolTip(QObject* control, const QString& text) {
    if (auto* widget = qobject_cast<QWidget*>(control))
        widget->setToolTip(text);
    else if (auto* action = qobject_cast<QAction*>(control))
        action->setToolTip(text);
}

} // namespace

void CaptionApplier::Apply(std::span<const ControlCaption> table, int lang) const {
    for (const ControlCaption& row : table)
        Apply(row.Form, row.Control, row.Target, row.Text.Text(lang));
}

void CaptionApplier::Apply(const char* form, const char* control, CaptionTarget target,
                           const QString& text) const {
    QWidget* root = m_forms.value(QString::fromLatin1(form));
    if (!root)
        return;
    if (target == CaptionTarget::Title) {
        root->setWindowTitle(text);
        return;
    }
    // A menu and its menu action may share a name; the menu carries the caption.
    const QString name = QString::fromLatin1(control);
    QObject* found = root->findChild<QMenu*>(name);
    if (!found)
        found = root->findChild<QWidget*>(name);
    if (!found)
        found = root->findChild<QAction*>(name);
    if (!found)
        return;
    if (target == CaptionTarget::ToolTip)
        SetToolTip(found, text);
    else
        SetText(found, text);
}
