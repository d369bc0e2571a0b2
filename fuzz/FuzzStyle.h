#pragma once

// Shared by the decoder targets: one input byte picks how a line is written,
// so every language, charset and separator meets every record.
#include "monitor/JournalDecoder.h"

#include <cstdint>

inline JournalStyle StyleFromByte(uint8_t b) {
    static constexpr int Charsets[] = {204, 238, 0, 1};
    JournalStyle style;
    style.Language = b & 1;
    style.RegisterFont = (b & 2) != 0;
    style.Charset = Charsets[(b >> 2) & 3];
    style.DecimalSeparator = (b & 16) ? QLatin1Char(',') : QLatin1Char('.');
    return style;
}
