#include "support/dbf/memory_files.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace kelvane {

namespace {

class MemoryFileStream : public TStream
{
public:
    MemoryFileStream(std::shared_ptr<MemoryFiles::File> file, bool writable)
        : m_file(std::move(file)), m_writable(writable)
    { }

    int64_t Read(void *buffer, int64_t count) override
    {
        const int call = ++m_file->reads;
        const int64_t available = Size() - m_position;
        if (failing(call, m_file->failReadsFrom) || m_position < 0 || count <= 0 || available <= 0)
            return 0;
        const int64_t n = std::min(count, available);
        std::memcpy(buffer, m_file->bytes.data() + m_position, static_cast<size_t>(n));
        m_position += n;
        return n;
    }

    int64_t Write(const void *buffer, int64_t count) override
    {
        const int call = ++m_file->writes;
        if (!m_writable || failing(call, m_file->failWritesFrom) || m_position < 0 || count <= 0)
            return 0;
        if (m_position + count > Size())
            m_file->bytes.resize(static_cast<size_t>(m_position + count), '\0');
        std::memcpy(m_file->bytes.data() + m_position, buffer, static_cast<size_t>(count));
        m_position += count;
        return count;
    }

    int64_t Size() const override { return static_cast<int64_t>(m_file->bytes.size()); }

private:
    static bool failing(int call, int from) { return from > 0 && call >= from; }

    std::shared_ptr<MemoryFiles::File> m_file;
    bool m_writable;
};

} // namespace

void MemoryFiles::put(const std::string &name, std::string bytes)
{
    auto file = std::make_shared<File>();
    file->bytes = std::move(bytes);
    m_files[name] = std::move(file);
}

std::string MemoryFiles::bytes(const std::string &name) const
{
    const auto found = m_files.find(name);
    return found == m_files.end() ? std::string() : found->second->bytes;
}

void MemoryFiles::remove(const std::string &name)
{
    m_files.erase(name);
}

MemoryFiles::File &MemoryFiles::existing(const std::string &name) const
{
    const auto found = m_files.find(name);
    if (found == m_files.end())
        throw std::invalid_argument("no memory file \"" + name + "\"");
    return *found->second;
}

int MemoryFiles::reads(const std::string &name) const
{
    return existing(name).reads;
}

int MemoryFiles::writes(const std::string &name) const
{
    return existing(name).writes;
}

void MemoryFiles::failReadsFrom(const std::string &name, int call)
{
    existing(name).failReadsFrom = call;
}

void MemoryFiles::failWritesFrom(const std::string &name, int call)
{
    existing(name).failWritesFrom = call;
}

bool MemoryFiles::fileExists(const std::string &fileName)
{
    return m_files.count(fileName) > 0;
}

std::unique_ptr<TStream> MemoryFiles::openFile(
    const std::string &fileName, uint16_t mode, std::string *error)
{
    const auto found = m_files.find(fileName);
    if (found == m_files.end()) {
        *error = "No such file or directory";
        return nullptr;
    }
    return std::make_unique<MemoryFileStream>(found->second, (mode & 0x3) != fmOpenRead);
}

} // namespace kelvane
