// The default command tables the package carries: the English one holds the same commands, the
// same bytes, as the Russian, read by this engine and by python3-dbf, and both are what their
// script makes.
#include "cursor/table_cursor.h"
#include "support/dbf/dbf_test_support.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <regex>

using namespace kelvane;
using namespace DbfTest;

namespace {

const std::string Russian = RESOURCES_DIR "/com.dbf";
const std::string English = RESOURCES_DIR "/com_en.dbf";

// A line per record, "COMAND|UROVEN|NAME", as this engine reads the table.
std::string readWithEngine(const std::string &path)
{
    RecordingHooks hooks;
    TDbf dbf;
    dbf.SetFileName(path);
    dbf.SetReadOnly(true);
    dbf.setErrorSink(hooks);
    dbf.Open();
    std::string lines;
    for (dbf.First(); !dbf.Eof(); dbf.Next())
        for (const char *field : {"COMAND", "UROVEN", "NAME"})
            lines += dbf.FieldByName(field).AsString() + (field[0] == 'N' ? "\n" : "|");
    return lines;
}

TEST(DefaultTables, TheEnglishTableHoldsTheSameCommandsAsTheRussian)
{
    const std::string ru = readWithEngine(Russian), en = readWithEngine(English);
    // python3-dbf reads the same, the names in CP1251 as the engine gives them.
    EXPECT_EQ(runPython("import dbf, sys\nfor path in ['" + Russian + "', '" + English + R"(']:
    t = dbf.Table(path)
    t.open()
    for r in t:
        line = '%s|%s|%s\n' % (r.comand.strip(), r.uroven.strip(), r.name.strip())
        sys.stdout.buffer.write(line.encode('cp1251'))
)"),
        ru + en);
    const std::regex name("\\|[^|\\n]*\\n");
    EXPECT_EQ(std::regex_replace(en, name, "\n"), std::regex_replace(ru, name, "\n"));
    EXPECT_GT(std::count(ru.begin(), ru.end(), '\n'), 10);
    EXPECT_NE(en, ru);
    EXPECT_TRUE(std::all_of(en.begin(), en.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x80;
    })) << en;

    // The committed tables are the script's output, byte for byte.
    TempDir made;
    runPython("import runpy, sys\nsys.argv = ['make_com_dbf.py', '" + made.path("")
        + "']\nrunpy.run_path('" RESOURCES_DIR "/make_com_dbf.py', run_name='__main__')\n");
    EXPECT_EQ(ReadFile(made.path("com.dbf")), ReadFile(Russian));
    EXPECT_EQ(ReadFile(made.path("com_en.dbf")), ReadFile(English));
}

} // namespace
