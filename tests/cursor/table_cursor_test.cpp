// The table cursor on real files: opening by name with the program-folder fallback, what is
// shown (deleted and odd flags, ShowDeleted, the filter), the fetch modes at the ends, bookmarks,
// and what editing, inserting, appending and deleting write to the file.
#include "cursor/table_cursor.h"
#include "dataset/database_error.h"
#include "dbf/errors.h"
#include "support/dbf/dbf_test_support.h"

#include <cstring>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

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
    void WriteTable(const std::vector<std::string> &names, const std::string &file = "com.dbf")
    {
        TableImage image(0x03, Fields);
        for (const std::string &name : names) {
            char flag = ' ';
            std::string value = name;
            if (!name.empty() && (name[0] == '*' || name[0] == '#' || name[0] == '~')) {
                flag = name[0] == '~' ? '\0' : name[0];
                value = name.substr(1);
            }
            image.Records.push_back(Record(Fields, {value, "cmd-" + value, "T"}, flag));
        }
        WriteFile(dir.Path(file), image.Bytes());
    }

    void Open(bool readOnly = false)
    {
        dbf.SetName("Dbf1");
        dbf.SetFileName(path);
        dbf.SetReadOnly(readOnly);
        dbf.SetHooks(hooks.Hooks());
        dbf.Open();
    }

    std::string Name() { return dbf.FieldByName("NAME").AsString(); }

    // The names the views would list, in order.
    std::vector<std::string> Shown()
    {
        std::vector<std::string> names;
        dbf.ForEachRecord([&](const TBookmark &bookmark) {
            dbf.ReadRecordAt(bookmark, [&] { names.push_back(Name()); });
        });
        return names;
    }

    std::string FileRecord(int n) const
    {
        return ReadFile(path).substr(size_t(HeaderSize + n * RecordSize), RecordSize);
    }
    uint32_t DiskCount() const
    {
        const std::string bytes = ReadFile(path);
        return uint8_t(bytes[4]) | uint8_t(bytes[5]) << 8 | uint8_t(bytes[6]) << 16
            | uint32_t(uint8_t(bytes[7])) << 24;
    }

    void GoTo(const std::string &name)
    {
        for (dbf.First(); !dbf.Eof(); dbf.Next())
            if (Name() == name)
                return;
        FAIL() << name << " not shown";
    }

    TempDir dir;
    std::string path = dir.Path("com.dbf");
    RecordingHooks hooks;
    ProbeDbf dbf;
};

TEST_F(TableCursor, EmptyTableHasNoRecordAndNoValues)
{
    WriteTable({});
    Open();
    EXPECT_TRUE(dbf.IsEmpty());
    EXPECT_TRUE(dbf.Bof() && dbf.Eof());
    EXPECT_EQ(dbf.RecordCount(), 0);
    EXPECT_EQ(dbf.RecNo(), 1);
    int16_t flag = 7;
    EXPECT_FALSE(dbf.FieldByName("OK").GetData(&flag)) << "get field data answers false";
    EXPECT_EQ(flag, 7);
    EXPECT_EQ(Name(), "");
    EXPECT_EQ(dbf.MoveBy(1), 0);
    EXPECT_EQ(dbf.MoveBy(-1), 0);
    EXPECT_THAT(Shown(), ElementsAre());

    TRecordBuffer buffer = dbf.AllocRecordBuffer();
    for (TGetMode mode : {gmCurrent, gmNext, gmPrior})
        EXPECT_EQ(dbf.GetRecord(buffer, mode, true), grEOF) << "mode " << mode;
    dbf.FreeRecordBuffer(buffer);

    try {
        dbf.Delete();
        FAIL() << "delete on an empty table";
    } catch (const EDatabaseError &error) {
        EXPECT_STREQ(error.what(), "Dbf1: Cannot perform this operation on an empty dataset");
    }
    EXPECT_EQ(ReadFile(path).size(), size_t(HeaderSize + 1)) << "the table is unchanged";
}

