#pragma once

#include <QObject>
#include <QString>
#include <memory>

class FormSet;
class QSettings;

// The user's choices kept from one run to the next: port and speed, language,
// register charset, text size and wrap, the fiscal printer's sale mode and the
// other Settings menu choices, the shop name, the window's size and place, the PLU print
// form's fields and the folders last used. They are read once at start and
// written as the main window closes.
class KeptSettings : public QObject {
    Q_OBJECT
  public:
    struct StartOptions {
        // The port is named on the command line (or is the simulated
        // register's): the kept one is neither applied nor replaced.
        bool PortGiven = false;
        // A line speed named on the command line wins over the kept one; 0 for none.
        int SpeedGiven = 0;
    };

    // store: where the choices live; it is read and written by this object alone.
    KeptSettings(std::unique_ptr<QSettings> store, FormSet& forms, StartOptions options);
    ~KeptSettings() override;

    // ~/.config/orvex-commander/orvex-commander.ini (XDG_CONFIG_HOME honoured).
    [[nodiscard]] static std::unique_ptr<QSettings> UserStore();
    // The line speed kept in store, 0 when none is.
    [[nodiscard]] static int KeptSpeed(QSettings& store);
    // Where the sales history is kept (as --history takes it); empty for the
    // data folder's own file. Written by hand: the window only reads it.
    [[nodiscard]] static QString KeptHistory(QSettings& store);

    // Applies what is kept, through the same menu items a user would pick.
    void Restore();
    // Writes the present choices.
    void Save();

  private:
    // port: "COM1".."COM4" or a device path, empty to leave the port; speed 0 leaves the speed.
    void ApplyLine(const QString& port, int speed);

    std::unique_ptr<QSettings> m_store;
    FormSet& m_forms;
    StartOptions m_options;
    bool m_portPicked = false;
    bool m_speedPicked = false;
};
