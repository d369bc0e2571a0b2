#include "database/PluTable.h"

#include <algorithm>

PluTable::PluTable() : m_entries(size_t(Size)) {
    Clear();
}

std::span<std::byte> PluTable::Bytes() {
    return std::as_writable_bytes(std::span(m_entries));
}

std::span<const std::byte> PluTable::Bytes() const {
    return std::as_bytes(std::span(m_entries));
}

void PluTable::Clear() {
    // Value-initialised members leave no padding to guess about, but the block
    // is cleared as bytes so that it is exactly what a new file holds.
    std::ranges::fill(Bytes(), std::byte{0});
}

void PluTable::FillDefaults() {
    Clear();
    for (int n = 0; n < Size; ++n)
        m_entries[size_t(n)].SetDescription(DefaultDescription(n));
}

bool PluTable::StoreRecord(const PluRecord& record, int n) {
    if (!Contains(n))
        return false;
    PluRecord& entry = m_entries[size_t(n)];
    entry.SetDescription(record.DescriptionText());
    entry.SetDescription2(record.Description2Text());
    entry.Price = record.Price;
    entry.Flags = record.Flags;
    entry.Unit = record.Unit;
    entry.SetBarcode(record.BarcodeText());
    entry.ConstCheck = record.ConstCheck;
    entry.Quantity = record.Quantity;
    entry.Total = record.Total;
    entry.Stock = record.Stock;
    entry.VarCheck = record.VarCheck;
    return true;
}

void PluTable::Tidy(int from, int to) {
    for (int n = std::max(from, 0); n <= std::min(to, Size - 1); ++n) {
        PluRecord& entry = m_entries[size_t(n)];
        if (entry.Unit >= UnitCount)
            entry.Unit = 0;
        entry.ConstCheck = 0;
    }
}
