#include "gateway/GatewayConfig.h"

#include "protocol/RegisterFinder.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSettings>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

bool Apply(GatewayConfig& config, const QString& name, const QString& value, QString& error) {
    if (value.isEmpty()) {
        error = QStringLiteral("%1 needs a value").arg(name);
        return false;
    }
    if (name == QLatin1String("register")) {
        GatewayRegisterEntry entry;
        if (!ParseRegisterEntry(value, entry, error))
            return false;
        for (const GatewayRegisterEntry& r : config.Registers) {
            if (r.Id == entry.Id) {
                error = QStringLiteral("register %1 is given twice").arg(entry.Id);
                return false;
            }
        }
        config.Registers.push_back(entry);
    } else if (name == QLatin1String("listen")) {
        return ParseListen(value, config.Address, config.Port, error);
    } else if (name == QLatin1String("token-file")) {
        config.TokenFile = value;
    } else if (name == QLatin1String("log")) {
        config.LogFile = value;
    } else if (name == QLatin1String("data-dir")) {
        config.DataDir = value;
        config.Record = true;
    } else if (name == QLatin1String("history")) {
        config.History = value;
        config.Record = true;
    } else if (name == QLatin1String("tls-cert")) {
        config.TlsCertificate = value;
    } else if (name == QLatin1String("tls-key")) {
        config.TlsKey = value;
    } else {
        error = QStringLiteral("unknown setting %1").arg(name);
        return false;
    }
    return true;
}

bool ReadIni(const QString& path, GatewayConfig& config, QString& error) {
    if (!QFileInfo(path).isReadable()) {
        error = QStringLiteral("the settings file %1 cannot be read").arg(path);
        return false;
    }
    QSettings ini(path, QSettings::IniFormat);
    if (ini.status() != QSettings::NoError) {
        error = QStringLiteral("the settings file %1 is not a valid INI file").arg(path);
        return false;
    }
    ini.beginGroup(QStringLiteral("gateway"));
    for (const QString& key : ini.childKeys()) {
        const QString value = ini.value(key).toString();
        if (key == QLatin1String("simulate")) {
            config.Simulate = value == QLatin1String("true") || value == QLatin1String("1");
            continue;
        }
        if (!Apply(config, key, value, error)) {
            error = QStringLiteral("%1 [gateway]: %2").arg(path, error);
            return false;
        }
    }
    ini.endGroup();
    ini.beginGroup(QStringLiteral("registers"));
    for (const QString& id : ini.childKeys()) {
        if (!Apply(config, QStringLiteral("register"), id + '=' + ini.value(id).toString(), error)) {
            error = QStringLiteral("%1 [registers]: %2").arg(path, error);
            return false;
        }
    }
    ini.endGroup();
    return true;
}

} // namespace

bool ParseRegisterEntry(const QString& text, GatewayRegisterEntry& entry, QString& error) {
    const qsizetype eq = text.indexOf('=');
    if (eq <= 0 || eq == text.size() - 1) {
        error = QStringLiteral("--register takes ID=DEVICE[@SPEED], not '%1'").arg(text);
        return false;
    }
    entry.Id = text.left(eq);
    for (const QChar c : entry.Id) {
        if (!(c.isLetterOrNumber() && c.unicode() < 0x80) && c != '-' && c != '_') {
            error =
                QStringLiteral("a register id holds letters, digits, - and _ only, not '%1'").arg(entry.Id);
            return false;
        }
    }
    QString device = text.mid(eq + 1);
    const qsizetype at = device.lastIndexOf('@');
    entry.Speed = 19200;
    if (at >= 0) {
        bool ok = false;
        const int speed = device.mid(at + 1).toInt(&ok);
        if (!ok || !RegisterSpeedOf(speed)) {
            error = QStringLiteral("a register's speed is 9600, 19200 or 38400, not '%1'")
                        .arg(device.mid(at + 1));
            return false;
        }
        entry.Speed = speed;
        device = device.left(at);
    }
    if (device.isEmpty()) {
        error = QStringLiteral("register %1 needs a device").arg(entry.Id);
        return false;
    }
    entry.Device = device;
    return true;
}

bool ParseListen(const QString& text, QString& address, quint16& port, QString& error) {
    const qsizetype colon = text.lastIndexOf(':');
    bool ok = false;
    const int p = colon > 0 ? text.mid(colon + 1).toInt(&ok) : 0;
    if (colon <= 0 || !ok || p < 1 || p > 65535) {
        error = QStringLiteral("--listen takes ADDRESS:PORT, not '%1'").arg(text);
        return false;
    }
    address = text.left(colon);
    if (address.startsWith('[') && address.endsWith(']'))
        address = address.mid(1, address.size() - 2);
    port = quint16(p);
    return true;
}

