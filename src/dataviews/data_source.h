// TDataSource and TDataLink: how views follow one dataset. A view holds a TDataLink (or a
// TFieldDataLink for one field) attached to the data source; the source hears the dataset's data
// events and passes each to every link as a notification: the dataset opened or closed, editing
// began or ended, the records shown changed, another record became current, a field changed, or
// pending edits must go into the fields now. All views of one source share the dataset's current
// record.
//
// Neither owns the other nor the dataset; each of the three may be destroyed first and the others
// forget it. Main thread only.
#pragma once

#include "dataset/data_set.h"

#include <functional>
#include <string>
#include <vector>

namespace kelvane {

class TDataLink;

class TDataSource : private DataSetObserver
{
public:
    explicit TDataSource(TDataSet *dataSet = nullptr);
    ~TDataSource() override;
    TDataSource(const TDataSource &) = delete;
    TDataSource &operator=(const TDataSource &) = delete;

    TDataSet *DataSet() const { return m_dataSet; }
    void SetDataSet(TDataSet *dataSet);
    // The dataset's state as the links last heard it; dsInactive without a dataset.
    TDataSetState State() const { return m_state; }

private:
    friend class TDataLink;

    void DataEvent(TDataEvent event, TField *field) override;
    void dataSetDestroyed() override;
    void addLink(TDataLink *link);
    void removeLink(TDataLink *link);
    void changeState(TDataSetState state);

    TDataSet *m_dataSet = nullptr;
    TDataSetState m_state = dsInactive;
    std::vector<TDataLink *> m_links;
};

class TDataLink
{
public:
    TDataLink() = default;
    virtual ~TDataLink();
    TDataLink(const TDataLink &) = delete;
    TDataLink &operator=(const TDataLink &) = delete;

    TDataSource *DataSource() const { return m_source; }
    void SetDataSource(TDataSource *source);
    // Null without a source or a dataset.
    TDataSet *DataSet() const { return m_source ? m_source->DataSet() : nullptr; }
    bool Active() const { return m_source && m_source->State() != dsInactive; }
    // Where the view's errors go: its dataset's error sink; standard error without a dataset.
    ErrorSink &errorSink() const;
    // The dataset is editing or inserting.
    bool Editing() const;
    // Starts editing the current record (an insert on an empty dataset) unless already editing.
    // Returns Editing(); raises what the dataset raises.
    bool Edit();
    // Puts this view's pending edit into its field now.
    void UpdateRecord() { UpdateData(); }

protected:
    virtual void ActiveChanged() { }
    virtual void EditingChanged() { }
    // The records shown may differ; by default the same as a change of the current record.
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled() { DataSetChanged(); }
    // A field of the current record changed; null: any of them.
    virtual void RecordChanged(TField *) { }
    // Pending edits must go into the fields now.
    virtual void UpdateData() { }
    // The current record is about to be left, stored or deleted.
    virtual void CheckBrowseMode() { }

private:
    friend class TDataSource;

    void dispatch(TDataEvent event, TField *field);
    void stateChanged(TDataSetState before, TDataSetState after);

    TDataSource *m_source = nullptr;
};

// A link whose notifications are handlers set by the view that holds it, for views that follow
// the whole dataset. A notification without a handler does what TDataLink does.
class ViewDataLink : public TDataLink
{
public:
    std::function<void()> onActiveChanged;
    std::function<void()> onEditingChanged;
    std::function<void()> onDataSetChanged;
    std::function<void()> onDataSetScrolled;
    std::function<void(TField *field)> onRecordChanged;
    std::function<void()> onUpdateData;

protected:
    void ActiveChanged() override;
    void EditingChanged() override;
    void DataSetChanged() override;
    void DataSetScrolled() override;
    void RecordChanged(TField *field) override;
    void UpdateData() override;
};

// A link to one field of the dataset, by name, with the notifications as handlers. It remembers
// whether the view holds an edit that has not reached the field yet.
class TFieldDataLink : public TDataLink
{
public:
    const std::string &FieldName() const { return m_fieldName; }
    void SetFieldName(const std::string &fieldName);
    // The field of the open dataset, or null.
    TField *Field() const;
    // The view may change the field: the dataset is open and modifiable and has the field.
    bool CanModify() const;

    bool isModified() const { return m_modified; }
    // The view's text now differs from the field.
    void Modified() { m_modified = true; }
    void Reset() { m_modified = false; }

    // The field's value may differ: show it again.
    std::function<void()> OnDataChange;
    std::function<void()> OnEditingChange;
    std::function<void()> OnActiveChange;
    // Put the view's pending text into the field.
    std::function<void()> OnUpdateData;

protected:
    void ActiveChanged() override;
    void EditingChanged() override;
    void RecordChanged(TField *field) override;
    void UpdateData() override;

private:
    std::string m_fieldName;
    bool m_modified = false;
};

} // namespace kelvane
