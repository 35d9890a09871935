// Files of independent dBase implementations read field for field, and tables this engine has
// changed read back by the others. python3-dbf and python3-dbfread run under /usr/bin/python3;
// shapelib's dbfcreate, dbfadd and dbfdump are command-line tools.
#include "base/code_page.h"
#include "base/day_number.h"
#include "cursor/table_cursor.h"
#include "dbf/table_file.h"
#include "support/dbf/dbf_test_support.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

using namespace kelvane;

using namespace DbfTest;

namespace {

constexpr int32_t March5th2026 = 739680;
constexpr int32_t December31st1999 = 730119;
enum Column { Name, Count, Price, Born, Ok, Note };

// python-dbf writes a dBase III table (version 0x83) with a memo file, text in CP866.
std::string pythonDbfTable(const std::string &path)
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

// CP866 bytes of a UTF-8 text; the tables behind it are checked against Python's codecs below.
std::string cp866(const std::string &utf8)
{
    std::string text = cp1251(utf8);
    CodePage::ansiToOem(text.data(), text.data(), text.size());
    return text;
}

class Interop : public ::testing::Test
{
protected:
    OpenTable Open(const std::string &name, uint16_t mode, bool memo)
    {
        return OpenTable(m_dir.path(name + ".dbf"), mode, m_hooks.hooks(),
            memo ? m_dir.path(name + ".dbt") : std::string());
    }

