// libFuzzer target: journal records of every code with arbitrary bodies and
// lengths, in every language and charset. A journal code must give a line,
// any other code none, and no record may read outside what it was given.
#include "FuzzStyle.h"
#include "monitor/JournalDecoder.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const JournalStyle style = StyleFromByte(data[0]);
    // The second byte picks the code: mostly the journal codes ('?', '@'..'O'),
    // sometimes any byte at all.
    static constexpr char Codes[] = "?@ABCDEFGHIJKLMO";
    const uint8_t pick = data[1];
    const uint8_t code = pick < 0xF0 ? uint8_t(Codes[pick % 16]) : data[1];
    // An exact-size copy, so that ASan sees any read past the record's end.
    std::vector<uint8_t> payload(size - 1);
    payload[0] = code;
    std::copy(data + 2, data + size, payload.begin() + 1);

    const auto line = DecodeJournalRecord(payload, style);
    if (line.has_value() != IsJournalCode(code))
        std::abort();
    if (line && line->isEmpty())
        std::abort();
    (void)SaleKindCaption(data[size - 1], style.Language);
    return 0;
}
