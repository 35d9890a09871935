// A cursor over records held in memory, for testing the generic dataset on its own: records are
// fixed-width texts laid out as dBase records (a flag byte, then the fields), converted with the
// engine's field codec; new records go to the end. It counts its calls and can be made to fail.
#pragma once

#include "dataset/data_set.h"
#include "dbf/field_codec.h"

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace kelvane {

struct MemoryField
{
    std::string Name;
    TFieldType type;
    int Length;
    int Decimals = 0;
};

class MemoryDataSet : public TDataSet
{
public:
    // Each row gives the stored texts of the fields; a row whose first text starts with '*'
    // is stored deleted (without the star).
    MemoryDataSet(
        std::vector<MemoryField> fields, const std::vector<std::vector<std::string>> &rows)
        : m_fields(std::move(fields))
    {
        int offset = 1;
        for (const MemoryField &field : m_fields) {
            m_infos.push_back({field.Length, field.Decimals, offset});
            offset += field.Length;
        }
        m_recordSize = offset;
        for (const auto &row : rows)
            records.push_back(recordOf(row));
        SetName("Table1");
    }
    ~MemoryDataSet() override { closeOnDestroy(); }

    std::string recordOf(std::vector<std::string> texts) const
    {
        std::string record(1, ' ');
        if (!texts.empty() && !texts[0].empty() && texts[0][0] == '*') {
            record[0] = '*';
            texts[0].erase(0, 1);
        }
        for (size_t i = 0; i < m_fields.size(); ++i) {
            std::string text = i < texts.size() ? texts[i] : std::string();
            text.resize(size_t(m_fields[i].Length), ' ');
            record += text;
        }
        return record;
    }

    std::vector<std::string> records;
    bool readOnly = false;
    int failPosts = 0; // the next posts that raise
    int failDeletes = 0;
    int posts = 0;
    int fetches = 0;

protected:
    TRecordBuffer AllocRecordBuffer() override { return new char[size_t(bufferSize())](); }
    void FreeRecordBuffer(TRecordBuffer &buffer) override
    {
        delete[] buffer;
        buffer = nullptr;
    }
    void GetBookmarkData(TRecordBuffer buffer, TBookmark &data) override
    {
        data.resize(4);
        std::memcpy(data.data(), buffer + m_recordSize, 4);
    }
    void SetBookmarkData(TRecordBuffer buffer, const TBookmark &data) override
    {
        std::memcpy(buffer + m_recordSize, data.data(), 4);
    }
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override
    {
        return TBookmarkFlag(buffer[m_recordSize + 4]);
    }
    void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override
    {
        buffer[m_recordSize + 4] = char(flag);
    }
    TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override
    {
        const int count = int(records.size());
        for (;;) {
            if (mode == gmCurrent && (m_current < 0 || m_current >= count)) {
                if (doCheck)
                    throw std::runtime_error("invalid record");
                return grError;
            }
            if (mode == gmNext && m_current >= count - 1)
                return grEOF;
            if (mode == gmPrior && m_current < 1)
                return grBOF;
            m_current += mode == gmNext ? 1 : mode == gmPrior ? -1 : 0;
            ++fetches;
            std::memcpy(buffer, records[size_t(m_current)].data(), size_t(m_recordSize));
            std::memcpy(buffer + m_recordSize, &m_current, 4);
            buffer[m_recordSize + 4] = bfCurrent;
            GetCalcFields(buffer);
            if (buffer[0] == ' ' && filterRecord(buffer))
                return grOK;
            if (mode == gmCurrent)
                return grError;
        }
    }
    uint16_t GetRecordSize() override { return uint16_t(m_recordSize); }
    void InternalAddRecord(TRecordBuffer buffer, bool) override { store(buffer, true); }
    void InternalOpen() override
    {
        InternalInitFieldDefs();
        CreateFields();
        SetBookmarkSize(4);
        m_current = -1;
        m_open = true;
    }
    void InternalClose() override
    {
        DestroyFields();
        m_open = false;
    }
    void InternalDelete() override
    {
        if (failDeletes > 0 && failDeletes--)
            throw std::runtime_error("delete failed");
        records[size_t(m_current)][0] = '*';
    }
    void InternalFirst() override { m_current = -1; }
    void InternalLast() override { m_current = int(records.size()); }
    void InternalGotoBookmark(const TBookmark &bookmark) override
    {
        int n = -1;
        std::memcpy(&n, bookmark.data(), 4);
        if (n < 0 || n >= int(records.size()))
            throw std::runtime_error("no record " + std::to_string(n));
        m_current = n;
    }
    void InternalInitFieldDefs() override
    {
        fieldDefsForUpdate().clear();
        for (const MemoryField &field : m_fields)
            fieldDefsForUpdate().push_back(
                {field.Name, field.type, field.type == ftString ? field.Length : 0, false});
    }
    void InternalInitRecord(TRecordBuffer buffer) override
    {
        std::memset(buffer, 0, size_t(bufferSize()));
        buffer[0] = ' ';
    }
    void InternalPost() override { store(ActiveBuffer(), State() == dsInsert); }
    void InternalSetToRecord(TRecordBuffer buffer) override
    {
        std::memcpy(&m_current, buffer + m_recordSize, 4);
    }
    bool IsCursorOpen() override { return m_open; }
    bool GetCanModify() override { return !readOnly; }
    int32_t GetRecordCount() override
    {
        CheckActive();
        return int32_t(records.size());
    }
    int32_t GetRecNo() override { return m_current + 1; }
    bool GetFieldData(const TField &field, void *buffer) override
    {
        const TRecordBuffer record = State() == dsFilter ? filterBuffer() : ActiveBuffer();
        if (State() != dsFilter && IsEmpty())
            return false;
        if (!buffer)
            return true;
        const TMyFieldInfo &info = m_infos[size_t(field.FieldNo() - 1)];
        FieldCodec::readValue(
            field.DataType(), std::string_view(record + info.Offset, size_t(info.Length)), buffer);
        return true;
    }
    void SetFieldData(TField &field, const void *buffer) override
    {
        FieldCodec::writeValue(
            field.DataType(), m_infos[size_t(field.FieldNo() - 1)], buffer, ActiveBuffer());
        DataEvent(deFieldChange, &field);
    }

private:
    int bufferSize() const { return m_recordSize + 5; }
    void store(TRecordBuffer buffer, bool append)
    {
        if (failPosts > 0 && failPosts--)
            throw std::runtime_error("disk full");
        ++posts;
        const std::string record(buffer, size_t(m_recordSize));
        if (append) {
            records.push_back(record);
            m_current = int(records.size()) - 1;
        } else {
            records[size_t(m_current)] = record;
        }
    }

    std::vector<MemoryField> m_fields;
    std::vector<TMyFieldInfo> m_infos;
    int m_recordSize = 1;
    int m_current = -1;
    bool m_open = false;
};

} // namespace kelvane
