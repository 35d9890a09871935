#include "cmdtable/command_table.h"

#include "cmdtable/command_table_location.h"
#include "cmdtable/table_write_access.h"
#include "cursor/table_cursor.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <exception>

namespace kelvane {

namespace {

QString reasonText(TableWriteBlock block)
{
    switch (block) {
    case TableWriteBlock::NoPermission:
        return QCoreApplication::translate("kelvane::CommandTable", "нет прав на запись в файл");
    case TableWriteBlock::ReadOnlyMedium:
        return QCoreApplication::translate(
            "kelvane::CommandTable", "носитель доступен только для чтения");
    case TableWriteBlock::HeldByAnother:
        return QCoreApplication::translate(
            "kelvane::CommandTable", "её занимает другая копия программы");
    case TableWriteBlock::None:
    case TableWriteBlock::Unknown:
        break;
    }
    return QCoreApplication::translate("kelvane::CommandTable", "файл недоступен для записи");
}

// Opens the table for reading only, when it is there; returns why it may not be written, or an
// empty text when that fails too. Only a table that may not be written is tried again: a
// damaged one would repeat its messages and fail the same way.
QString openReadOnly(TDbf &table)
{
    const std::string path = table.FileName();
    if (!QFileInfo::exists(QString::fromStdString(path)))
        return {};
    const TableWriteBlock block = whyTableIsNotWritable(path);
    if (block == TableWriteBlock::None)
        return {};
    table.SetReadOnly(true);
    try {
        table.Open();
    } catch (const std::exception &) {
        table.SetReadOnly(false);
        return {};
    }
    return QCoreApplication::translate(
        "kelvane::CommandTable", "Таблица команд %1 открыта только для чтения: %2")
        .arg(QFileInfo(QString::fromStdString(path)).fileName(), reasonText(block));
}

} // namespace

QString openCommandTable(
    TDbf &table, const std::string &programFolder, Language language, ErrorSink &errors)
{
    table.SetName("Dbf1");
    const TableLocation location = locateCommandTable("com.dbf", {programFolder, {}}, language);
    table.SetFileName(location.fileName);
    table.setProgramFolder(programFolder);
    table.setErrorSink(errors);
    try {
        table.Open();
    } catch (const std::exception &) {
        // A table that is there but may not be written is used for reading; a missing or damaged
        // one keeps its error, and the program does not start.
        QString readOnly = openReadOnly(table);
        if (readOnly.isEmpty())
            throw;
        return readOnly;
    }
    if (location.copiedFrom.empty())
        return {};
    return QCoreApplication::translate(
        "kelvane::CommandTable", "Создана своя таблица команд (копия стандартной): %1")
        .arg(QString::fromStdString(location.fileName));
}

} // namespace kelvane
