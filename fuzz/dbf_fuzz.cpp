// Fuzz entry point, in two passes over a table (and its memo file) made of the input bytes.
//
// Reading: opens the table read-only through the file layer and reads every field of every
// record as every value type, every memo, and writes each value back, as its field's own type,
// into a scratch record.
//
// Writing: opens the table read/write through the table cursor, as the program opens com.dbf,
// edits the first record, appends a record left blank and one copied from the first, deletes the
// second, closes, and opens the table again. A refused open must leave the files as they were;
// a table that opened must open again without a repair message and show exactly the records,
// values and deletions it showed before it was closed; and every text, integer and logical value
// stored must read back as stored.
//
// Anything but a clean run or one of the engine's errors is a fault; a broken rule aborts.
//
// Input: two bytes (little-endian) giving the table's length, the table's bytes, then the memo
// file's bytes; without memo bytes the table has no memo file.
#include "cursor/table_cursor.h"
#include "dbf/blob_stream.h"
#include "dbf/memo_file.h"
#include "dbf/table_file.h"
#include "support/dbf/memory_files.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

using namespace kelvane;

namespace {

struct Host : BlobHost
{
    TDbfFile *dbfFile() override { return table.get(); }
    TDbtFile *dbtFile() override { return memo.get(); }
    char *activeRecordBuffer() override { return record.data(); }
    int32_t activeRecordNumber() override { return 0; }

