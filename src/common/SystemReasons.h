#pragma once

#include <QString>

// The reasons the system gives for a failed open, read or write (strerror's
// words, which Qt passes on as a file's or a port's error text) in the
// language of the sentence they end: English keeps the system's own words,
// Serbian has its own for the reasons a shop PC meets. A reason without
// Serbian words stays as the system gave it.
namespace SystemReasons {
[[nodiscard]] QString ForCode(int code, int lang);
// A reason already in the system's words.
[[nodiscard]] QString Translate(const QString& reason, int lang);
// At the current interface language.
[[nodiscard]] QString ForCode(int code);
[[nodiscard]] QString Translate(const QString& reason);
} // namespace SystemReasons
