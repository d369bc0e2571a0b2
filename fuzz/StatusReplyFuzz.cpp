// libFuzzer target: the register's status replies ' ' (error status) and 'V'
// (receipt status) of any length, in both languages. A reply that carries its
// byte always gives a text, a shorter one none; nothing is read past the end.
#include "sales/SaleCommands.h"
#include "sales/SaleReplies.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const int language = data[0] & 1;
    std::vector<uint8_t> payload(data + 1, data + size);
    const auto error = DecodeErrorStatus(payload, language);
    const auto receipt = DecodeReceiptStatus(payload, language);
    if (error.has_value() != receipt.has_value())
        std::abort();
    if (payload.size() >= 2 && !error)
        std::abort();
    return 0;
}
