// Files of independent dBase implementations read field for field, and a table this engine has
// changed read back by another one. python3-dbf and python3-dbfread run under /usr/bin/python3;
// shapelib's dbfcreate and dbfadd are command-line tools.
#include "dbf/code_page.h"
#include "dbf/day_number.h"
#include "dbf/table_file.h"
#include "dbf_test_support.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

using namespace DbfTest;

namespace {

constexpr int32_t March5th2026 = 739680;
constexpr int32_t December31st1999 = 730119;
enum Column { Name, Count, Price, Born, Ok, Note };

// python-dbf writes a dBase III table (version 0x83) with a memo file, text in CP866.
std::string PythonDbfTable(const std::string &path)
{
    return R"(
import datetime, dbf
t = dbf.Table(')"
        + path + R"(', 'NAME C(20); CNT N(5,0); PRICE N(10,2); BORN D; OK L; NOTE M',
              dbf_type='db3', codepage='cp866')
t.open(dbf.READ_WRITE)
t.append(('Привет мир', 42, 3.14, datetime.date(2026, 3, 5), True, 'Длинная заметка ' * 40))
t.append(('abc', -7, -0.5, None, False, ''))
t.append(('Ёлка №5', 12345, 99999.99, datetime.date(1999, 12, 31), False, 'short'))
t.close()
)";
}

class Interop : public ::testing::Test
{
protected:
    void OpenTable(const std::string &name, uint16_t mode, bool memo)
    {
        host.table = std::make_unique<TDbfFile>(mode, dir.Path(name + ".dbf"), hooks.Hooks());
        host.table->ReadFieldDefs(defs);
        if (memo)
            host.memo = std::make_unique<TDbtFile>(
                host.table->LayoutFamily() != lfDbase3, mode, dir.Path(name + ".dbt"));
        host.record.assign(static_cast<size_t>(host.table->RecordSize()), '\0');
    }

    void Read(int32_t n) { host.table->ReadRecord(n, host.record.data()); }

    template<typename T> T Get(int column)
    {
        T value {};
        host.table->GetFieldValue(
            column, defs[static_cast<size_t>(column)].DataType, &value, host.record.data());
        return value;
    }
    std::string Text(int column)
    {
        char value[256];
        host.table->GetFieldValue(column, ftString, value, host.record.data());
        return value;
    }
    template<typename T> void Set(int column, TFieldType type, T value)
    {
        host.table->SetFieldValue(column, type, &value, host.record.data());
    }
    void SetText(int column, const std::string &text)
    {
        host.table->SetFieldValue(column, ftString, text.c_str(), host.record.data());
    }
    std::string Memo()
    {
        TMyBlobFile stream(bmRead, Note + 1, host);
        return std::string(stream.Memory(), static_cast<size_t>(stream.Size()));
    }
    void StoreMemo(const std::string &text)
    {
        TMyBlobFile stream(bmWrite, Note + 1, host);
        stream.Write(text.data(), static_cast<int64_t>(text.size()));
        stream.Release();
    }

    TempDir dir;
    RecordingHooks hooks;
    BlobHost host;
    TFieldDefs defs;
};

TEST_F(Interop, ReadsPythonDbfTableWithMemoAndCyrillic)
{
    RunPython(PythonDbfTable(dir.Path("py.dbf")));
    OpenTable("py", DbfOpenReadOnly, true);
    ASSERT_EQ(host.table->RecordCount(), 3);
    EXPECT_TRUE(hooks.Messages.empty());
    const std::vector<TFieldType> types = {ftString, ftInteger, ftFloat, ftDate, ftBoolean, ftMemo};
    for (size_t i = 0; i < types.size(); ++i)
        EXPECT_EQ(defs[i].DataType, types[i]) << defs[i].Name;

    Read(0);
    EXPECT_EQ(host.record[0], ' ');
    EXPECT_EQ(Text(Name), Cp1251("Привет мир"));
    EXPECT_EQ(Get<int32_t>(Count), 42);
    EXPECT_DOUBLE_EQ(Get<double>(Price), 3.14);
    EXPECT_EQ(Get<int32_t>(Born), March5th2026);
    EXPECT_EQ(Get<int16_t>(Ok), 1);
    std::string note;
    for (int i = 0; i < 40; ++i)
        note += Cp866("Длинная заметка ");
    EXPECT_EQ(Memo(), note);

    Read(1);
    EXPECT_EQ(Text(Name), "abc");
    EXPECT_EQ(Get<int32_t>(Count), -7);
    EXPECT_DOUBLE_EQ(Get<double>(Price), -0.5);
    EXPECT_EQ(Get<int32_t>(Born), DayNumber::Jan1st1900) << "a blank date";
    EXPECT_EQ(Get<int16_t>(Ok), 0);
    EXPECT_EQ(Memo(), "");

    Read(2);
    EXPECT_EQ(Text(Name), Cp1251("Ёлка №5"));
    EXPECT_EQ(Get<int32_t>(Count), 12345);
    EXPECT_DOUBLE_EQ(Get<double>(Price), 99999.99);
    EXPECT_EQ(Get<int32_t>(Born), December31st1999);
    EXPECT_EQ(Memo(), "short");
}

