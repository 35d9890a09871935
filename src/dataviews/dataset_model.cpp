#include "dataviews/dataset_model.h"

#include "dataviews/db_field_text.h"
#include "framework/guarded.h"

#include <QMetaObject>
#include <algorithm>

namespace kelvane {

namespace {

// Rows read since the last change are kept for painting; a long scroll starts afresh.
constexpr size_t KeptRows = 1024;

bool isNumeric(TFieldType type)
{
    return type == ftSmallint || type == ftInteger || type == ftLargeint || type == ftFloat;
}

} // namespace

DatasetModel::DatasetModel(QObject *parent) : QAbstractTableModel(parent)
{
    m_link.onActiveChanged = [this] { rebuild(); };
    m_link.onDataSetChanged = [this] { rebuild(); };
    m_link.onDataSetScrolled = [this] { followCurrentRecord(); };
    m_link.onRecordChanged = [this](TField *) { currentRecordChanged(); };
    m_link.onEditingChanged = [this] { currentRecordChanged(); };
    m_link.onUpdateData = [this] {
        if (OnUpdateData)
            OnUpdateData();
    };
}

DatasetModel::~DatasetModel() = default;

TDataSource *DatasetModel::DataSource() const
{
    return m_link.DataSource();
}

void DatasetModel::SetDataSource(TDataSource *source)
{
    m_link.SetDataSource(source);
}

void DatasetModel::setColumns(std::vector<Column> columns)
{
    m_columns = std::move(columns);
    rebuild();
}

TDataSet *DatasetModel::DataSet() const
{
    return m_link.Active() ? m_link.DataSet() : nullptr;
}

TField *DatasetModel::fieldOf(int column) const
{
    TDataSet *dataSet = DataSet();
    if (!dataSet || column < 0 || static_cast<size_t>(column) >= m_shown.size())
        return nullptr;
    return dataSet->FindField(m_shown[static_cast<size_t>(column)].FieldName);
}

std::vector<DatasetModel::Column> DatasetModel::shownColumns() const
{
    if (!m_columns.empty())
        return m_columns;
    std::vector<Column> columns;
    if (TDataSet *dataSet = DataSet())
        for (int i = 0; i < dataSet->FieldCount(); ++i) {
            const std::string &name = dataSet->Fields(i).FieldName();
            columns.push_back({name, QString::fromStdString(name)});
        }
    return columns;
}

std::vector<DatasetModel::Row> DatasetModel::readRows() const
{
    std::vector<Row> rows;
    TDataSet *dataSet = DataSet();
    if (!dataSet)
        return rows;
    dataSet->forEachRecord([&](const TBookmark &bookmark) { rows.push_back({bookmark}); });
    if (dataSet->State() == dsInsert) {
        const TBookmark &anchor = dataSet->insertAnchor();
        auto at = std::find_if(rows.begin(), rows.end(),
            [&](const Row &row) { return !anchor.empty() && row.bookmark == anchor; });
        rows.insert(at, Row {});
    }
    return rows;
}

void DatasetModel::rebuild()
{
    std::vector<Column> shown = shownColumns();
    std::vector<Row> rows = readRows();
    const bool sameShape = shown == m_shown && rows == m_rows;
    if (!sameShape)
        beginResetModel();
    m_shown = std::move(shown);
    m_rows = std::move(rows);
    m_rowOf.clear();
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (!m_rows[i].bookmark.empty())
            m_rowOf.emplace(m_rows[i].bookmark, static_cast<int>(i));
    m_texts.clear();
    m_readErrorShown = false;
    m_currentRow = findCurrentRow();
    if (!sameShape) {
        endResetModel();
    } else if (!m_rows.empty()) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, std::max(0, columnCount() - 1)));
        emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
    }
    emit currentRowChanged(m_currentRow);
}

int DatasetModel::findCurrentRow() const
{
    TDataSet *dataSet = DataSet();
    if (!dataSet)
        return -1;
    if (dataSet->State() == dsInsert) {
        const auto inserted = std::find(m_rows.begin(), m_rows.end(), Row {});
        return inserted == m_rows.end() ? -1 : static_cast<int>(inserted - m_rows.begin());
    }
    const auto found = m_rowOf.find(dataSet->GetBookmark());
    return found == m_rowOf.end() ? -1 : found->second;
}