TEST_F(TableCursor, FetchModesStopAtTheEndsAndCheckTheCurrentRecord)
{
    WriteTable({"a", "*b", "c"});
    Open();
    TRecordBuffer buffer = dbf.AllocRecordBuffer();
    dbf.InternalFirst();
    EXPECT_EQ(dbf.GetRecord(buffer, gmPrior, true), grBOF);
    EXPECT_EQ(dbf.GetRecord(buffer, gmCurrent, false), grError) << "before the first record";
    EXPECT_THROW(
        {
            try {
                dbf.GetRecord(buffer, gmCurrent, true);
            } catch (const EBinaryDataSetError &error) {
                EXPECT_STREQ(error.what(), "GetRecord: Invalid record");
                throw;
            }
        },
        EBinaryDataSetError);
    EXPECT_EQ(dbf.GetRecord(buffer, gmNext, true), grOK);
    EXPECT_EQ(buffer[1], 'a');
    EXPECT_EQ(dbf.GetRecord(buffer, gmNext, true), grOK) << "the deleted record is skipped";
    EXPECT_EQ(buffer[1], 'c');
    EXPECT_EQ(dbf.GetRecord(buffer, gmNext, true), grEOF);
    dbf.InternalGotoBookmark(TBookmark {1, 0, 0, 0});
    EXPECT_EQ(dbf.GetRecord(buffer, gmCurrent, true), grError)
        << "a hidden current record is no exception";
    dbf.InternalLast();
    EXPECT_EQ(dbf.GetRecord(buffer, gmNext, true), grEOF);
    EXPECT_EQ(dbf.GetRecord(buffer, gmPrior, true), grOK);
    EXPECT_EQ(buffer[1], 'c');
    int32_t number = -7;
    std::memcpy(&number, buffer + RecordSize, 4);
    EXPECT_EQ(number, 2);
    std::memcpy(&number, buffer + RecordSize + 4, 4);
    EXPECT_EQ(number, -1) << "index position";
    EXPECT_EQ(buffer[RecordSize + 8], 0) << "bookmark flag";

    dbf.InternalInitRecord(buffer);
    EXPECT_EQ(
        std::string(buffer, RecordSize + 12), std::string(RecordSize, ' ') + std::string(12, '\0'));
    dbf.FreeRecordBuffer(buffer);
}

TEST_F(TableCursor, DeletedAndOddFlagsAreHiddenUnlessShowDeleted)
{
    WriteTable({"*a", "~b", "#c"});
    Open();
    EXPECT_TRUE(dbf.IsEmpty()) << "no record is shown";
    EXPECT_EQ(dbf.RecordCount(), 3) << "but all are counted";
    EXPECT_THAT(Shown(), ElementsAre());
    dbf.SetShowDeleted(true);
    EXPECT_THAT(Shown(), ElementsAre("a", "b", "c"));
    EXPECT_EQ(Name(), "a");
    dbf.SetShowDeleted(false);
    EXPECT_TRUE(dbf.IsEmpty());
}

TEST_F(TableCursor, DeleteMarksTheWholeBufferAndMovesToANeighbour)
{
    WriteTable({"a", "b", "c", "d"});
    Open();
    GoTo("b");
    dbf.Edit();
    dbf.FieldByName("COMAND").SetAsString("changed");
    dbf.Delete();
    EXPECT_EQ(FileRecord(1), Record(Fields, {"b", "changed", "T"}, '*'))
        << "the unstored change goes with the mark";
    EXPECT_EQ(dbf.State(), dsBrowse);
    EXPECT_EQ(Name(), "c");
    EXPECT_THAT(Shown(), ElementsAre("a", "c", "d"));
    dbf.First();
    dbf.Next();
    EXPECT_EQ(Name(), "c") << "a next fetch from the record before skips it";
    EXPECT_EQ(dbf.RecordCount(), 4);

    GoTo("d");
    dbf.Delete();
    EXPECT_EQ(Name(), "c") << "the last record's neighbour is the one before";
    dbf.SetShowDeleted(true);
    EXPECT_THAT(Shown(), ElementsAre("a", "b", "c", "d"));
    dbf.Close();
    const std::string rows = RunPython("import dbfread\n"
                                       "t = dbfread.DBF('"
        + path
        + "', load=True)\n"
          "print([r['NAME'] for r in t.records], [r['NAME'] for r in t.deleted])\n");
    EXPECT_EQ(rows, "['a', 'c'] ['b', 'd']\n");
}

