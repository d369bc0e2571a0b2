#pragma once

#include "barcodes/BarcodeTypeTable.h"

#include <QByteArrayView>
#include <QChar>
#include <QString>
#include <optional>

class PluTable;

struct WeighingMatch {
    int Plu = 0;
    double WeightKg = 0.0;
};

// A scanned barcode read by the weighing rules in order: the first rule whose
// header starts the text and whose code part names a PLU in the table gives
// that PLU and the weight that follows the code part. Nothing when no rule
// does. A rule whose weight characters are not all digits does not match.
[[nodiscard]] std::optional<WeighingMatch>
DecodeWeighingBarcode(QByteArrayView text, const BarcodeTypeTable& rules, const PluTable& table);

// True when a barcode being typed for a PLU already holds the whole code part
// of a rule whose header it begins with: a weighed PLU stores no more.
[[nodiscard]] bool WeighingBarcodeComplete(QByteArrayView text, const BarcodeTypeTable& rules);

// The text of the barcode dialog's sample box for one grid row: the header as
// typed in its cell and the row's Code and Weight numbers.
[[nodiscard]] QString BarcodeSampleText(const QString& header, int code, int weight, QChar decimalSeparator);
