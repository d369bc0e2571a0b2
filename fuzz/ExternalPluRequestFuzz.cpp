// libFuzzer target: the register's request for a PLU ('N', 'C' by number or
// 'B' by barcode) with any body. An answer is always a whole 'N' frame that
// names either a PLU of the table or none (0xFFFF).
#include "FuzzStyle.h"
#include "database/PluTable.h"
#include "monitor/ExternalPluRequest.h"

#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    static const PluTable table = [] {
        PluTable t;
        t.FillDefaults();
        // A few PLUs with barcodes, one of them a full 19 characters long.
        std::memcpy(t[1].Barcode.data(), "1", 1);
        std::memcpy(t[17].Barcode.data(), "3870001234567", 13);
        std::memcpy(t[9999].Barcode.data(), "1234567890123456789", 19);
        return t;
    }();
    const JournalStyle style = StyleFromByte(data[0]);
    std::vector<uint8_t> payload(data + 1, data + size);
    payload[0] = ExternalPluCode;
    if (payload.size() > 1 && (payload[1] & 0x80) == 0)
        payload[1] = (payload[1] & 1) ? 'C' : 'B';

    const ExternalPluOutcome out = AnswerExternalPluRequest(payload, table, style);
    if (out.CountedBytes < 0 || size_t(out.CountedBytes) > payload.size())
        std::abort();
    if (out.Answer) {
        const auto& a = *out.Answer;
        const int n = a[1] | (a[2] << 8);
        if (a[0] != ExternalPluCode || (n != 0xFFFF && !PluTable::Contains(n)))
            std::abort();
    }
    return 0;
}
