#include "database/PluSearch.h"

#include "database/PluTable.h"

namespace PluSearch {

namespace {

bool Begins(const PluRecord& entry, Field field, const QByteArray& prefix) {
    return (field == Field::Barcode ? entry.BarcodeText() : entry.DescriptionText()).startsWith(prefix);
}

} // namespace

std::optional<int> First(const PluTable& table, Field field, const QByteArray& prefix) {
    for (int n = 0; n < PluTable::Size; ++n) {
        if (Begins(table[n], field, prefix))
            return n;
    }
    return std::nullopt;
}

QList<int> All(const PluTable& table, Field field, const QByteArray& prefix) {
    QList<int> found;
    if (prefix.isEmpty())
        return found;
    for (int n = 0; n < PluTable::Size; ++n) {
        if (Begins(table[n], field, prefix))
            found << n;
    }
    return found;
}

} // namespace PluSearch
