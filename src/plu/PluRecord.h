#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>

// Status bits of PluRecord::Flags.
inline constexpr uint8_t FlagDepartmentMask = 0x0F;
inline constexpr uint8_t FlagDecimalQty = 0x10;
inline constexpr uint8_t FlagFreePrice = 0x20;
inline constexpr uint8_t FlagActive = 0x40;
inline constexpr uint8_t FlagStockProgrammed = 0x80;

inline constexpr int PluCount = 10000;
inline constexpr int UnitCount = 8;
inline constexpr int DescriptionLength = 12;
inline constexpr int Description2Length = 35;
inline constexpr int BarcodeLength = 19;

// One PLU as the register and pludb.dat know it. The layout is the file format:
// 128 bytes, little-endian, the padding spelt out so that copies and saves keep
// whatever a file brought in it. Texts are Windows code-page bytes.
struct PluRecord {
    uint32_t Code = 0;
    std::array<char, 13> Description{};
    std::array<char, 36> Description2{};
    std::array<uint8_t, 3> Padding53{};
    double Price = 0.0;
    uint8_t Flags = 0;
    std::array<uint8_t, 3> Padding65{};
    uint8_t Unit = 0;
    std::array<char, 19> Barcode{};
    uint8_t ConstCheck = 0;
    std::array<uint8_t, 3> Padding89{};
    uint32_t Quantity = 0;
    uint32_t Stock = 0;
    std::array<uint8_t, 4> Padding100{};
    double Total = 0.0;
    uint8_t VarCheck = 0;
    std::array<uint8_t, 7> Padding113{};
    double NetPrice = 0.0;

    // The texts end at their first zero byte and never run into the next field,
    // whatever a file holds.
    [[nodiscard]] QByteArray DescriptionText() const;
    [[nodiscard]] QByteArray Description2Text() const;
    [[nodiscard]] QByteArray BarcodeText() const;
    // Longer texts are cut to the field; the rest of the field is zero-filled.
    void SetDescription(QByteArrayView text);
    void SetDescription2(QByteArrayView text);
    void SetBarcode(QByteArrayView text);

    [[nodiscard]] int Department() const { return Flags & FlagDepartmentMask; }
};

static_assert(std::is_standard_layout_v<PluRecord> && std::is_trivially_copyable_v<PluRecord>);
static_assert(sizeof(double) == 8 && sizeof(PluRecord) == 128);
static_assert(offsetof(PluRecord, Code) == 0);
static_assert(offsetof(PluRecord, Description) == 4);
static_assert(offsetof(PluRecord, Description2) == 17);
static_assert(offsetof(PluRecord, Padding53) == 53);
static_assert(offsetof(PluRecord, Price) == 56);
static_assert(offsetof(PluRecord, Flags) == 64);
static_assert(offsetof(PluRecord, Padding65) == 65);
static_assert(offsetof(PluRecord, Unit) == 68);
static_assert(offsetof(PluRecord, Barcode) == 69);
static_assert(offsetof(PluRecord, ConstCheck) == 88);
static_assert(offsetof(PluRecord, Padding89) == 89);
static_assert(offsetof(PluRecord, Quantity) == 92);
static_assert(offsetof(PluRecord, Stock) == 96);
static_assert(offsetof(PluRecord, Padding100) == 100);
static_assert(offsetof(PluRecord, Total) == 104);
static_assert(offsetof(PluRecord, VarCheck) == 112);
static_assert(offsetof(PluRecord, Padding113) == 113);
static_assert(offsetof(PluRecord, NetPrice) == 120);

// "COD %4d": the name of a PLU that has no description of its own.
[[nodiscard]] QByteArray DefaultDescription(int n);

// The eight units of measure by unit code; language 0 English, 1 Serbian.
[[nodiscard]] const std::array<const char*, UnitCount>& UnitNames(int language);
