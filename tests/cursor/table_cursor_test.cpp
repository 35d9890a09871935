// The table cursor on real files: opening by name with the program-folder fallback, what is
// shown (deleted and odd flags, ShowDeleted, the filter), the fetch modes at the ends, bookmarks,
// and what editing, inserting, appending and deleting write to the file.
#include "base/utf8_path.h"
#include "cursor/table_cursor.h"
#include "dataset/database_error.h"
#include "dbf/errors.h"
#include "support/dbf/dbf_test_support.h"

#include <cstring>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>
#ifdef _WIN32
#include <windows.h>
#endif

using namespace kelvane;

using namespace DbfTest;
using ::testing::ElementsAre;

namespace {

const std::vector<FieldLayout> Fields = {{"NAME", 'C', 10}, {"COMAND", 'C', 8}, {"OK", 'L', 1}};
constexpr int HeaderSize = 32 + 3 * 32 + 1;
constexpr int RecordSize = 1 + 10 + 8 + 1;

// Reaches the cursor's own calls, as the dataset makes them.
class ProbeDbf : public TDbf
{
public:
    using TDbf::AllocRecordBuffer;
    using TDbf::FreeRecordBuffer;
    using TDbf::GetRecord;
    using TDbf::InternalFirst;
    using TDbf::InternalGotoBookmark;
    using TDbf::InternalInitRecord;
    using TDbf::InternalLast;
};

class TableCursor : public ::testing::Test
{
protected:
    // Records by name; a name starting with '*' or '#' is stored with that flag, '~' with 0x00.
    void writeTable(const std::vector<std::string> &names, const std::string &file = "com.dbf")
    {
        TableImage image(0x03, Fields);
        for (const std::string &name : names) {
            char flag = ' ';
            std::string value = name;
            if (!name.empty() && (name[0] == '*' || name[0] == '#' || name[0] == '~')) {
                flag = name[0] == '~' ? '\0' : name[0];
                value = name.substr(1);
            }
            image.records.push_back(recordBytes(Fields, {value, "cmd-" + value, "T"}, flag));
        }
        WriteFile(m_dir.path(file), image.bytes());
    }

    void Open(bool readOnly = false)
    {
        m_dbf.SetName("Dbf1");
        m_dbf.SetFileName(m_path);
        m_dbf.SetReadOnly(readOnly);
        m_dbf.setErrorSink(m_hooks);
        m_dbf.setToday(RecordingHooks::today);
        m_dbf.Open();
    }

    std::string Name() { return m_dbf.FieldByName("NAME").AsString(); }

    // The names the views would list, in order.
    std::vector<std::string> shown()
    {
        std::vector<std::string> names;
        m_dbf.forEachRecord([&](const TBookmark &bookmark) {
            m_dbf.readRecordAt(bookmark, [&] { names.push_back(Name()); });
        });
        return names;
    }

    std::string fileRecord(int n) const
    {
        return ReadFile(m_path).substr(size_t(HeaderSize + n * RecordSize), RecordSize);
    }
    uint32_t diskCount() const
    {
        const std::string bytes = ReadFile(m_path);
        return uint8_t(bytes[4]) | uint8_t(bytes[5]) << 8 | uint8_t(bytes[6]) << 16
            | uint32_t(uint8_t(bytes[7])) << 24;
    }

    void goTo(const std::string &name)
    {
        for (m_dbf.First(); !m_dbf.Eof(); m_dbf.Next())
            if (Name() == name)
                return;
        FAIL() << name << " not shown";
    }

