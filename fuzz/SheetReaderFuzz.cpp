// The spreadsheet readers on arbitrary bytes: the first byte picks the format,
// the rest is the file. Any crash, leak, overflow or undefined behaviour is a
// fault; a refusal with a reason is the expected answer to garbage.
#include "spreadsheets/SheetRows.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    // .xls is left out: libfreexl 1.0.6 reads past a stack buffer on a damaged
    // string record within the first thousand runs, which would end every run
    // there. Set ORVEX_FUZZ_XLS=1 to fuzz it all the same.
    static const bool xls = qEnvironmentVariableIsSet("ORVEX_FUZZ_XLS");
    static const char* const formats[] = {"xlsx", "ods", "csv", "xls"};
    const uint8_t pick = data[0] % 16;
    const char* format = formats[pick < 6 ? 0 : pick < 10 ? 1 : (pick < 14 || !xls) ? 2 : 3];
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    SheetRows rows(10001, 11);
    SheetLimits limits;
    limits.UnpackedBytes = 16 << 20;
    (void)ReadSheetBytes(bytes, QString::fromLatin1(format), rows, limits);
    return 0;
}
