#pragma once

#include <QChar>
#include <QString>
#include <cstdint>
#include <span>

// Field forms of the register's messages: packed BCD (two digits per byte, most
// significant byte first) and big-endian binary. Nibbles A-F are not rejected:
// they count as 10-15 and print as A-F, as the register's own tools do.

[[nodiscard]] uint32_t BcdByteToInt(uint8_t b);
// Wraps modulo 2^32 for fields of more than nine digits.
[[nodiscard]] uint32_t BcdToInt(std::span<const uint8_t> bytes);
[[nodiscard]] double BcdToFloat(std::span<const uint8_t> bytes);
// Every digit of a BCD field, without the 32-bit wrap of BcdToInt.
[[nodiscard]] uint64_t BcdToInt64(std::span<const uint8_t> bytes);
// Packed BCD word of the low eight decimal digits of v.
[[nodiscard]] uint32_t IntToBcd(uint32_t v);
// Writes dest.size() bytes, big-endian; zero bytes lead a field wider than four.
void IntToBytesBE(uint32_t v, std::span<uint8_t> dest);

// The amount typed by the user (with the given decimal separator), rounded to
// hundredths, as BCD right-aligned in dest. Throws ConversionError when the text
// is not a number or the amount has more digits than dest holds; dest is then
// left untouched.
void AmountToBcd(const QString& text, std::span<uint8_t> dest, QChar decimalSeparator);
// The amount in hundredths, rounded half away from zero the way "0.00" formats.
[[nodiscard]] int64_t AmountToHundredths(const QString& text, QChar decimalSeparator);
// Parses a number typed with the given decimal separator; throws ConversionError.
[[nodiscard]] double TextToFloat(const QString& text, QChar decimalSeparator);
// Formats with two decimals ("0.00") using the given separator.
[[nodiscard]] QString FormatAmount(double value, QChar decimalSeparator);

struct DecimalText {
    QString Text;
    double Value = 0.0;
};
// Two hex-digit characters per byte; with point, a "." before the last byte.
[[nodiscard]] DecimalText BcdToDecimalText(std::span<const uint8_t> bytes, bool point);
[[nodiscard]] QString BcdToDigitText(std::span<const uint8_t> bytes);

// Key filters of the entry fields: true means the typed character is discarded.
[[nodiscard]] bool DecimalKeyRejected(QChar c, QChar decimalSeparator);
[[nodiscard]] bool CodeKeyRejected(QChar c);
[[nodiscard]] bool TextKeyRejected(QChar c);
[[nodiscard]] bool NonZeroDigitKeyRejected(QChar c);
[[nodiscard]] bool DigitKeyRejected(QChar c);
[[nodiscard]] bool NumberKeyRejected(QChar c);
