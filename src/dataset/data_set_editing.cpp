// Editing, inserting, storing, dropping, deleting and re-reading records. Each operation finishes
// its cursor work before it tells the observers, who may move the cursor while they listen.
#include "dataset/data_set.h"
#include "dataset/database_error.h"

namespace kelvane {

void TDataSet::CheckBrowseMode()
{
    CheckActive();
    DataEvent(deCheckBrowseMode);
    if (m_state != dsEdit && m_state != dsInsert)
        return;
    UpdateRecord();
    if (m_modified)
        Post();
    else
        Cancel();
}

void TDataSet::UpdateRecord()
{
    CheckEditing();
    DataEvent(deUpdateRecord);
}

void TDataSet::Edit()
{
    if (m_state == dsEdit || m_state == dsInsert)
        return;
    CheckActive();
    if (IsEmpty()) {
        Insert();
        return;
    }
    CheckCanModify();
    Notify(BeforeEdit);
    UpdateCursorPos();
    if (!RunOperation([this] { InternalEdit(); }, OnEditError))
        return;
    SetState(dsEdit);
    DataEvent(deRecordChange);
    Notify(AfterEdit);
}

void TDataSet::Insert()
{
    BeginInsertAppend(false);
}

void TDataSet::Append()
{
    BeginInsertAppend(true);
}

void TDataSet::BeginInsertAppend(bool append)
{
    CheckBrowseMode();
    CheckCanModify();
    Notify(BeforeInsert);
    Notify(BeforeScroll);
    const TBookmark current = GetBookmark();
    m_returnTo = append ? LastRecordBookmark() : current;
    m_insertAnchor = append ? TBookmark() : current;
    InternalInitRecord(m_activeBuffer);
    SetBookmarkFlag(m_activeBuffer, bfInserted);
    m_bof = m_eof = false;
    SetState(dsInsert);
    try {
        Notify(OnNewRecord);
    } catch (...) {
        ReturnFromInsert();
        SetState(dsBrowse);
        DataEvent(deDataSetChange);
        throw;
    }
    m_modified = false;
    DataEvent(deDataSetChange);
    Notify(AfterInsert);
    Notify(AfterScroll);
}

void TDataSet::ReturnFromInsert()
{
    m_insertAnchor.clear();
    if (m_returnTo.empty()) {
        FetchFirst();
        return;
    }
    InternalGotoBookmark(m_returnTo);
    m_returnTo.clear();
    m_hasRecord = true;
    Resync();
}

void TDataSet::Post()
{
    CheckActive();
    UpdateRecord();
    Notify(BeforePost);
    UpdateCursorPos();
    if (!RunOperation([this] { InternalPost(); }, OnPostError))
        return;
    AfterStore();
}

void TDataSet::Cancel()
{
    if (m_state != dsEdit && m_state != dsInsert)
        return;
    Notify(BeforeCancel);
    if (m_state == dsInsert) {
        ReturnFromInsert();
    } else {
        UpdateCursorPos();
        Resync();
    }
    SetState(dsBrowse);
    DataEvent(deDataSetChange);
    Notify(AfterCancel);
}

void TDataSet::Delete()
{
    CheckActive();
    if (m_state == dsInsert) {
        Cancel();
        return;
    }
    if (IsEmpty())
        DatabaseError(DatasetMessages::Empty);
    DataEvent(deCheckBrowseMode);
    Notify(BeforeDelete);
    Notify(BeforeScroll);
    UpdateCursorPos();
    if (!RunOperation([this] { InternalDelete(); }, OnDeleteError))
        return;
    Resync();
    SetState(dsBrowse);
    DataEvent(deDataSetChange);
    Notify(AfterDelete);
    Notify(AfterScroll);
}

void TDataSet::Refresh()
{
    CheckBrowseMode();
    UpdateCursorPos();
    InternalRefresh();
    Resync();
    DataEvent(deDataSetChange);
}

void TDataSet::SetFiltered(bool filtered)
{
    if (Active())
        CheckBrowseMode();
    m_filtered = filtered;
    if (Active())
        Refresh();
}

void TDataSet::InsertRecord(const std::vector<std::string> &values)
{
    AddRecord(values, false);
}

void TDataSet::AppendRecord(const std::vector<std::string> &values)
{
    AddRecord(values, true);
}

void TDataSet::AddRecord(const std::vector<std::string> &values, bool append)
{
    BeginInsertAppend(append);
    try {
        for (size_t i = 0; i < values.size() && i < m_fields.size(); ++i)
            m_fields[i]->SetAsString(values[i]);
        Notify(BeforePost);
        InternalAddRecord(m_activeBuffer, append);
    } catch (...) {
        Cancel();
        throw;
    }
    AfterStore();
}

void TDataSet::AfterStore()
{
    m_insertAnchor.clear();
    m_returnTo.clear();
    Resync();
    SetState(dsBrowse);
    DataEvent(deDataSetChange);
    Notify(AfterPost);
}

} // namespace kelvane
