// TDBEdit: an edit box bound to one field of a dataset. It shows the current record's value;
// typing puts the dataset into edit state (an insert on an empty dataset) and leaves the text
// pending; the text goes into the field when the dataset stores the record or when the box loses
// focus. A record change or a cancel shows the field's value again. Read-only while the dataset
// cannot be changed, unless typing is kept for such a dataset. It does not own the data source.
// Errors go to the general error display. Main thread only.
#pragma once

#include "dataviews/data_source.h"

#include <QLineEdit>
#include <string>

namespace kelvane {

class TDBEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TDBEdit(QWidget *parent = nullptr);

    TDataSource *DataSource() const { return m_link.DataSource(); }
    void SetDataSource(TDataSource *source) { m_link.SetDataSource(source); }
    const std::string &DataField() const { return m_link.FieldName(); }
    void SetDataField(const std::string &fieldName) { m_link.SetFieldName(fieldName); }
    TField *Field() const { return m_link.Field(); }
    // The text typed has not reached the field yet.
    bool editPending() const { return m_link.isModified(); }
    // With this set, the box takes typing also while the dataset cannot be changed; the text then
    // stays in the box and reaches no field, until the record changes or revert() is called.
    void setTypingWhenReadOnly(bool on);
    // Shows the field's value again; what was typed and not stored is dropped.
    void revert();

protected:
    void focusOutEvent(QFocusEvent *event) override;

private:
    void showField();
    void applyField();
    void textEdited();
    void storeText();

    TFieldDataLink m_link;
    bool m_startingEdit = false;
    bool m_typingWhenReadOnly = false;
};

} // namespace kelvane
