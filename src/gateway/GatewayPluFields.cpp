#include "gateway/GatewayPluFields.h"

#include "gateway/GatewayReplies.h"
#include "plu/PluMessages.h"
#include "protocol/RegisterCharset.h"

#include <cmath>

std::optional<GatewayReply> PluTextRefusal(const RegisterSession& session, const PluChange& change,
                                           const QString& prefix) {
    if (auto refusal =
            RegisterTextRefusal(session, change.Description, prefix + QStringLiteral("description")))
        return refusal;
    return RegisterTextRefusal(session, change.Barcode, prefix + QStringLiteral("barcode"));
}

namespace {

// Register codes back to text.
QString FromRegister(QByteArrayView codes, int charset) {
    QByteArray windows;
    for (const char c : codes) {
        const uint8_t w = FromRegisterChar(uint8_t(c), charset);
        windows.append(char(w ? w : uint8_t('?')));
    }
    return FromCodePage(windows, charset);
}

QJsonValue Quantity(uint32_t value, bool decimal) {
    return decimal ? QJsonValue(double(value) / 1000.0) : QJsonValue(qint64(value));
}

} // namespace

QJsonObject PluJson(const PluRecord& r, int n, int charset) {
    const bool decimal = (r.Flags & FlagDecimalQty) != 0;
    return {{"plu", n},
            {"description", FromCodePage(r.DescriptionText(), charset)},
            {"price", r.Price},
            {"department", r.Department()},
            {"active", (r.Flags & FlagActive) != 0},
            {"unit", int(r.Unit)},
            {"decimalQuantity", decimal},
            {"freePrice", (r.Flags & FlagFreePrice) != 0},
            {"stockProgrammed", (r.Flags & FlagStockProgrammed) != 0},
            // The reply carries the barcode in register codes.
            {"barcode", FromRegister(r.BarcodeText(), charset)},
            {"stock", Quantity(r.Stock, decimal)},
            {"quantity", Quantity(r.Quantity, decimal)},
            {"total", r.Total}};
}

void ApplyPluChange(PluRecord& entry, const PluChange& change, int charset) {
    entry.SetDescription(ToCodePage(change.Description, charset));
    entry.Price = double(change.PriceHundredths) / 100.0;
    entry.Flags = PluFlags(change.Active, change.StockProgrammed, change.Unit,
                           change.Department ? std::optional<int>(change.Department) : std::nullopt);
    entry.Unit = uint8_t(change.Unit);
    entry.SetBarcode(ToCodePage(change.Barcode, charset));
    if (change.Stock)
        entry.Stock = *change.Stock;
}

QStringList PluDifferences(const PluRecord& registered, const PluChange& change, int n, int charset) {
    PluRecord wanted;
    ApplyPluChange(wanted, change, charset);
    QStringList differ;
    const QByteArray description =
        wanted.DescriptionText().isEmpty() ? DefaultDescription(n) : wanted.DescriptionText();
    if (registered.DescriptionText() != description)
        differ << QStringLiteral("description");
    if (std::llround(registered.Price * 100.0) != std::llround(wanted.Price * 100.0))
        differ << QStringLiteral("price");
    if ((registered.Flags & ~FlagFreePrice) != (wanted.Flags & ~FlagFreePrice))
        differ << QStringLiteral("flags");
    if (registered.Unit != wanted.Unit)
        differ << QStringLiteral("unit");
    if (FromRegister(registered.BarcodeText(), charset) != change.Barcode)
        differ << QStringLiteral("barcode");
    if (change.Stock && registered.Stock != *change.Stock)
        differ << QStringLiteral("stock");
    return differ;
}
