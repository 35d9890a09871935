// Fuzz entry point: opens a table (and its memo file) made of the input bytes, read-only, and
// reads every field of every record as every value type, every memo, and writes each value
// back, as its field's own type, into a scratch record. Anything but a clean run or one of the
// engine's errors is a fault.
//
// Input: two bytes (little-endian) giving the table's length, the table's bytes, then the memo
// file's bytes; without memo bytes the table has no memo file.
#include "dbf/blob_stream.h"
#include "dbf/memo_file.h"
#include "dbf/table_file.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// The bytes as a file in memory, reachable by name.
class MemoryFile
{
public:
    MemoryFile(const uint8_t *data, size_t size) : m_fd(memfd_create("dbf-fuzz", MFD_CLOEXEC))
    {
        if (m_fd < 0)
            throw std::runtime_error("memfd_create failed");
        for (size_t done = 0; done < size;) {
            const ssize_t n = write(m_fd, data + done, size - done);
            if (n <= 0)
                throw std::runtime_error("memfd write failed");
            done += static_cast<size_t>(n);
        }
    }
    ~MemoryFile() { close(m_fd); }
    MemoryFile(const MemoryFile &) = delete;
    MemoryFile &operator=(const MemoryFile &) = delete;
    std::string Path() const { return "/proc/self/fd/" + std::to_string(m_fd); }

private:
    int m_fd;
};

struct Host : TBlobHost
{
    TDbfFile *DbfFile() override { return table.get(); }
    TDbtFile *DbtFile() override { return memo.get(); }
    char *ActiveRecordBuffer() override { return record.data(); }
    int32_t ActiveRecordNumber() override { return 0; }

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

void WriteBack(
    const TDbfFile &table, int field, TFieldType type, const Value &value, std::string &scratch)
{
    try {
        table.SetFieldValue(field, type, &value, scratch.data());
    } catch (const std::runtime_error &) {
        // Too long or out of range: the engine's own answer.
    }
}

void ReadField(Host &host, int field, TFieldType ownType)
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
    WriteBack(*host.table, field, ownType, value, scratch);
    if (ownType == ftMemo) {
        TMyBlobFile memo(bmRead, field + 1, host);
        volatile int64_t size = memo.Size();
        (void)size;
    }
}

void ReadTable(const std::string &tablePath, const std::optional<std::string> &memoPath)
{
    TDbfHooks hooks;
    hooks.ShowMessage = [](const std::string &) {};
    Host host;
    host.table = std::make_unique<TDbfFile>(DbfOpenReadOnly, tablePath, hooks);
    TFieldDefs defs;
    host.table->ReadFieldDefs(defs);
    if (memoPath)
        host.memo = std::make_unique<TDbtFile>(
            host.table->LayoutFamily() != lfDbase3, DbfOpenReadOnly, *memoPath);
    host.record.assign(static_cast<size_t>(host.table->RecordSize()), '\0');
    for (int32_t n = 0; n < host.table->RecordCount(); ++n) {
        host.table->ReadRecord(n, host.record.data());
        for (size_t field = 0; field < defs.size(); ++field)
            ReadField(host, static_cast<int>(field), defs[field].DataType);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const size_t tableLength = std::min<size_t>(data[0] | data[1] << 8, size - 2);
    const MemoryFile table(data + 2, tableLength);
    const size_t memoLength = size - 2 - tableLength;
    std::optional<MemoryFile> memo;
    if (memoLength > 0)
        memo.emplace(data + 2 + tableLength, memoLength);
    try {
        ReadTable(table.Path(), memo ? std::optional(memo->Path()) : std::nullopt);
    } catch (const std::runtime_error &) {
        // EBinaryDataSetError, EReadError, ...: a damaged file refused cleanly.
    }
    return 0;
}
