#pragma once

#include <cstdint>

// The register's limits on a PLU and on a sale line: the same whether a value
// is typed on a page, changed over a range, read from a file or sent by another
// program.
inline constexpr int MaxPluNumber = 9999;
inline constexpr int MaxDepartment = 9;
// 999999.99: the register's eight price digits.
inline constexpr double MaxPrice = 999999.99;
inline constexpr uint32_t MaxPriceHundredths = 99999999;
// The eight digits of the register's stock field: whole pieces, or
// thousandths for a PLU sold by decimal quantity.
inline constexpr uint32_t MaxStockDigits = 99999999;
inline constexpr double MaxDecimalStock = 99999.999;
inline constexpr double MaxQuantity = 99999.999;
