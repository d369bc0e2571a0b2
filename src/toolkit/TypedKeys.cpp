#include "toolkit/TypedKeys.h"

#include <QKeyEvent>
#include <algorithm>

QString TypedText(const QKeyEvent* key) {
    const Qt::KeyboardModifiers mods = key->modifiers();
    // Ctrl+Alt together is AltGr on some keyboards, which types characters.
    const bool altGr = (mods & Qt::ControlModifier) && (mods & Qt::AltModifier);
    if (!altGr && (mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return {};
    QString text = key->text();
    if (!std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.isPrint(); }))
        return {};
    return text;
}
