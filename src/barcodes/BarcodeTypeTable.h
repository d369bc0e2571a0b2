#pragma once

#include <QByteArray>
#include <array>
#include <cstdint>

// A weighing-barcode type: the two-digit prefix, how many leading characters
// (prefix included) name the PLU, and how many after them hold the grams.
struct BarcodeRule {
    int32_t Header = 0;
    int32_t Code = 0;
    int32_t Weight = 0;

    friend bool operator==(const BarcodeRule&, const BarcodeRule&) = default;
};

// What the rules dialog lets a user enter: each number of up to two digits,
// Code and Weight together at most 19 digits. A rule from a damaged options
// file may hold anything else.
[[nodiscard]] bool RuleWithinChecks(const BarcodeRule& rule);

inline constexpr int BarcodeRuleCount = 6;
inline constexpr int BarcodeTypeFileSize = 72;

struct BarcodeTypeTable {
    std::array<BarcodeRule, BarcodeRuleCount> Rules{};

    [[nodiscard]] static BarcodeTypeTable Defaults();
    // The 72 bytes of ComOpts.ini: rule 1 first, Header, Code, Weight, little-endian.
    [[nodiscard]] QByteArray ToBytes() const;
    // Needs at least 72 bytes; the rest is ignored.
    [[nodiscard]] static BarcodeTypeTable FromBytes(QByteArrayView bytes);

    friend bool operator==(const BarcodeTypeTable&, const BarcodeTypeTable&) = default;
};

static_assert(sizeof(BarcodeTypeTable) == BarcodeTypeFileSize);

// The rules in force and the copy the barcode dialog edits until Apply.
class BarcodeRules {
  public:
    [[nodiscard]] const BarcodeTypeTable& Applied() const { return m_applied; }
    [[nodiscard]] const BarcodeTypeTable& Edited() const { return m_edited; }

    // Puts rules in force and drops any edits, as after loading.
    void SetApplied(const BarcodeTypeTable& table);
    // index 0-5 is rule 1-6; other indexes are ignored.
    void SetEditedRule(int index, const BarcodeRule& rule);
    void ApplyEdits();
    void DropEdits();

  private:
    BarcodeTypeTable m_applied;
    BarcodeTypeTable m_edited;
};
