#pragma once

#include "monitor/JournalRecord.h"

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

// A decoded journal record as one line of the monitor text.
[[nodiscard]] QString JournalLine(const JournalRecord& record, const JournalStyle& style);

// One journal record, reply code first, decoded (DecodeJournal) and written
// as its monitor line; nothing for a code that is not a journal record.
[[nodiscard]] std::optional<QString> DecodeJournalRecord(std::span<const uint8_t> payload,
                                                         const JournalStyle& style);

// The caption of a sale-kind byte: (NORMAL), (RETURN), (CORRECTION) or three blanks.
[[nodiscard]] QString SaleKindCaption(uint8_t kind, int language);

// Hundredths with two decimals and the given separator, exactly ("0.00"), for
// amounts of any width the register sends.
[[nodiscard]] QString FormatHundredths(uint64_t hundredths, QChar decimalSeparator);
