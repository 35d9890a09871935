#include "dataviews/db_grid_accessible.h"

#include "dataviews/db_grid.h"

#include <QHeaderView>
#include <QPointer>

namespace kelvane {

namespace {

QAccessibleInterface *create(const QString &className, QObject *object)
{
    if (className == QLatin1String(TDBGrid::staticMetaObject.className()))
        if (auto *grid = qobject_cast<TDBGrid *>(object))
            return new DbGridAccessible(grid);
    return nullptr;
}

// The grid's visible columns in the order they are shown, as model columns.
QList<int> visibleColumns(const TDBGrid *grid)
{
    QList<int> columns;
    const QHeaderView *header = grid->horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int column = header->logicalIndex(visual);
        if (!grid->isColumnHidden(column))
            columns << column;
    }
    return columns;
}

DbGridAccessible *tableOf(TDBGrid *grid)
{
    return grid ? static_cast<DbGridAccessible *>(QAccessible::queryAccessibleInterface(grid))
                : nullptr;
}

// What the cells and header cells share: a place in a grid that may go away.
class GridPart : public QAccessibleInterface
{
public:
    explicit GridPart(TDBGrid *grid) : m_grid(grid) { }

    QObject *object() const override { return nullptr; }
    QAccessibleInterface *parent() const override { return owner(); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    void setText(QAccessible::Text, const QString &) override { }

protected:
    DbGridAccessible *owner() const { return tableOf(m_grid); }

    QPointer<TDBGrid> m_grid;
};

class Cell : public GridPart, public QAccessibleTableCellInterface
{
public:
    Cell(TDBGrid *grid, int row, int column) : GridPart(grid), m_row(row), m_column(column) { }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::TableCellInterface
            ? static_cast<QAccessibleTableCellInterface *>(this)
            : nullptr;
    }

    bool isValid() const override
    {
        const DbGridAccessible *t = owner();
        return t && m_row >= 0 && m_column >= 0 && m_row < t->rowCount()
            && m_column < t->columnCount();
    }

    QModelIndex index() const
    {
        return isValid() ? m_grid->model()->index(m_row, owner()->modelColumn(m_column))
                         : QModelIndex();
    }

    QString text(QAccessible::Text type) const override
    {
        return type == QAccessible::Name ? index().data().toString() : QString();
    }

    QRect rect() const override
    {
        const QModelIndex at = index();
        if (!at.isValid())
            return {};
        const QRect place = m_grid->visualRect(at);
        return QRect(m_grid->viewport()->mapToGlobal(place.topLeft()), place.size());
    }

    QAccessible::Role role() const override { return QAccessible::Cell; }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        const QModelIndex at = index();
        if (!at.isValid())
            return state;
        state.selectable = state.focusable = true;
        state.selected = isSelected();
        state.focused = m_grid->hasFocus() && m_grid->currentIndex() == at;
        const QRect place = m_grid->visualRect(at);
        state.invisible = !place.intersects(m_grid->viewport()->rect());
        return state;
    }

    bool isSelected() const override
    {
        const QModelIndex at = index();
        return at.isValid() && m_grid->selectionModel()->isSelected(at);
    }
    QList<QAccessibleInterface *> columnHeaderCells() const override
    {
        return header(m_column, Qt::Horizontal);
    }
    QList<QAccessibleInterface *> rowHeaderCells() const override
    {
        return header(m_row, Qt::Vertical);
    }
    int columnIndex() const override { return m_column; }
    int rowIndex() const override { return m_row; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface *table() const override { return owner(); }

private:
    QList<QAccessibleInterface *> header(int section, Qt::Orientation orientation) const
    {
        const DbGridAccessible *t = owner();
        QAccessibleInterface *cell = t ? t->headerCell(section, orientation) : nullptr;
        return cell ? QList<QAccessibleInterface *> {cell} : QList<QAccessibleInterface *> {};
    }

    int m_row;
    int m_column; // among the visible columns
};

class Header : public GridPart
{
public:
    Header(TDBGrid *grid, int section, Qt::Orientation orientation)
        : GridPart(grid), m_section(section), m_orientation(orientation)
    { }

