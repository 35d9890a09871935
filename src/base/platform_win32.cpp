// The Windows side of the base: file streams, append files, the program's folder, the user's
// language. Names are UTF-8 and reach the system as UTF-16 (the wide calls), so no code page
// stands between.
#include "base/language.h"
#include "base/stream.h"
#include "base/system_files.h"
#include "base/utf8_path.h"

#include <cerrno>
#include <system_error>
#include <vector>
#include <windows.h>

namespace kelvane {

namespace {

HANDLE handleOf(intptr_t file)
{
    return reinterpret_cast<HANDLE>(file);
}

DWORD accessFor(uint16_t mode)
{
    switch (mode & 0x3) {
    case fmOpenWrite:
        return GENERIC_WRITE;
    case fmOpenReadWrite:
        return GENERIC_READ | GENERIC_WRITE;
    default:
        return GENERIC_READ;
    }
}

DWORD shareFor(uint16_t mode)
{
    switch (mode & 0x70) {
    case fmShareExclusive:
        return 0;
    case fmShareDenyWrite:
        return FILE_SHARE_READ;
    case fmShareDenyRead:
        return FILE_SHARE_WRITE;
    default:
        return FILE_SHARE_READ | FILE_SHARE_WRITE;
    }
}

// The messages of the POSIX side for the failures both have, so that what a user reads does not
// depend on the system.
std::string errorText(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return std::error_code(ENOENT, std::generic_category()).message();
    case ERROR_ACCESS_DENIED:
        return std::error_code(EACCES, std::generic_category()).message();
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return std::error_code(ENOSPC, std::generic_category()).message();
    default:
        return "Windows error " + std::to_string(error);
    }
}

// Positioned transfers: the offset goes with each request, the handle's own position is unused.
template<typename Call, typename Byte>
int64_t transfer(HANDLE file, int64_t position, Call call, Byte *bytes, int64_t count)
{
    if (position < 0 || count <= 0)
        return 0;
    int64_t done = 0;
    while (done < count) {
        const uint64_t at = static_cast<uint64_t>(position + done);
        OVERLAPPED request = {};
        request.Offset = static_cast<DWORD>(at);
        request.OffsetHigh = static_cast<DWORD>(at >> 32);
        const DWORD chunk = static_cast<DWORD>(std::min<int64_t>(count - done, 1 << 30));
        DWORD moved = 0;
        if (!call(file, bytes + done, chunk, &moved, &request) || moved == 0)
            break;
        done += moved;
    }
    return done;
}

} // namespace

std::unique_ptr<TFileStream> TFileStream::Open(
    const std::string &fileName, uint16_t mode, std::string *error)
{
    const HANDLE file = CreateFileW(utf8Path(fileName).c_str(), accessFor(mode), shareFor(mode),
        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD failure = GetLastError();
        *error = (failure == ERROR_SHARING_VIOLATION || failure == ERROR_LOCK_VIOLATION)
            ? "it is open for writing by another program"
            : errorText(failure);
        return nullptr;
    }
    if (GetFileType(file) != FILE_TYPE_DISK) {
        *error = "not a regular file";
        CloseHandle(file);
        return nullptr;
    }
    return std::unique_ptr<TFileStream>(new TFileStream(reinterpret_cast<intptr_t>(file)));
}

TFileStream::~TFileStream()
{
    CloseHandle(handleOf(m_file));
}

int64_t TFileStream::Read(void *buffer, int64_t count)
{
    const int64_t done
        = transfer(handleOf(m_file), m_position, ReadFile, static_cast<char *>(buffer), count);
    m_position += done;
    return done;
}

int64_t TFileStream::Write(const void *buffer, int64_t count)
{
    const int64_t done = transfer(
        handleOf(m_file), m_position, WriteFile, static_cast<const char *>(buffer), count);
    m_position += done;
    return done;
}

int64_t TFileStream::Size() const
{
    LARGE_INTEGER size = {};
    return GetFileSizeEx(handleOf(m_file), &size) ? size.QuadPart : 0;
}

bool AppendFile::open(const std::string &path, std::string &error)
{
    close();
    // Append access alone: the system puts every write at the end, as O_APPEND does.
    const HANDLE file = CreateFileW(utf8Path(path).c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = path + ": " + errorText(GetLastError());
        return false;
    }
    m_file = reinterpret_cast<intptr_t>(file);
    m_path = path;
    return true;
}

bool AppendFile::size(int64_t &bytes, std::string &error) const
{
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(handleOf(m_file), &size)) {
        error = m_path + ": " + errorText(GetLastError());
        return false;
    }
    bytes = size.QuadPart;
    return true;
}

bool AppendFile::write(std::string_view bytes, int64_t &written, std::string &error)
{
    written = 0;
    while (!bytes.empty()) {
        DWORD n = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1 << 30));
        if (!WriteFile(handleOf(m_file), bytes.data(), chunk, &n, nullptr) || n == 0) {
            error = m_path + ": " + errorText(GetLastError());
            return false;
        }
        written += n;
        bytes.remove_prefix(n);
    }
    return true;
}

void AppendFile::close()
{
    if (m_file != -1)
        CloseHandle(handleOf(m_file));
    m_file = -1;
}

std::string programFolder()
{
    std::vector<wchar_t> name(MAX_PATH);
    for (;;) {
        const DWORD length
            = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0)
            return {};
        if (length < name.size())
            return pathUtf8(std::filesystem::path(std::wstring(name.data(), length)).parent_path());
        name.resize(name.size() * 2);
    }
}

std::string systemLanguage()
{
    // The language of the user's windows and menus (Settings, Language), not the regional format.
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    const LCID language = MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT);
    const int length = LCIDToLocaleName(language, name, LOCALE_NAME_MAX_LENGTH, 0);
    return length > 1 ? pathUtf8(std::filesystem::path(std::wstring(name, length - 1))) : "";
}

} // namespace kelvane
