#pragma once

#include <QObject>

class QWidget;

// Dialogs and message boxes are at least as wide as their titles, so a window
// manager never cuts a title short ("Opera…tistics"): a box that says little
// under a long title is widened when it is shown or retitled.
class TitleRoom : public QObject {
    Q_OBJECT
  public:
    // Watches every dialog of the application from now on (once).
    static void Install();
    // The width a window needs for its title and the title bar's buttons.
    [[nodiscard]] static int NeededWidth(const QWidget& window);
    // Widens window to NeededWidth when it is narrower.
    static void Widen(QWidget& window);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    using QObject::QObject;
};
