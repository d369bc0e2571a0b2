#pragma once

#include "plu/PluLimits.h"

#include <QChar>
#include <QString>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The commands the fiscal printer page sends, built from the texts of its
// fields. Every builder checks its values first and throws ConversionError
// with the words the user sees: a value the register would misread is never
// cut down or wrapped into a frame.

using SaleFrame = std::vector<uint8_t>;

inline constexpr uint8_t SaleKindNormal = 'N';
inline constexpr uint8_t SaleKindCorrection = 'C';
inline constexpr uint8_t PayCash = 'C';
inline constexpr uint8_t PayCard = 'A';
inline constexpr uint8_t PayCheque = 'Q';

inline constexpr uint8_t PluSaleCode = '?';
inline constexpr uint8_t AmountIncrementCode = 'C';
inline constexpr uint8_t AmountDecrementCode = 'D';
inline constexpr uint8_t PercentIncrementCode = 'E';
inline constexpr uint8_t PercentDecrementCode = 'F';
inline constexpr uint8_t ImmediateCorrectionCode = 'K';
inline constexpr uint8_t SubtotalCode = 'L';
inline constexpr uint8_t ClearCode = 'Z';
inline constexpr uint8_t PaymentCode = 'O';
inline constexpr uint8_t ReceiptStatusCode = 'V';
inline constexpr uint8_t ErrorStatusRequestCode = 'X';
inline constexpr uint8_t NewPriceCode = '^';

// Upper limits of the fields, as the register takes them.
inline constexpr double MaxPayment = 99999999.99;
inline constexpr double MaxAmount = 999999;
inline constexpr double MaxPercent = 99.99;

// A number typed on the page: the locale's separator or the other one of
// comma and point, as the key filters let both through. Empty text is
// nothing; anything else that is not a finite number from 0 to max throws.
[[nodiscard]] std::optional<double> ReadSaleNumber(const QString& text, double max, const QString& fieldName,
                                                   QChar decimalSeparator);
// A PLU number field: all digits, 0 to 9999. Empty text is nothing.
[[nodiscard]] std::optional<int> ReadPluNumber(const QString& text);

[[nodiscard]] SaleFrame EncodePluSale(int plu, std::optional<double> quantity, uint8_t kind);
[[nodiscard]] SaleFrame EncodeAmountChange(bool increment, std::optional<double> amount);
[[nodiscard]] SaleFrame EncodePercentChange(bool increment, std::optional<double> percent);
[[nodiscard]] SaleFrame EncodePayment(uint8_t type, std::optional<double> amount);
[[nodiscard]] SaleFrame EncodeNewPrice(int plu, std::optional<double> price);
[[nodiscard]] SaleFrame EncodeSingle(uint8_t code);

// The texts typed on the page straight to frames (the checks above included).
[[nodiscard]] SaleFrame PluSaleCommand(const QString& pluText, const QString& quantityText, uint8_t kind,
                                       QChar decimalSeparator);
[[nodiscard]] SaleFrame PaymentCommand(uint8_t type, const QString& amountText, QChar decimalSeparator);
[[nodiscard]] SaleFrame AmountChangeCommand(bool increment, const QString& amountText,
                                            QChar decimalSeparator);
[[nodiscard]] SaleFrame PercentChangeCommand(bool increment, const QString& percentText,
                                             QChar decimalSeparator);

// The price in hundredths that a new-price command writes (bytes 3-6).
[[nodiscard]] uint32_t NewPriceHundredths(std::span<const uint8_t> frame);

// The receipt status panel's text for a 'V' reply: empty for a byte it does
// not know; nothing for a reply too short to carry the byte.
[[nodiscard]] std::optional<QString> DecodeReceiptStatus(std::span<const uint8_t> payload, int language);
