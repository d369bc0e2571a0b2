// libFuzzer target: the register's PLU record reply, any length and content.
// The decoded record must name the PLU the reply names, store only under a
// PLU number, and survive the trip back out as a write command.
#include "database/PluTable.h"
#include "plu/PluMessages.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    static PluTable table = [] {
        PluTable t;
        t.FillDefaults();
        return t;
    }();
    static constexpr int Charsets[] = {204, 238, 0, 1252};
    const int charset = Charsets[data[0] & 3];
    std::vector<uint8_t> payload(data + 1, data + size);

    const PluRecord r = DecodePluReply(payload, table, charset);
    const uint32_t named = payload.size() >= 3   ? uint32_t(payload[1] + 256 * payload[2])
                           : payload.size() == 2 ? uint32_t(payload[1])
                                                 : 0u;
    if (r.Code != named || r.Price < 0 || r.Total < 0)
        std::abort();
    const int n = int(r.Code);
    const PluRecord before = PluTable::Contains(n) ? table[n] : PluRecord{};
    if (table.StoreRecord(r, n) != PluTable::Contains(n))
        std::abort();
    if (PluTable::Contains(n)) {
        PluRecord& entry = table[n];
        if (entry.NetPrice != before.NetPrice)
            std::abort();
        PluRecord copy = entry;
        (void)EncodePluWrite(copy, n, charset);
        (void)EncodeStockWrite(copy, n);
        entry = before;
    }
    return 0;
}
