#include "dataviews/data_source.h"

#include <algorithm>

namespace kelvane {

namespace {

bool isEditing(TDataSetState state)
{
    return state == dsEdit || state == dsInsert;
}

} // namespace

TDataSource::TDataSource(TDataSet *dataSet)
{
    SetDataSet(dataSet);
}

TDataSource::~TDataSource()
{
    if (m_dataSet)
        m_dataSet->removeObserver(this);
    // The views show nothing from now on.
    const std::vector<TDataLink *> links = m_links;
    m_links.clear();
    for (TDataLink *link : links) {
        link->m_source = nullptr;
        link->ActiveChanged();
    }
}

void TDataSource::SetDataSet(TDataSet *dataSet)
{
    if (dataSet == m_dataSet)
        return;
    if (m_dataSet)
        m_dataSet->removeObserver(this);
    m_dataSet = dataSet;
    if (m_dataSet)
        m_dataSet->addObserver(this);
    changeState(m_dataSet ? m_dataSet->State() : dsInactive);
    // A new dataset shows other records even when the state is the same.
    for (TDataLink *link : std::vector<TDataLink *>(m_links))
        link->ActiveChanged();
}

void TDataSource::changeState(TDataSetState state)
{
    if (state == dsFilter || state == m_state)
        return;
    const TDataSetState before = m_state;
    m_state = state;
    for (TDataLink *link : std::vector<TDataLink *>(m_links))
        link->stateChanged(before, state);
}

void TDataSource::DataEvent(TDataEvent event, TField *field)
{
    if (event == deUpdateState) {
        changeState(m_dataSet->State());
        return;
    }
    for (TDataLink *link : std::vector<TDataLink *>(m_links))
        if (std::find(m_links.begin(), m_links.end(), link) != m_links.end())
            link->dispatch(event, field);
}

void TDataSource::dataSetDestroyed()
{
    m_dataSet = nullptr;
    changeState(dsInactive);
}

void TDataSource::addLink(TDataLink *link)
{
    m_links.push_back(link);
}

void TDataSource::removeLink(TDataLink *link)
{
    m_links.erase(std::remove(m_links.begin(), m_links.end(), link), m_links.end());
}

TDataLink::~TDataLink()
{
    if (m_source)
        m_source->removeLink(this);
}

void TDataLink::SetDataSource(TDataSource *source)
{
    if (source == m_source)
        return;
    if (m_source)
        m_source->removeLink(this);
    m_source = source;
    if (m_source)
        m_source->addLink(this);
    ActiveChanged();
}

ErrorSink &TDataLink::errorSink() const
{
    TDataSet *dataSet = DataSet();
    return dataSet ? dataSet->errorSink() : ErrorSink::standardError();
}

bool TDataLink::Editing() const
{
    return m_source && isEditing(m_source->State());
}

bool TDataLink::Edit()
{
    if (!Editing() && Active())
        DataSet()->Edit();
    return Editing();
}

void TDataLink::stateChanged(TDataSetState before, TDataSetState after)
{
    if ((before == dsInactive) != (after == dsInactive))
        ActiveChanged();
    if (isEditing(before) != isEditing(after))
        EditingChanged();
}

void TDataLink::dispatch(TDataEvent event, TField *field)
{
    switch (event) {
    case deFieldChange:
        RecordChanged(field);
        break;
    case deRecordChange:
        RecordChanged(nullptr);
        break;
    case deDataSetChange:
        DataSetChanged();
        break;
    case deDataSetScroll:
        DataSetScrolled();
        break;
    case deUpdateRecord:
        UpdateData();
        break;
    case deCheckBrowseMode:
        CheckBrowseMode();
        break;
    case deUpdateState:
        break;
    }
}

void TFieldDataLink::SetFieldName(const std::string &fieldName)
{
    if (fieldName == m_fieldName)
        return;
    m_fieldName = fieldName;
    ActiveChanged();
}

TField *TFieldDataLink::Field() const
{
    return Active() ? DataSet()->FindField(m_fieldName) : nullptr;
}

bool TFieldDataLink::CanModify() const
{
    return Field() && DataSet()->CanModify();
}

void TFieldDataLink::ActiveChanged()
{
    m_modified = false;
    if (OnActiveChange)
        OnActiveChange();
    if (OnDataChange)
        OnDataChange();
}

void TFieldDataLink::EditingChanged()
{
    if (OnEditingChange)
        OnEditingChange();
}

void TFieldDataLink::RecordChanged(TField *field)
{
    if (field && field != Field())
        return;
    if (OnDataChange)
        OnDataChange();
    m_modified = false;
}

void TFieldDataLink::UpdateData()
{
    if (!m_modified)
        return;
    if (OnUpdateData)
        OnUpdateData();
    m_modified = false;
}

void ViewDataLink::ActiveChanged()
{
    if (onActiveChanged)
        onActiveChanged();
}

void ViewDataLink::EditingChanged()
{
    if (onEditingChanged)
        onEditingChanged();
}

void ViewDataLink::DataSetChanged()
{
    if (onDataSetChanged)
        onDataSetChanged();
    else
        TDataLink::DataSetChanged();
}

void ViewDataLink::DataSetScrolled()
{
    if (onDataSetScrolled)
        onDataSetScrolled();
    else
        TDataLink::DataSetScrolled();
}

void ViewDataLink::RecordChanged(TField *field)
{
    if (onRecordChanged)
        onRecordChanged(field);
}

void ViewDataLink::UpdateData()
{
    if (onUpdateData)
        onUpdateData();
}

} // namespace kelvane
