#include "shell/Browser.h"

#include <QDesktopServices>

namespace {
Browser::Opener& CurrentOpener() {
    static Browser::Opener opener;
    return opener;
}
} // namespace

namespace Browser {

void SetOpener(Opener opener) {
    CurrentOpener() = std::move(opener);
}

bool Open(const QUrl& url) {
    if (CurrentOpener())
        return CurrentOpener()(url);
    return QDesktopServices::openUrl(url);
}

} // namespace Browser
