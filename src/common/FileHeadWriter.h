#pragma once

#include <QByteArrayView>
#include <QString>

enum class HeadWrite { Done, CannotOpen, CannotWrite };

// Puts new bytes at the start of an existing file and keeps whatever the file
// holds beyond them (a longer file from another program). The new contents are
// written whole beside the file and renamed over it, so a failure leaves the
// old file as it was. Where the folder takes no new file but the file itself is
// writable (a shared folder set up that way), the bytes are written over the
// file in place instead; the bytes beyond them stay where they are.
// CannotOpen: the file is missing or cannot be written; nothing was changed.
// reason, when given, takes the system's words for a failure.
[[nodiscard]] HeadWrite WriteFileHead(const QString& path, QByteArrayView head, QString* reason = nullptr);
