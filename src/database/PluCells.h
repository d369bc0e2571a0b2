#pragma once

#include "plu/PluRecord.h"

#include <QChar>
#include <QString>
#include <array>

// The texts of a PLU entry as the database grid shows them. The search grid,
// the spreadsheet export and the printed listing take their texts from here
// too, so that what is shown, exported and printed never differs.
namespace PluCells {

enum Column {
    Code,
    Description,
    Description2,
    Price,
    NetPrice,
    Dept,
    Unit,
    Status,
    StockStatus,
    Barcode,
    Stock,
    ColumnCount
};

inline constexpr std::array<int, ColumnCount> ColumnWidths{74,  124, 306, 105, 95, 113,
                                                           157, 122, 127, 186, 79};

// How the texts are made: the interface language picks the words, the
// decimal separator the number form, and the charset the code page the
// stored texts are read in. With the register font the stored bytes are shown
// as they are, one code point each, for the font to draw.
struct Style {
    int Language = 1;
    QChar DecimalSeparator = QLatin1Char('.');
    int Charset = 204;
    bool RegisterFont = false;
};

[[nodiscard]] QString Title(int column, int language);
[[nodiscard]] QString Text(const PluRecord& entry, int n, int column, const Style& style);

// A unit code outside the eight units counts as "item" everywhere.
[[nodiscard]] int EffectiveUnit(const PluRecord& entry);
// A whole number for pieces, thousandths as "0.000" for the other units.
[[nodiscard]] QString StockText(const PluRecord& entry, QChar decimalSeparator);
// A stored text (description, barcode) as the style shows it.
[[nodiscard]] QString StoredText(QByteArrayView bytes, const Style& style);
// A typed text in the bytes the table stores, for comparing with entries.
[[nodiscard]] QByteArray TypedBytes(const QString& text, const Style& style);

} // namespace PluCells
