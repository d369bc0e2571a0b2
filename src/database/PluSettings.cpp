#include "database/PluSettings.h"

#include "database/DatabaseMessages.h"
#include "database/PluTable.h"
#include "protocol/ConversionError.h"
#include "protocol/Converts.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace PluSettings {

namespace {

QString NotAnInteger(const QString& text) {
    return QStringLiteral("'%1' is not a valid integer value").arg(text);
}

// The whole number at the start of a text (0 when it starts with none).
uint32_t LeadingWholeNumber(const QString& text) {
    qsizetype digits = 0;
    while (digits < text.size() && text[digits].isDigit())
        ++digits;
    return uint32_t(std::min<qulonglong>(text.left(digits).toULongLong(), MaxStockDigits));
}

struct Value {
    int Department = 0;
    double Number = 0.0;
};

// The value of a request, or the reason it is refused.
std::optional<QString> CheckValue(const Request& request, Value& value, int language) {
    const QChar separator = request.DecimalSeparator;
    const auto number = [&](const QString& text, double largest) -> std::optional<QString> {
        value.Number = TextToFloat(text, separator);
        if (value.Number < 0)
            return DatabaseMessages::NegativeValue.Text(language).arg(text);
        if (value.Number > largest + 1e-9)
            return DatabaseMessages::ValueTooLarge.Text(language).arg(
                text, largest == MaxPrice
                          ? FormatAmount(MaxPrice, separator)
                          : QString::number(largest, 'f', 3).replace(QLatin1Char('.'), separator));
        return std::nullopt;
    };
    switch (request.Which) {
    case Field::Department: {
        if (request.Value.isEmpty())
            return DatabaseMessages::NoValue.Text(language);
        bool ok = false;
        value.Department = request.Value.toInt(&ok);
        if (!ok)
            throw ConversionError(NotAnInteger(request.Value));
        if (value.Department < 0 || value.Department > FlagDepartmentMask)
            return DatabaseMessages::ValueTooLarge.Text(language).arg(request.Value, QStringLiteral("9"));
        if (value.Department == 0)
            return DatabaseMessages::NoValue.Text(language);
        return std::nullopt;
    }
    case Field::Price: {
        // The register cannot sell a PLU priced 0; the range keeps its prices.
        if (request.Value.trimmed().isEmpty())
            return DatabaseMessages::PriceZero.Text(language);
        std::optional<QString> refusal = number(request.Value, MaxPrice);
        if (!refusal && std::llround(value.Number * 100) <= 0)
            refusal = DatabaseMessages::PriceZero.Text(language);
        return refusal;
    }
    case Field::NetPrice:
        return number(request.Value, MaxPrice);
    case Field::Stock:
        return number(request.Value.isEmpty() ? QStringLiteral("0") : request.Value, MaxDecimalStock);
    case Field::Unit:
        if (request.UnitIndex < 0 || request.UnitIndex >= UnitCount)
            return DatabaseMessages::NoValue.Text(language);
        return std::nullopt;
    case Field::Deactivate:
    case Field::Initialise:
        return std::nullopt;
    }
    return std::nullopt;
}

// Changes one entry; false when the change does not fit it and it stays.
bool Change(PluRecord& entry, int n, const Request& request, const Value& value) {
    switch (request.Which) {
    case Field::Department:
        entry.Flags = uint8_t((entry.Flags & ~FlagDepartmentMask) | value.Department | FlagActive);
        return true;
    case Field::Deactivate:
        entry.Flags = uint8_t(entry.Flags & ~(FlagActive | FlagDepartmentMask));
        return true;
    case Field::Price:
        entry.Price = value.Number;
        return true;
    case Field::NetPrice:
        entry.NetPrice = value.Number;
        return true;
    case Field::Unit: {
        const int unit = request.UnitIndex;
        const int old = entry.Unit;
        if (old == 0 && unit != 0) {
            const uint64_t thousandths = uint64_t(entry.Stock) * 1000;
            if (thousandths > MaxStockDigits)
                return false;
            entry.Flags |= FlagDecimalQty;
            entry.Stock = uint32_t(thousandths);
        } else if (old != 0 && unit == 0) {
            entry.Flags &= uint8_t(~FlagDecimalQty);
            entry.Stock = uint32_t(std::llround(double(entry.Stock) * 0.001));
        }
        entry.Unit = uint8_t(unit);
        return true;
    }
    case Field::Stock: {
        const QString text = request.Value.isEmpty() ? QStringLiteral("0") : request.Value;
        if (value.Number > 0)
            entry.Flags |= FlagStockProgrammed;
        else
            entry.Flags &= uint8_t(~FlagStockProgrammed);
        if (entry.Unit != 0) {
            const double thousandths = std::round(value.Number * 1000.0);
            entry.Stock = uint32_t(std::clamp(thousandths, 0.0, double(MaxStockDigits)));
        } else {
            entry.Stock = LeadingWholeNumber(text);
        }
        return true;
    }
    case Field::Initialise:
        entry.SetDescription(DefaultDescription(n));
        entry.SetDescription2({});
        entry.SetBarcode({});
        entry.Price = 0.0;
        entry.NetPrice = 0.0;
        entry.Stock = 0;
        entry.Quantity = 0;
        entry.Total = 0.0;
        entry.Flags = 0;
        entry.Unit = 0;
        return true;
    }
    return true;
}

} // namespace

int RangeNumber(const QString& text) {
    bool ok = false;
    const qlonglong n = text.trimmed().toLongLong(&ok);
    if (!ok)
        throw ConversionError(NotAnInteger(text));
    return int(std::clamp<qlonglong>(n, 0, PluTable::Size - 1));
}

int CountAffected(const PluTable& table, int from, int to, bool activeOnly) {
    from = std::max(from, 0);
    to = std::min(to, PluTable::Size - 1);
    int count = 0;
    for (int n = from; n <= to; ++n) {
        if (!activeOnly || (table[n].Flags & FlagActive))
            ++count;
    }
    return count;
}

Result Apply(PluTable& table, const Request& request, int language) {
    Result result;
    const int from = std::clamp(request.From, 0, PluTable::Size - 1);
    const int to = std::clamp(request.To, 0, PluTable::Size - 1);
    if (from > to) {
        result.Refusal = DatabaseMessages::RangeReversed.Text(language).arg(from).arg(to);
        return result;
    }
    Value value;
    if (const std::optional<QString> refusal = CheckValue(request, value, language)) {
        result.Refusal = *refusal;
        return result;
    }
    for (int n = from; n <= to; ++n) {
        PluRecord& entry = table[n];
        if (request.ActiveOnly && !(entry.Flags & FlagActive))
            continue;
        if (Change(entry, n, request, value))
            ++result.Changed;
        else
            result.Kept << n;
    }
    if (!result.Kept.isEmpty()) {
        QStringList numbers;
        for (const int n : result.Kept.first(std::min<qsizetype>(result.Kept.size(), 50)))
            numbers << QString::number(n);
        if (result.Kept.size() > 50)
            numbers << QStringLiteral("… (%1)").arg(result.Kept.size());
        result.KeptMessage =
            DatabaseMessages::StockTooLarge.Text(language).arg(numbers.join(QStringLiteral(", ")));
    }
    return result;
}

} // namespace PluSettings
