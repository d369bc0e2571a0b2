#pragma once

#include <QString>

class QKeyEvent;

// The characters a key press types into a field, or an empty string for a key
// that types nothing: navigation and editing keys (Tab, Delete, arrows,
// Home/End, Backspace, Enter) and shortcuts held with Ctrl, Alt or Meta. Key
// filters look only at this text, so those keys keep their usual meaning.
[[nodiscard]] QString TypedText(const QKeyEvent* key);
