// MemoryFiles: a file system for the dBase engine that keeps its files in memory, by name, so
// tests and the fuzz target run tables without a disk, count what the engine reads and writes,
// and make a chosen read or write fail. Streams share their file's bytes: what one writes, the
// next open sees. A stream opened for reading only writes nothing, as on disk. No locking
// between streams. Not thread-safe.
#pragma once

#include "base/stream.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace kelvane {

class MemoryFiles : public FileSystem
{
public:
    void put(const std::string &name, std::string bytes);
    // The file's bytes now; empty for a file that does not exist.
    std::string bytes(const std::string &name) const;
    void remove(const std::string &name);

    // Calls of Read and Write made on the file's streams so far.
    int reads(const std::string &name) const;
    int writes(const std::string &name) const;
    // The read (write) call number `call` on the file, counted as Reads (Writes) counts, and
    // every later one transfers nothing, as a failing disk would.
    void failReadsFrom(const std::string &name, int call);
    void failWritesFrom(const std::string &name, int call);

    bool fileExists(const std::string &fileName) override;
    std::unique_ptr<TStream> openFile(
        const std::string &fileName, uint16_t mode, std::string *error) override;

    struct File
    {
        std::string bytes;
        int reads = 0;
        int writes = 0;
        int failReadsFrom = 0; // 0: never
        int failWritesFrom = 0;
    };

private:
    File &existing(const std::string &name) const;

    std::map<std::string, std::shared_ptr<File>> m_files;
};

} // namespace kelvane