    TempDir m_dir;
    std::string m_path = m_dir.path("com.dbf");
    RecordingHooks m_hooks;
    ProbeDbf m_dbf;
};

TEST_F(TableCursor, EmptyTableHasNoRecordAndNoValues)
{
    writeTable({});
    Open();
    EXPECT_TRUE(m_dbf.IsEmpty());
    EXPECT_TRUE(m_dbf.Bof() && m_dbf.Eof());
    EXPECT_EQ(m_dbf.RecordCount(), 0);
    EXPECT_EQ(m_dbf.RecNo(), 1);
    int16_t flag = 7;
    EXPECT_FALSE(m_dbf.FieldByName("OK").GetData(&flag)) << "get field data answers false";
    EXPECT_EQ(flag, 7);
    EXPECT_EQ(Name(), "");
    EXPECT_EQ(m_dbf.MoveBy(1), 0);
    EXPECT_EQ(m_dbf.MoveBy(-1), 0);
    EXPECT_THAT(shown(), ElementsAre());

    TRecordBuffer buffer = m_dbf.AllocRecordBuffer();
    for (TGetMode mode : {gmCurrent, gmNext, gmPrior})
        EXPECT_EQ(m_dbf.GetRecord(buffer, mode, true), grEOF) << "mode " << mode;
    m_dbf.FreeRecordBuffer(buffer);

    try {
        m_dbf.Delete();
        FAIL() << "delete on an empty table";
    } catch (const EDatabaseError &error) {
        EXPECT_STREQ(error.what(), "Dbf1: Cannot perform this operation on an empty dataset");
    }
    EXPECT_EQ(ReadFile(m_path).size(), size_t(HeaderSize + 1)) << "the table is unchanged";
}

TEST_F(TableCursor, FetchModesStopAtTheEndsAndCheckTheCurrentRecord)
{
    writeTable({"a", "*b", "c"});
    Open();
    TRecordBuffer buffer = m_dbf.AllocRecordBuffer();
    m_dbf.InternalFirst();
    EXPECT_EQ(m_dbf.GetRecord(buffer, gmPrior, true), grBOF);
    EXPECT_EQ(m_dbf.GetRecord(buffer, gmCurrent, false), grError) << "before the first record";
    EXPECT_THROW(
        {
            try {
                m_dbf.GetRecord(buffer, gmCurrent, true);
            } catch (const EBinaryDataSetError &error) {
                EXPECT_STREQ(error.what(), "GetRecord: Invalid record");
                throw;
            }
        },
        EBinaryDataSetError);
    EXPECT_EQ(m_dbf.GetRecord(buffer, gmNext, true), grOK);
    EXPECT_EQ(buffer[1], 'a');
    EXPECT_EQ(m_dbf.GetRecord(buffer, gmNext, true), grOK) << "the deleted record is skipped";
    EXPECT_EQ(buffer[1], 'c');
    EXPECT_EQ(m_dbf.GetRecord(buffer, gmNext, true), grEOF);
    m_dbf.InternalGotoBookmark(TBookmark {1, 0, 0, 0});
    EXPECT_EQ(m_dbf.GetRecord(buffer, gmCurrent, true), grError)
        << "a hidden current record is no exception";
    m_dbf.InternalLast();
    EXPECT_EQ(m_dbf.GetRecord(buffer, gmNext, true), grEOF);
    EXPECT_EQ(m_dbf.GetRecord(buffer, gmPrior, true), grOK);
    EXPECT_EQ(buffer[1], 'c');
    int32_t number = -7;
    std::memcpy(&number, buffer + RecordSize, 4);
    EXPECT_EQ(number, 2);
    std::memcpy(&number, buffer + RecordSize + 4, 4);
    EXPECT_EQ(number, -1) << "index position";
    EXPECT_EQ(buffer[RecordSize + 8], 0) << "bookmark flag";

    m_dbf.InternalInitRecord(buffer);
    EXPECT_EQ(
        std::string(buffer, RecordSize + 12), std::string(RecordSize, ' ') + std::string(12, '\0'));
    m_dbf.FreeRecordBuffer(buffer);
}

TEST_F(TableCursor, DeletedAndOddFlagsAreHiddenUnlessShowDeleted)
{
    writeTable({"*a", "~b", "#c"});
    Open();
    EXPECT_TRUE(m_dbf.IsEmpty()) << "no record is shown";
    EXPECT_EQ(m_dbf.RecordCount(), 3) << "but all are counted";
    EXPECT_THAT(shown(), ElementsAre());
    m_dbf.SetShowDeleted(true);
    EXPECT_THAT(shown(), ElementsAre("a", "b", "c"));
    EXPECT_EQ(Name(), "a");
    m_dbf.SetShowDeleted(false);
    EXPECT_TRUE(m_dbf.IsEmpty());
}

TEST_F(TableCursor, DeleteMarksTheWholeBufferAndMovesToANeighbour)
{
    writeTable({"a", "b", "c", "d"});
    Open();
    goTo("b");
    m_dbf.Edit();
    m_dbf.FieldByName("COMAND").SetAsString("changed");
    m_dbf.Delete();
    EXPECT_EQ(fileRecord(1), recordBytes(Fields, {"b", "changed", "T"}, '*'))
        << "the unstored change goes with the mark";
    EXPECT_EQ(m_dbf.State(), dsBrowse);
    EXPECT_EQ(Name(), "c");
    EXPECT_THAT(shown(), ElementsAre("a", "c", "d"));
    m_dbf.First();
    m_dbf.Next();
    EXPECT_EQ(Name(), "c") << "a next fetch from the record before skips it";
    EXPECT_EQ(m_dbf.RecordCount(), 4);

    goTo("d");
    m_dbf.Delete();
    EXPECT_EQ(Name(), "c") << "the last record's neighbour is the one before";
    m_dbf.SetShowDeleted(true);
    EXPECT_THAT(shown(), ElementsAre("a", "b", "c", "d"));
    m_dbf.Close();
    const std::string rows = runPython("import dbfread\n"
                                       "t = dbfread.DBF('"
        + m_path
        + "', load=True)\n"
          "print([r['NAME'] for r in t.records], [r['NAME'] for r in t.deleted])\n");
    EXPECT_EQ(rows, "['a', 'c'] ['b', 'd']\n");
}

TEST_F(TableCursor, AppendWritesRecordNAndTheDiskHeaderFollowsAtClose)
{
    writeTable({"a", "b", "c"});
    Open();
    m_dbf.Append();
    EXPECT_FALSE(m_dbf.Modified());
    m_dbf.FieldByName("NAME").SetAsString("new");
    EXPECT_TRUE(m_dbf.Modified());
    m_dbf.Post();
    EXPECT_EQ(m_dbf.RecordCount(), 4);
    EXPECT_EQ(fileRecord(3), " new       " + std::string(9, ' '))
        << "a new record starts with every field byte blank";
    EXPECT_EQ(diskCount(), 3u) << "the disk header changes only at close";
    EXPECT_EQ(m_dbf.RecNo(), 4);
    EXPECT_EQ(Name(), "new");
    m_dbf.Close();
    EXPECT_EQ(diskCount(), 4u);
    const std::string bytes = ReadFile(m_path);
    EXPECT_EQ(bytes.size(), size_t(HeaderSize + 4 * RecordSize + 1));
    EXPECT_EQ(bytes.back(), '\x1A');
    EXPECT_EQ(bytes.substr(1, 3), "\x7E\x03\x05") << "today, by the hooks";
}

TEST_F(TableCursor, InsertShownInTheMiddleIsStoredAtTheEndAndShownLast)
{
    writeTable({"a", "b", "c"});
    Open();
    goTo("b");
    const TBookmark b = m_dbf.GetBookmark();
    m_dbf.Insert();
    EXPECT_EQ(m_dbf.insertAnchor(), b) << "shown before the record that was current";
    EXPECT_TRUE(m_dbf.GetBookmark().empty());
    m_dbf.FieldByName("NAME").SetAsString("new");
    m_dbf.Post();
    EXPECT_EQ(fileRecord(3).substr(0, 4), " new");
    EXPECT_THAT(shown(), ElementsAre("a", "b", "c", "new"));
    EXPECT_EQ(Name(), "new");
    EXPECT_EQ(m_dbf.RecNo(), 4);
}

TEST_F(TableCursor, BookmarksCarryTheRecordNumberAndItsErrors)
{
    writeTable({"r0", "r1", "r2", "*r3", "r4", "r5", "r6"});
    Open();
    goTo("r2");
    const TBookmark bookmark = m_dbf.GetBookmark();
    EXPECT_EQ(bookmark, (TBookmark {2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    m_dbf.Last();
    m_dbf.GotoBookmark(bookmark);
    EXPECT_EQ(Name(), "r2");

    for (int32_t n : {7, -1}) {
        TBookmark wrong(12, 0);
        std::memcpy(wrong.data(), &n, 4);
        try {
            m_dbf.GotoBookmark(wrong);
            FAIL() << "bookmark " << n;
        } catch (const EBinaryDataSetError &error) {
            EXPECT_EQ(error.what(), "Bookmark " + std::to_string(n) + " not found");
        }
        EXPECT_EQ(Name(), "r2") << "the current record stays";
    }
    TBookmark deleted(12, 0);
    deleted[0] = 3;
    EXPECT_THROW(
        {
            try {
                m_dbf.GotoBookmark(deleted);
            } catch (const EDatabaseError &error) {
                EXPECT_STREQ(error.what(), "Dbf1: Record not found");
                throw;
            }
        },
        EDatabaseError);
    EXPECT_EQ(m_dbf.RecNo(), 3);
}

TEST_F(TableCursor, OnlyLogicalFieldsSayTheyHaveAValueWithoutABuffer)
{
    writeTable({"a"});
    Open();
    EXPECT_TRUE(m_dbf.FieldByName("NAME").IsNull()) << "even with text in it";
    EXPECT_EQ(Name(), "a");
    EXPECT_FALSE(m_dbf.FieldByName("OK").IsNull());
    EXPECT_TRUE(m_dbf.FieldByName("OK").AsBoolean());
    m_dbf.Edit();
    m_dbf.FieldByName("OK").SetAsBoolean(false);
    m_dbf.Post();
    EXPECT_EQ(fileRecord(0).back(), 'F');
    EXPECT_EQ(m_dbf.FieldByName("OK").AsString(), "False");
}

TEST_F(TableCursor, EditRewritesInPlaceAndCancelRestores)
{
    writeTable({"a", "b"});
    Open();
    const std::string before = ReadFile(m_path);
    m_dbf.Edit();
    m_dbf.FieldByName("COMAND").SetAsString("Z");
    m_dbf.Cancel();
    EXPECT_EQ(m_dbf.FieldByName("COMAND").AsString(), "cmd-a");
    EXPECT_EQ(ReadFile(m_path), before);

    m_dbf.Edit();
    m_dbf.Post();
    EXPECT_EQ(ReadFile(m_path), before) << "an unchanged record is rewritten as it was";
    m_dbf.Edit();
    m_dbf.FieldByName("COMAND").SetAsString("Z");
    m_dbf.Next();
    EXPECT_EQ(fileRecord(0), recordBytes(Fields, {"a", "Z", "T"})) << "leaving stores the change";
    EXPECT_EQ(m_dbf.RecordCount(), 2);
    EXPECT_THROW(m_dbf.FieldByName("COMAND").SetAsString("x"), EDatabaseError)
        << "not in edit state";
}

TEST_F(TableCursor, TooLongValueLeavesTheRecordAsItWas)
{
    writeTable({"a"});
    Open();
    m_dbf.Edit();
    EXPECT_THROW(m_dbf.FieldByName("NAME").SetAsString("eleven char"), EFieldToLongError);
    EXPECT_FALSE(m_dbf.Modified());
    EXPECT_EQ(Name(), "a");
}

TEST_F(TableCursor, TextComesInWindows1251AndIsStoredInCp866)
{
    writeTable({});
    Open();
    m_dbf.Insert();
    m_dbf.FieldByName("NAME").SetAsString(cp1251("Привет"));
    m_dbf.Post();
    EXPECT_EQ(fileRecord(0).substr(1, 6), "\x8F\xE0\xA8\xA2\xA5\xE2");
    EXPECT_EQ(Name(), cp1251("Привет"));
}

TEST_F(TableCursor, ClosedCursorRefusesWithItsName)
{
    writeTable({"a"});
    m_dbf.SetName("Dbf1");
    const std::string closed = "Dbf1: Cannot perform this operation on a closed dataset";
    const std::function<void()> operations[]
        = {[&] { m_dbf.RecordCount(); }, [&] { m_dbf.Post(); }, [&] { m_dbf.Delete(); },
            [&] { m_dbf.Refresh(); }, [&] { m_dbf.Edit(); }, [&] { m_dbf.SetShowDeleted(true); }};
    for (const auto &operation : operations) {
        try {
            operation();
            ADD_FAILURE() << "no error on a closed cursor";
        } catch (const EDatabaseError &error) {
            EXPECT_EQ(error.what(), closed);
        }
    }
    EXPECT_TRUE(m_dbf.ShowDeleted()) << "stored before the refresh failed";
}

TEST_F(TableCursor, MissingTableIsLookedForInTheProgramFolder)
{
    TempDir programFolder;
    WriteFile(programFolder.path("com.dbf"),
        TableImage(0x03, Fields, {recordBytes(Fields, {"there"})}).bytes());
    m_dbf.SetName("Dbf1");
    m_dbf.SetFileName(m_dir.path("com.dbf"));
    m_dbf.setProgramFolder(programFolder.path(""));
    m_dbf.Open();
    EXPECT_EQ(m_dbf.FileName(), programFolder.path("com.dbf"));
    EXPECT_EQ(Name(), "there");
    m_dbf.Close();

    m_dbf.SetFileName("com.dbf");
    m_dbf.setProgramFolder(m_dir.path(""));
    try {
        m_dbf.Open();
        FAIL() << "opened a table that is nowhere";
    } catch (const EBinaryDataSetError &error) {
        EXPECT_STREQ(error.what(), "Open: Table file not found : com.dbf");
    }
    EXPECT_FALSE(m_dbf.Active());
}

// The folder of this test's executable, as the system tells it.
std::string executableFolder()
{
#ifdef _WIN32
    wchar_t executable[4096] = {};
    EXPECT_GT(GetModuleFileNameW(nullptr, executable, 4095), 0u);
    return pathUtf8(std::filesystem::path(executable).parent_path());
#else
    char executable[4096] = {};
    EXPECT_GT(readlink("/proc/self/exe", executable, sizeof executable - 1), 0);
    return std::string(executable).substr(0, std::string(executable).rfind('/'));
#endif
}

TEST_F(TableCursor, ProgramFolderIsTheExecutablesByDefault)
{
    const std::string folder = executableFolder();
    const std::string name = "kelvane-cursor-test-" + std::to_string(getpid()) + ".dbf";
    const std::string beside = pathUtf8(utf8Path(folder) / name);
    WriteFile(beside, TableImage(0x03, Fields, {recordBytes(Fields, {"beside"})}).bytes());
    char previous[4096] = {};
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(m_dir.path("").c_str()), 0) << "not found in the current folder";
    m_dbf.SetFileName(name);
    m_dbf.SetReadOnly(true);
    EXPECT_NO_THROW(m_dbf.Open());
    EXPECT_EQ(chdir(previous), 0);
    std::remove(beside.c_str());
    ASSERT_TRUE(m_dbf.Active());
    EXPECT_EQ(m_dbf.FileName(), beside);
    EXPECT_EQ(Name(), "beside");
}

TEST_F(TableCursor, ReadOnlyCloseChangesNoByteAndWritableCloseRepairsTheCount)
{
    writeTable({"a", "b"});
    std::string bytes = ReadFile(m_path);
    bytes[4] = 1; // the header says 1 record, the file holds 2
    WriteFile(m_path, bytes);
    Open(true);
    EXPECT_FALSE(m_dbf.CanModify());
    EXPECT_THROW(m_dbf.Edit(), EDatabaseError);
    m_dbf.Close();
    EXPECT_EQ(ReadFile(m_path), bytes);
    ASSERT_EQ(m_hooks.messages.size(), 1u);
    EXPECT_EQ(m_hooks.messages[0], "Invalid Record Count,\rRecordCount in Hdr : 1\rexpected : 2");

    Open();
    EXPECT_THAT(shown(), ElementsAre("a", "b"));
    m_dbf.Close();
    EXPECT_EQ(diskCount(), 2u);
    EXPECT_EQ(ReadFile(m_path).substr(1, 3), "\x7E\x03\x05");
}

TEST_F(TableCursor, FilterShowsWhatItsHandlerAcceptsReadingTheRecordUnderTest)
{
    writeTable({"keep1", "drop", "keep2", "*keep3"});
    Open();
    std::vector<std::string> offered;
    m_dbf.OnFilterRecord = [&](TDataSet &dataSet, bool &accept) {
        EXPECT_EQ(dataSet.State(), dsFilter);
        offered.push_back(dataSet.FieldByName("NAME").AsString());
        accept = offered.back().rfind("keep", 0) == 0;
    };
    EXPECT_THAT(shown(), ElementsAre("keep1", "drop", "keep2")) << "not filtered yet";
    EXPECT_THAT(offered, ElementsAre());
    m_dbf.SetFiltered(true);
    EXPECT_THAT(shown(), ElementsAre("keep1", "keep2"));
    offered.clear();
    std::vector<std::string> walked;
    for (m_dbf.First(); !m_dbf.Eof(); m_dbf.Next())
        walked.push_back(Name());
    EXPECT_THAT(walked, ElementsAre("keep1", "keep2"));
    EXPECT_THAT(offered, ElementsAre("keep1", "drop", "keep2"))
        << "each record once; deleted records are not offered";
    EXPECT_EQ(m_dbf.State(), dsBrowse);
    m_dbf.Last();
    EXPECT_EQ(Name(), "keep2");
}

TEST_F(TableCursor, MemoTextGoesThroughTheMemoFile)
{
    const std::vector<FieldLayout> memoFields = {{"NAME", 'C', 5}, {"NOTE", 'M', 10}};
    WriteFile(m_path,
        TableImage(0x83, memoFields,
            {recordBytes(memoFields, {"one", "         1"}), recordBytes(memoFields, {"two", ""})})
            .bytes());
    WriteFile(
        m_dir.path("com.dbt"), std::string("\x02", 1) + std::string(511, '\0') + "hello\x1A\x1A");
    Open();
    TField &note = m_dbf.FieldByName("NOTE");
    EXPECT_EQ(note.AsString(), "hello");
    m_dbf.Next();
    EXPECT_EQ(note.AsString(), "") << "no block";
    m_dbf.Edit();
    note.SetAsString("a new memo");
    EXPECT_TRUE(m_dbf.Modified());
    m_dbf.Post();
    const size_t secondRecord = 32 + 2 * 32 + 1 + 16;
    EXPECT_EQ(ReadFile(m_path).substr(secondRecord, 16), " two           2")
        << "appended at the next free block";
    m_dbf.Close();
    Open();
    m_dbf.Next();
    EXPECT_EQ(m_dbf.FieldByName("NOTE").AsString(), "a new memo");
    m_dbf.Close();

    std::remove(m_dir.path("com.dbt").c_str());
    Open();
    EXPECT_EQ(m_dbf.FieldByName("NOTE").AsString(), "") << "no memo file: no text";
    m_dbf.Edit();
    EXPECT_THROW(m_dbf.FieldByName("NOTE").SetAsString("x"), EBinaryDataSetError);
}

} // namespace
