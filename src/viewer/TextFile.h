#pragma once

#include "common/Captions.h"

#include <QString>
#include <QStringList>
#include <functional>

// The text views' lines as files: written as UTF-8, every line ended by CR LF;
// read as UTF-8 when the file is valid UTF-8, otherwise in the code page of the
// register charset (files written by older tools).

// The lines of a view's text (split at its line breaks); none for an empty text.
[[nodiscard]] QStringList TextLines(const QString& text);

// Replaces the file at path only once every line is written. An empty
// result means success; otherwise the message of the failure.
[[nodiscard]] QString SaveTextLines(const QString& path, const QStringList& lines);

// Why a file is not shown, in the language of the moment.
extern const Caption NotARegularFile;
extern const Caption TooLargeToView;

struct TextFileRead {
    QString Text; // lines joined by '\n', without a line break after the last
    QString Error;
    bool Cancelled = false;
};
// The largest file the viewer takes: many days of the monitor's lines, and far
// from what would leave the program stuck laying out text or out of memory (a
// disk image, a device that never ends).
inline constexpr qint64 MaxViewedFileBytes = 64 * 1024 * 1024;
// Called after each piece of a long job with the work done and the whole
// work; false stops the job.
using PieceStep = std::function<bool(qint64 done, qint64 total)>;

// Only regular files are read (a pipe or a device is refused before it is
// opened). The file is read and decoded a piece at a time, with step called
// after each piece, so that a caller can keep its window running and offer a
// Cancel; a stopped read returns Cancelled and no text.
[[nodiscard]] TextFileRead LoadTextFile(const QString& path, int charset,
                                        qint64 maxBytes = MaxViewedFileBytes, const PieceStep& step = {});
