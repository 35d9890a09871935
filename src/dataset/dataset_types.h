// Plain types of the generic dataset: its states, how a cursor fetches records, what a record
// buffer holds, the data events a dataset sends to the views that follow it, and the handler
// types of its events. Value types only.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <vector>

namespace kelvane {

class TDataSet;
class TField;

// dsFilter is the state while a record is tested against the filter; views never see it.
enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert, dsFilter };

// How a cursor moves when asked for a record, and what it found.
enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };

// Whether a record buffer holds a record read through the cursor or a new, unstored one.
enum TBookmarkFlag : uint8_t { bfCurrent = 0, bfBOF = 1, bfEOF = 2, bfInserted = 3 };

// A record's position as its cursor defines it; empty when there is no record.
using TBookmark = std::vector<uint8_t>;
using TRecordBuffer = char *;

enum TDataEvent {
    deFieldChange, // a field of the current record was set; the field comes with it
    deRecordChange, // the current record's values may differ (editing began, a re-read)
    deDataSetChange, // the records shown may differ: open, insert, post, cancel, delete, refresh
    deDataSetScroll, // another record became current; the records shown are the same
    deUpdateState, // the state changed
    deUpdateRecord, // views must put what is typed but not yet stored into the fields now
    deCheckBrowseMode, // the current record is about to be left, stored or deleted
};

// What an error handler decides: let the error go on, give the operation up, or try again.
enum TDataAction { daFail, daAbort, daRetry };

using TDataSetNotifyEvent = std::function<void(TDataSet &)>;
using TDataSetErrorEvent
    = std::function<void(TDataSet &, const std::exception &, TDataAction &action)>;
using TFilterRecordEvent = std::function<void(TDataSet &, bool &accept)>;

// Whoever follows a dataset's data events (the data source of the views).
class DataSetObserver
{
public:
    virtual ~DataSetObserver() = default;
    // `field` is set for deFieldChange only.
    virtual void DataEvent(TDataEvent event, TField *field) = 0;
    // The dataset is being destroyed and must not be used any more.
    virtual void dataSetDestroyed() = 0;
};

} // namespace kelvane
