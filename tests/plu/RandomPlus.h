#pragma once

#include "common/ShellSettings.h"
#include "database/PluTable.h"
#include "protocol/RegisterCharset.h"

#include <QByteArray>
#include <random>

// Windows code-page bytes whose register form exists and comes back as the
// same byte; with same, those the register keeps unchanged (barcodes travel
// back without conversion).
inline QByteArray RoundTripChars(int charset, bool same) {
    QByteArray chars;
    for (int c = 0x21; c <= 0xFF; ++c) {
        const uint8_t r = ToRegisterChar(uint8_t(c), charset);
        if (r != 0 && FromRegisterChar(r, charset) == c && (!same || r == c))
            chars += char(c);
    }
    return chars;
}

// Every PLU of the table filled from seed with what a write sets and a read
// brings back: texts in the register's character set, prices, units,
// departments, flags (free price only when asked), barcodes and stock.
inline void FillRandomly(PluTable& table, uint32_t seed, bool freePrice) {
    const QByteArray text = RoundTripChars(Shell().RegisterCharset, false);
    std::mt19937 rng(seed);
    const auto pick = [&](int below) { return int(rng() % uint32_t(below)); };
    for (int n = 0; n < PluTable::Size; ++n) {
        PluRecord& r = table[n];
        QByteArray description;
        for (int i = 0, len = 1 + pick(DescriptionLength); i < len; ++i)
            description += text[pick(int(text.size()))];
        r.SetDescription(description);
        r.Price = double(pick(100000000)) / 100.0;
        r.Unit = uint8_t(pick(UnitCount));
        const int department = pick(10);
        uint8_t flags = uint8_t(department | (department ? FlagActive : 0) | (r.Unit ? FlagDecimalQty : 0));
        flags |= pick(2) ? FlagStockProgrammed : 0;
        if (freePrice && pick(4) == 0)
            flags |= FlagFreePrice;
        r.Flags = flags;
        QByteArray barcode;
        for (int i = 0, len = pick(BarcodeLength + 1); i < len; ++i)
            barcode += char('0' + pick(10));
        r.SetBarcode(barcode);
        r.Stock = uint32_t(pick(100000000));
    }
}
