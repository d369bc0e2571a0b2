#include "plu/PluMessages.h"

#include "database/PluTable.h"
#include "protocol/Converts.h"
#include "protocol/RegisterCharset.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int64_t MaxBcdValue = 99999999;

void PutPluNumber(std::span<uint8_t> field, int n) {
    field[0] = uint8_t(n & 0xFF);
    field[1] = uint8_t((n >> 8) & 0xFF);
}

void PutBcd(std::span<uint8_t> field, uint32_t value) {
    if (value == 0)
        std::ranges::fill(field, uint8_t{0});
    else
        IntToBytesBE(IntToBcd(value), field);
}

// Converts text into the register's character set; false when a character has
// no register form.
bool PutRegisterText(std::span<uint8_t> field, QByteArrayView text, int charset) {
    std::ranges::fill(field, uint8_t{0});
    for (qsizetype i = 0; i < text.size() && size_t(i) < field.size(); ++i) {
        const uint8_t c = ToRegisterChar(uint8_t(text[i]), charset);
        if (c == 0)
            return false;
        field[size_t(i)] = c;
    }
    return true;
}

} // namespace

PluReadRequest EncodePluRead(int n) {
    PluReadRequest out{PluReadCode};
    PutPluNumber(std::span(out).subspan(1, 2), n);
    return out;
}

PluReportRequest EncodePluReport(int from, int to) {
    PluReportRequest out{PluReportCode};
    PutPluNumber(std::span(out).subspan(1, 2), from);
    PutPluNumber(std::span(out).subspan(3, 2), to);
    return out;
}

uint8_t PluFlags(bool active, bool stockProgrammed, int unit, std::optional<int> department) {
    uint8_t flags = stockProgrammed ? FlagStockProgrammed : 0;
    if (department && active)
        flags |= FlagActive;
    if (unit > 0)
        flags |= FlagDecimalQty;
    if (department)
        flags |= uint8_t(*department & FlagDepartmentMask);
    return flags;
}

PluWriteResult EncodePluWrite(PluRecord& entry, int n, int charset) {
    PluWriteCommand out{};
    const std::span<uint8_t> bytes(out);
    bytes[0] = PluWriteCode;
    PutPluNumber(bytes.subspan(1, 2), n);

    const QByteArray description = entry.DescriptionText();
    if (description.isEmpty()) {
        const QByteArray name = DefaultDescription(n);
        std::copy_n(name.begin(), std::min<qsizetype>(name.size(), DescriptionLength), bytes.begin() + 3);
    } else if (!PutRegisterText(bytes.subspan(3, DescriptionLength), description, charset)) {
        return {std::nullopt, QStringLiteral("Invalid decription, PLU Code: %1").arg(n)};
    }

    // A price the register's eight digits cannot hold would go out with its
    // leading digits cut off, so such a record is refused instead.
    const double hundredths = std::round(entry.Price * 100.0);
    if (!std::isfinite(hundredths) || hundredths < 0 || hundredths > double(MaxBcdValue))
        return {std::nullopt, QStringLiteral("Invalid price, PLU Code: %1").arg(n)};
    PutBcd(bytes.subspan(15, 4), uint32_t(hundredths));

    if (!PutRegisterText(bytes.subspan(21, BarcodeLength), entry.BarcodeText(), charset))
        return {std::nullopt, QStringLiteral("Invalid barcode, PLU Code: %1").arg(n)};

    entry.Flags &= uint8_t(~FlagFreePrice);
    bytes[19] = entry.Flags;
    bytes[20] = entry.Unit;
    return {out, QString()};
}

StockWriteCommand EncodeStockWrite(PluRecord& entry, int n, std::optional<uint32_t> stock) {
    if (stock)
        entry.Stock = *stock;
    StockWriteCommand out{StockWriteCode};
    PutPluNumber(std::span(out).subspan(1, 2), n);
    PutBcd(std::span(out).subspan(3, 4), entry.Stock);
    return out;
}

PluRecord DecodePluReply(std::span<const uint8_t> payload, const PluTable& table, int charset) {
    std::array<uint8_t, PluRecordReplySize> reply{};
    std::copy_n(payload.begin(), std::min(payload.size(), reply.size()), reply.begin());
    const std::span<const uint8_t> p(reply);

    PluRecord r;
    const int n = p[1] + 256 * p[2];
    r.Code = uint32_t(n);
    for (int i = 0; i < DescriptionLength; ++i)
        r.Description[size_t(i)] = char(FromRegisterChar(p[size_t(3 + i)], charset));
    if (PluTable::Contains(n))
        r.Description2 = table[n].Description2;
    r.Price = double(BcdToInt(p.subspan(15, 4))) / 100.0;
    r.Flags = p[19];
    r.Unit = p[20];
    std::copy_n(p.begin() + 21, BarcodeLength, r.Barcode.begin());
    r.ConstCheck = p[40];
    r.Quantity = BcdToInt(p.subspan(41, 4));
    r.Stock = BcdToInt(p.subspan(45, 4));
    r.Total = double(BcdToInt64(p.subspan(49, 6))) / 100.0;
    r.VarCheck = p[55];
    return r;
}
