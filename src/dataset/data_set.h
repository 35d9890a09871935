// TDataSet: the generic dataset. It keeps the state (closed, browsing, editing the current record,
// inserting a new one), the current record in a buffer, the field objects, and the rules by which
// records are left, stored, dropped and deleted. A cursor derives from it and carries out the
// record work: it fetches records into buffers, stores, appends and deletes them, and reads and
// writes field values (the protected pure virtual calls below).
//
// The rule every view relies on: before the current record is left (any move, Refresh, Close),
// views put pending edits into the fields; then an edited or inserted record is stored when a
// field changed and dropped otherwise.
//
// Observers (the data sources of the views) hear data events. They may read other records while
// they handle one (forEachRecord, readRecordAt): the dataset sends events only once it no longer
// relies on where the cursor stands, and brings the cursor back to the current record before it
// relies on it again.
//
// The dataset owns its fields and record buffers; it does not own its observers. Errors are
// exceptions carrying their message. Not thread-safe: one thread, as the windows that use it.
#pragma once

#include "base/error_sink.h"
#include "base/field_types.h"
#include "base/stream.h"
#include "dataset/dataset_types.h"
#include "dataset/field.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

class TDataSet
{
public:
    TDataSet();
    // REQUIRES: a derived cursor has closed the dataset in its own destructor (closeOnDestroy).
    virtual ~TDataSet();
    TDataSet(const TDataSet &) = delete;
    TDataSet &operator=(const TDataSet &) = delete;

    // The component name that prefixes the dataset's error messages ("Dbf1").
    const std::string &Name() const { return m_name; }
    void SetName(const std::string &name) { m_name = name; }

    // Where the errors go that the dataset cannot raise to a caller (a close in its destructor),
    // and those of the views that show it: standard error unless set. The sink is not owned and
    // must outlive the dataset.
    ErrorSink &errorSink() const { return *m_errorSink; }
    void setErrorSink(ErrorSink &sink) { m_errorSink = &sink; }

    TDataSetState State() const { return m_state; }
    bool Active() const { return m_state != dsInactive; }
    void SetActive(bool active);
    // Opens the cursor and makes the first record current. Opening an open dataset does nothing.
    void Open();
    // Leaves the current record by the browse-mode rule, then closes the cursor.
    void Close();

    // Field definitions as the cursor describes them (see UpdateFieldDefs).
    const TFieldDefs &FieldDefs() const { return m_fieldDefs; }
    // Asks the cursor for its field definitions, also while closed.
    void UpdateFieldDefs();
    int FieldCount() const { return static_cast<int>(m_fields.size()); }
    // REQUIRES: 0 <= index < FieldCount().
    TField &Fields(int index) const { return *m_fields[static_cast<size_t>(index)]; }
    TField *FindField(std::string_view name) const;
    // Throws EDatabaseError when there is no such field.
    TField &FieldByName(std::string_view name) const;

    // Navigation. Each first leaves the current record by the browse-mode rule. Bof and Eof say
    // that the last move met an end (both hold when there is no record).
    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    // Returns how many records it moved, negative backwards.
    int MoveBy(int distance);
    bool Bof() const { return m_bof; }
    bool Eof() const { return m_eof; }
    // No record to show: nothing current and nothing being inserted.
    bool IsEmpty() const;

    // The current record's bookmark; empty while inserting or when there is no record.
    TBookmark GetBookmark();
    // Makes the bookmarked record current. An empty bookmark does nothing. Throws the cursor's
    // error for a bookmark it does not know, EDatabaseError for a record it no longer shows.
    void GotoBookmark(const TBookmark &bookmark);

    // What the cursor says; both raise the closed-dataset error on a closed cursor.
    int32_t RecordCount();
    int32_t RecNo();
    uint16_t RecordSize() { return GetRecordSize(); }

