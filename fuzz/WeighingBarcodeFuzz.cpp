// libFuzzer target: a scanned barcode read by any six rules (as a damaged
// ComOpts.ini may hold them). A match must name a PLU whose stored barcode
// starts with the code part, and bad weight digits may only raise the
// conversion error.
#include "barcodes/WeighingBarcode.h"
#include "database/PluTable.h"
#include "protocol/ConversionError.h"

#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const PluTable table = [] {
        PluTable t;
        t.FillDefaults();
        std::memcpy(t[5].Barcode.data(), "2700005", 7);
        std::memcpy(t[42].Barcode.data(), "28", 2);
        std::memcpy(t[9999].Barcode.data(), "2912345678901234567", 19);
        return t;
    }();
    BarcodeTypeTable rules = BarcodeTypeTable::Defaults();
    size_t at = 0;
    if (size >= size_t(BarcodeTypeFileSize) + 1 && (data[0] & 1)) {
        rules = BarcodeTypeTable::FromBytes(
            QByteArrayView(reinterpret_cast<const char*>(data + 1), BarcodeTypeFileSize));
        at = 1 + BarcodeTypeFileSize;
    } else if (size > 0) {
        at = 1;
    }
    // An exact-size copy, so that ASan sees any read past the text.
    std::vector<char> text(data + at, data + size);
    const QByteArrayView view(text.data(), qsizetype(text.size()));

    try {
        const auto match = DecodeWeighingBarcode(view, rules, table);
        if (match) {
            if (!PluTable::Contains(match->Plu) || match->WeightKg < 0)
                std::abort();
        }
    } catch (const ConversionError&) {
    }
    (void)WeighingBarcodeComplete(view, rules);
    return 0;
}
