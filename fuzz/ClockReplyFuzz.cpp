// libFuzzer target: the clock reply 'Q' of any length. Eight bytes or more give
// the two-line text, fewer none.
#include "protocol/ClockReply.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const int lang = data[0] & 1;
    std::vector<uint8_t> payload(data + 1, data + size);
    const auto text = FormatClock(payload, lang);
    if (text.has_value() != (payload.size() >= 8))
        std::abort();
    if (text && text->count(QLatin1Char('\n')) != 2)
        std::abort();
    return 0;
}