TEST_F(Interop, ReadsShapelibTable)
{
    const std::string path = dir.Path("shp.dbf");
    ASSERT_EQ(RunCommand("dbfcreate " + path + " -s NAME 20 -n CNT 5 0 -n PRICE 10 2"), 0);
    ASSERT_EQ(RunCommand("dbfadd " + path + " Hello 12 3.5"), 0);
    ASSERT_EQ(RunCommand("dbfadd " + path + " 'x y' -3 -1.25"), 0);
    OpenTable("shp", DbfOpenReadOnly, false);
    EXPECT_EQ(host.table->LayoutFamily(), lfDbase3);
    ASSERT_EQ(host.table->RecordCount(), 2);
    Read(0);
    EXPECT_EQ(Text(Name), "Hello");
    EXPECT_EQ(Get<int32_t>(Count), 12);
    EXPECT_DOUBLE_EQ(Get<double>(Price), 3.5);
    Read(1);
    EXPECT_EQ(Text(Name), "x y");
    EXPECT_EQ(Get<int32_t>(Count), -3);
    EXPECT_DOUBLE_EQ(Get<double>(Price), -1.25);
    EXPECT_TRUE(hooks.Messages.empty());
}

TEST_F(Interop, DbfreadReadsWhatTheEngineChanged)
{
    RunPython(PythonDbfTable(dir.Path("py.dbf")));
    OpenTable("py", DbfOpenReadWrite, true);
    Read(0);
    SetText(Name, Cp1251("Изменено"));
    Set<int32_t>(Count, ftInteger, 7);
    StoreMemo(Cp866("Новая заметка"));
    host.table->WriteRecord(0, host.record.data());

    Read(1);
    host.record[0] = '*';
    host.table->WriteRecord(1, host.record.data());

    host.record.assign(host.record.size(), ' ');
    SetText(Name, Cp1251("Новая"));
    Set<int32_t>(Count, ftInteger, -15);
    Set<double>(Price, ftFloat, 2.5);
    Set<int32_t>(Born, ftDate, March5th2026);
    Set<int16_t>(Ok, ftBoolean, 1);
    StoreMemo(std::string(700, 'm'));
    host.table->AppendRecord(host.record.data());
    host.table->WriteHeader();
    host.memo.reset();
    host.table.reset();

    const std::string output = RunPython(R"(
import dbfread
t = dbfread.DBF(')"
        + dir.Path("py.dbf") + R"(', encoding='cp866', load=True)
print(t.date, len(t.records), len(t.deleted))
for r in list(t.records) + list(t.deleted):
    note = r['NOTE'] if len(r['NOTE']) < 100 else '%s*%d' % (r['NOTE'][0], len(r['NOTE']))
    print('|'.join(str(r[k]) for k in ('NAME', 'CNT', 'PRICE', 'BORN', 'OK')) + '|' + note)
)");
    EXPECT_EQ(output,
        "2026-03-05 3 1\n"
        "Изменено|7|3.14|2026-03-05|True|Новая заметка\n"
        "Ёлка №5|12345|99999.99|1999-12-31|False|short\n"
        "Новая|-15|2.5|2026-03-05|True|m*700\n"
        "abc|-7|-0.5|None|False|\n");
}

TEST(CodePages, AgreeWithPythonCodecs)
{
    const std::string output = RunPython(R"(
def row(source, target):
    out = []
    for b in range(256):
        try:
            out.append(bytes([b]).decode(source).encode(target)[0])
        except (UnicodeDecodeError, UnicodeEncodeError):
            out.append(0x3F)
    print(' '.join(str(x) for x in out))
row('cp866', 'cp1251')
row('cp1251', 'cp866')
)");
    std::istringstream in(output);
    for (int b = 0; b < 256; ++b) {
        int expected = -1;
        in >> expected;
        EXPECT_EQ(CodePage::OemToAnsi(static_cast<unsigned char>(b)), expected) << "CP866 " << b;
    }
    for (int b = 0; b < 256; ++b) {
        int expected = -1;
        in >> expected;
        EXPECT_EQ(CodePage::AnsiToOem(static_cast<unsigned char>(b)), expected) << "1251 " << b;
    }
}

} // namespace
