#pragma once

#include "plu/PluRecord.h"

#include <span>
#include <vector>

// The PC's copy of the register's PLU programming: entry n is PLU n, and the
// entries lie in one contiguous block that pludb.dat mirrors byte for byte.
class PluTable {
  public:
    static constexpr int Size = PluCount;
    static constexpr qint64 ByteSize = qint64(Size) * qint64(sizeof(PluRecord));

    // Every byte of every entry zero.
    PluTable();

    [[nodiscard]] static bool Contains(int n) { return n >= 0 && n < Size; }
    // n must be a PLU number (Contains(n)).
    [[nodiscard]] PluRecord& operator[](int n) { return m_entries[size_t(n)]; }
    [[nodiscard]] const PluRecord& operator[](int n) const { return m_entries[size_t(n)]; }

    [[nodiscard]] std::span<PluRecord> Entries() { return m_entries; }
    [[nodiscard]] std::span<const PluRecord> Entries() const { return m_entries; }
    [[nodiscard]] std::span<std::byte> Bytes();
    [[nodiscard]] std::span<const std::byte> Bytes() const;

    // Every byte zero, then DefaultDescription in each entry.
    void FillDefaults();
    void Clear();

    // Takes a record received from the register or an import into entry n. The
    // entry's Code, NetPrice and padding stay: the net price exists only on the
    // PC. Returns false, changing nothing, when n is not a PLU number.
    bool StoreRecord(const PluRecord& record, int n);

    // The rules every entry is kept by, whoever filled it (a file, the
    // register, an import): a unit code the register does not know becomes
    // "item", and the byte after a full 19-character barcode ends it.
    void Tidy(int from, int to);
    void TidyAll() { Tidy(0, Size - 1); }

  private:
    std::vector<PluRecord> m_entries;
};
