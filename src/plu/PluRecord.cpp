#include "plu/PluRecord.h"

#include <algorithm>
#include <cstdio>
#include <span>

namespace {

QByteArray FieldText(std::span<const char> field, size_t maxLength) {
    const auto limited = field.first(std::min(field.size(), maxLength));
    const auto end = std::find(limited.begin(), limited.end(), '\0');
    return QByteArray(limited.data(), end - limited.begin());
}

void SetFieldText(std::span<char> field, size_t maxLength, QByteArrayView text) {
    std::fill(field.begin(), field.end(), '\0');
    const size_t n = std::min({size_t(text.size()), maxLength, field.size()});
    std::copy_n(text.data(), n, field.begin());
}

constexpr std::array<const char*, UnitCount> EnglishUnits{"item",  "gram",  "kg",           "ton",
                                                          "litre", "meter", "square meter", "cubic meter"};
constexpr std::array<const char*, UnitCount> SerbianUnits{
    "kom", "gram", "kg", "tona", "litar", "metar", "kvadratni metar", "kubni metar"};

} // namespace

QByteArray PluRecord::DescriptionText() const {
    return FieldText(Description, DescriptionLength);
}
QByteArray PluRecord::Description2Text() const {
    return FieldText(Description2, Description2Length);
}
QByteArray PluRecord::BarcodeText() const {
    return FieldText(Barcode, BarcodeLength);
}

void PluRecord::SetDescription(QByteArrayView text) {
    SetFieldText(Description, DescriptionLength, text);
}
void PluRecord::SetDescription2(QByteArrayView text) {
    SetFieldText(Description2, Description2Length, text);
}
void PluRecord::SetBarcode(QByteArrayView text) {
    SetFieldText(Barcode, BarcodeLength, text);
}

QByteArray DefaultDescription(int n) {
    char text[16];
    const int length = std::snprintf(text, sizeof text, "COD %4d", n);
    return QByteArray(text, std::clamp(length, 0, int(sizeof text) - 1));
}

const std::array<const char*, UnitCount>& UnitNames(int language) {
    return language == 1 ? SerbianUnits : EnglishUnits;
}