    TempDir m_dir;
    RecordingHooks m_hooks;
};

TEST_F(Interop, ReadsPythonDbfTableWithMemoAndCyrillic)
{
    runPython(pythonDbfTable(m_dir.path("py.dbf")));
    const std::string table = ReadFile(m_dir.path("py.dbf")), memo = ReadFile(m_dir.path("py.dbt"));
    auto t = std::make_unique<OpenTable>(Open("py", DbfOpenReadOnly, true));
    ASSERT_EQ(t->table->RecordCount(), 3);
    EXPECT_TRUE(m_hooks.messages.empty());
    const std::vector<TFieldType> types = {ftString, ftInteger, ftFloat, ftDate, ftBoolean, ftMemo};
    for (size_t i = 0; i < types.size(); ++i)
        EXPECT_EQ(t->defs[i].DataType, types[i]) << t->defs[i].Name;

    t->Read(0);
    EXPECT_EQ(t->record[0], ' ');
    EXPECT_EQ(t->text(Name), cp1251("Привет мир"));
    EXPECT_EQ(t->get<int32_t>(Count), 42);
    EXPECT_DOUBLE_EQ(t->get<double>(Price), 3.14);
    EXPECT_EQ(t->get<int32_t>(Born), March5th2026);
    EXPECT_EQ(t->get<int16_t>(Ok), 1);
    std::string note;
    for (int i = 0; i < 40; ++i)
        note += cp866("Длинная заметка ");
    EXPECT_EQ(t->memoText(Note), note);

    t->Read(1);
    EXPECT_EQ(t->text(Name), "abc");
    EXPECT_EQ(t->get<int32_t>(Count), -7);
    EXPECT_DOUBLE_EQ(t->get<double>(Price), -0.5);
    EXPECT_EQ(t->get<int32_t>(Born), DayNumber::Jan1st1900) << "a blank date";
    EXPECT_EQ(t->get<int16_t>(Ok), 0);
    EXPECT_EQ(t->memoText(Note), "");

    t->Read(2);
    EXPECT_EQ(t->text(Name), cp1251("Ёлка №5"));
    EXPECT_EQ(t->get<int32_t>(Count), 12345);
    EXPECT_DOUBLE_EQ(t->get<double>(Price), 99999.99);
    EXPECT_EQ(t->get<int32_t>(Born), December31st1999);
    EXPECT_EQ(t->memoText(Note), "short");
    t.reset();
    EXPECT_EQ(ReadFile(m_dir.path("py.dbf")), table) << "a read-only open changes no byte";
    EXPECT_EQ(ReadFile(m_dir.path("py.dbt")), memo);
}

TEST_F(Interop, ReadsShapelibTable)
{
    const std::string path = m_dir.path("shp.dbf");
    ASSERT_EQ(
        std::system(("dbfcreate " + path + " -s NAME 20 -n CNT 5 0 -n PRICE 10 2").c_str()), 0);
    ASSERT_EQ(std::system(("dbfadd " + path + " Hello 12 3.5").c_str()), 0);
    ASSERT_EQ(std::system(("dbfadd " + path + " 'x y' -3 -1.25").c_str()), 0);
    OpenTable t = Open("shp", DbfOpenReadOnly, false);
    EXPECT_EQ(t.table->LayoutFamily(), LayoutDbase3);
    ASSERT_EQ(t.table->RecordCount(), 2);
    t.Read(0);
    EXPECT_EQ(t.text(Name), "Hello");
    EXPECT_EQ(t.get<int32_t>(Count), 12);
    EXPECT_DOUBLE_EQ(t.get<double>(Price), 3.5);
    t.Read(1);
    EXPECT_EQ(t.text(Name), "x y");
    EXPECT_EQ(t.get<int32_t>(Count), -3);
    EXPECT_DOUBLE_EQ(t.get<double>(Price), -1.25);
    EXPECT_TRUE(m_hooks.messages.empty());
}

TEST_F(Interop, DbfreadReadsWhatTheEngineChanged)
{
    runPython(pythonDbfTable(m_dir.path("py.dbf")));
    {
        OpenTable t = Open("py", DbfOpenReadWrite, true);
        t.Read(0);
        t.setText(Name, cp1251("Изменено"));
        t.set<int32_t>(Count, 7);
        t.storeMemo(Note, cp866("Новая заметка"));
        t.table->WriteRecord(0, t.record.data());

        t.Read(1);
        t.record[0] = '*';
        t.table->WriteRecord(1, t.record.data());

        t.record.assign(t.record.size(), ' ');
        t.setText(Name, cp1251("Новая"));
        t.set<int32_t>(Count, -15);
        t.set<double>(Price, 2.5);
        t.set<int32_t>(Born, March5th2026);
        t.set<int16_t>(Ok, 1);
        t.storeMemo(Note, std::string(700, 'm'));
        t.table->AppendRecord(t.record.data());
        t.table->WriteHeader();
    }

    const std::string output = runPython(R"(
import dbfread
t = dbfread.DBF(')"
        + m_dir.path("py.dbf") + R"(', encoding='cp866', load=True)
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

// What `dbfdump -m` shows, a record a line, each field as "NAME:value" with the padding gone.
std::string dbfDump(const std::string &path)
{
    FILE *pipe = popen(("dbfdump -m " + path).c_str(), "r");
    std::string output;
    char chunk[4096];
    for (size_t n; pipe && (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;)
        output.append(chunk, n);
    EXPECT_TRUE(pipe && pclose(pipe) == 0) << "dbfdump failed";
    std::istringstream lines(output);
    std::string shown;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("Record: ", 0) == 0) {
            shown += shown.empty() ? "" : "\n";
            continue;
        }
        const size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        const size_t value = line.find_first_not_of(' ', colon + 1);
        const size_t end = line.find_last_not_of(' ');
        shown += " " + line.substr(0, colon + 1)
            + (value == std::string::npos ? "" : line.substr(value, end + 1 - value));
    }
    return shown;
}

// Records appended through the cursor with fields left unset, and a memo written and emptied
// again, are empty values to every other reader, not zero bytes they choke on.
TEST_F(Interop, UnsetFieldsOfAppendedRecordsReadAsEmptyEverywhere)
{
    const std::string path = m_dir.path("new.dbf");
    runPython("import dbf\n"
              "t = dbf.Table('"
        + path
        + "', 'NAME C(8); CNT N(5,0); PRICE N(8,2); RATE F(8,3); BORN D; OK L; NOTE M',"
          " dbf_type='db3', codepage='cp866')\n"
          "t.open(dbf.READ_WRITE)\n"
          "t.close()\n");
    {
        TDbf dbf;
        dbf.SetFileName(path);
        dbf.setErrorSink(m_hooks);
        dbf.setToday(RecordingHooks::today);
        dbf.Open();
        dbf.Append();
        dbf.Post();
        dbf.Append();
        dbf.FieldByName("NAME").SetAsString("named");
        dbf.Post();
        dbf.Append();
        dbf.FieldByName("NOTE").SetAsString("a memo");
        dbf.FieldByName("NOTE").SetAsString("");
        dbf.Post();
    }
    EXPECT_TRUE(m_hooks.messages.empty());
    const std::string script = "import dbf, dbfread\n"
                               "for r in dbfread.DBF('"
        + path
        + "'):\n"
          "    print(list(r.values()))\n"
          "t = dbf.Table('"
        + path
        + "')\n"
          "t.open()\n"
          "for r in t:\n"
          "    print([r[f].strip() if isinstance(r[f], str) else r[f] for f in t.field_names])\n";
    EXPECT_EQ(runPython(script),
        "['', None, None, None, None, None, None]\n"
        "['named', None, None, None, None, None, None]\n"
        "['', None, None, None, None, None, None]\n"
        "['', None, None, None, None, None, '']\n"
        "['named', None, None, None, None, None, '']\n"
        "['', None, None, None, None, None, '']\n");
    const std::string null = " CNT:(NULL) PRICE:(NULL) RATE:(NULL) BORN: OK: NOTE:(NULL)";
    EXPECT_EQ(
        dbfDump(path), " NAME:(NULL)" + null + "\n NAME:named" + null + "\n NAME:(NULL)" + null);
}

TEST(CodePages, AgreeWithPythonCodecs)
{
    const std::string output = runPython(R"(
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
        EXPECT_EQ(CodePage::oemToAnsi(static_cast<unsigned char>(b)), expected) << "CP866 " << b;
    }
    for (int b = 0; b < 256; ++b) {
        int expected = -1;
        in >> expected;
        EXPECT_EQ(CodePage::ansiToOem(static_cast<unsigned char>(b)), expected) << "1251 " << b;
    }
}

} // namespace
