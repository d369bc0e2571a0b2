#pragma once

#include <QString>

class QFile;

// The one rule for files the program writes or reads by a name the user gave:
// only a regular file is written over or read, a path where nothing is yet may
// be created, and a symbolic link stands for the file it leads to. A device, a
// FIFO, a socket or a folder is refused by its name, before anything opens it
// (opening a FIFO waits for a writer; writing beside a device and renaming
// over it would replace the device node).

// Where writing a file at path really goes: the end of its chain of links.
struct WriteTarget {
    // The file to write beside and rename over; empty when refused.
    QString Path;
    // Why the path cannot be written, in a few words ("a device, not a regular file").
    QString Refusal;
    [[nodiscard]] bool Ok() const { return Refusal.isEmpty(); }
};
[[nodiscard]] WriteTarget ResolveWriteTarget(const QString& path);

// Why path cannot be read as a regular file; empty when it can (or when it is
// missing, which the opening then says).
[[nodiscard]] QString RegularFileRefusal(const QString& path);

// Opens path for reading when it is a regular file, without ever waiting on a
// FIFO put there meanwhile. Returns why not (empty on success; the system's
// reason when the file cannot be opened).
[[nodiscard]] QString OpenRegularFile(QFile& file, const QString& path);

// The mode a new file gets from the user's umask (0666 less the umask).
[[nodiscard]] unsigned UsualFileMode();

// Finishes a file written whole beside its target under a temporary name: it
// takes the mode of the file it replaces, or the usual mode for a new one, and
// is renamed over target (a path from ResolveWriteTarget). On failure the
// temporary file is removed and the system's reason returned.
[[nodiscard]] QString RenameOverTarget(const QString& temporary, const QString& target);
