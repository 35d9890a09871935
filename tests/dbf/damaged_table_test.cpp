// Damaged tables opened as the program opens com.dbf, in memory: which record size is believed
// when the header and the field descriptors disagree, what is refused and with which words, what
// the user is told about damaged or missing memos, and that nothing is written while the engine
// is unsure.
#include "dbf/errors.h"
#include "dbf/table_cursor.h"
#include "dbf_test_support.h"
#include "memory_files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace DbfTest;
using ::testing::ElementsAre;

namespace {

const std::vector<FieldLayout> MemoFields = {{"NAME", 'C', 6}, {"NOTE", 'M', 10}};

class DamagedTable : public ::testing::Test
{
protected:
    void Open(bool readOnly = false)
    {
        dbf.SetName("Dbf1");
        dbf.SetFileName("com.dbf");
        dbf.SetReadOnly(readOnly);
        dbf.SetHooks(hooks.Hooks());
        dbf.SetFileSystem(files);
        dbf.Open();
    }

    // Every shown record as "field|field|...".
    std::vector<std::string> Rows()
    {
        std::vector<std::string> rows;
        for (dbf.First(); !dbf.Eof(); dbf.Next()) {
            std::string row;
            for (int i = 0; i < dbf.FieldCount(); ++i)
                row += (i ? "|" : "") + dbf.Fields(i).AsString();
            rows.push_back(row);
        }
        return rows;
    }

    MemoryFiles files;
    RecordingHooks hooks;
    TDbf dbf;
};

TEST_F(DamagedTable, MissingMemoFileIsReportedOnceAtOpenAndReadsEmpty)
{
    files.Put("com.dbf",
        TableImage(0x83, MemoFields,
            {Record(MemoFields, {"one", "         1"}), Record(MemoFields, {"two", "         2"})})
            .Bytes());
    for (int open = 0; open < 2; ++open) {
        Open();
        EXPECT_THAT(Rows(), ElementsAre("one|", "two|"));
        dbf.Close();
    }
    const std::string missing = "Memo file \"com.dbt\" of table \"com.dbf\" is missing: its memo "
                                "fields read as empty and cannot be stored";
    EXPECT_THAT(hooks.Messages, ElementsAre(missing, missing)) << "once per open, not per read";

    const std::vector<FieldLayout> plain = {{"NAME", 'C', 6}};
    files.Put("com.dbf", TableImage(0x03, plain, {Record(plain, {"one"})}).Bytes());
    hooks.Messages.clear();
    Open();
    EXPECT_THAT(hooks.Messages, ElementsAre()) << "a table without memo fields needs no memo file";
}

} // namespace
