// Damaged tables opened as the program opens com.dbf, in memory: which record size is believed
// when the header and the field descriptors disagree, what is refused and with which words, what
// the user is told about damaged or missing memos, and that nothing is written while the engine
// is unsure.
#include "cursor/table_cursor.h"
#include "dbf/errors.h"
#include "support/dbf/dbf_test_support.h"
#include "support/dbf/memory_files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace kelvane;

using namespace DbfTest;
using ::testing::Contains;
using ::testing::ElementsAre;

namespace {

const std::vector<FieldLayout> Fields = {{"NAME", 'C', 10}, {"COMAND", 'C', 8}, {"UROVEN", 'C', 2}};
const std::vector<FieldLayout> MemoFields = {{"NAME", 'C', 6}, {"NOTE", 'M', 10}};

// Three records of 21 bytes; the header agrees with the file unless a test damages it.
TableImage threeRecords()
{
    TableImage image(0x03, Fields);
    for (const char *name : {"one", "two", "three"})
        image.records.push_back(recordBytes(Fields, {name, std::string("c-") + name, "T"}));
    return image;
}

constexpr size_t ComandLengthByte = 32 + 32 + 16;

class DamagedTable : public ::testing::Test
{
protected:
    void Open(bool readOnly = false)
    {
        m_dbf.SetName("Dbf1");
        m_dbf.SetFileName("com.dbf");
        m_dbf.SetReadOnly(readOnly);
        m_dbf.setErrorSink(m_hooks);
        m_dbf.setToday(RecordingHooks::today);
        m_dbf.setFileSystem(m_files);
        m_dbf.Open();
    }

    // Every shown record as "field|field|...".
    std::vector<std::string> rows()
    {
        std::vector<std::string> rows;
        for (m_dbf.First(); !m_dbf.Eof(); m_dbf.Next()) {
            std::string row;
            for (int i = 0; i < m_dbf.FieldCount(); ++i)
                row += (i ? "|" : "") + m_dbf.Fields(i).AsString();
            rows.push_back(row);
        }
        return rows;
    }

