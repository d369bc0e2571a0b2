#pragma once

#include <QUrl>
#include <functional>

// Hands an address or a file to the desktop's browser. A test replaces the
// opener so that nothing is started.
namespace Browser {
using Opener = std::function<bool(const QUrl&)>;
// An empty opener brings back the desktop's.
void SetOpener(Opener opener);
[[nodiscard]] bool Open(const QUrl& url);
} // namespace Browser
