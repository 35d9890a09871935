// The base's side of the system: names in UTF-8 reach the system's files intact (Windows takes a
// narrow name in its ANSI code page unless told otherwise), appending goes to the end, and the
// program's folder is where this test runs from.
#include "base/stream.h"
#include "base/system_files.h"
#include "base/utf8_path.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

using namespace kelvane;

namespace {

TEST(SystemFilesTest, CyrillicNamesReachTheFilesIntactAndAppendsGoToTheEnd)
{
    const std::string folder = pathUtf8(std::filesystem::temp_directory_path()) + "/kelvane-Тест-"
        + std::to_string(std::random_device()());
    std::filesystem::create_directories(utf8Path(folder));
    const std::string file = folder + "/журнал.txt";
    std::string error;
    {
        AppendFile journal;
        ASSERT_TRUE(journal.open(file, error)) << error;
        int64_t written = 0;
        ASSERT_TRUE(journal.write("первая\n", written, error)) << error;
        EXPECT_EQ(written, 13);
    }
    AppendFile again;
    ASSERT_TRUE(again.open(file, error)) << error;
    int64_t size = 0;
    ASSERT_TRUE(again.size(size, error));
    EXPECT_EQ(size, 13);
    int64_t written = 0;
    ASSERT_TRUE(again.write("2\n", written, error));
    again.close();

    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(utf8Path(folder)))
        names.push_back(pathUtf8(entry.path().filename()));
    EXPECT_EQ(names, std::vector<std::string> {"журнал.txt"});
    EXPECT_TRUE(FileSystem::disk().fileExists(file));
    std::unique_ptr<TFileStream> stream = TFileStream::Open(file, fmOpenRead, &error);
    ASSERT_TRUE(stream) << error;
    std::string text(static_cast<size_t>(stream->Size()), '\0');
    stream->ReadBuffer(text.data(), static_cast<int64_t>(text.size()));
    EXPECT_EQ(text, "первая\n2\n");
    stream.reset(); // Windows removes no open file
    std::filesystem::remove_all(utf8Path(folder));
}

TEST(SystemFilesTest, TheProgramFolderHoldsTheRunningExecutable)
{
    const std::string folder = programFolder();
    ASSERT_FALSE(folder.empty());
    bool found = false;
    for (const auto &entry : std::filesystem::directory_iterator(utf8Path(folder)))
        found = found || entry.path().stem() == "kelvane_base_tests";
    EXPECT_TRUE(found) << folder;
}

} // namespace