    MemoryFiles m_files;
    RecordingHooks m_hooks;
    TDbf m_dbf;
};

TEST_F(DamagedTable, RecordSizeTheFileDoesNotSettleIsRefusedAndNothingIsWritten)
{
    struct Case
    {
        std::string bytes;
        int fieldsSize;
        std::string why;
    };
    std::vector<Case> cases;
    TableImage image = threeRecords();
    std::string bytes = image.bytes();
    bytes[ComandLengthByte] = 0; // the header still agrees with the file
    cases.push_back({bytes, 13,
        "the file size and the record count agree with the header, so a field descriptor is "
        "damaged"});
    image.storedOffsets = true;
    bytes = image.bytes();
    bytes[ComandLengthByte] = 0;
    cases.push_back({bytes, 13,
        "the fields' stored offsets do not match their lengths, so a field descriptor "
        "is damaged"});
    image.RecordSize = 25; // the records carry 4 unexplained bytes each
    for (std::string &record : image.records)
        record += "1234";
    cases.push_back({image.bytes(), 21,
        "the file size and the record count agree with the header, the fields' stored offsets "
        "with the descriptors"});
    image = threeRecords();
    image.RecordSize = 0;
    image.headerCount = 0;
    cases.push_back({image.bytes(), 21, "the file size and the record count agree with neither"});
    image = threeRecords();
    image.records.resize(1);
    image.RecordSize = 22; // one record of 21 bytes and the end marker, or one of 22 bytes
    cases.push_back({image.bytes(), 21, "the file size and the record count agree with both"});

    for (const Case &damaged : cases) {
        m_files.put("com.dbf", damaged.bytes);
        for (bool readOnly : {false, true}) {
            try {
                Open(readOnly);
                ADD_FAILURE() << "opened: " << damaged.why;
            } catch (const EBinaryDataSetError &error) {
                const int headerSize = uint8_t(damaged.bytes[10]) | uint8_t(damaged.bytes[11]) << 8;
                EXPECT_EQ(error.what(),
                    "Table \"com.dbf\" is damaged: its header gives a record size of "
                        + std::to_string(headerSize) + " bytes, its field descriptors add up to "
                        + std::to_string(damaged.fieldsSize) + "; " + damaged.why);
            }
            EXPECT_FALSE(m_dbf.Active());
        }
        EXPECT_EQ(m_files.writes("com.dbf"), 0) << damaged.why;
        EXPECT_EQ(m_files.bytes("com.dbf"), damaged.bytes);
    }
    EXPECT_THAT(m_hooks.messages, ElementsAre()) << "nothing was repaired";
}

TEST_F(DamagedTable, HeaderRecordSizeIsRepairedWhenTheFileOrTheOffsetsConfirmTheFields)
{
    TableImage image = threeRecords();
    image.RecordSize = 40;
    TableImage stale = image; // the third record was appended, the header never written
    stale.storedOffsets = true;
    stale.headerCount = 2;
    const std::string repaired = "Invalid Record Size,\rRecord Size in Hdr : 40\rExpected : 21";
    for (const TableImage &damaged : {image, stale}) {
        m_files.put("com.dbf", damaged.bytes());
        m_hooks.messages.clear();
        Open();
        EXPECT_THAT(m_hooks.messages, Contains(repaired));
        EXPECT_THAT(rows(), ElementsAre("one|c-one|T", "two|c-two|T", "three|c-three|T"));
        m_dbf.Close();
        m_hooks.messages.clear();
        Open(true);
        EXPECT_THAT(m_hooks.messages, ElementsAre()) << "the header now agrees with the file";
        EXPECT_THAT(rows(), ElementsAre("one|c-one|T", "two|c-two|T", "three|c-three|T"));
        m_dbf.Close();
    }
}

TEST_F(DamagedTable, MemoClaimingMoreThanItsBlocksIsCutAtTheNextMemoAndReportedOnce)
{
    m_files.put("com.dbf",
        TableImage(0x8B, MemoFields,
            {recordBytes(MemoFields, {"one", "         2"}),
                recordBytes(MemoFields, {"two", "         1"})})
            .bytes());
    const std::string pad(512 - 8 - 5, '\0');
    std::string memo = std::string("\x03", 1) + std::string(19, '\0') + "\x00\x02";
    memo.resize(512, '\0');
    memo += std::string("\xFF\xFF\x08\x00\xF8\xFF\xFF\xFF", 8) + "hello" + pad;
    memo += std::string("\xFF\xFF\x08\x00\x0B\x00\x00\x00", 8) + "bye";
    m_files.put("com.dbt", memo);
    Open();
    for (int pass = 0; pass < 2; ++pass)
        EXPECT_THAT(rows(), ElementsAre("one|bye", "two|hello" + pad));
    EXPECT_THAT(m_hooks.messages,
        ElementsAre("Table \"com.dbf\", record 2, field NOTE: the memo in block 1 claims "
                    "4294967280 bytes, more than belong to it; only the first 504 are read"));
    m_dbf.Close();
    EXPECT_EQ(m_files.bytes("com.dbt"), memo);
}

TEST_F(DamagedTable, MissingMemoFileIsReportedOnceAtOpenAndReadsEmpty)
{
    m_files.put("com.dbf",
        TableImage(0x83, MemoFields,
            {recordBytes(MemoFields, {"one", "         1"}),
                recordBytes(MemoFields, {"two", "         2"})})
            .bytes());
    for (int open = 0; open < 2; ++open) {
        Open();
        EXPECT_THAT(rows(), ElementsAre("one|", "two|"));
        m_dbf.Close();
    }
    const std::string missing = "Memo file \"com.dbt\" of table \"com.dbf\" is missing: its memo "
                                "fields read as empty and cannot be stored";
    EXPECT_THAT(m_hooks.messages, ElementsAre(missing, missing)) << "once per open, not per read";

    const std::vector<FieldLayout> plain = {{"NAME", 'C', 6}};
    m_files.put("com.dbf", TableImage(0x03, plain, {recordBytes(plain, {"one"})}).bytes());
    m_hooks.messages.clear();
    Open();
    EXPECT_THAT(m_hooks.messages, ElementsAre())
        << "a table without memo fields needs no memo file";
}

} // namespace