    bool CanModify() { return GetCanModify(); }
    // A field of the record being edited or inserted was set since editing began.
    bool Modified() const { return m_modified; }
    // Starts editing the current record; on an empty dataset starts an insert instead. Does
    // nothing while editing or inserting.
    void Edit();
    // Starts a new blank record, shown at the current record's place (Insert) or after the last
    // record (Append). Modified stays false until a field is set.
    void Insert();
    void Append();
    // Has the views put pending edits into the fields, stores the record and re-reads.
    // REQUIRES: editing or inserting (EDatabaseError otherwise).
    void Post();
    // Drops the edit or the insert and shows the stored record again; nothing otherwise.
    void Cancel();
    // While inserting: drops the insert, nothing else. Otherwise deletes the current record and
    // makes a neighbour current. Throws EDatabaseError on an empty dataset.
    void Delete();
    // Leaves the current record by the browse-mode rule and re-reads it.
    void Refresh();
    // The browse-mode rule: views put pending edits into the fields, then an edited or inserted
    // record is stored when it was modified and dropped otherwise.
    void CheckBrowseMode();
    // Has the views put pending edits into the fields. REQUIRES: editing or inserting.
    void UpdateRecord();
    // Stores a new record with `values` as the text of the first fields, in one step.
    void InsertRecord(const std::vector<std::string> &values);
    void AppendRecord(const std::vector<std::string> &values);

    bool Filtered() const { return m_filtered; }
    // Leaves the current record, then applies or drops OnFilterRecord and re-reads.
    void SetFiltered(bool filtered);

    // A stream over the memo value of `field` in the current record. A write-mode stream
    // stores its text when handed to commitBlobStream; it is the caller's to free.
    std::unique_ptr<TStream> CreateBlobStream(const TField &field, TBlobStreamMode mode);
    // Stores what was written to a write-mode memo stream and marks the field changed.
    // REQUIRES: stream came from CreateBlobStream of this dataset, in write mode.
    void commitBlobStream(TField &field, TStream &stream);

    // For views. The records the dataset shows, in order, as bookmarks (a record being inserted
    // is not among them). The current record stays as it is.
    void forEachRecord(const std::function<void(const TBookmark &)> &visit);
    // Where the record being inserted is shown: before the record of this bookmark, or after
    // the last record when it is empty.
    const TBookmark &insertAnchor() const { return m_insertAnchor; }
    // Runs `read` with the fields reading the record of `bookmark` instead of the current one.
    // Returns false, running nothing, when the dataset no longer shows that record.
    // REQUIRES: `read` only reads fields.
    bool readRecordAt(const TBookmark &bookmark, const std::function<void()> &read);

    void addObserver(DataSetObserver *observer);
    void removeObserver(DataSetObserver *observer);

