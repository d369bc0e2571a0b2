#pragma once

#include "barcodes/BarcodeTypeTable.h"

#include <QString>

inline constexpr const char* OptionsFileName = "ComOpts.ini";

struct BarcodeOptionsLoad {
    BarcodeTypeTable Table;
    // Set when the defaults had to be written and could not be: they are still
    // in force for the run.
    QString Message;
};

// The rules of ComOpts.ini in directory. A missing or short file (or one that
// cannot be read) is replaced by the defaults.
[[nodiscard]] BarcodeOptionsLoad LoadBarcodeTypes(const QString& directory);

// Writes the rules over ComOpts.ini (bytes beyond the 72 of the rules are kept),
// or creates it. The old file is replaced only once the new one is on disk.
// Returns the message to show when that fails, else an empty text.
[[nodiscard]] QString SaveBarcodeTypes(const BarcodeTypeTable& table, const QString& directory);
