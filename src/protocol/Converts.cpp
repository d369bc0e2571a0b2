#include "protocol/Converts.h"

#include "protocol/ConversionError.h"

#include <QRegularExpression>
#include <cmath>
#include <cstdio>
#include <cstdlib>

uint32_t BcdByteToInt(uint8_t b) {
    return (b >> 4) * 10u + (b & 0x0Fu);
}

uint32_t BcdToInt(std::span<const uint8_t> bytes) {
    uint32_t v = 0;
    for (uint8_t b : bytes)
        v = v * 100u + BcdByteToInt(b);
    return v;
}

double BcdToFloat(std::span<const uint8_t> bytes) {
    return static_cast<double>(BcdToInt(bytes));
}

uint64_t BcdToInt64(std::span<const uint8_t> bytes) {
    uint64_t v = 0;
    for (uint8_t b : bytes)
        v = v * 100u + BcdByteToInt(b);
    return v;
}

uint32_t IntToBcd(uint32_t v) {
    uint32_t r = 0;
    for (uint32_t d = 1000000000u; d > 0; d /= 10) {
        r = (r << 4) | ((v / d) & 0x0Fu);
        v %= d;
    }
    return r;
}

void IntToBytesBE(uint32_t v, std::span<uint8_t> dest) {
    const size_t n = dest.size();
    size_t i = 0;
    for (; n > 4 && i < n - 4; ++i)
        dest[i] = 0;
    for (; i < n; ++i) {
        const size_t shift = (n - 1 - i) * 8;
        dest[i] = static_cast<uint8_t>(v >> shift);
    }
}

namespace {

QString NotAFloat(const QString& text) {
    return QStringLiteral("'%1' is not a valid floating point value").arg(text);
}

// Rounds to hundredths, halves away from zero, on the value's 15 significant
// decimal digits (the precision the amount is printed with), so that 1.005 gives
// 1.01 although its binary value lies just below.
int64_t RoundToHundredths(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(v));
    const char* digits = buf; // d.dddddddddddddde+XX
    const int exponent = std::atoi(buf + 17);
    const auto digitAt = [&](int i) { return i == 0 ? digits[0] - '0' : digits[i + 1] - '0'; };
    const int k = exponent + 3; // digits that make up the integer part of v * 100
    int64_t whole = 0;
    for (int i = 0; i < k; ++i)
        whole = whole * 10 + (i < 15 ? digitAt(i) : 0);
    const int roundDigit = (k >= 0 && k < 15) ? digitAt(k) : 0;
    if (roundDigit >= 5)
        ++whole;
    return v < 0 ? -whole : whole;
}

} // namespace

double TextToFloat(const QString& text, QChar decimalSeparator) {
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    QString t = text.trimmed();
    if (decimalSeparator != QLatin1Char('.')) {
        if (t.contains(QLatin1Char('.')))
            throw ConversionError(NotAFloat(text));
        t.replace(decimalSeparator, QLatin1Char('.'));
    }
    if (!number.match(t).hasMatch())
        throw ConversionError(NotAFloat(text));
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        throw ConversionError(NotAFloat(text));
    return v;
}

int64_t AmountToHundredths(const QString& text, QChar decimalSeparator) {
    const double v = TextToFloat(text, decimalSeparator);
    if (std::fabs(v) >= 1e15)
        throw ConversionError(QStringLiteral("Amount '%1' is too large").arg(text));
    return RoundToHundredths(v);
}

QString FormatAmount(double value, QChar decimalSeparator) {
    const int64_t h = RoundToHundredths(value);
    const uint64_t a = static_cast<uint64_t>(h < 0 ? -h : h);
    QString s = QStringLiteral("%1%2%3%4")
                    .arg(h < 0 ? QStringLiteral("-") : QString())
                    .arg(a / 100)
                    .arg(decimalSeparator)
                    .arg(a % 100, 2, 10, QLatin1Char('0'));
    return s;
}

void AmountToBcd(const QString& text, std::span<uint8_t> dest, QChar decimalSeparator) {
    const int64_t h = AmountToHundredths(text, decimalSeparator);
    uint64_t a = static_cast<uint64_t>(h < 0 ? -h : h);
    const size_t digits = dest.size() * 2;
    uint64_t limit = 1;
    for (size_t i = 0; i < digits && limit < 10000000000000000000ull / 10; ++i)
        limit *= 10;
    if (digits < 20 && a >= limit) {
        const QString largest = FormatAmount(static_cast<double>(limit - 1) / 100.0, decimalSeparator);
        throw ConversionError(
            QStringLiteral("The amount %1 does not fit the field; the largest amount it holds is %2")
                .arg(text, largest));
    }
    for (size_t i = dest.size(); i-- > 0;) {
        const uint8_t low = a % 10;
        a /= 10;
        const uint8_t high = a % 10;
        a /= 10;
        dest[i] = static_cast<uint8_t>((high << 4) | low);
    }
}

namespace {
const char HexDigits[] = "0123456789ABCDEF";

void AppendBcdByte(QString& text, uint8_t b) {
    text.append(QLatin1Char(HexDigits[b >> 4]));
    text.append(QLatin1Char(HexDigits[b & 0x0F]));
}
} // namespace

DecimalText BcdToDecimalText(std::span<const uint8_t> bytes, bool point) {
    DecimalText result;
    if (bytes.empty())
        return result;
    for (size_t i = 0; i + 1 < bytes.size(); ++i)
        AppendBcdByte(result.Text, bytes[i]);
    if (point)
        result.Text.append(QLatin1Char('.'));
    AppendBcdByte(result.Text, bytes.back());
    // Hex digits A-F make no number; the value then reads as 0, like a failed conversion.
    bool ok = false;
    const double v = result.Text.toDouble(&ok);
    result.Value = ok ? v : 0.0;
    return result;
}

QString BcdToDigitText(std::span<const uint8_t> bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size() * 2));
    for (uint8_t b : bytes)
        AppendBcdByte(text, b);
    return text;
}

namespace {
// Backspace, carriage return and 0x10 pass every filter; the space and everything
// from 0x80 up never pass.
bool ControlKept(char16_t c) {
    return c == 0x08 || c == 0x0D || c == 0x10;
}
bool InRange(char16_t c, char16_t low, char16_t high) {
    return c >= low && c <= high;
}
} // namespace

bool DecimalKeyRejected(QChar qc, QChar decimalSeparator) {
    const char16_t c = qc.unicode();
    if (ControlKept(c) || InRange(c, u'0', u'9') || c == u',')
        return false;
    return !(c == u'.' && decimalSeparator == QLatin1Char('.'));
}

bool CodeKeyRejected(QChar qc) {
    const char16_t c = qc.unicode();
    return !(ControlKept(c) || InRange(c, 0x21, 0x39));
}

bool TextKeyRejected(QChar qc) {
    const char16_t c = qc.unicode();
    return !(ControlKept(c) || (InRange(c, 0x21, 0x7A) && c != u'\\'));
}

bool NonZeroDigitKeyRejected(QChar qc) {
    const char16_t c = qc.unicode();
    return !(ControlKept(c) || InRange(c, u'1', u'9'));
}

bool DigitKeyRejected(QChar qc) {
    const char16_t c = qc.unicode();
    return !(ControlKept(c) || InRange(c, u'0', u'9'));
}

bool NumberKeyRejected(QChar qc) {
    const char16_t c = qc.unicode();
    return !(ControlKept(c) || InRange(c, u'0', u'9') || c == u'.' || c == u',');
}
