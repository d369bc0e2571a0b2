#pragma once

#include "common/SessionSettings.h"
#include "database/PluDatabaseFile.h"
#include "serial/TCommPortDriver.h"

#include <QString>
#include <memory>
#include <optional>

class QObject;
class RegisterSession;

// Where a register session stands: its line, its data folder and the settings
// its exchanges speak in. The window, orvexctl and orvex-gateway each describe
// their register this way and differ only in what they build on top.
struct SessionPlace {
    // The register's device path (a serial adapter, the simulated register's
    // pseudo-terminal). Empty leaves the port to the program (the window's
    // port menu, its COM numbers).
    QString Device;
    std::optional<TComPortBaudRate> Speed;
    // Opens the device at once; otherwise the first exchange opens it.
    bool OpenLine = true;
    // pludb.dat (made with the default PLUs when missing) and ComOpts.ini (the
    // barcode rules, their defaults when missing). Empty: the program loads
    // its table and rules itself (orvexctl's --db).
    QString DataDir;
    // Holds pludb.dat's lock for the session's life: only for a program that
    // changes the table and saves it at the end. A reader leaves it free.
    bool LockTable = false;
    // Unset keeps the session's own (the window applies its menus' choices).
    std::optional<SessionSettings> Settings;
};

// What the set-up found; each program says it in its own way (a message box,
// a line on stderr).
struct SessionSetupResult {
    // Ok when no data folder was given.
    DatabaseFileResult Table;
    // pludb.dat was missing and has been made with the default PLUs.
    bool TableMade = false;
    QString TablePath;
    // The barcode rules' defaults could not be written; they are in force anyway.
    QString BarcodeMessage;
    bool LineOpen = false;
    // Why the device did not open, in the system's words.
    QString LineError;
};

// Puts a session built by its program at place: the line's device and speed,
// the settings, the PLU table and the barcode rules in force.
[[nodiscard]] SessionSetupResult SetUpSession(RegisterSession& session, const SessionPlace& place);

// Builds a session and puts it at place.
[[nodiscard]] std::unique_ptr<RegisterSession>
OpenSession(const SessionPlace& place, SessionSetupResult& result, QObject* parent = nullptr);

// The register's device path for a session whose device comes late (a
// simulated register started once the command line has been checked); before
// the line opens.
void SetSessionDevice(RegisterSession& session, const QString& device);
