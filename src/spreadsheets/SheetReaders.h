#pragma once

#include "spreadsheets/SheetRows.h"

#include <QByteArray>
#include <QString>

struct zip;

// What the readers of the formats share behind ReadSheetFile; one reader per
// format, each in its own file.

// Thrown from a library's callbacks to leave it at once.
struct SheetReadStop {
    SheetError Error;
};

// The package's directory is looked at before anything is unpacked: a
// password-protected workbook, parts that unpack beyond the limits or a
// directory that is no zip end here. On success opened is the archive.
SheetError OpenPackage(const QByteArray& bytes, const SheetLimits& limits, zip*& opened);

// CSV and text (CsvSheet.cpp).
SheetError ReadCsv(const QByteArray& bytes, SheetRows& rows, const char* codePage);
// OpenDocument through liborcus (OdsSheet.cpp).
SheetError ReadOds(const QByteArray& bytes, SheetRows& rows, const SheetLimits& limits);
// Legacy .xls through libfreexl, in the reader program orvex-xls-reader (XlsSheet.cpp).
SheetError ReadXlsIsolated(const QString& path, SheetRows& rows, const SheetLimits& limits);
// What the reader program does: the file read in this process, and the outcome
// as the bytes it hands back.
SheetError ReadXlsFile(const QString& path, SheetRows& rows, const SheetLimits& limits);
[[nodiscard]] QByteArray EncodeXlsRows(SheetError error, const SheetRows& rows);
