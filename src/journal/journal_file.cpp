#include "journal/journal_file.h"

#include "base/utf8_path.h"

#include <filesystem>

namespace kelvane {

JournalFile::JournalFile(std::string folder, std::function<std::string(int part)> name,
    int64_t limit, PartHeader partHeader)
    : m_folder(std::move(folder)), m_name(std::move(name)), m_limit(limit),
      m_partHeader(std::move(partHeader))
{ }

JournalFile::~JournalFile()
{
    close();
}

bool JournalFile::open(std::string &error)
{
    std::error_code failure;
    std::filesystem::create_directories(utf8Path(m_folder), failure);
    if (failure) {
        error = m_folder + ": " + failure.message();
        return false;
    }
    // A session started within the same second as an earlier one goes on after it.
    int part = 1;
    while (std::filesystem::exists(utf8Path(m_folder + "/" + m_name(part + 1)), failure))
        ++part;
    return openPart(part, error);
}

bool JournalFile::openPart(int part, std::string &error)
{
    close();
    const std::string path = m_folder + "/" + m_name(part);
    int64_t size = 0;
    if (!m_file.open(path, error))
        return false;
    if (!m_file.size(size, error)) {
        m_file.close();
        return false;
    }
    m_part = part;
    m_size = size;
    m_path = path;
    return true;
}

bool JournalFile::write(std::string_view lines, std::string &error)
{
    if (m_size + static_cast<int64_t>(lines.size()) <= m_limit)
        return writeAll(lines, error);
    // Past the limit somewhere in there: line by line, so that every part ends on a whole line.
    while (!lines.empty()) {
        const size_t end = lines.find('\n') + 1;
        if (!writeLine(lines.substr(0, end), error))
            return false;
        lines.remove_prefix(end);
    }
    return true;
}

bool JournalFile::writeLine(std::string_view line, std::string &error)
{
    if (m_size > 0 && m_size + static_cast<int64_t>(line.size()) > m_limit) {
        if (!openPart(m_part + 1, error))
            return false;
        if (m_partHeader && !writeAll(m_partHeader(m_part), error))
            return false;
    }
    return writeAll(line, error);
}

bool JournalFile::writeAll(std::string_view bytes, std::string &error)
{
    int64_t written = 0;
    const bool done = m_file.write(bytes, written, error);
    m_size += written;
    return done;
}

void JournalFile::close()
{
    m_file.close();
}

} // namespace kelvane
