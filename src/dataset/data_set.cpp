// Opening and closing, fields, observers and the helpers every operation shares.
#include "dataset/data_set.h"

#include "base/stream.h"
#include "dataset/database_error.h"

#include <algorithm>
#include <exception>

namespace kelvane {

TDataSet::TDataSet() = default;

TDataSet::~TDataSet()
{
    for (DataSetObserver *observer : std::vector<DataSetObserver *>(m_observers))
        observer->dataSetDestroyed();
}

void TDataSet::closeOnDestroy() noexcept
{
    try {
        Close();
    } catch (...) {
        InternalHandleException();
    }
    if (!Active())
        return;
    // The record could not be left (its store failed): close without it.
    try {
        doClose(false);
    } catch (...) {
        InternalHandleException();
    }
}

void TDataSet::SetActive(bool active)
{
    if (active)
        Open();
    else
        Close();
}

void TDataSet::Open()
{
    if (Active())
        return;
    notify(BeforeOpen);
    try {
        InternalOpen();
        allocateBuffers();
        // Open for the fetch (filter and calc handlers read fields); the observers hear of it
        // once the first record is there.
        m_state = dsBrowse;
        fetchFirst();
    } catch (...) {
        m_state = dsInactive;
        freeBuffers();
        if (IsCursorOpen()) {
            try {
                InternalClose();
            } catch (...) {
                // The open's own error is the one to report.
            }
        }
        throw;
    }
    DataEvent(deUpdateState);
    DataEvent(deDataSetChange);
    notify(AfterOpen);
}

void TDataSet::Close()
{
    doClose(true);
}

void TDataSet::doClose(bool leaveRecord)
{
    if (!Active())
        return;
    if (leaveRecord)
        CheckBrowseMode();
    notify(BeforeClose);
    SetState(dsInactive);
    freeBuffers();
    m_hasRecord = false;
    m_bof = m_eof = true;
    m_insertAnchor.clear();
    m_returnTo.clear();
    InternalClose();
    notify(AfterClose);
}

void TDataSet::allocateBuffers()
{
    m_activeBuffer = AllocRecordBuffer();
    m_scratchBuffer = AllocRecordBuffer();
    m_rowBuffer = AllocRecordBuffer();
}

void TDataSet::freeBuffers()
{
    for (TRecordBuffer *buffer : {&m_activeBuffer, &m_scratchBuffer, &m_rowBuffer}) {
        if (*buffer)
            FreeRecordBuffer(*buffer);
        *buffer = nullptr;
    }
    m_readBuffer = nullptr;
    m_filterBuffer = nullptr;
}

void TDataSet::UpdateFieldDefs()
{
    InternalInitFieldDefs();
}

void TDataSet::CreateFields()
{
    m_fields.clear();
    for (size_t i = 0; i < m_fieldDefs.size(); ++i)
        m_fields.push_back(
            std::make_unique<TField>(*this, m_fieldDefs[i], static_cast<int>(i + 1)));
}

void TDataSet::DestroyFields()
{
    m_fields.clear();
}

TField *TDataSet::FindField(std::string_view name) const
{
    for (const auto &field : m_fields)
        if (field->FieldName() == name)
            return field.get();
    return nullptr;
}

TField &TDataSet::FieldByName(std::string_view name) const
{
    if (TField *field = FindField(name))
        return *field;
    DatabaseError("Field '" + std::string(name) + "' not found");
}

void TDataSet::addObserver(DataSetObserver *observer)
{
    if (std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
        m_observers.push_back(observer);
}

void TDataSet::removeObserver(DataSetObserver *observer)
{
    m_observers.erase(
        std::remove(m_observers.begin(), m_observers.end(), observer), m_observers.end());
}

void TDataSet::DataEvent(TDataEvent event, TField *field)
{
    if (event == deFieldChange && (m_state == dsEdit || m_state == dsInsert))
        m_modified = true;
    // An observer may go away while the event is passed on.
    for (DataSetObserver *observer : std::vector<DataSetObserver *>(m_observers))
        if (std::find(m_observers.begin(), m_observers.end(), observer) != m_observers.end())
            observer->DataEvent(event, field);
}

void TDataSet::SetState(TDataSetState state)
{
    if (state == m_state)
        return;
    m_state = state;
    m_modified = false;
    DataEvent(deUpdateState);
}

void TDataSet::notify(const TDataSetNotifyEvent &event)
{
    if (event)
        event(*this);
}

bool TDataSet::runOperation(
    const std::function<void()> &operation, const TDataSetErrorEvent &onError)
{
    for (;;) {
        try {
            operation();
            return true;
        } catch (const std::exception &error) {
            if (!onError)
                throw;
            TDataAction action = daFail;
            onError(*this, error, action);
            if (action == daFail)
                throw;
            if (action == daAbort)
                return false;
        }
    }
}

void TDataSet::CheckActive() const
{
    if (!Active())
        DatabaseError(DatasetMessages::Closed);
}

void TDataSet::checkEditing() const
{
    if (m_state != dsEdit && m_state != dsInsert)
        DatabaseError(DatasetMessages::NotEditing);
}

void TDataSet::checkCanModify()
{
    if (!GetCanModify())
        DatabaseError(DatasetMessages::ReadOnly);
}

void TDataSet::DatabaseError(const std::string &message) const
{
    kelvane::DatabaseError(m_name, message);
}

void TDataSet::InternalHandleException()
{
    m_errorSink->error(currentExceptionText());
}

bool TDataSet::IsEmpty() const
{
    return !m_readBuffer && m_state != dsInsert && !m_hasRecord;
}

bool TDataSet::filterRecord(TRecordBuffer buffer)
{
    if (!m_filtered || !OnFilterRecord)
        return true;
    const TDataSetState saved = m_state;
    m_state = dsFilter;
    m_filterBuffer = buffer;
    bool accept = true;
    try {
        OnFilterRecord(*this, accept);
    } catch (...) {
        m_state = saved;
        m_filterBuffer = nullptr;
        throw;
    }
    m_state = saved;
    m_filterBuffer = nullptr;
    return accept;
}

void TDataSet::GetCalcFields(TRecordBuffer buffer)
{
    if (!OnCalcFields)
        return;
    TRecordBuffer saved = m_readBuffer;
    m_readBuffer = buffer;
    try {
        OnCalcFields(*this);
    } catch (...) {
        m_readBuffer = saved;
        throw;
    }
    m_readBuffer = saved;
}

bool TDataSet::readFieldData(const TField &field, void *buffer)
{
    if (!Active())
        return false;
    return GetFieldData(field, buffer);
}

void TDataSet::writeFieldData(TField &field, const void *buffer)
{
    checkEditing();
    SetFieldData(field, buffer);
}

std::unique_ptr<TStream> TDataSet::CreateBlobStream(const TField &field, TBlobStreamMode mode)
{
    CheckActive();
    if (mode != bmRead)
        checkEditing();
    return doCreateBlobStream(field, mode);
}

void TDataSet::commitBlobStream(TField &field, TStream &stream)
{
    checkEditing();
    doCommitBlobStream(stream);
    CloseBlob(field);
    DataEvent(deFieldChange, &field);
}

std::unique_ptr<TStream> TDataSet::doCreateBlobStream(const TField &field, TBlobStreamMode)
{
    DatabaseError("Field '" + field.FieldName() + "' has no memo stream");
}

void TDataSet::doCommitBlobStream(TStream &) { }

void TDataSet::CloseBlob(TField &) { }

} // namespace kelvane
