#pragma once

#include "spreadsheets/SheetRows.h"

#include <QByteArray>
#include <QString>
#include <functional>

struct zip;

// The parts of an Office Open XML workbook (.xlsx, .xlsm) the PLU sheet needs:
// where the active sheet lives and its cells.
namespace Ooxml {

// A part of an opened package by name, at most limit bytes; false when the
// package lacks it or it is damaged.
bool ReadPart(struct zip* archive, const QString& name, qint64 limit, QByteArray& bytes);

// The package path of the active worksheet.
SheetError ActiveSheetPath(struct zip* archive, qint64 limit, QString& path);

// Column and row of an "A1" reference, from 1; false for anything else.
bool ParseReference(QStringView reference, int& row, int& column);
[[nodiscard]] QString ColumnLetters(int column);

// Reads the active sheet's cells into rows.
SheetError ReadWorkbook(struct zip* archive, SheetRows& rows, const SheetLimits& limits);

} // namespace Ooxml
