#pragma once

#include <QString>

class QLineEdit;

// A number field whose value is above its limit keeps what was typed and says
// so: its text turns red, a warning sign stands at its end, and the words are
// its tooltip, shown beside it at once. The action that would take the value
// refuses it in the same words; nothing cuts it down to the limit.
namespace LimitMark {
void Set(QLineEdit* field, const QString& words);
// Back to the field's own look; nothing when it is not marked.
void Clear(QLineEdit* field);
[[nodiscard]] bool IsSet(const QLineEdit* field);
[[nodiscard]] QString Words(const QLineEdit* field);
} // namespace LimitMark
