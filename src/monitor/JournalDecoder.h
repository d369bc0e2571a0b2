#pragma once

#include <QChar>
#include <QString>
#include <cstdint>
#include <optional>
#include <span>

// How a journal line is written: the interface language and the view it goes
// to. Everything is read at the moment the line is built, so lines already
// written keep the language and charset they were written in.
struct JournalStyle {
    int Language = 1;
    // The monitor view draws register codes (the OrvexChars font at the
    // Cyrillic charset): four captions take their register-charset form.
    bool RegisterFont = false;
    // The register charset that turns register texts into Windows text.
    int Charset = 204;
    QChar DecimalSeparator = QLatin1Char('.');
};

// The reply codes of the journal records: '?' and '@' to 'O' except 'N',
// which is the register's request for a PLU (ExternalPluRequest).
[[nodiscard]] bool IsJournalCode(uint8_t code);

// One journal record, reply code first, as one line of the monitor text.
// Bytes missing from a record shorter than its layout read as zero; nothing
// for a code that is not a journal record.
[[nodiscard]] std::optional<QString> DecodeJournalRecord(std::span<const uint8_t> payload,
                                                         const JournalStyle& style);

// The caption of a sale-kind byte: (NORMAL), (RETURN), (CORRECTION) or three blanks.
[[nodiscard]] QString SaleKindCaption(uint8_t kind, int language);

// Hundredths with two decimals and the given separator, exactly ("0.00"), for
// amounts of any width the register sends.
[[nodiscard]] QString FormatHundredths(uint64_t hundredths, QChar decimalSeparator);
