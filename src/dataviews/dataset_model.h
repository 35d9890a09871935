// DatasetModel: the records a dataset shows as the rows of a table model, one column per field
// the window chose. Rows come in the dataset's order; a record being inserted is a row of its own
// at the place the dataset shows it. The current record's row is read from the dataset's current
// record (so edits not yet stored show); other rows are read through the dataset as they are
// asked for. The rows are read again whenever the dataset's records may have changed (open,
// close, insert, post, cancel, delete, refresh), so the model never holds a stale row.
//
// Setting a cell's data puts the dataset into edit state (an insert on an empty dataset) and sets
// the field; errors go to the general error display. The model does not own the data source.
// Main thread only.
#pragma once

#include "dataviews/data_source.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace kelvane {

class DatasetModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    struct Column
    {
        std::string FieldName;
        QString title;
        bool operator==(const Column &other) const = default;
    };

    explicit DatasetModel(QObject *parent = nullptr);
    ~DatasetModel() override;

    TDataSource *DataSource() const;
    void SetDataSource(TDataSource *source);
    // No columns: one per field of the open dataset, titled with the field's name.
    void setColumns(std::vector<Column> columns);
    // The field a column shows; null when the dataset is closed or lacks it.
    TField *fieldOf(int column) const;

    // The current record's row; -1 when there is none.
    int currentRow() const { return m_currentRow; }
    // Makes the record of `row` current; the dataset leaves the current one by its rules first.
    // Raises what the dataset raises.
    void moveTo(int row);
    // Makes the record of `row` current and starts editing it. Returns whether the dataset is
    // now editing; raises what the dataset raises.
    bool beginEdit(int row);

    // Where the model's and its grid's errors go: the dataset's error sink.
    ErrorSink &errorSink() const;

    // Runs when the dataset asks views for their pending edits (the grid commits its editor).
    std::function<void()> OnUpdateData;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

signals:
    // Another row holds the current record (-1: none).
    void currentRowChanged(int row);

private:
    struct Row
    {
        TBookmark bookmark; // empty for the record being inserted
        bool operator==(const Row &other) const = default;
    };

    TDataSet *DataSet() const;
    std::vector<Column> shownColumns() const;
    std::vector<Row> readRows() const;
    void rebuild();
    void followCurrentRecord();
    void currentRecordChanged();
    int findCurrentRow() const;
    bool isCurrentRow(int row) const { return row == m_currentRow && row >= 0; }
    QStringList rowTexts(int row) const;
    QStringList readTexts() const;
    void reportReadError(const std::string &message) const;

    ViewDataLink m_link;
    std::vector<Column> m_columns; // as the window set them
    std::vector<Column> m_shown; // as shown now
    std::vector<Row> m_rows;
    std::map<TBookmark, int> m_rowOf;
    int m_currentRow = -1;
    mutable std::unordered_map<int, QStringList> m_texts; // rows read since the last change
    mutable bool m_readErrorShown = false;
};

} // namespace kelvane
