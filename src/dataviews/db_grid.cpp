#include "dataviews/db_grid.h"

#include "dataviews/db_grid_accessible.h"
#include "framework/guarded.h"

#include <QEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QScopedValueRollback>
#include <QStyledItemDelegate>
#include <algorithm>

namespace kelvane {

// Starts the dataset's edit when a cell editor opens and keeps track of the open editor, so that
// the grid can commit it when the dataset stores the record.
class TDBGrid::Delegate : public QStyledItemDelegate
{
public:
    Delegate(DatasetModel &model, QObject *parent) : QStyledItemDelegate(parent), m_model(model) { }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override
    {
        bool editing = false;
        const QPersistentModelIndex cell(index);
        runGuarded(m_model.errorSink(), [&] { editing = m_model.beginEdit(index.row()); });
        // No editor when the dataset did not make this row current and editable.
        if (!editing || !cell.isValid() || cell.row() != m_model.currentRow())
            return nullptr;
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, cell);
        const TField *field = m_model.fieldOf(cell.column());
        auto *line = qobject_cast<QLineEdit *>(editor);
        if (line && field && field->DataType() == ftString)
            line->setMaxLength(field->Size());
        m_open = editor;
        return editor;
    }

    void destroyEditor(QWidget *editor, const QModelIndex &index) const override
    {
        if (editor == m_open)
            m_open = nullptr;
        QStyledItemDelegate::destroyEditor(editor, index);
    }

    QWidget *openEditor() const { return m_open; }

private:
    DatasetModel &m_model;
    mutable QPointer<QWidget> m_open;
};

TDBGrid::TDBGrid(QWidget *parent)
    : QTableView(parent), m_model(new DatasetModel(this)), m_delegate(new Delegate(*m_model, this))
{
    installDbGridAccessibility();
    setModel(m_model);
    setItemDelegate(m_delegate);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
        | QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    setTabKeyNavigation(false);
    // One line per record, as a grid of records reads best; a long text is cut with an ellipsis.
    setWordWrap(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    fitRowsToFont();
    m_model->OnUpdateData = [this] { commitOpenEditor(); };
    connect(m_model, &DatasetModel::currentRowChanged, this, &TDBGrid::showCurrentRow);
    connect(m_model, &QAbstractItemModel::modelReset, this, &TDBGrid::applyColumns);
}

void TDBGrid::fitRowsToFont()
{
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('W')) + 6);
}

void TDBGrid::changeEvent(QEvent *event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        fitRowsToFont();
        applyColumns();
    }
}

TDBGrid::~TDBGrid()
{
    // The model's link goes with the model; nothing may call back into a half-destroyed grid.
    m_model->OnUpdateData = nullptr;
    disconnect(m_model, nullptr, this, nullptr);
}

void TDBGrid::SetDataSource(TDataSource *source)
{
    m_model->SetDataSource(source);
}

void TDBGrid::setColumns(const std::vector<GridColumn> &columns)
{
    m_columns = columns;
    std::vector<DatasetModel::Column> modelColumns;
    for (const GridColumn &column : columns)
        modelColumns.push_back({column.FieldName, column.title});
    m_model->setColumns(std::move(modelColumns));
    applyColumns();
}

void TDBGrid::applyColumns()
{
    // A title is never cut, whatever the font. What a widened column takes is given back by the
    // widest one, as far as its own title allows, so the columns keep the room the layout gave.
    std::vector<int> widths, needs;
    int excess = 0;
    for (size_t i = 0; i < m_columns.size(); ++i) {
        const int column = static_cast<int>(i);
        setColumnHidden(column, !m_columns[i].visible);
        needs.push_back(m_columns[i].visible ? horizontalHeader()->sectionSizeHint(column) : 0);
        widths.push_back(std::max(m_columns[i].width, needs.back()));
        excess += widths.back() - m_columns[i].width;
    }
    if (!widths.empty()) {
        const size_t widest
            = static_cast<size_t>(std::max_element(widths.begin(), widths.end()) - widths.begin());
        widths[widest] = std::max(needs[widest], widths[widest] - excess);
    }
    for (size_t i = 0; i < widths.size(); ++i)
        setColumnWidth(static_cast<int>(i), widths[i]);
    m_widths = std::move(widths);
    fillRoom();
}

void TDBGrid::commitOpenEditor()
{
    if (QWidget *editor = m_delegate->openEditor())
        commitData(editor);
}

void TDBGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    // The base commits and closes an editor open on the previous cell. QTableView's own
    // announcement is skipped: it counts the cells as Qt's table interface does, not as ours.
    QAbstractItemView::currentChanged(current, previous);
    announce(QAccessible::Focus, current);
    if (m_showingCurrentRow || !current.isValid() || current.row() == m_model->currentRow())
        return;
    runGuarded(m_model->errorSink(), [&] { m_model->moveTo(current.row()); });
    // Back to the dataset's row when the move failed or the rows changed on the way.
    showCurrentRow(m_model->currentRow());
}

void TDBGrid::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    QAbstractItemView::selectionChanged(selected, deselected);
    announce(QAccessible::SelectionAdd, selected.indexes().value(0));
}

void TDBGrid::announce(QAccessible::Event what, const QModelIndex &index)
{
    if (!QAccessible::isActive() || (what == QAccessible::Focus && !hasFocus()))
        return;
    const int child = DbGridAccessible::indexOf(this, index);
    if (child < 0)
        return;
    QAccessibleEvent event(this, what);
    event.setChild(child);
    QAccessible::updateAccessibility(&event);
}

// A click sets the current cell and then selects what lies under the pointer, which after the
// dataset's move may be another record: the selection goes back to the dataset's row.
void TDBGrid::mousePressEvent(QMouseEvent *event)
{
    QTableView::mousePressEvent(event);
    showCurrentRow(m_model->currentRow());
}

void TDBGrid::mouseMoveEvent(QMouseEvent *event)
{
    QTableView::mouseMoveEvent(event);
    showCurrentRow(m_model->currentRow());
}

void TDBGrid::mouseReleaseEvent(QMouseEvent *event)
{
    QTableView::mouseReleaseEvent(event);
    showCurrentRow(m_model->currentRow());
}

void TDBGrid::updateGeometries()
{
    // Called as the viewport changes: the grid resized, a scroll bar come or gone.
    QTableView::updateGeometries();
    fillRoom();
}

void TDBGrid::fillRoom()
{
    const int room = width() - minimumWidth();
    int others = 0;
    for (size_t i = 0; i < m_widths.size(); ++i)
        if (m_columns[i].visible && !m_columns[i].fills)
            others += m_widths[i];
    for (size_t i = 0; i < m_widths.size(); ++i) {
        const int column = static_cast<int>(i);
        const int width
            = room <= 0 ? m_widths[i] : std::max(m_widths[i] + room, viewport()->width() - others);
        if (m_columns[i].fills && m_columns[i].visible && columnWidth(column) != width)
            setColumnWidth(column, width);
    }
}

void TDBGrid::showCurrentRow(int row)
{
    QScopedValueRollback<bool> showing(m_showingCurrentRow, true);
    if (row < 0) {
        selectionModel()->clear();
        return;
    }
    int column = currentIndex().isValid() ? currentIndex().column() : 0;
    while (column < m_model->columnCount() - 1 && isColumnHidden(column))
        ++column;
    const QModelIndex index = m_model->index(row, column);
    if (index == currentIndex() && selectionModel()->isRowSelected(row, QModelIndex()))
        return;
    setCurrentIndex(index);
    scrollTo(index);
}

} // namespace kelvane
