#include "history/HistoryTarget.h"

#include <QDir>
#include <QUrl>
#include <QUrlQuery>

QString HistoryTarget::Display() const {
    if (Kind == Backend::Sqlite)
        return File;
    QString host = Host.isEmpty() ? QStringLiteral("localhost") : Host;
    return QStringLiteral("postgresql://%1@%2:%3/%4").arg(User, host).arg(Port).arg(Database);
}

bool ParseHistoryTarget(const QString& url, const QString& dataDir, HistoryTarget& target, QString& error) {
    target = HistoryTarget{};
    const QString trimmed = url.trimmed();
    const bool postgres = trimmed.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
                          trimmed.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
    if (!postgres) {
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1String("sqlite:"), Qt::CaseInsensitive)) {
            const QString file = trimmed.mid(trimmed.indexOf(QLatin1Char(':')) + 1);
            target.File = file.isEmpty() ? QDir(dataDir).filePath(QLatin1String(HistoryFileName))
                                         : QDir(dataDir).absoluteFilePath(file);
            return true;
        }
        error = QStringLiteral("'%1' is neither a postgresql:// URI nor sqlite:FILE").arg(trimmed);
        return false;
    }
    const QUrl parsed(trimmed, QUrl::StrictMode);
    if (!parsed.isValid()) {
        error = QStringLiteral("'%1' is not a valid URI: %2").arg(trimmed, parsed.errorString());
        return false;
    }
    target.Kind = HistoryTarget::Backend::Postgres;
    target.SpoolFile = QDir(dataDir).filePath(QLatin1String(HistorySpoolName));
    target.Host = parsed.host(QUrl::FullyDecoded);
    target.Port = parsed.port(5432);
    target.User = parsed.userName(QUrl::FullyDecoded);
    target.Password = parsed.password(QUrl::FullyDecoded);
    target.Database = parsed.path(QUrl::FullyDecoded).mid(1);
    const QUrlQuery query(parsed);
    for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (key == QLatin1String("host")) {
            target.Host = value;
        } else if (key == QLatin1String("port")) {
            bool ok = false;
            target.Port = value.toInt(&ok);
            if (!ok || target.Port <= 0 || target.Port > 65535) {
                error = QStringLiteral("'%1' is not a port number").arg(value);
                return false;
            }
        } else if (key == QLatin1String("user")) {
            target.User = value;
        } else if (key == QLatin1String("dbname")) {
            target.Database = value;
        } else if (key == QLatin1String("password")) {
            target.Password = value;
        } else {
            error = QStringLiteral("the URI option '%1' is not supported").arg(key);
            return false;
        }
    }
    if (target.Database.isEmpty())
        target.Database = target.User.isEmpty() ? QStringLiteral("postgres") : target.User;
    return true;
}
