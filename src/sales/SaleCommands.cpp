#include "sales/SaleCommands.h"

#include "common/Captions.h"
#include "protocol/ConversionError.h"
#include "protocol/Converts.h"
#include "sales/SaleMessages.h"

#include <cmath>

namespace {

// Packed BCD of the low 2 * dest.size() digits of v, most significant first.
void PutBcd(uint64_t v, std::span<uint8_t> dest) {
    for (size_t i = dest.size(); i-- > 0;) {
        const uint8_t low = v % 10;
        v /= 10;
        const uint8_t high = v % 10;
        v /= 10;
        dest[i] = uint8_t(high << 4 | low);
    }
}

uint64_t Scaled(std::optional<double> value, double factor) {
    return value ? uint64_t(std::llround(*value * factor)) : 0;
}

void PutLe16(SaleFrame& frame, size_t at, int v) {
    frame[at] = uint8_t(v & 0xFF);
    frame[at + 1] = uint8_t((v >> 8) & 0xFF);
}

QString FormatLimit(double max, QChar decimalSeparator) {
    QString text =
        QString::number(max, 'f', max == std::floor(max) ? 0 : (max * 100 == std::floor(max * 100) ? 2 : 3));
    text.replace(QLatin1Char('.'), decimalSeparator);
    return text;
}

} // namespace

std::optional<double> ReadSaleNumber(const QString& text, double max, const QString& fieldName,
                                     QChar decimalSeparator) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    QString normal = trimmed;
    normal.replace(QLatin1Char(','), QLatin1Char('.'));
    // TextToFloat names the text as typed when it is not a number at all.
    double value = 0;
    try {
        value = TextToFloat(normal, QLatin1Char('.'));
    } catch (const ConversionError&) {
        throw ConversionError(QStringLiteral("'%1' is not a valid floating point value").arg(trimmed));
    }
    // A rounding margin so that the limit itself, typed out, passes.
    if (!std::isfinite(value) || value < 0 || value > max + 1e-9 || trimmed.startsWith(QLatin1Char('-')))
        throw ConversionError(
            SaleMessages::OutOfRange.Text().arg(fieldName, trimmed, FormatLimit(max, decimalSeparator)));
    return value;
}

std::optional<int> ReadPluNumber(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    bool allDigits = trimmed.size() <= 4;
    for (QChar c : trimmed)
        allDigits = allDigits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    if (!allDigits)
        throw ConversionError(SaleMessages::BadPlu.Text().arg(trimmed));
    return trimmed.toInt();
}

SaleFrame EncodePluSale(int plu, std::optional<double> quantity, uint8_t kind) {
    SaleFrame frame(8, 0);
    frame[0] = PluSaleCode;
    PutLe16(frame, 1, plu);
    PutBcd(quantity ? Scaled(quantity, 1000) : 1000, std::span(frame).subspan(3, 4));
    frame[7] = kind;
    return frame;
}

SaleFrame EncodeAmountChange(bool increment, std::optional<double> amount) {
    SaleFrame frame(6, 0);
    frame[0] = increment ? AmountIncrementCode : AmountDecrementCode;
    PutBcd(Scaled(amount, 100), std::span(frame).subspan(2, 4));
    return frame;
}

SaleFrame EncodePercentChange(bool increment, std::optional<double> percent) {
    SaleFrame frame(3, 0);
    frame[0] = increment ? PercentIncrementCode : PercentDecrementCode;
    PutBcd(Scaled(percent, 100), std::span(frame).subspan(1, 2));
    return frame;
}

SaleFrame EncodePayment(uint8_t type, std::optional<double> amount) {
    SaleFrame frame(7, 0);
    frame[0] = PaymentCode;
    frame[1] = type;
    PutBcd(Scaled(amount, 100), std::span(frame).subspan(2, 5));
    return frame;
}

SaleFrame EncodeNewPrice(int plu, std::optional<double> price) {
    SaleFrame frame(7, 0);
    frame[0] = NewPriceCode;
    PutLe16(frame, 1, plu);
    PutBcd(Scaled(price, 100), std::span(frame).subspan(3, 4));
    return frame;
}

SaleFrame EncodeSingle(uint8_t code) {
    return SaleFrame{code};
}

SaleFrame PluSaleCommand(const QString& pluText, const QString& quantityText, uint8_t kind,
                         QChar decimalSeparator) {
    const std::optional<int> plu = ReadPluNumber(pluText);
    if (!plu)
        throw ConversionError(SaleMessages::BadPlu.Text().arg(pluText));
    return EncodePluSale(
        *plu, ReadSaleNumber(quantityText, MaxQuantity, SaleMessages::Quantity.Text(), decimalSeparator),
        kind);
}

SaleFrame PaymentCommand(uint8_t type, const QString& amountText, QChar decimalSeparator) {
    return EncodePayment(
        type, ReadSaleNumber(amountText, MaxPayment, SaleMessages::Payment.Text(), decimalSeparator));
}

SaleFrame AmountChangeCommand(bool increment, const QString& amountText, QChar decimalSeparator) {
    return EncodeAmountChange(
        increment, ReadSaleNumber(amountText, MaxAmount, SaleMessages::Amount.Text(), decimalSeparator));
}

SaleFrame PercentChangeCommand(bool increment, const QString& percentText, QChar decimalSeparator) {
    return EncodePercentChange(
        increment, ReadSaleNumber(percentText, MaxPercent, SaleMessages::Percent.Text(), decimalSeparator));
}

uint32_t NewPriceHundredths(std::span<const uint8_t> frame) {
    if (frame.size() < 7)
        return 0;
    return BcdToInt(frame.subspan(3, 4));
}

std::optional<QString> DecodeReceiptStatus(std::span<const uint8_t> payload, int language) {
    if (payload.size() < 2)
        return std::nullopt;
    switch (payload[1]) {
    case 'I':
        return Captions::Status::InsideReceipt.Text(language);
    case 'O':
        return Captions::Status::OutsideReceipt.Text(language);
    case 'P':
        return Captions::Status::Payment.Text(language);
    default:
        return QString();
    }
}
