// TDBGrid: a grid of a dataset's records, edited in place. Its selected row is always the
// dataset's current record: choosing another row moves the dataset there (leaving the current
// record by the dataset's rules), and a move made elsewhere selects the new row. Starting to edit
// a cell puts the dataset into edit state (an insert on an empty dataset); the cell's text is set
// into the field when the editor commits, at the latest when the dataset stores the record.
// Columns are chosen and titled by the window; a column is never narrower than its title needs,
// the widest one giving way so that together they keep the width the window gave them. A column
// that fills keeps its width while the grid is at its smallest; a wider grid it fills to the
// right edge, and it widens at least by what the grid has grown.
// A cell's editor takes no more characters than its field holds. Screen readers see a table of
// the visible columns (DbGridAccessible).
//
// The grid owns its model; it does not own the data source. Errors go to the general error
// display. Main thread only.
#pragma once

#include "dataviews/dataset_model.h"

#include <QAccessible>
#include <QTableView>
#include <string>
#include <vector>

namespace kelvane {

class TDataSource;

struct GridColumn
{
    std::string FieldName;
    QString title;
    int width = 64; // pixels
    bool visible = true;
    bool fills = false; // widens with the grid beyond its minimum width
};

class TDBGrid : public QTableView
{
    Q_OBJECT
public:
    explicit TDBGrid(QWidget *parent = nullptr);
    ~TDBGrid() override;

    TDataSource *DataSource() const { return m_model->DataSource(); }
    void SetDataSource(TDataSource *source);
    // No columns: one per field, titled with its name, default width.
    void setColumns(const std::vector<GridColumn> &columns);
    DatasetModel *datasetModel() const { return m_model; }

protected:
    void changeEvent(QEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void selectionChanged(
        const QItemSelection &selected, const QItemSelection &deselected) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void updateGeometries() override;

private:
    class Delegate;

    void showCurrentRow(int row);
    void applyColumns();
    void fillRoom();
    void fitRowsToFont();
    void commitOpenEditor();
    // Tells screen readers about `index`'s cell, counted as DbGridAccessible counts.
    void announce(QAccessible::Event what, const QModelIndex &index);

    DatasetModel *m_model;
    Delegate *m_delegate;
    std::vector<GridColumn> m_columns;
    std::vector<int> m_widths; // as applyColumns() set them
    bool m_showingCurrentRow = false;
};

} // namespace kelvane
