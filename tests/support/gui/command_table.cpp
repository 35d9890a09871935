#include "support/gui/command_table.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <stdexcept>

namespace kelvane {

namespace {

// Debian's interpreter: the one that has the dBase modules.
const QString Python = QStringLiteral("/usr/bin/python3");

QByteArray runPython(const char *script, const QByteArray &input)
{
    QProcess python;
    python.start(Python, {QStringLiteral("-c"), QString::fromUtf8(script)});
    python.write(input);
    python.closeWriteChannel();
    if (!python.waitForFinished(30000) || python.exitCode() != 0)
        throw std::runtime_error("python failed: " + python.readAllStandardError().toStdString());
    return python.readAllStandardOutput();
}

const char *writeScript = R"py(
import dbf, json, sys
job = json.load(sys.stdin)
table = dbf.Table(job["path"], "NAME C(40); COMAND C(40); UROVEN C(5)", dbf_type="db3",
                  codepage="cp866")
table.open(dbf.READ_WRITE)
for row in job["rows"]:
    table.append((row["name"], row["command"], row["level"]))
    if row["deleted"]:
        dbf.delete(table[-1])
table.close()
)py";

const char *readScript = R"py(
import dbfread, json, sys
path = sys.stdin.read()
table = dbfread.DBF(path, encoding="cp866", load=True, char_decode_errors="replace")
def row(r, deleted):
    return {"name": (r["NAME"] or "").rstrip(), "command": (r["COMAND"] or "").rstrip(),
            "level": (r["UROVEN"] or "").rstrip(), "deleted": deleted}
# dbfread lists live and deleted records apart; the file order is restored by position.
rows = []
live, dead = iter(table.records), iter(table.deleted)
with open(path, "rb") as f:
    data = f.read()
header = int.from_bytes(data[8:10], "little")
size = int.from_bytes(data[10:12], "little")
count = int.from_bytes(data[4:8], "little")
for i in range(count):
    flag = data[header + i * size:header + i * size + 1]
    rows.append(row(next(dead), True) if flag == b"*" else row(next(live), False))
json.dump(rows, sys.stdout)
)py";

} // namespace

void writeCommandTable(const std::string &path, const std::vector<CommandRow> &rows)
{
    QJsonArray array;
    for (const CommandRow &r : rows)
        array.append(QJsonObject {{"name", QString::fromStdString(r.name)},
            {"command", QString::fromStdString(r.command)},
            {"level", QString::fromStdString(r.level)}, {"deleted", r.deleted}});
    const QJsonObject job {{"path", QString::fromStdString(path)}, {"rows", array}};
    runPython(writeScript, QJsonDocument(job).toJson());
}

std::vector<CommandRow> readCommandTable(const std::string &path)
{
    const QJsonArray array
        = QJsonDocument::fromJson(runPython(readScript, QByteArray::fromStdString(path))).array();
    std::vector<CommandRow> rows;
    for (const QJsonValue &v : array) {
        const QJsonObject o = v.toObject();
        rows.push_back({o["name"].toString().toStdString(), o["command"].toString().toStdString(),
            o["level"].toString().toStdString(), o["deleted"].toBool()});
    }
    return rows;
}

} // namespace kelvane
