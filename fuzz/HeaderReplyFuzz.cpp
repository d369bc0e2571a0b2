// libFuzzer target: the header line reply ']' of any length and body under
// every charset. A reply of its full length gives a line of 21 characters, a
// shorter one nothing; nothing is read past the end.
#include "header/HeaderFrames.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    static constexpr int Charsets[] = {204, 238, 0, 1};
    const int charset = Charsets[data[0] & 3];
    std::vector<uint8_t> payload(data + 1, data + size);
    const auto line = DecodeHeaderReply(payload, charset);
    if (line && line->Text.size() != 21)
        std::abort();
    if (line)
        (void)AttributesOf(line->Attribute);
    return 0;
}
