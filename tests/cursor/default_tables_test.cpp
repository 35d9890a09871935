// The default command tables the package carries: the English one holds the same commands, the
// same bytes, as the Russian, read by this engine and by python3-dbf, and both are what their
// script makes.
#include "cursor/table_cursor.h"
#include "support/dbf/dbf_test_support.h"

#include <gtest/gtest.h>
#include <sstream>

using namespace kelvane;
using namespace DbfTest;

namespace {

struct Row
{
    std::string name;
    std::string command; // COMAND and UROVEN, as stored
    std::string level;
};

std::vector<Row> readWithEngine(const std::string &path)
{
    RecordingHooks hooks;
    TDbf dbf;
    dbf.SetFileName(path);
    dbf.SetReadOnly(true);
    dbf.setErrorSink(hooks);
    dbf.Open();
    std::vector<Row> rows;
    for (dbf.First(); !dbf.Eof(); dbf.Next())
        rows.push_back({dbf.FieldByName("NAME").AsString(), dbf.FieldByName("COMAND").AsString(),
            dbf.FieldByName("UROVEN").AsString()});
    EXPECT_TRUE(hooks.messages.empty()) << path;
    return rows;
}

// python3-dbf's reading: a line per record, "command|level|name", the name in UTF-8.
std::string readWithPythonDbf(const std::string &path)
{
    return runPython("import dbf\nt = dbf.Table('" + path + R"(')
t.open()
for r in t:
    print('%s|%s|%s' % (r.comand.strip(), r.uroven.strip(), r.name.strip()))
)");
}

TEST(DefaultTables, TheEnglishTableHoldsTheSameCommandsAsTheRussian)
{
    const std::string russian = RESOURCES_DIR "/com.dbf";
    const std::string english = RESOURCES_DIR "/com_en.dbf";
    const std::vector<Row> ru = readWithEngine(russian);
    const std::vector<Row> en = readWithEngine(english);
    ASSERT_EQ(ru.size(), en.size());
    ASSERT_GT(ru.size(), 10u);
    size_t translated = 0;
    for (size_t i = 0; i < ru.size(); ++i) {
        EXPECT_EQ(en[i].command, ru[i].command) << i;
        EXPECT_EQ(en[i].level, ru[i].level) << i;
        EXPECT_FALSE(en[i].name.empty()) << i;
        for (const char c : en[i].name)
            EXPECT_LT(static_cast<unsigned char>(c), 0x80) << en[i].name;
        translated += en[i].name != ru[i].name;
    }
    EXPECT_GT(translated, ru.size() / 2);
    // Same header: fields, sizes, code page, date.
    const std::string ruBytes = ReadFile(russian), enBytes = ReadFile(english);
    const size_t header = static_cast<unsigned char>(ruBytes[8])
        | static_cast<size_t>(static_cast<unsigned char>(ruBytes[9])) << 8;
    EXPECT_EQ(enBytes.substr(0, header), ruBytes.substr(0, header));

    // An independent reader sees the same commands and levels, and the English names.
    std::istringstream ruLines(readWithPythonDbf(russian)), enLines(readWithPythonDbf(english));
    std::string ruLine, enLine;
    size_t lines = 0;
    for (; std::getline(ruLines, ruLine) && std::getline(enLines, enLine); ++lines) {
        ASSERT_LT(lines, en.size());
        EXPECT_EQ(enLine, en[lines].command + "|" + en[lines].level + "|" + en[lines].name);
        EXPECT_EQ(ruLine.substr(0, ruLine.rfind('|')), enLine.substr(0, enLine.rfind('|')));
    }
    EXPECT_EQ(lines, en.size());

    // The committed tables are the script's output, byte for byte.
    TempDir made;
    runPython("import runpy, sys\nsys.argv = ['make_com_dbf.py', '" + made.path("")
        + "']\nrunpy.run_path('" RESOURCES_DIR "/make_com_dbf.py', run_name='__main__')\n");
    EXPECT_EQ(ReadFile(made.path("com.dbf")), ruBytes);
    EXPECT_EQ(ReadFile(made.path("com_en.dbf")), enBytes);
}

} // namespace
