#pragma once

#include "gateway/GatewayOperation.h"
#include "plu/PluLimits.h"

#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <QUrlQuery>
#include <array>
#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

// The checks of the register calls' arguments and bodies, before anything is
// sent: a value, or the 400 that names the field at fault. Only what can be
// told without the register is checked here; whether a text has a form in the
// register's charset is the operation's check, as the charset is the session's.

template <typename T> using Checked = std::variant<GatewayReply, T>;

inline constexpr int OperatorCount = 15;

// One PLU as a call writes it: the constant fields, and the stock when given.
struct PluChange {
    QString Description;
    uint32_t PriceHundredths = 0;
    int Department = 0;
    bool Active = false;
    int Unit = 0;
    QString Barcode;
    bool StockProgrammed = false;
    // In thousandths when the unit is not "item", as the register counts it.
    std::optional<uint32_t> Stock;
    friend bool operator==(const PluChange&, const PluChange&) = default;
};

struct PluRange {
    int From = 0;
    int To = 0;
};

struct PluRangeWrite {
    int From = 0;
    std::vector<PluChange> Plus;
};

struct HeaderLineChange {
    QString Text;
    bool DoubleWidth = false;
    bool DoubleHeight = false;
    bool Center = false;
};
inline constexpr int WritableLines = 5;
using HeaderChange = std::array<HeaderLineChange, WritableLines>;

struct ThanksChange {
    QString Text;
    bool Center = false;
};

// A query holding only the names given (a misspelt one is refused, not ignored).
[[nodiscard]] std::optional<GatewayReply> OnlyQueryItems(const QUrlQuery& query, const QStringList& names);
// A call that takes no body.
[[nodiscard]] std::optional<GatewayReply> NoBody(const QJsonValue& body);

// A decimal PLU number 0..9999 in a path or query, named field in a refusal.
[[nodiscard]] Checked<int> CheckPluNumber(const QString& text, const QString& field);
[[nodiscard]] Checked<int> CheckOperator(const QString& text, const QString& field);
// from and to of a query, both PLU numbers, from not above to.
[[nodiscard]] Checked<PluRange> CheckPluRange(const QUrlQuery& query);

// field prefixes the names in refusals ("plus[3]." for an entry of a range).
[[nodiscard]] Checked<PluChange> CheckPluChange(const QJsonValue& body, const QString& field = {});
[[nodiscard]] Checked<PluRangeWrite> CheckPluRangeWrite(const QJsonValue& body);
[[nodiscard]] Checked<HeaderChange> CheckHeaderChange(const QJsonValue& body);
[[nodiscard]] Checked<ThanksChange> CheckThanksChange(const QJsonValue& body);
// Exactly {"confirm": true}.
[[nodiscard]] std::optional<GatewayReply> CheckZConfirm(const QJsonValue& body);
