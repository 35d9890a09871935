// TDBText: a read-only label showing one field of the dataset's current record, as plain text.
// It does not own the data source. Main thread only.
#pragma once

#include "dataviews/data_source.h"

#include <QLabel>
#include <string>

namespace kelvane {

class TDBText : public QLabel
{
    Q_OBJECT
public:
    explicit TDBText(QWidget *parent = nullptr);

    TDataSource *DataSource() const { return m_link.DataSource(); }
    void SetDataSource(TDataSource *source) { m_link.SetDataSource(source); }
    const std::string &DataField() const { return m_link.FieldName(); }
    void SetDataField(const std::string &fieldName) { m_link.SetFieldName(fieldName); }

private:
    void showField();

    TFieldDataLink m_link;
};

} // namespace kelvane
