#include "barcodes/WeighingBarcode.h"

#include "database/PluTable.h"

#include <QByteArray>
#include <algorithm>
#include <cstring>

namespace {

// Compares at most two characters of zero-terminated texts, as the header test
// always has: the header 5 matches only the one-character text "5".
bool HeaderMatches(int32_t header, QByteArrayView text) {
    const QByteArray h = QByteArray::number(header);
    for (qsizetype i = 0; i < 2; ++i) {
        const char a = i < h.size() ? h[i] : '\0';
        const char b = i < text.size() ? text[i] : '\0';
        if (a != b)
            return false;
        if (a == '\0')
            return true;
    }
    return true;
}

std::optional<double> WeightOf(QByteArrayView digits) {
    double grams = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        grams = grams * 10 + (c - '0');
    }
    return grams * 0.001;
}

// A rule from a damaged options file can hold any numbers; the ones that cannot
// describe a barcode find nothing.
bool UsableRule(const BarcodeRule& rule) {
    return rule.Code > 0 && rule.Weight >= 0;
}

} // namespace

std::optional<WeighingMatch> DecodeWeighingBarcode(QByteArrayView text, const BarcodeTypeTable& rules,
                                                   const PluTable& table) {
    for (const BarcodeRule& rule : rules.Rules) {
        if (!HeaderMatches(rule.Header, text) || !UsableRule(rule))
            continue;
        const qint64 code = rule.Code;
        if (qint64(text.size()) < code + qint64(rule.Weight) || code > BarcodeLength)
            continue;
        const QByteArrayView codePart = text.first(code);
        // A zero byte would end a stored barcode before the code part does.
        if (codePart.contains('\0'))
            continue;
        // Weight characters that are not digits make no weighing barcode of
        // this rule: no weight is made up for them.
        const std::optional<double> weight = WeightOf(text.sliced(code, rule.Weight));
        if (!weight)
            continue;
        const auto entries = table.Entries();
        for (size_t n = 0; n < entries.size(); ++n) {
            if (std::memcmp(entries[n].Barcode.data(), codePart.data(), size_t(code)) == 0)
                return WeighingMatch{int(n), *weight};
        }
    }
    return std::nullopt;
}

bool WeighingBarcodeComplete(QByteArrayView text, const BarcodeTypeTable& rules) {
    return std::ranges::any_of(rules.Rules, [&](const BarcodeRule& rule) {
        return HeaderMatches(rule.Header, text) && text.size() >= rule.Code;
    });
}

QString BarcodeSampleText(const QString& header, int code, int weight, QChar decimalSeparator) {
    // The grid holds two-digit numbers; a damaged options file may hold more.
    constexpr int MaxPart = 99;
    QString codePart;
    // In 64 bits: a damaged file's most negative code must not wrap round to a
    // long code part.
    const qint64 codeDigits = std::min<qint64>(qint64(code) - header.size(), MaxPart);
    for (qint64 i = 0; i < codeDigits; ++i)
        codePart += QString::number(i);
    QString weightPart;
    for (int i = 1; i <= std::min(weight, MaxPart); ++i)
        weightPart += QString::number(i);
    QString value = QString::number(weightPart.toDouble() * 0.001, 'f', 3);
    value.replace(QLatin1Char('.'), decimalSeparator);
    return QStringLiteral("Barcode Sample: %1 %2 %3\n\nHeader: %1\nCode: %2\nWeight: %4\n\nPrint: %1%2%3")
        .arg(header, codePart, weightPart, value);
}
