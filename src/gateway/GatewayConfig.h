#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

// One register of orvex-gateway: "ID=DEVICE[@SPEED]".
struct GatewayRegisterEntry {
    QString Id;
    QString Device;
    int Speed = 19200;
};

// What orvex-gateway runs with, from its command line and its INI file
// (--config; the command line wins over the file).
struct GatewayConfig {
    std::vector<GatewayRegisterEntry> Registers;
    QString Address = QStringLiteral("127.0.0.1");
    quint16 Port = 8472;
    QString TokenFile;
    QString LogFile;
    QString DataDir;
    QString History;
    bool Record = false;
    QString TlsCertificate;
    QString TlsKey;
    bool Simulate = false;
    bool Help = false;
    bool Version = false;
};

// False with the reason when an option or a value is wrong.
[[nodiscard]] bool ParseGatewayArguments(const QStringList& args, GatewayConfig& config, QString& error);
[[nodiscard]] bool ParseRegisterEntry(const QString& text, GatewayRegisterEntry& entry, QString& error);
[[nodiscard]] bool ParseListen(const QString& text, QString& address, quint16& port, QString& error);

// The token in path; when the file is not there, a new one is made there
// (readable by its owner alone) and made is set. An empty or unreadable file
// is an error: the gateway does not start on it.
[[nodiscard]] bool ObtainToken(const QString& path, QByteArray& token, bool& made, QString& error);

[[nodiscard]] QString GatewayUsage();
