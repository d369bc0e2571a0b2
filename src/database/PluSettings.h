#pragma once

#include "plu/PluLimits.h"

#include <QChar>
#include <QList>
#include <QString>

class PluTable;

// One field changed over a range of PLUs at once, the way the database
// window's settings panel asks for it.
namespace PluSettings {

// In the order of the field list of the panel.
enum class Field { Department, Deactivate, Price, NetPrice, Unit, Stock, Initialise };

struct Request {
    Field Which = Field::Department;
    int From = 0;
    int To = 9999;
    // Only the PLUs that are active when their turn comes.
    bool ActiveOnly = false;
    // The value box's text (department, price, net price, stock) ...
    QString Value;
    // ... or the chosen unit's index, -1 when none is chosen.
    int UnitIndex = -1;
    QChar DecimalSeparator = QLatin1Char('.');
};

struct Result {
    // Empty when the request was carried out; otherwise why nothing changed.
    QString Refusal;
    // PLUs that were changed.
    int Changed = 0;
    // PLUs left as they were because the change would not fit them.
    QList<int> Kept;
    // The words to show the user about Kept (empty when none).
    QString KeptMessage;
    [[nodiscard]] bool Refused() const { return !Refusal.isEmpty(); }
};

// A range field's text as a PLU number: a number outside the table is taken
// to its nearest end. Throws ConversionError for a text that is not a number.
[[nodiscard]] int RangeNumber(const QString& text);

// PLUs of from..to that pass the filter now.
[[nodiscard]] int CountAffected(const PluTable& table, int from, int to, bool activeOnly);

// Checks the value first, so that a refused value changes nothing, then
// changes every PLU of the range that passes the filter. language picks the
// words of the messages.
[[nodiscard]] Result Apply(PluTable& table, const Request& request, int language);

// The largest values the fields hold.
using ::MaxDecimalStock;
using ::MaxPrice;
using ::MaxStockDigits;

} // namespace PluSettings
