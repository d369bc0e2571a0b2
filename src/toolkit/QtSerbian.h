#pragma once

#include <QTranslator>

// Serbian (Latin script) for the few texts of Qt's own that the program shows:
// the file dialog, the standard buttons of message boxes and dialogs, and the
// edit fields' context menu. Debian ships no Serbian translation of Qt, so the
// program carries these itself; installed while the window speaks Serbian.
class QtSerbian : public QTranslator {
    Q_OBJECT
  public:
    using QTranslator::QTranslator;

    [[nodiscard]] QString translate(const char* context, const char* sourceText,
                                    const char* disambiguation = nullptr, int n = -1) const override;
    [[nodiscard]] bool isEmpty() const override { return false; }

    // Installs the one translator for language 1 (Serbian) and removes it for
    // any other.
    static void Follow(int language);
    [[nodiscard]] static bool Installed();
};
