#include "common/ShellSettings.h"

#include <QDir>

ShellSettings& Shell() {
    static ShellSettings settings;
    return settings;
}

void ResetShellSettings() {
    Shell() = ShellSettings{};
    Shell().StartDirectory = QDir::currentPath();
}