    // Events. A Before handler that raises stops the operation; an error handler decides what
    // happens to an error of its operation (daFail: raised; daRetry: tried again; daAbort:
    // the operation is given up quietly, nothing changes).
    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    // Runs for each record read through the cursor, with that record readable by the fields.
    TDataSetNotifyEvent OnCalcFields;
    // Runs when a new record has been started; fields set here do not count as modifications.
    TDataSetNotifyEvent OnNewRecord;
    TDataSetErrorEvent OnDeleteError, OnEditError, OnPostError;
    // Decides, while Filtered, which records are shown; the record under test is readable.
    TFilterRecordEvent OnFilterRecord;

protected:
    // The cursor's side. Buffers come from AllocRecordBuffer; fetches fill them.
    virtual TRecordBuffer AllocRecordBuffer() = 0;
    virtual void FreeRecordBuffer(TRecordBuffer &buffer) = 0;
    // REQUIRES: data holds BookmarkSize() bytes.
    virtual void GetBookmarkData(TRecordBuffer buffer, TBookmark &data) = 0;
    virtual void SetBookmarkData(TRecordBuffer buffer, const TBookmark &data) = 0;
    virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) = 0;
    virtual void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) = 0;
    // Fetches the record at, after or before the cursor's position into buffer.
    virtual TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) = 0;
    virtual uint16_t GetRecordSize() = 0;
    virtual void InternalAddRecord(TRecordBuffer buffer, bool append) = 0;
    virtual void InternalOpen() = 0;
    virtual void InternalClose() = 0;
    virtual void InternalDelete() = 0;
    virtual void InternalEdit() { }
    virtual void InternalFirst() = 0;
    virtual void InternalLast() = 0;
    virtual void InternalGotoBookmark(const TBookmark &bookmark) = 0;
    // Hands the exception being handled to the error sink.
    virtual void InternalHandleException();
    virtual void InternalInitFieldDefs() = 0;
    virtual void InternalInitRecord(TRecordBuffer buffer) = 0;
    virtual void InternalPost() = 0;
    virtual void InternalRefresh() { }
    virtual void InternalSetToRecord(TRecordBuffer buffer) = 0;
    virtual bool IsCursorOpen() = 0;
    virtual bool GetCanModify() { return true; }
    virtual int32_t GetRecordCount() = 0;
    virtual int32_t GetRecNo() = 0;
    // buffer null: only whether there is a value.
    virtual bool GetFieldData(const TField &field, void *buffer) = 0;
    virtual void SetFieldData(TField &field, const void *buffer) = 0;
    // The default has no memo streams and raises EDatabaseError.
    virtual std::unique_ptr<TStream> doCreateBlobStream(const TField &field, TBlobStreamMode mode);
    virtual void doCommitBlobStream(TStream &stream);
    virtual void CloseBlob(TField &field);

    // For the cursor.
    // The buffer fields read and write: the current record's, or the one a view or the calc
    // fields handler is reading.
    TRecordBuffer ActiveBuffer() const { return m_readBuffer ? m_readBuffer : m_activeBuffer; }
    // The record under filter test (state dsFilter).
    TRecordBuffer filterBuffer() const { return m_filterBuffer; }
    int BookmarkSize() const { return m_bookmarkSize; }
    void SetBookmarkSize(int size) { m_bookmarkSize = size; }
    TFieldDefs &fieldDefsForUpdate() { return m_fieldDefs; }
    // One field object per definition, owned by the dataset until DestroyFields.
    void CreateFields();
    void DestroyFields();
    // Whether the record in buffer passes the filter; runs OnFilterRecord in state dsFilter.
    bool filterRecord(TRecordBuffer buffer);
    // Runs OnCalcFields for a record just read into buffer.
    void GetCalcFields(TRecordBuffer buffer);
    void DataEvent(TDataEvent event, TField *field = nullptr);
    // Raises the closed-dataset error unless open.
    void CheckActive() const;
    [[noreturn]] void DatabaseError(const std::string &message) const;
    // Closes from a derived destructor; what fails goes to InternalHandleException.
    void closeOnDestroy() noexcept;

private:
    friend class TField;

    bool readFieldData(const TField &field, void *buffer);
    void writeFieldData(TField &field, const void *buffer);
    void checkEditing() const;
    void checkCanModify();

    void doClose(bool leaveRecord);
    void allocateBuffers();
    void freeBuffers();
    void SetState(TDataSetState state);
    void notify(const TDataSetNotifyEvent &event);
    // Runs a cursor operation under its error handler; false when the handler gave it up.
    bool runOperation(const std::function<void()> &operation, const TDataSetErrorEvent &onError);
    // Moves the cursor back to the current record, wherever views or failed fetches left it.
    void updateCursorPos();
    // Re-reads the record at the cursor, else its next, else its previous one.
    void resync();
    void fetchFirst();
    bool fetchActive(TGetMode mode);
    TBookmark lastRecordBookmark();
    void beginInsertAppend(bool append);
    void returnFromInsert();
    void addRecord(const std::vector<std::string> &values, bool append);
    // What follows a stored record: back to browsing the re-read records, then AfterPost.
    void afterStore();

    std::string m_name;
    ErrorSink *m_errorSink = &ErrorSink::standardError();
    TDataSetState m_state = dsInactive;
    TFieldDefs m_fieldDefs;
    std::vector<std::unique_ptr<TField>> m_fields;
    std::vector<DataSetObserver *> m_observers;

    TRecordBuffer m_activeBuffer = nullptr; // the current record, or the one being inserted
    TRecordBuffer m_scratchBuffer = nullptr; // fetches that may fail land here first
    TRecordBuffer m_rowBuffer = nullptr; // records views read
    TRecordBuffer m_readBuffer = nullptr; // set while fields read another record
    TRecordBuffer m_filterBuffer = nullptr;
    int m_bookmarkSize = 0;

    bool m_hasRecord = false; // the active buffer holds a record read through the cursor
    bool m_bof = true;
    bool m_eof = true;
    bool m_modified = false;
    bool m_filtered = false;
    TBookmark m_insertAnchor; // the inserted record is shown before this one; empty: at the end
    TBookmark m_returnTo; // current again when the insert is dropped
};

} // namespace kelvane
