// JournalFile: the files of one session's journal. Lines go to the file with one write to its
// end (AppendFile), nothing held back in the program, so a crash or a kill
// loses no line that was written and tears none. A line that would take the file past its limit
// starts the next numbered part instead (a line is never split), which opens with a line of its
// own saying what it continues. Not thread-safe.
#pragma once

#include "base/system_files.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kelvane {

class JournalFile
{
public:
    // The first line of a part after the first, given its number.
    using PartHeader = std::function<std::string(int part)>;

    // `name(part)` gives the file name of each part in `folder`.
    JournalFile(std::string folder, std::function<std::string(int part)> name, int64_t limit,
        PartHeader partHeader);
    ~JournalFile();
    JournalFile(const JournalFile &) = delete;
    JournalFile &operator=(const JournalFile &) = delete;

    // Creates the folder if needed and opens the first part (appending to it when it is there,
    // or to the last part of an earlier session of the same name). False, with `error` set, when
    // that fails.
    bool open(std::string &error);
    // Whole lines in one write when they fit in the part. REQUIRES: `lines` ends with a line
    // feed, and the file is open.
    bool write(std::string_view lines, std::string &error);
    void close();

    bool isOpen() const { return m_file.isOpen(); }
    const std::string &path() const { return m_path; }
    int part() const { return m_part; }

private:
    bool openPart(int part, std::string &error);
    bool writeLine(std::string_view line, std::string &error);
    bool writeAll(std::string_view bytes, std::string &error);

    std::string m_folder;
    std::function<std::string(int part)> m_name;
    int64_t m_limit;
    PartHeader m_partHeader;
    AppendFile m_file;
    int m_part = 1;
    int64_t m_size = 0;
    std::string m_path;
};

} // namespace kelvane
