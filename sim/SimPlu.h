#pragma once

#include <array>
#include <cstdint>

// One PLU as the simulated register keeps it. Texts are register character
// codes; the price and the total are in hundredths; Quantity (sold today) and
// Stock are whole pieces, or thousandths when the flags say decimal quantity.
struct SimPlu {
    static constexpr uint8_t DepartmentMask = 0x0F;
    static constexpr uint8_t FlagDecimalQty = 0x10;
    static constexpr uint8_t FlagFreePrice = 0x20;
    static constexpr uint8_t FlagActive = 0x40;
    static constexpr uint8_t FlagStockProgrammed = 0x80;

    std::array<uint8_t, 12> Description{};
    uint32_t Price = 0;
    uint8_t Flags = 0;
    uint8_t Unit = 0;
    std::array<uint8_t, 19> Barcode{};
    uint32_t Quantity = 0;
    uint32_t Stock = 0;
    uint64_t Total = 0;

    [[nodiscard]] int Department() const { return Flags & DepartmentMask; }
    [[nodiscard]] bool Active() const { return (Flags & FlagActive) != 0; }
    [[nodiscard]] bool DecimalQty() const { return (Flags & FlagDecimalQty) != 0; }
    [[nodiscard]] bool HasBarcode() const { return Barcode[0] != 0; }
};