    std::unique_ptr<TDbfFile> table;
    std::unique_ptr<TDbtFile> memo;
    std::string record;
};

union Value {
    char text[256];
    int16_t smallint;
    int32_t integer;
    int64_t largeint;
    double number;
};

void writeBack(
    const TDbfFile &table, int field, TFieldType type, const Value &value, std::string &scratch)
{
    try {
        table.SetFieldValue(field, type, &value, scratch.data());
    } catch (const std::runtime_error &) {
        // Too long or out of range: the engine's own answer.
    }
}

void readField(Host &host, int field, TFieldType ownType)
{
    static constexpr TFieldType Types[]
        = {ftString, ftSmallint, ftInteger, ftLargeint, ftFloat, ftBoolean, ftDate, ftMemo};
    for (TFieldType type : Types) {
        Value value {};
        host.table->GetFieldValue(field, type, &value, host.record.data());
    }
    // Writing back only as the field's own type keeps the (slow) too-long exceptions rare.
    Value value {};
    host.table->GetFieldValue(field, ownType, &value, host.record.data());
    std::string scratch = host.record;
    writeBack(*host.table, field, ownType, value, scratch);
    if (ownType == ftMemo) {
        TMyBlobFile memo(bmRead, field + 1, host);
        volatile int64_t size = memo.Size();
        (void)size;
    }
}

// Where the engine's messages go: nowhere, but a repair is noted.
class NotingSink final : public ErrorSink
{
public:
    bool repaired = false;
    void error(const std::string &) override { }
    void message(const std::string &text) override
    {
        repaired = repaired || text.rfind("Invalid Record", 0) == 0;
    }
};

CalendarDate fixedToday()
{
    return {2026, 3, 5};
}

void readTable(MemoryFiles &files)
{
    NotingSink quiet;
    Host host;
    host.table = std::make_unique<TDbfFile>(
        DbfOpenReadOnly, "t.dbf", DbfHooks {&quiet, fixedToday}, files);
    TFieldDefs defs;
    host.table->ReadFieldDefs(defs);
    if (files.fileExists("t.dbt"))
        host.memo = std::make_unique<TDbtFile>(
            host.table->LayoutFamily() != LayoutDbase3, DbfOpenReadOnly, "t.dbt", files);
    host.record.assign(static_cast<size_t>(host.table->RecordSize()), '\0');
    for (int32_t n = 0; n < host.table->RecordCount(); ++n) {
        host.table->ReadRecord(n, host.record.data());
        for (size_t field = 0; field < defs.size(); ++field)
            readField(host, static_cast<int>(field), defs[field].DataType);
    }
}

[[noreturn]] void broken(const char *rule)
{
    std::fprintf(stderr, "dbf fuzz: %s\n", rule);
    std::abort();
}

void check(bool holds, const char *rule)
{
    if (!holds)
        broken(rule);
}

// Keeps the walks over big tables short.
constexpr int64_t MaxCells = 4096;

using RowValues = std::vector<std::vector<std::string>>;

std::vector<std::string> values(TDbf &dbf)
{
    std::vector<std::string> values;
    for (int i = 0; i < dbf.FieldCount(); ++i)
        values.push_back(dbf.Fields(i).AsString());
    return values;
}

// Every shown record's values as text, in file order.
RowValues rowValues(TDbf &dbf)
{
    RowValues rows;
    for (dbf.First(); !dbf.Eof(); dbf.Next())
        rows.push_back(values(dbf));
    return rows;
}

// The rows shown with and without deleted records.
std::pair<RowValues, RowValues> snapshot(TDbf &dbf)
{
    dbf.SetShowDeleted(true);
    RowValues all = rowValues(dbf);
    dbf.SetShowDeleted(false);
    return {std::move(all), rowValues(dbf)};
}

// Values whose text form reads back as it was stored, whatever the field's length and decimals.
bool storedExactly(TFieldType type)
{
    return type == ftString || type == ftSmallint || type == ftInteger || type == ftLargeint
        || type == ftBoolean;
}

// Sets the fields of the record being edited or inserted from `values`; returns the stored
// values that must read back exactly, by field.
std::map<int, std::string> SetFields(TDbf &dbf, const std::vector<std::string> &values)
{
    std::map<int, std::string> stored;
    for (int i = 0; i < dbf.FieldCount() && i < static_cast<int>(values.size()); ++i) {
        TField &field = dbf.Fields(i);
        try {
            field.SetAsString(values[static_cast<size_t>(i)]);
            if (storedExactly(field.DataType()))
                stored[i] = field.AsString();
        } catch (const std::runtime_error &) {
            // Too long, or no value of the field's type: the engine's own answer.
        }
    }
    return stored;
}

// Opens read/write, changes the table, closes; returns the record numbers (from 1) and values
// that were stored, and what the table showed before it was closed.
struct WriteResult
{
    std::map<int32_t, std::map<int, std::string>> stored;
    std::pair<RowValues, RowValues> shown;
};

WriteResult Write(TDbf &dbf)
{
    WriteResult written;
    std::vector<std::string> first;
    dbf.SetShowDeleted(true);
    if (!dbf.IsEmpty()) {
        dbf.Last();
        const std::vector<std::string> last = values(dbf);
        dbf.First();
        first = values(dbf);
        dbf.Edit();
        auto stored = SetFields(dbf, last);
        dbf.Post();
        written.stored[dbf.RecNo()] = std::move(stored);
    }
    dbf.Append();
    dbf.Post();
    written.stored[dbf.RecNo()] = {};
    dbf.Append();
    auto stored = SetFields(dbf, first);
    dbf.Post();
    written.stored[dbf.RecNo()] = std::move(stored);
    dbf.First();
    if (dbf.MoveBy(1) == 1)
        dbf.Delete();
    written.shown = snapshot(dbf);
    return written;
}

void openTable(TDbf &dbf, MemoryFiles &files, ErrorSink &messages, bool readOnly)
{
    dbf.SetFileName("t.dbf");
    dbf.SetReadOnly(readOnly);
    dbf.setErrorSink(messages);
    dbf.setToday(fixedToday);
    dbf.setFileSystem(files);
    dbf.Open();
}

void writeAndReadBack(const std::string &table, const std::optional<std::string> &memo)
{
    MemoryFiles files;
    files.put("t.dbf", table);
    if (memo)
        files.put("t.dbt", *memo);
    NotingSink messages;
    WriteResult written;
    {
        TDbf dbf;
        try {
            openTable(dbf, files, messages, false);
        } catch (const std::runtime_error &) {
            check(files.bytes("t.dbf") == table, "a refused table was changed");
            check(!memo || files.bytes("t.dbt") == *memo, "a refused table's memo was changed");
            return;
        }
        if (int64_t(dbf.RecordCount()) * dbf.FieldCount() > MaxCells)
            return;
        written = Write(dbf);
        dbf.Close();
    }
    messages.repaired = false;
    TDbf dbf;
    try {
        openTable(dbf, files, messages, true);
    } catch (const std::runtime_error &) {
        broken("a table the engine wrote was refused");
    }
    check(!messages.repaired, "the header written at close needs a repair");
    check(snapshot(dbf) == written.shown, "the table reads back other than it showed");
    dbf.SetShowDeleted(true);
    for (const auto &[recNo, values] : written.stored) {
        dbf.First();
        check(dbf.MoveBy(recNo - 1) == recNo - 1, "a stored record is gone");
        for (const auto &[field, text] : values)
            check(dbf.Fields(field).AsString() == text, "a stored value reads back otherwise");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const size_t tableLength = std::min<size_t>(data[0] | data[1] << 8, size - 2);
    const char *bytes = reinterpret_cast<const char *>(data);
    const std::string table(bytes + 2, tableLength);
    std::optional<std::string> memo;
    if (size - 2 > tableLength)
        memo.emplace(bytes + 2 + tableLength, size - 2 - tableLength);
    try {
        MemoryFiles files;
        files.put("t.dbf", table);
        if (memo)
            files.put("t.dbt", *memo);
        readTable(files);
    } catch (const std::runtime_error &) {
        // EBinaryDataSetError, EReadError, ...: a damaged file refused cleanly.
    }
    try {
        writeAndReadBack(table, memo);
    } catch (const std::runtime_error &) {
        // An edit the engine or the dataset refused: its own answer.
    }
    return 0;
}
