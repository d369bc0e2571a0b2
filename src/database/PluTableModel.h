#pragma once

#include "database/PluCells.h"

#include <QAbstractTableModel>
#include <QList>
#include <optional>

class PluTable;

// The PLU table as a grid: a row per PLU (or per PLU of a list, for search
// results), the columns of PluCells. Cells are made when they are drawn, so
// the model holds nothing but the table's address and the rows it shows, and
// what it shows is always what the table holds.
class PluTableModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit PluTableModel(const PluTable& table, QObject* parent = nullptr);

    // Every PLU, or only the listed ones, in the list's order.
    void ShowAll();
    void ShowOnly(QList<int> plus);
    [[nodiscard]] bool ShowsAll() const { return !m_rows.has_value(); }

    void SetStyle(const PluCells::Style& style);
    [[nodiscard]] const PluCells::Style& Style() const { return m_style; }

    // The table changed under the grid: redraw those rows, or everything.
    void RefreshPlus(int from, int to);
    void RefreshAll();

    [[nodiscard]] int PluOfRow(int row) const;
    // The row of PLU n, or -1 when it is not shown.
    [[nodiscard]] int RowOfPlu(int n) const;

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role = Qt::DisplayRole) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    const PluTable& m_table;
    std::optional<QList<int>> m_rows;
    PluCells::Style m_style;
};
