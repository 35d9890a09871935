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
    checkEditing();
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
    checkCanModify();
    notify(BeforeEdit);
    updateCursorPos();
    if (!runOperation([this] { InternalEdit(); }, OnEditError))
        return;
    SetState(dsEdit);
    DataEvent(deRecordChange);
    notify(AfterEdit);
}

void TDataSet::Insert()
{
    beginInsertAppend(false);
}

void TDataSet::Append()
{
    beginInsertAppend(true);
}

void TDataSet::beginInsertAppend(bool append)
{
    CheckBrowseMode();
    checkCanModify();
    notify(BeforeInsert);
    notify(BeforeScroll);
    const TBookmark current = GetBookmark();
    m_returnTo = append ? lastRecordBookmark() : current;
    m_insertAnchor = append ? TBookmark() : current;
    InternalInitRecord(m_activeBuffer);
    SetBookmarkFlag(m_activeBuffer, bfInserted);
    m_bof = m_eof = false;
    SetState(dsInsert);
    try {
        notify(OnNewRecord);
    } catch (...) {
        returnFromInsert();
        SetState(dsBrowse);
        DataEvent(deDataSetChange);
        throw;
    }
    m_modified = false;
    DataEvent(deDataSetChange);
    notify(AfterInsert);
    notify(AfterScroll);
}

void TDataSet::returnFromInsert()
{
    m_insertAnchor.clear();
    if (m_returnTo.empty()) {
        fetchFirst();
        return;
    }
    InternalGotoBookmark(m_returnTo);
    m_returnTo.clear();
    m_hasRecord = true;
    resync();
}

void TDataSet::Post()
{
    CheckActive();
    UpdateRecord();
    notify(BeforePost);
    updateCursorPos();
    if (!runOperation([this] { InternalPost(); }, OnPostError))
        return;
    afterStore();
}

void TDataSet::Cancel()
{
    if (m_state != dsEdit && m_state != dsInsert)
        return;
    notify(BeforeCancel);
    if (m_state == dsInsert) {
        returnFromInsert();
    } else {
        updateCursorPos();
        resync();
    }
    SetState(dsBrowse);
    DataEvent(deDataSetChange);
    notify(AfterCancel);
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
    notify(BeforeDelete);
    notify(BeforeScroll);
    updateCursorPos();
    if (!runOperation([this] { InternalDelete(); }, OnDeleteError))
        return;
    resync();
    SetState(dsBrowse);
    DataEvent(deDataSetChange);
    notify(AfterDelete);
    notify(AfterScroll);
}

void TDataSet::Refresh()
{
    CheckBrowseMode();
    updateCursorPos();
    InternalRefresh();
    resync();
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
    addRecord(values, false);
}

void TDataSet::AppendRecord(const std::vector<std::string> &values)
{
    addRecord(values, true);
}

void TDataSet::addRecord(const std::vector<std::string> &values, bool append)
{
    beginInsertAppend(append);
    try {
        for (size_t i = 0; i < values.size() && i < m_fields.size(); ++i)
            m_fields[i]->SetAsString(values[i]);
        notify(BeforePost);
        InternalAddRecord(m_activeBuffer, append);
    } catch (...) {
        Cancel();
        throw;
    }
    afterStore();
}

void TDataSet::afterStore()
{
    m_insertAnchor.clear();
    m_returnTo.clear();
    resync();
    SetState(dsBrowse);
    DataEvent(deDataSetChange);
    notify(AfterPost);
}

} // namespace kelvane
