#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QStringList>

class QAction;
class QActionGroup;
class QMainWindow;
class QMenu;

// The main window's menu bar, the modes popup and the hidden shortcuts menu,
// built with their object names, captions as built, shortcuts and check groups.
// The main window connects the actions; later pages find theirs by name.
class MainMenus : public QObject {
    Q_OBJECT
  public:
    explicit MainMenus(QMainWindow* window);

    // The action (or a menu's action) of an object name; null when none.
    [[nodiscard]] QAction* Action(const QString& name) const;
    [[nodiscard]] QMenu* Menu(const QString& name) const;
    [[nodiscard]] QMenu* ModesPopup() const { return m_modesPopup; }
    [[nodiscard]] QMenu* PortMenu() const { return m_portMenu; }
    [[nodiscard]] QActionGroup* PortGroup() const { return m_portGroup; }
    // Every shortcut of the menus, for the guard that lets them act in any field.
    [[nodiscard]] QList<QKeySequence> Shortcuts() const;

    // The serial devices found on the machine, listed after Com1 ... Com4.
    void ListDevices(const QStringList& devices, const QString& checkedDevice);
    [[nodiscard]] QList<QAction*> DeviceActions() const { return m_deviceActions; }

  signals:
    // The Port menu is about to open: time to look for devices.
    void PortMenuOpening();
    void DeviceChosen(const QString& device);

  private:
    QAction* Add(QMenu* menu, const char* name, const char* text, QKeySequence shortcut = {},
                 QActionGroup* group = nullptr, bool checked = false);
    QMenu* AddMenu(QMenu* parent, const char* name, const char* title);
    QActionGroup* Group();

    QMainWindow* m_window;
    QMenu* m_modesPopup = nullptr;
    QMenu* m_portMenu = nullptr;
    QActionGroup* m_portGroup = nullptr;
    QAction* m_deviceSeparator = nullptr;
    QList<QAction*> m_deviceActions;
    QList<QAction*> m_all;
};
