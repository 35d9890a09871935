// TField: one field of a dataset's records. It reads and writes its value in the record the
// dataset has made readable (the current record; the record under filter test; a record a view
// is showing) through the dataset, as text or typed, converting by the rules of field_text.h.
// A memo field's text goes through the dataset's memo stream.
//
// The dataset creates its fields when it opens and destroys them when it closes; a field must not
// be used after that. Not thread-safe.
#pragma once

#include "base/field_types.h"

#include <cstdint>
#include <string>

namespace kelvane {

class TDataSet;

class TField
{
public:
    // `fieldNo` counts from 1 in the order of the dataset's field definitions.
    TField(TDataSet &dataSet, const TFieldDef &def, int fieldNo);
    TField(const TField &) = delete;
    TField &operator=(const TField &) = delete;

    TDataSet &DataSet() const { return m_dataSet; }
    const std::string &FieldName() const { return m_def.Name; }
    int FieldNo() const { return m_fieldNo; }
    TFieldType DataType() const { return m_def.DataType; }
    // The length of a character field; 0 for the other types.
    int Size() const { return m_def.Size; }
    bool IsBlob() const { return DataType() == ftMemo; }

    // What the dataset answers when asked whether there is a value, without reading it.
    bool IsNull() const;

    // The value as text; empty when the dataset has no value to give.
    std::string AsString() const;
    int64_t AsInteger() const;
    double AsFloat() const;
    bool AsBoolean() const;

    // REQUIRES for the setters: the dataset is in edit or insert state (EDatabaseError
    // otherwise). A text that is no value of the field's type raises EDatabaseError; a value too
    // long for the field raises the dataset's error and leaves the record as it was.
    void SetAsString(const std::string &text);
    void SetAsInteger(int64_t value);
    void SetAsFloat(double value);
    void SetAsBoolean(bool value);

    // The value buffer of DataType() (see field_types.h). GetData returns false when there is no
    // value; the buffer is then untouched.
    bool GetData(void *buffer) const;
    void SetData(const void *buffer);

private:
    std::string memoText() const;
    void setMemoText(const std::string &text);

    TDataSet &m_dataSet;
    TFieldDef m_def;
    int m_fieldNo;
};

} // namespace kelvane
