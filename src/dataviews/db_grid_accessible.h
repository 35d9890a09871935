// DbGridAccessible: a grid as screen readers see it (AT-SPI on Linux), a table of its visible
// columns. Its children are the cells alone, row by row, so a child's index is
// row × columns + column, which is how AT-SPI clients count; column and row headers are reached
// from the cells. Qt's own table interface counts the headers among the children, so clients
// asked it for cells past the table's end (warnings, and a crash in Qt's AT-SPI bridge), read
// cells of hidden columns, and found no column header on an empty grid without a warning.
// Cells are kept by position and stay valid while their position lies inside the table; cellAt
// answers a place outside it with a cell that is not valid, as Qt's AT-SPI bridge needs.
// Created by Qt's accessibility through the factory installDbGridAccessibility installs. Main
// thread only.
#pragma once

#include <QAccessibleWidget>
#include <QHash>
#include <QPair>
#include <functional>

namespace kelvane {

class TDBGrid;

class DbGridAccessible : public QAccessibleWidget, public QAccessibleTableInterface
{
public:
    explicit DbGridAccessible(TDBGrid *grid);
    ~DbGridAccessible() override;

    void *interface_cast(QAccessible::InterfaceType type) override;
    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;
    QAccessibleInterface *focusChild() const override;

    QAccessibleInterface *caption() const override { return nullptr; }
    QAccessibleInterface *summary() const override { return nullptr; }
    QAccessibleInterface *cellAt(int row, int column) const override;
    int selectedCellCount() const override;
    QList<QAccessibleInterface *> selectedCells() const override;
    QString columnDescription(int column) const override;
    QString rowDescription(int row) const override;
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override;
    int columnCount() const override;
    int rowCount() const override;
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override;
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override;
    // Makes the row's record current, as a click on the row does.
    bool selectRow(int row) override;
    bool selectColumn(int) override { return false; }
    // The current record's row is always selected.
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent *event) override;

    // The child index of a model index; -1 when its column is hidden or it is not in the grid.
    static int indexOf(const TDBGrid *grid, const QModelIndex &index);

    TDBGrid *grid() const;
    // The model column shown as visible column `column`; -1 when there is none.
    int modelColumn(int column) const;
    // The header cell of a visible column or a row, kept like the cells.
    QAccessibleInterface *headerCell(int section, Qt::Orientation orientation) const;

private:
    using Key = QPair<int, int>;
    // The cell at a place inside the table; null outside it.
    QAccessibleInterface *cell(int row, int column) const;
    QAccessibleInterface *kept(QHash<Key, QAccessible::Id> &cache, Key key,
        const std::function<QAccessibleInterface *()> &make) const;

    mutable QHash<Key, QAccessible::Id> m_cells; // by (row, column)
    mutable QHash<Key, QAccessible::Id> m_headers; // by (section, orientation)
};

// Makes Qt's accessibility use DbGridAccessible for every grid. Idempotent.
void installDbGridAccessibility();

} // namespace kelvane
