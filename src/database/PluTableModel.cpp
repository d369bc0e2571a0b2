#include "database/PluTableModel.h"

#include "database/PluTable.h"

#include <algorithm>

PluTableModel::PluTableModel(const PluTable& table, QObject* parent)
    : QAbstractTableModel(parent), m_table(table) {}

void PluTableModel::ShowAll() {
    beginResetModel();
    m_rows.reset();
    endResetModel();
}

void PluTableModel::ShowOnly(QList<int> plus) {
    beginResetModel();
    m_rows = std::move(plus);
    endResetModel();
}

void PluTableModel::SetStyle(const PluCells::Style& style) {
    m_style = style;
    RefreshAll();
    emit headerDataChanged(Qt::Horizontal, 0, PluCells::ColumnCount - 1);
}

void PluTableModel::RefreshPlus(int from, int to) {
    if (rowCount() == 0)
        return;
    if (m_rows) {
        // Search results are few; their rows follow no PLU order worth using.
        RefreshAll();
        return;
    }
    from = std::clamp(from, 0, rowCount() - 1);
    to = std::clamp(to, 0, rowCount() - 1);
    if (from <= to)
        emit dataChanged(index(from, 0), index(to, PluCells::ColumnCount - 1), {Qt::DisplayRole});
}

void PluTableModel::RefreshAll() {
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, PluCells::ColumnCount - 1), {Qt::DisplayRole});
}

int PluTableModel::PluOfRow(int row) const {
    if (row < 0 || row >= rowCount())
        return -1;
    return m_rows ? m_rows->at(row) : row;
}

int PluTableModel::RowOfPlu(int n) const {
    if (!PluTable::Contains(n))
        return -1;
    return m_rows ? int(m_rows->indexOf(n)) : n;
}

int PluTableModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return m_rows ? int(m_rows->size()) : PluTable::Size;
}

int PluTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : PluCells::ColumnCount;
}

QVariant PluTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= PluCells::ColumnCount)
        return {};
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    const int n = PluOfRow(index.row());
    return PluCells::Text(m_table[n], n, index.column(), m_style);
}

QVariant PluTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < PluCells::ColumnCount ? PluCells::Title(section, m_style.Language)
                                                               : QVariant();
    return section >= 0 && section < rowCount() ? QVariant(section + 1) : QVariant();
}

Qt::ItemFlags PluTableModel::flags(const QModelIndex& index) const {
    // Read-only: every change goes through the table, so what the grid shows
    // is what is stored and exported.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}
