#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

// The whole file, or nothing when it cannot be read.
inline QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// Keeps a folder from taking new files (or renames) while its files stay
// writable, as a shared folder may be set up. Root is not stopped by folder
// permissions, so root marks the folder immutable instead. False when neither
// works here (the test then has nothing to show).
bool LockFolderEntries(const QString& dir);
void UnlockFolderEntries(const QString& dir);
