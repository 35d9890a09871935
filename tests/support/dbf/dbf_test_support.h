// Helpers for the dBase engine's tests: a temporary folder, whole-file reads and writes,
// hand-built table images, an open table as a dataset holds it, a fixed "today", running
// /usr/bin/python3, and UTF-8 to Windows-1251 for expected values. Not thread-safe.
#pragma once

#include "dbf/blob_stream.h"
#include "dbf/memo_file.h"
#include "dbf/table_file.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kelvane {

namespace DbfTest {

// A fresh folder under /tmp, removed with its contents when the object goes.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    std::string path(const std::string &name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

std::string ReadFile(const std::string &path);
void WriteFile(const std::string &path, const std::string &bytes);

struct FieldLayout
{
    std::string Name;
    char type;
    int Length;
    int Decimals = 0;
};

// The bytes of a table: header, descriptors (48 bytes for version 5, else 32), 0x0D, records
// and the end-of-file marker. The header's sizes and count follow the content unless set.
struct TableImage
{
    explicit TableImage(uint8_t version = 0x03, std::vector<FieldLayout> fields = {},
        std::vector<std::string> records = {})
        : version(version), Fields(std::move(fields)), records(std::move(records))
    { }

    uint8_t version;
    std::vector<FieldLayout> Fields;
    std::vector<std::string> records; // whole records: flag byte, then the field bytes
    std::optional<uint32_t> headerCount;
    std::optional<int> HeaderSize;
    std::optional<int> RecordSize;
    bool terminator = true;
    bool endMarker = true;
    bool storedOffsets = false; // each field's offset in descriptor bytes 12 to 15, as some write

    std::string bytes() const;
};

// Pads each value to its field's length (spaces on the right) and prefixes the flag.
std::string recordBytes(const std::vector<FieldLayout> &fields,
    const std::vector<std::string> &values, char flag = ' ');

// A sink that collects the engine's messages and errors, and hooks that send the messages to it
// and say that today is 5 March 2026.
struct RecordingHooks : ErrorSink
{
    std::vector<std::string> messages;
    std::vector<std::string> errors;

    void error(const std::string &text) override { errors.push_back(text); }
    void message(const std::string &text) override { messages.push_back(text); }
    DbfHooks hooks() { return {this, today}; }
    static CalendarDate today() { return {2026, 3, 5}; }
};

// A table opened as a dataset holds it: the table file with its field definitions, the memo
// file when a name is given, and the current record buffer.
class OpenTable : public BlobHost
{
public:
    OpenTable(const std::string &path, uint16_t mode, DbfHooks hooks,
        const std::string &memoPath = {}, FileSystem &files = FileSystem::disk());
    TDbfFile *dbfFile() override { return table.get(); }
    TDbtFile *dbtFile() override { return memo.get(); }
    char *activeRecordBuffer() override { return record.data(); }
    int32_t activeRecordNumber() override { return recordNumber; }

    void Read(int32_t n)
    {
        table->ReadRecord(n, record.data());
        recordNumber = n;
    }
    // The field (counted from 0) as text, or as the value type its definition gives.
    std::string text(int field);
    template<typename T> T get(int field)
    {
        T value {};
        table->GetFieldValue(field, defs[size_t(field)].DataType, &value, record.data());
        return value;
    }
    template<typename T> void set(int field, T value)
    {
        table->SetFieldValue(field, defs[size_t(field)].DataType, &value, record.data());
    }
    void setText(int field, const std::string &text);
    std::string memoText(int field);
    void storeMemo(int field, const std::string &text);

    std::unique_ptr<TDbfFile> table;
    std::unique_ptr<TDbtFile> memo;
    TFieldDefs defs;
    std::string record;
    int32_t recordNumber = 0;
};

// Runs a Python script with /usr/bin/python3 (Debian's, which has dbf and dbfread); returns
// its standard output. Fails the current test when the script fails.
std::string runPython(const std::string &script);

// Windows-1251 bytes of a UTF-8 text made of ASCII, Cyrillic letters and No.
std::string cp1251(const std::string &utf8);

} // namespace DbfTest

} // namespace kelvane