TEST_F(TableCursor, AppendWritesRecordNAndTheDiskHeaderFollowsAtClose)
{
    WriteTable({"a", "b", "c"});
    Open();
    dbf.Append();
    EXPECT_FALSE(dbf.Modified());
    dbf.FieldByName("NAME").SetAsString("new");
    EXPECT_TRUE(dbf.Modified());
    dbf.Post();
    EXPECT_EQ(dbf.RecordCount(), 4);
    EXPECT_EQ(FileRecord(3), " new       " + std::string(9, ' '))
        << "a new record starts with every field byte blank";
    EXPECT_EQ(DiskCount(), 3u) << "the disk header changes only at close";
    EXPECT_EQ(dbf.RecNo(), 4);
    EXPECT_EQ(Name(), "new");
    dbf.Close();
    EXPECT_EQ(DiskCount(), 4u);
    const std::string bytes = ReadFile(path);
    EXPECT_EQ(bytes.size(), size_t(HeaderSize + 4 * RecordSize + 1));
    EXPECT_EQ(bytes.back(), '\x1A');
    EXPECT_EQ(bytes.substr(1, 3), "\x7E\x03\x05") << "today, by the hooks";
}

TEST_F(TableCursor, InsertShownInTheMiddleIsStoredAtTheEndAndShownLast)
{
    WriteTable({"a", "b", "c"});
    Open();
    GoTo("b");
    const TBookmark b = dbf.GetBookmark();
    dbf.Insert();
    EXPECT_EQ(dbf.InsertAnchor(), b) << "shown before the record that was current";
    EXPECT_TRUE(dbf.GetBookmark().empty());
    dbf.FieldByName("NAME").SetAsString("new");
    dbf.Post();
    EXPECT_EQ(FileRecord(3).substr(0, 4), " new");
    EXPECT_THAT(Shown(), ElementsAre("a", "b", "c", "new"));
    EXPECT_EQ(Name(), "new");
    EXPECT_EQ(dbf.RecNo(), 4);
}