    bool isValid() const override
    {
        const DbGridAccessible *t = owner();
        return t && m_section < (horizontal() ? t->columnCount() : t->rowCount());
    }

    QString text(QAccessible::Text type) const override
    {
        if (type != QAccessible::Name || !isValid())
            return {};
        return horizontal() ? owner()->columnDescription(m_section)
                            : owner()->rowDescription(m_section);
    }

    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QHeaderView *header
            = horizontal() ? m_grid->horizontalHeader() : m_grid->verticalHeader();
        const int logical = horizontal() ? owner()->modelColumn(m_section) : m_section;
        const QPoint origin = header->mapToGlobal(QPoint(0, 0));
        const int position = header->sectionViewportPosition(logical);
        const int size = header->sectionSize(logical);
        return horizontal() ? QRect(origin.x() + position, origin.y(), size, header->height())
                            : QRect(origin.x(), origin.y() + position, header->width(), size);
    }

    QAccessible::Role role() const override
    {
        return horizontal() ? QAccessible::ColumnHeader : QAccessible::RowHeader;
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (isValid()) {
            const QHeaderView *header
                = horizontal() ? m_grid->horizontalHeader() : m_grid->verticalHeader();
            state.invisible = !header->isVisible();
        }
        return state;
    }

private:
    bool horizontal() const { return m_orientation == Qt::Horizontal; }

    int m_section;
    Qt::Orientation m_orientation;
};

} // namespace

void installDbGridAccessibility()
{
    static const bool Installed = (QAccessible::installFactory(create), true);
    (void)Installed;
}

DbGridAccessible::DbGridAccessible(TDBGrid *grid) : QAccessibleWidget(grid, QAccessible::Table) { }

DbGridAccessible::~DbGridAccessible()
{
    for (QAccessible::Id id : std::as_const(m_cells))
        QAccessible::deleteAccessibleInterface(id);
    for (QAccessible::Id id : std::as_const(m_headers))
        QAccessible::deleteAccessibleInterface(id);
}

TDBGrid *DbGridAccessible::grid() const
{
    return static_cast<TDBGrid *>(widget());
}

void *DbGridAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TableInterface)
        return static_cast<QAccessibleTableInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

int DbGridAccessible::modelColumn(int column) const
{
    return visibleColumns(grid()).value(column, -1);
}

int DbGridAccessible::indexOf(const TDBGrid *grid, const QModelIndex &index)
{
    if (!index.isValid() || index.model() != grid->model())
        return -1;
    const QList<int> columns = visibleColumns(grid);
    const int column = static_cast<int>(columns.indexOf(index.column()));
    return column < 0 ? -1 : index.row() * static_cast<int>(columns.size()) + column;
}

int DbGridAccessible::rowCount() const
{
    return grid()->model()->rowCount();
}

int DbGridAccessible::columnCount() const
{
    return static_cast<int>(visibleColumns(grid()).size());
}

int DbGridAccessible::childCount() const
{
    return rowCount() * columnCount();
}

QAccessibleInterface *DbGridAccessible::kept(QHash<Key, QAccessible::Id> &cache, Key key,
    const std::function<QAccessibleInterface *()> &make) const
{
    const auto found = cache.constFind(key);
    if (found != cache.constEnd())
        return QAccessible::accessibleInterface(found.value());
    QAccessibleInterface *made = make();
    cache.insert(key, QAccessible::registerAccessibleInterface(made));
    return made;
}

QAccessibleInterface *DbGridAccessible::cell(int row, int column) const
{
    if (row < 0 || column < 0 || row >= rowCount() || column >= columnCount())
        return nullptr;
    return kept(m_cells, {row, column}, [&] { return new Cell(grid(), row, column); });
}

