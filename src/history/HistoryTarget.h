#pragma once

#include <QString>

// Where the history is kept, from the --history URL: a libpq URI selects a
// PostgreSQL server, anything else the SQLite file in the data folder.
struct HistoryTarget {
    enum class Backend { Sqlite, Postgres };
    Backend Kind = Backend::Sqlite;
    // SQLite: the database file.
    QString File;
    // PostgreSQL: an empty host means the default socket; a host starting with
    // '/' is the folder of the server's Unix socket.
    QString Host;
    int Port = 5432;
    QString User;
    QString Password;
    QString Database;
    // PostgreSQL: rows wait here, in the data folder, until the server has them.
    QString SpoolFile;
    // Said in messages: never holds the password.
    [[nodiscard]] QString Display() const;
};

inline constexpr const char* HistoryFileName = "history.sqlite";
inline constexpr const char* HistorySpoolName = "history-spool.sqlite";

// The target of url with dataDir as the data folder; an empty url is the
// SQLite file there. False, with the reason in error, when the URL is a
// PostgreSQL URI that cannot be used.
[[nodiscard]] bool ParseHistoryTarget(const QString& url, const QString& dataDir, HistoryTarget& target,
                                      QString& error);
