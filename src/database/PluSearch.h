#pragma once

#include <QByteArray>
#include <QList>
#include <optional>

class PluTable;

// Finding PLUs by the beginning of a stored text. The texts compared are the
// table's own bytes: a typed text is turned into those bytes once, so a scan
// of the whole table costs one prefix comparison per entry.
namespace PluSearch {

enum class Field { Description, Barcode };

// The first PLU, from 0 upward, whose text begins with prefix (case counts).
[[nodiscard]] std::optional<int> First(const PluTable& table, Field field, const QByteArray& prefix);
// Every PLU whose text begins with prefix, in PLU order; none for an empty prefix.
[[nodiscard]] QList<int> All(const PluTable& table, Field field, const QByteArray& prefix);

} // namespace PluSearch
