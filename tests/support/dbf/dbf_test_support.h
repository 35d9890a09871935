// Helpers for the dBase engine's tests: a temporary folder, whole-file reads and writes,
// hand-built table images, a fixed "today", running /usr/bin/python3 and shapelib's tools, and
// UTF-8 to Windows-1251 for expected values. Not thread-safe.
#pragma once

#include "dbf/blob_stream.h"
#include "dbf/memo_file.h"
#include "dbf/table_file.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace DbfTest {

// A fresh folder under /tmp, removed with its contents when the object goes.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    std::string Path(const std::string &name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

std::string ReadFile(const std::string &path);
void WriteFile(const std::string &path, const std::string &bytes);

struct FieldSpec
{
    std::string Name;
    char Type;
    int Length;
    int Decimals = 0;
};

// The bytes of a table: header, descriptors (32 or 48 bytes by version byte), 0x0D, records
// and the end-of-file marker. The header's sizes and count follow the content unless set.
struct TableImage
{
    uint8_t Version = 0x03;
    std::vector<FieldSpec> Fields;
    std::vector<std::string> Records; // whole records: flag byte, then the field bytes
    std::optional<uint32_t> HeaderCount;
    std::optional<int> HeaderSize;
    std::optional<int> RecordSize;
    bool Terminator = true;
    bool EndMarker = true;

    int ComputedHeaderSize() const;
    int ComputedRecordSize() const;
    std::string Bytes() const;
};

// Pads each value to its field's length (spaces on the right) and prefixes the flag.
std::string Record(
    const std::vector<FieldSpec> &fields, const std::vector<std::string> &values, char flag = ' ');

// Hooks that collect messages and say that today is 5 March 2026.
struct RecordingHooks
{
    std::vector<std::string> Messages;
    TDbfHooks Hooks();
};

// The dataset side of a memo stream: a table, its memo file when there is one, and the current
// record.
class BlobHost : public TBlobHost
{
public:
    TDbfFile *DbfFile() override { return table.get(); }
    TDbtFile *DbtFile() override { return memo.get(); }
    char *ActiveRecordBuffer() override { return record.data(); }

    std::unique_ptr<TDbfFile> table;
    std::unique_ptr<TDbtFile> memo;
    std::string record;
};

// Runs a Python script with /usr/bin/python3 (Debian's, which has dbf and dbfread); returns
// its standard output. Fails the current test when the script fails.
std::string RunPython(const std::string &script);
// Runs a command line through the shell; returns its exit status.
int RunCommand(const std::string &commandLine);

// Windows-1251 and CP866 bytes of a UTF-8 text made of ASCII, Cyrillic letters and No.
std::string Cp1251(const std::string &utf8);
std::string Cp866(const std::string &utf8);

} // namespace DbfTest