TEST_F(TableCursor, BookmarksCarryTheRecordNumberAndItsErrors)
{
    WriteTable({"r0", "r1", "r2", "*r3", "r4", "r5", "r6"});
    Open();
    GoTo("r2");
    const TBookmark bookmark = dbf.GetBookmark();
    EXPECT_EQ(bookmark, (TBookmark {2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    dbf.Last();
    dbf.GotoBookmark(bookmark);
    EXPECT_EQ(Name(), "r2");

    for (int32_t n : {7, -1}) {
        TBookmark wrong(12, 0);
        std::memcpy(wrong.data(), &n, 4);
        try {
            dbf.GotoBookmark(wrong);
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
                dbf.GotoBookmark(deleted);
            } catch (const EDatabaseError &error) {
                EXPECT_STREQ(error.what(), "Dbf1: Record not found");
                throw;
            }
        },
        EDatabaseError);
    EXPECT_EQ(dbf.RecNo(), 3);
}

TEST_F(TableCursor, OnlyLogicalFieldsSayTheyHaveAValueWithoutABuffer)
{
    WriteTable({"a"});
    Open();
    EXPECT_TRUE(dbf.FieldByName("NAME").IsNull()) << "even with text in it";
    EXPECT_EQ(Name(), "a");
    EXPECT_FALSE(dbf.FieldByName("OK").IsNull());
    EXPECT_TRUE(dbf.FieldByName("OK").AsBoolean());
    dbf.Edit();
    dbf.FieldByName("OK").SetAsBoolean(false);
    dbf.Post();
    EXPECT_EQ(FileRecord(0).back(), 'F');
    EXPECT_EQ(dbf.FieldByName("OK").AsString(), "False");
}

TEST_F(TableCursor, EditRewritesInPlaceAndCancelRestores)
{
    WriteTable({"a", "b"});
    Open();
    const std::string before = ReadFile(path);
    dbf.Edit();
    dbf.FieldByName("COMAND").SetAsString("Z");
    dbf.Cancel();
    EXPECT_EQ(dbf.FieldByName("COMAND").AsString(), "cmd-a");
    EXPECT_EQ(ReadFile(path), before);

    dbf.Edit();
    dbf.Post();
    EXPECT_EQ(ReadFile(path), before) << "an unchanged record is rewritten as it was";
    dbf.Edit();
    dbf.FieldByName("COMAND").SetAsString("Z");
    dbf.Next();
    EXPECT_EQ(FileRecord(0), Record(Fields, {"a", "Z", "T"})) << "leaving stores the change";
    EXPECT_EQ(dbf.RecordCount(), 2);
    EXPECT_THROW(dbf.FieldByName("COMAND").SetAsString("x"), EDatabaseError) << "not in edit state";
}

TEST_F(TableCursor, TooLongValueLeavesTheRecordAsItWas)
{
    WriteTable({"a"});
    Open();
    dbf.Edit();
    EXPECT_THROW(dbf.FieldByName("NAME").SetAsString("eleven char"), EFieldToLongError);
    EXPECT_FALSE(dbf.Modified());
    EXPECT_EQ(Name(), "a");
}

TEST_F(TableCursor, TextComesInWindows1251AndIsStoredInCp866)
{
    WriteTable({});
    Open();
    dbf.Insert();
    dbf.FieldByName("NAME").SetAsString(Cp1251("Привет"));
    dbf.Post();
    EXPECT_EQ(FileRecord(0).substr(1, 6), "\x8F\xE0\xA8\xA2\xA5\xE2");
    EXPECT_EQ(Name(), Cp1251("Привет"));
}

TEST_F(TableCursor, ClosedCursorRefusesWithItsName)
{
    WriteTable({"a"});
    dbf.SetName("Dbf1");
    const std::string closed = "Dbf1: Cannot perform this operation on a closed dataset";
    const std::function<void()> operations[]
        = {[&] { dbf.RecordCount(); }, [&] { dbf.Post(); }, [&] { dbf.Delete(); },
            [&] { dbf.Refresh(); }, [&] { dbf.Edit(); }, [&] { dbf.SetShowDeleted(true); }};
    for (const auto &operation : operations) {
        try {
            operation();
            ADD_FAILURE() << "no error on a closed cursor";
        } catch (const EDatabaseError &error) {
            EXPECT_EQ(error.what(), closed);
        }
    }
    EXPECT_TRUE(dbf.ShowDeleted()) << "stored before the refresh failed";
}

TEST_F(TableCursor, MissingTableIsLookedForInTheProgramFolder)
{
    TempDir programFolder;
    WriteFile(programFolder.Path("com.dbf"),
        TableImage(0x03, Fields, {Record(Fields, {"there"})}).Bytes());
    dbf.SetName("Dbf1");
    dbf.SetFileName(dir.Path("com.dbf"));
    dbf.SetProgramFolder(programFolder.Path(""));
    dbf.Open();
    EXPECT_EQ(dbf.FileName(), programFolder.Path("com.dbf"));
    EXPECT_EQ(Name(), "there");
    dbf.Close();

    dbf.SetFileName("com.dbf");
    dbf.SetProgramFolder(dir.Path(""));
    try {
        dbf.Open();
        FAIL() << "opened a table that is nowhere";
    } catch (const EBinaryDataSetError &error) {
        EXPECT_STREQ(error.what(), "Open: Table file not found : com.dbf");
    }
    EXPECT_FALSE(dbf.Active());
}

TEST_F(TableCursor, ProgramFolderIsTheExecutablesByDefault)
{
    char executable[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", executable, sizeof executable - 1), 0);
    const std::string folder
        = std::string(executable).substr(0, std::string(executable).rfind('/'));
    const std::string name = "kelvane-cursor-test-" + std::to_string(getpid()) + ".dbf";
    WriteFile(folder + "/" + name, TableImage(0x03, Fields, {Record(Fields, {"beside"})}).Bytes());
    char previous[4096] = {};
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(dir.Path("").c_str()), 0) << "not found in the current folder";
    dbf.SetFileName(name);
    dbf.SetReadOnly(true);
    EXPECT_NO_THROW(dbf.Open());
    EXPECT_EQ(chdir(previous), 0);
    std::remove((folder + "/" + name).c_str());
    ASSERT_TRUE(dbf.Active());
    EXPECT_EQ(dbf.FileName(), folder + "/" + name);
    EXPECT_EQ(Name(), "beside");
}

TEST_F(TableCursor, ReadOnlyCloseChangesNoByteAndWritableCloseRepairsTheCount)
{
    WriteTable({"a", "b"});
    std::string bytes = ReadFile(path);
    bytes[4] = 1; // the header says 1 record, the file holds 2
    WriteFile(path, bytes);
    Open(true);
    EXPECT_FALSE(dbf.CanModify());
    EXPECT_THROW(dbf.Edit(), EDatabaseError);
    dbf.Close();
    EXPECT_EQ(ReadFile(path), bytes);
    ASSERT_EQ(hooks.Messages.size(), 1u);
    EXPECT_EQ(hooks.Messages[0], "Invalid Record Count,\rRecordCount in Hdr : 1\rexpected : 2");

    Open();
    EXPECT_THAT(Shown(), ElementsAre("a", "b"));
    dbf.Close();
    EXPECT_EQ(DiskCount(), 2u);
    EXPECT_EQ(ReadFile(path).substr(1, 3), "\x7E\x03\x05");
}

TEST_F(TableCursor, FilterShowsWhatItsHandlerAcceptsReadingTheRecordUnderTest)
{
    WriteTable({"keep1", "drop", "keep2", "*keep3"});
    Open();
    std::vector<std::string> offered;
    dbf.OnFilterRecord = [&](TDataSet &dataSet, bool &accept) {
        EXPECT_EQ(dataSet.State(), dsFilter);
        offered.push_back(dataSet.FieldByName("NAME").AsString());
        accept = offered.back().rfind("keep", 0) == 0;
    };
    EXPECT_THAT(Shown(), ElementsAre("keep1", "drop", "keep2")) << "not filtered yet";
    EXPECT_THAT(offered, ElementsAre());
    dbf.SetFiltered(true);
    EXPECT_THAT(Shown(), ElementsAre("keep1", "keep2"));
    offered.clear();
    std::vector<std::string> walked;
    for (dbf.First(); !dbf.Eof(); dbf.Next())
        walked.push_back(Name());
    EXPECT_THAT(walked, ElementsAre("keep1", "keep2"));
    EXPECT_THAT(offered, ElementsAre("keep1", "drop", "keep2"))
        << "each record once; deleted records are not offered";
    EXPECT_EQ(dbf.State(), dsBrowse);
    dbf.Last();
    EXPECT_EQ(Name(), "keep2");
}

TEST_F(TableCursor, MemoTextGoesThroughTheMemoFile)
{
    const std::vector<FieldLayout> memoFields = {{"NAME", 'C', 5}, {"NOTE", 'M', 10}};
    WriteFile(path,
        TableImage(0x83, memoFields,
            {Record(memoFields, {"one", "         1"}), Record(memoFields, {"two", ""})})
            .Bytes());
    WriteFile(
        dir.Path("com.dbt"), std::string("\x02", 1) + std::string(511, '\0') + "hello\x1A\x1A");
    Open();
    TField &note = dbf.FieldByName("NOTE");
    EXPECT_EQ(note.AsString(), "hello");
    dbf.Next();
    EXPECT_EQ(note.AsString(), "") << "no block";
    dbf.Edit();
    note.SetAsString("a new memo");
    EXPECT_TRUE(dbf.Modified());
    dbf.Post();
    const size_t secondRecord = 32 + 2 * 32 + 1 + 16;
    EXPECT_EQ(ReadFile(path).substr(secondRecord, 16), " two           2")
        << "appended at the next free block";
    dbf.Close();
    Open();
    dbf.Next();
    EXPECT_EQ(dbf.FieldByName("NOTE").AsString(), "a new memo");
    dbf.Close();

    std::remove(dir.Path("com.dbt").c_str());
    Open();
    EXPECT_EQ(dbf.FieldByName("NOTE").AsString(), "") << "no memo file: no text";
    dbf.Edit();
    EXPECT_THROW(dbf.FieldByName("NOTE").SetAsString("x"), EBinaryDataSetError);
}

} // namespace