bool ParseGatewayArguments(const QStringList& args, GatewayConfig& config, QString& error) {
    // The file first, so that the command line has the last word.
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--config")) {
            if (i + 1 >= args.size()) {
                error = QStringLiteral("--config needs a file");
                return false;
            }
            if (!ReadIni(args[i + 1], config, error))
                return false;
        }
    }
    bool registersFromLine = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            config.Help = true;
        } else if (a == QLatin1String("--version")) {
            config.Version = true;
        } else if (a == QLatin1String("--simulate")) {
            config.Simulate = true;
        } else if (a == QLatin1String("--config")) {
            ++i;
        } else if (a.startsWith(QLatin1String("--"))) {
            const QString name = a.mid(2);
            if (i + 1 >= args.size()) {
                error = QStringLiteral("%1 needs a value").arg(a);
                return false;
            }
            if (name == QLatin1String("register") && !registersFromLine) {
                // Registers on the command line replace those of the file.
                config.Registers.clear();
                registersFromLine = true;
            }
            if (!Apply(config, name, args[++i], error)) {
                if (error.startsWith(QLatin1String("unknown setting")))
                    error = QStringLiteral("unknown option %1").arg(a);
                return false;
            }
        } else {
            error = QStringLiteral("unexpected argument '%1'").arg(a);
            return false;
        }
    }
    if (config.TlsCertificate.isEmpty() != config.TlsKey.isEmpty()) {
        error = QStringLiteral("TLS needs both --tls-cert and --tls-key");
        return false;
    }
    return true;
}

bool ObtainToken(const QString& path, QByteArray& token, bool& made, QString& error) {
    made = false;
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
        QByteArray fresh(32, '\0');
        QRandomGenerator::system()->generate(fresh.begin(), fresh.end());
        token = fresh.toHex();
        const QByteArray line = token + '\n';
        const bool written =
            ::write(fd, line.constData(), size_t(line.size())) == line.size() && ::fsync(fd) == 0;
        ::close(fd);
        if (!written) {
            ::unlink(native.constData());
            error = QStringLiteral("the token file %1 cannot be written").arg(path);
            return false;
        }
        made = true;
        return true;
    }
    if (errno != EEXIST) {
        error = QStringLiteral("the token file %1 cannot be made: %2")
                    .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("the token file %1 cannot be read: %2").arg(path, file.errorString());
        return false;
    }
    token = file.read(4096).trimmed();
    if (token.isEmpty()) {
        error = QStringLiteral("the token file %1 is empty: put a token in it, or remove it to have one made")
                    .arg(path);
        return false;
    }
    for (const char c : token) {
        if (uint8_t(c) <= 0x20 || uint8_t(c) >= 0x7F) {
            error = QStringLiteral("the token in %1 holds blanks or control characters").arg(path);
            return false;
        }
    }
    return true;
}

QString GatewayUsage() {
    return QStringLiteral(
        "Usage: orvex-gateway [options]\n"
        "Serves Orvex registers to other programs over HTTP/JSON (see /v1/openapi.json).\n\n"
        "  --register ID=DEVICE[@SPEED]  a register on a serial device (9600, 19200 or 38400 bit/s;\n"
        "                                19200 unless given); may be given several times\n"
        "  --simulate                    a simulated register for each id (register \"1\" when none is "
        "given)\n"
        "  --listen ADDRESS:PORT         where to listen (127.0.0.1:8472)\n"
        "  --token-file FILE             the bearer token; made there (mode 0600) and printed once when "
        "missing\n"
        "                                (DATA-DIR/gateway.token unless given)\n"
        "  --log FILE                    the request log (DATA-DIR/gateway-requests.sqlite unless given)\n"
        "  --data-dir DIR                the data folder: pludb.dat and ComOpts.ini (the PLUs and barcode\n"
        "                                rules of barcode lines; made when missing) and the sales history\n"
        "  --history URL                 record the sales history there (a PostgreSQL URI, or the data "
        "folder)\n"
        "  --tls-cert FILE --tls-key FILE  serve HTTPS with this PEM certificate and key\n"
        "  --config FILE                 the same settings from an INI file: [gateway] listen=, "
        "token-file=,\n"
        "                                log=, data-dir=, history=, tls-cert=, tls-key=, simulate=true;\n"
        "                                [registers] ID=DEVICE[@SPEED]\n"
        "  --version, --help\n");
}
