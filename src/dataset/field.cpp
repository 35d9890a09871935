#include "dataset/field.h"

#include "base/stream.h"
#include "dataset/data_set.h"
#include "dataset/field_text.h"

#include <string>

namespace kelvane {

using FieldText::ValueBuffer;

TField::TField(TDataSet &dataSet, const TFieldDef &def, int fieldNo)
    : m_dataSet(dataSet), m_def(def), m_fieldNo(fieldNo)
{ }

bool TField::IsNull() const
{
    return !m_dataSet.readFieldData(*this, nullptr);
}

bool TField::GetData(void *buffer) const
{
    return m_dataSet.readFieldData(*this, buffer);
}

void TField::SetData(const void *buffer)
{
    m_dataSet.writeFieldData(*this, buffer);
}

std::string TField::AsString() const
{
    if (IsBlob())
        return memoText();
    // Filled by the dataset when it has a value; not cleared first, as every read would pay.
    ValueBuffer value;
    if (!GetData(&value))
        return {};
    return FieldText::format(DataType(), value);
}

void TField::SetAsString(const std::string &text)
{
    if (IsBlob()) {
        setMemoText(text);
        return;
    }
    const ValueBuffer value = FieldText::parse(DataType(), text, FieldName());
    SetData(&value);
}

int64_t TField::AsInteger() const
{
    ValueBuffer value {};
    switch (DataType()) {
    case ftSmallint:
        return GetData(&value) ? value.smallint : 0;
    case ftInteger:
        return GetData(&value) ? value.integer : 0;
    case ftLargeint:
        return GetData(&value) ? value.largeint : 0;
    default:
        return FieldText::parse(ftLargeint, AsString(), FieldName()).largeint;
    }
}

double TField::AsFloat() const
{
    ValueBuffer value {};
    if (DataType() == ftFloat)
        return GetData(&value) ? value.floating : 0.0;
    return FieldText::parse(ftFloat, AsString(), FieldName()).floating;
}

bool TField::AsBoolean() const
{
    ValueBuffer value {};
    if (DataType() == ftBoolean)
        return GetData(&value) && value.smallint == 1;
    return FieldText::parse(ftBoolean, AsString(), FieldName()).smallint == 1;
}

void TField::SetAsInteger(int64_t value)
{
    SetAsString(std::to_string(value));
}

void TField::SetAsFloat(double value)
{
    if (DataType() != ftFloat) {
        ValueBuffer buffer {};
        buffer.floating = value;
        SetAsString(FieldText::format(ftFloat, buffer));
        return;
    }
    SetData(&value);
}

void TField::SetAsBoolean(bool value)
{
    if (DataType() != ftBoolean) {
        SetAsString(value ? "True" : "False");
        return;
    }
    const int16_t flag = value ? 1 : 0;
    SetData(&flag);
}

std::string TField::memoText() const
{
    if (!m_dataSet.Active() || m_dataSet.IsEmpty())
        return {};
    std::unique_ptr<TStream> stream = m_dataSet.CreateBlobStream(*this, bmRead);
    std::string text(static_cast<size_t>(stream->Size()), '\0');
    stream->SetPosition(0);
    stream->ReadBuffer(text.data(), static_cast<int64_t>(text.size()));
    return text;
}

void TField::setMemoText(const std::string &text)
{
    std::unique_ptr<TStream> stream = m_dataSet.CreateBlobStream(*this, bmWrite);
    stream->SetPosition(0);
    stream->WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
    m_dataSet.commitBlobStream(*this, *stream);
}

} // namespace kelvane