QAccessibleInterface *DbGridAccessible::cellAt(int row, int column) const
{
    if (QAccessibleInterface *inside = cell(row, column))
        return inside;
    // Qt's AT-SPI bridge uses what this returns without looking, and asks for the cell in row 0
    // to find a column's header: outside the table stands a cell that is not valid but still
    // knows its column's header, one per column.
    const int at = column >= 0 && column < columnCount() ? column : -1;
    return kept(m_cells, {-1, at}, [&] { return new Cell(grid(), -1, at); });
}

QAccessibleInterface *DbGridAccessible::headerCell(int section, Qt::Orientation orientation) const
{
    if (section < 0 || section >= (orientation == Qt::Horizontal ? columnCount() : rowCount()))
        return nullptr;
    return kept(m_headers, {section, orientation},
        [&] { return new Header(grid(), section, orientation); });
}

QAccessibleInterface *DbGridAccessible::child(int index) const
{
    const int columns = columnCount();
    if (index < 0 || columns == 0)
        return nullptr;
    return cell(index / columns, index % columns);
}

int DbGridAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    const QAccessibleTableCellInterface *cell
        = child ? const_cast<QAccessibleInterface *>(child)->tableCellInterface() : nullptr;
    if (!cell || child->parent() != this || !child->isValid())
        return -1;
    return cell->rowIndex() * columnCount() + cell->columnIndex();
}

QAccessibleInterface *DbGridAccessible::childAt(int x, int y) const
{
    const QPoint local = grid()->viewport()->mapFromGlobal(QPoint(x, y));
    return child(indexOf(grid(), grid()->indexAt(local)));
}

QAccessibleInterface *DbGridAccessible::focusChild() const
{
    return child(indexOf(grid(), grid()->currentIndex()));
}

QString DbGridAccessible::columnDescription(int column) const
{
    return grid()->model()->headerData(modelColumn(column), Qt::Horizontal).toString();
}

QString DbGridAccessible::rowDescription(int row) const
{
    return grid()->model()->headerData(row, Qt::Vertical).toString();
}

QList<int> DbGridAccessible::selectedRows() const
{
    QList<int> rows;
    for (const QModelIndex &index : grid()->selectionModel()->selectedRows())
        rows << index.row();
    return rows;
}

int DbGridAccessible::selectedRowCount() const
{
    return static_cast<int>(selectedRows().size());
}

bool DbGridAccessible::isRowSelected(int row) const
{
    return grid()->selectionModel()->isRowSelected(row, QModelIndex());
}

QList<QAccessibleInterface *> DbGridAccessible::selectedCells() const
{
    QList<QAccessibleInterface *> cells;
    for (int row : selectedRows())
        for (int column = 0; column < columnCount(); ++column)
            cells << cell(row, column);
    return cells;
}

int DbGridAccessible::selectedCellCount() const
{
    return selectedRowCount() * columnCount();
}

bool DbGridAccessible::selectRow(int row)
{
    const int column = modelColumn(0);
    if (row < 0 || row >= rowCount() || column < 0)
        return false;
    grid()->setCurrentIndex(grid()->model()->index(row, column));
    return isRowSelected(row);
}

void DbGridAccessible::modelChange(QAccessibleTableModelChangeEvent *event)
{
    if (event->modelChangeType() == QAccessibleTableModelChangeEvent::DataChanged)
        return;
    // Cells are kept by position: those the table no longer reaches go.
    for (auto *cache : {&m_cells, &m_headers})
        for (auto it = cache->begin(); it != cache->end();) {
            QAccessibleInterface *kept = QAccessible::accessibleInterface(it.value());
            if (kept && kept->isValid()) {
                ++it;
            } else {
                QAccessible::deleteAccessibleInterface(it.value());
                it = cache->erase(it);
            }
        }
}

} // namespace kelvane