void DatasetModel::followCurrentRecord()
{
    const int before = m_currentRow;
    m_currentRow = findCurrentRow();
    for (int row : {before, m_currentRow}) {
        if (row < 0)
            continue;
        m_texts.erase(row);
        emit dataChanged(index(row, 0), index(row, std::max(0, columnCount() - 1)));
        emit headerDataChanged(Qt::Vertical, row, row);
    }
    emit currentRowChanged(m_currentRow);
}

void DatasetModel::currentRecordChanged()
{
    if (m_currentRow < 0)
        return;
    emit dataChanged(index(m_currentRow, 0), index(m_currentRow, std::max(0, columnCount() - 1)));
    emit headerDataChanged(Qt::Vertical, m_currentRow, m_currentRow);
}

void DatasetModel::moveTo(int row)
{
    if (row < 0 || row >= rowCount() || isCurrentRow(row))
        return;
    // The rows may be read again while the dataset leaves the current record.
    const TBookmark target = m_rows[static_cast<size_t>(row)].bookmark;
    if (!target.empty())
        m_link.DataSet()->GotoBookmark(target);
}

bool DatasetModel::beginEdit(int row)
{
    moveTo(row);
    return m_link.Edit();
}

QStringList DatasetModel::readTexts() const
{
    QStringList texts;
    for (int column = 0; column < columnCount(); ++column) {
        const TField *field = fieldOf(column);
        texts.append(field ? fieldTextOf(*field) : QString());
    }
    return texts;
}

QStringList DatasetModel::rowTexts(int row) const
{
    if (isCurrentRow(row))
        return readTexts();
    const auto kept = m_texts.find(row);
    if (kept != m_texts.end())
        return kept->second;
    if (m_texts.size() >= KeptRows)
        m_texts.clear();
    QStringList texts;
    const TBookmark &bookmark = m_rows[static_cast<size_t>(row)].bookmark;
    if (!bookmark.empty())
        DataSet()->readRecordAt(bookmark, [&] { texts = readTexts(); });
    m_texts[row] = texts;
    return texts;
}

void DatasetModel::reportReadError(const std::string &message) const
{
    if (m_readErrorShown)
        return;
    m_readErrorShown = true;
    // Never a modal box in the middle of painting: shown once the event loop is back.
    ErrorSink *errors = &errorSink();
    QMetaObject::invokeMethod(
        const_cast<DatasetModel *>(this), [errors, message] { errors->error(message); },
        Qt::QueuedConnection);
}

ErrorSink &DatasetModel::errorSink() const
{
    return m_link.errorSink();
}

int DatasetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int DatasetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_shown.size());
}

QVariant DatasetModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role == Qt::TextAlignmentRole) {
        const TField *field = fieldOf(index.column());
        const bool right = field && isNumeric(field->DataType());
        return QVariant::fromValue((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    try {
        return rowTexts(index.row()).value(index.column());
    } catch (...) {
        m_texts[index.row()] = QStringList();
        reportReadError(currentExceptionText());
    }
    return {};
}

bool DatasetModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return false;
    const int row = index.row();
    TField *field = fieldOf(index.column());
    if (!field)
        return false;
    bool stored = false;
    runGuarded(errorSink(), [&] {
        moveTo(row);
        const QString text = value.toString();
        if (text == fieldTextOf(*field)) {
            stored = true; // nothing changed: the record stays unmodified
            return;
        }
        if (!m_link.Edit())
            return;
        setFieldText(*field, text);
        stored = true;
    });
    return stored;
}

Qt::ItemFlags DatasetModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    TDataSet *dataSet = DataSet();
    if (index.isValid() && dataSet && dataSet->CanModify() && fieldOf(index.column()))
        flags |= Qt::ItemIsEditable;
    return flags;
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < columnCount()
            ? QVariant(m_shown[static_cast<size_t>(section)].title)
            : QVariant();
    // The current row's marker says what the dataset is doing with it.
    if (!isCurrentRow(section) || !DataSet())
        return QString();
    switch (DataSet()->State()) {
    case dsEdit:
        return QStringLiteral("\u270E");
    case dsInsert:
        return QStringLiteral("*");
    default:
        return QStringLiteral("\u25B6");
    }
}

} // namespace kelvane
