#pragma once

#include "shell/FindRegisterDialog.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>

class FindRegisterDialog;
class MainMenus;
class QWidget;
class RegisterFinder;
class ReplyDispatcher;

// Connection > Find register, from the menu item to the new port: the
// program's own connection is closed while the devices are asked (the
// register's device cannot be opened twice) and opened again afterwards
// on the device and speed chosen, or as it was when none was chosen.
class RegisterSearch : public QObject {
    Q_OBJECT
  public:
    RegisterSearch(ReplyDispatcher& dispatcher, MainMenus& menus, QWidget* window);
    ~RegisterSearch() override;

    // Refused, in words, while an exchange with the register runs.
    void Start(bool exchangeRunning);
    [[nodiscard]] FindRegisterDialog* Dialog() const { return m_dialog; }
    // Where the devices to ask come from (the machine's, unless a test says).
    void SetDeviceSource(std::function<QStringList()> source) { m_deviceSource = std::move(source); }

  signals:
    // The port is open on the device and speed chosen; text says so.
    void Chosen(const QString& text);

  private:
    void Ended();

    ReplyDispatcher& m_dispatcher;
    MainMenus& m_menus;
    QWidget* m_window;
    std::unique_ptr<RegisterFinder> m_finder;
    QPointer<FindRegisterDialog> m_dialog;
    std::function<QStringList()> m_deviceSource;
    bool m_reopen = false;
};
