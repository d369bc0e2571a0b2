#pragma once

#include <QList>
#include <QString>

class QWidget;

// Gives the views that show register texts the charset and font of the
// charset menu, and empties the register text fields (their text was typed
// for the previous charset). Controls are found by name on the given forms,
// so pages that do not have them yet are passed over.
namespace CharsetSwitch {
// The property that carries a view's register charset.
inline constexpr const char* CharsetProperty = "registerCharset";
void Apply(const QList<QWidget*>& forms, int charset, const QString& fontName);
} // namespace CharsetSwitch
