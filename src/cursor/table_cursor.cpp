#include "cursor/table_cursor.h"

#include "base/system_files.h"
#include "base/utf8_path.h"
#include "dataset/database_error.h"
#include "dbf/errors.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <filesystem>

namespace kelvane {

namespace {

constexpr int BookmarkAreaSize = 12;
constexpr int RecordNumberAt = 0; // within the bookmark area
constexpr int IndexPositionAt = 4;
constexpr int BookmarkFlagAt = 8;
constexpr char ActiveFlag = ' ';
constexpr char DeletedFlag = '*';

int32_t loadInt32(const void *at)
{
    int32_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

void storeInt32(void *at, int32_t value)
{
    std::memcpy(at, &value, sizeof value);
}

} // namespace

TDbf::TDbf() = default;

TDbf::~TDbf()
{
    closeOnDestroy();
}

void TDbf::SetFileName(const std::string &fileName)
{
    if (Active())
        DatabaseError(DatasetMessages::Open);
    m_fileName = fileName;
}

void TDbf::SetReadOnly(bool readOnly)
{
    if (Active())
        DatabaseError(DatasetMessages::Open);
    m_readOnly = readOnly;
}

void TDbf::SetShowDeleted(bool showDeleted)
{
    if (showDeleted == m_showDeleted)
        return;
    m_showDeleted = showDeleted;
    Refresh();
}

std::string TDbf::programFolder() const
{
    if (!m_programFolder.empty())
        return m_programFolder;
    return kelvane::programFolder();
}

// The memo file beside the table: the table's name with the extension ".dbt" (or ".DBT" when only
// that exists, as tables copied from other systems often come in capitals).
std::string TDbf::memoFileName() const
{
    std::filesystem::path memo = utf8Path(m_fileName);
    memo.replace_extension(".dbt");
    if (!m_files->fileExists(pathUtf8(memo))) {
        std::filesystem::path capitals = utf8Path(m_fileName);
        capitals.replace_extension(".DBT");
        if (m_files->fileExists(pathUtf8(capitals)))
            return pathUtf8(capitals);
    }
    return pathUtf8(memo);
}

void TDbf::findAndOpenFiles()
{
    if (!m_files->fileExists(m_fileName)) {
        const std::filesystem::path inProgramFolder
            = utf8Path(programFolder()) / utf8Path(m_fileName).filename();
        if (m_files->fileExists(pathUtf8(inProgramFolder)))
            m_fileName = pathUtf8(inProgramFolder);
    }
    if (!m_files->fileExists(m_fileName))
        throw EBinaryDataSetError("Open: Table file not found : " + m_fileName);
    const std::string memoName = memoFileName();
    const uint16_t mode = m_readOnly ? DbfOpenReadOnly : DbfOpenReadWrite;
    m_dbfFile
        = std::make_unique<TDbfFile>(mode, m_fileName, DbfHooks {&errorSink(), m_today}, *m_files);
    if (!m_files->fileExists(memoName))
        return;
    try {
        m_dbtFile = std::make_unique<TDbtFile>(
            m_dbfFile->LayoutFamily() != LayoutDbase3, mode, memoName, *m_files);
    } catch (...) {
        m_dbfFile.reset();
        throw;
    }
}

void TDbf::releaseFiles()
{
    m_dbtFile.reset();
    m_dbfFile.reset();
}

void TDbf::InternalOpen()
{
    findAndOpenFiles();
    try {
        InternalInitFieldDefs();
        CreateFields();
    } catch (...) {
        DestroyFields();
        releaseFiles();
        throw;
    }
    reportMissingMemoFile();
    m_currentRecord = -1;
    m_bookmarkOffset = m_dbfFile->RecordSize();
    m_recordBufferSize = m_dbfFile->RecordSize() + BookmarkAreaSize;
    SetBookmarkSize(BookmarkAreaSize);
    m_cursorOpen = true;
}

// Memo fields without their memo file read as empty; the user learns why once, here.
void TDbf::reportMissingMemoFile()
{
    if (m_dbtFile)
        return;
    const TFieldDefs &defs = FieldDefs();
    if (std::none_of(
            defs.begin(), defs.end(), [](const TFieldDef &def) { return def.DataType == ftMemo; }))
        return;
    m_dbfFile->showMessage("Memo file \"" + memoFileName() + "\" of table \"" + m_fileName
        + "\" is missing: its memo fields read as empty and cannot be stored");
}

void TDbf::InternalInitFieldDefs()
{
    fieldDefsForUpdate().clear();
    if (m_dbfFile) {
        m_dbfFile->ReadFieldDefs(fieldDefsForUpdate());
        return;
    }
    findAndOpenFiles();
    try {
        m_dbfFile->ReadFieldDefs(fieldDefsForUpdate());
    } catch (...) {
        releaseFiles();
        throw;
    }
    releaseFiles();
}

void TDbf::InternalClose()
{
    // The files are released even when the header cannot be written; its error is then raised.
    std::exception_ptr failure;
    if (!m_readOnly) {
        try {
            m_dbfFile->WriteHeader();
        } catch (...) {
            failure = std::current_exception();
        }
    }
    DestroyFields();
    m_cursorOpen = false;
    releaseFiles();
    if (failure)
        std::rethrow_exception(failure);
}

TRecordBuffer TDbf::AllocRecordBuffer()
{
    return new char[static_cast<size_t>(m_recordBufferSize)]();
}

void TDbf::FreeRecordBuffer(TRecordBuffer &buffer)
{
    delete[] buffer;
    buffer = nullptr;
}

void TDbf::GetBookmarkData(TRecordBuffer buffer, TBookmark &data)
{
    data.resize(BookmarkAreaSize);
    std::memcpy(data.data(), buffer + m_bookmarkOffset + RecordNumberAt, sizeof(int32_t));
}

void TDbf::SetBookmarkData(TRecordBuffer buffer, const TBookmark &data)
{
    if (data.size() >= sizeof(int32_t))
        std::memcpy(buffer + m_bookmarkOffset + RecordNumberAt, data.data(), sizeof(int32_t));
}

TBookmarkFlag TDbf::GetBookmarkFlag(TRecordBuffer buffer)
{
    return static_cast<TBookmarkFlag>(buffer[m_bookmarkOffset + BookmarkFlagAt]);
}

void TDbf::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag)
{
    buffer[m_bookmarkOffset + BookmarkFlagAt] = static_cast<char>(flag);
}

uint16_t TDbf::GetRecordSize()
{
    return m_dbfFile ? static_cast<uint16_t>(m_dbfFile->RecordSize()) : 0;
}

int32_t TDbf::GetRecordCount()
{
    CheckActive();
    return m_dbfFile->RecordCount();
}

int32_t TDbf::GetRecNo()
{
    return m_currentRecord < 0 ? 1 : m_currentRecord + 1;
}

void TDbf::fillBookmarkArea(TRecordBuffer buffer)
{
    buffer[m_bookmarkOffset + BookmarkFlagAt] = bfCurrent;
    storeInt32(buffer + m_bookmarkOffset + RecordNumberAt, m_currentRecord);
    storeInt32(buffer + m_bookmarkOffset + IndexPositionAt, -1);
}

bool TDbf::accepted(TRecordBuffer buffer)
{
    return (m_showDeleted || buffer[0] == ActiveFlag) && filterRecord(buffer);
}

TGetResult TDbf::GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck)
{
    const int32_t count = m_dbfFile->RecordCount();
    if (count < 1)
        return grEOF;
    for (;;) {
        TGetResult result = grOK;
        if (mode == gmCurrent && (m_currentRecord < 0 || m_currentRecord >= count))
            result = grError;
        else if (mode == gmNext && m_currentRecord >= count - 1)
            result = grEOF;
        else if (mode == gmPrior && m_currentRecord < 1)
            result = grBOF;
        else
            m_currentRecord += mode == gmNext ? 1 : mode == gmPrior ? -1 : 0;
        if (result == grError && doCheck)
            throw EBinaryDataSetError("GetRecord: Invalid record");
        if (result != grOK)
            return result;
        m_dbfFile->ReadRecord(m_currentRecord, buffer);
        GetCalcFields(buffer);
        fillBookmarkArea(buffer);
        if (accepted(buffer))
            return grOK;
        // Not shown: the current record is gone; a move skips on to the next candidate.
        if (mode == gmCurrent)
            return grError;
    }
}

void TDbf::InternalFirst()
{
    m_currentRecord = -1;
}

void TDbf::InternalLast()
{
    m_currentRecord = m_dbfFile->RecordCount();
}

void TDbf::gotoRecord(int32_t recordNumber)
{
    if (recordNumber < 0 || recordNumber >= m_dbfFile->RecordCount())
        throw EBinaryDataSetError("Bookmark " + std::to_string(recordNumber) + " not found");
    m_currentRecord = recordNumber;
}

void TDbf::InternalGotoBookmark(const TBookmark &bookmark)
{
    gotoRecord(bookmark.size() >= sizeof(int32_t) ? loadInt32(bookmark.data()) : -1);
}

void TDbf::InternalSetToRecord(TRecordBuffer buffer)
{
    gotoRecord(loadInt32(buffer + m_bookmarkOffset + RecordNumberAt));
}

// Blank field bytes are what every dBase reader takes as empty values; zero bytes in a number or
// a date make other readers fail on the whole table.
void TDbf::InternalInitRecord(TRecordBuffer buffer)
{
    std::memset(buffer, ' ', static_cast<size_t>(m_bookmarkOffset));
    std::memset(buffer + m_bookmarkOffset, 0, BookmarkAreaSize);
    buffer[0] = ActiveFlag;
}

// A record that did not reach the file whole must not pass for stored.
void TDbf::writeWholeRecord(int32_t recordNumber, TRecordBuffer buffer)
{
    if (m_dbfFile->WriteRecord(recordNumber, buffer) != m_dbfFile->RecordSize())
        throw EWriteError();
}

void TDbf::appendBuffer(TRecordBuffer buffer)
{
    InternalLast();
    buffer[0] = ActiveFlag;
    if (m_dbfFile->AppendRecord(buffer) != m_dbfFile->RecordSize())
        throw EWriteError();
}

void TDbf::InternalAddRecord(TRecordBuffer, bool)
{
    appendBuffer(ActiveBuffer());
}

void TDbf::InternalPost()
{
    CheckActive();
    if (State() == dsEdit)
        writeWholeRecord(m_currentRecord, ActiveBuffer());
    else if (State() == dsInsert)
        appendBuffer(ActiveBuffer());
}

// The dataset re-reads around the cursor once this returns.
void TDbf::InternalDelete()
{
    CheckActive();
    ActiveBuffer()[0] = DeletedFlag;
    writeWholeRecord(m_currentRecord, ActiveBuffer());
}

bool TDbf::GetFieldData(const TField &field, void *buffer)
{
    TRecordBuffer record = filterBuffer();
    if (State() != dsFilter) {
        if (IsEmpty() || field.FieldNo() < 1)
            return false;
        record = ActiveBuffer();
    }
    if (buffer)
        return m_dbfFile->GetFieldValue(field.FieldNo() - 1, field.DataType(), buffer, record);
    if (field.DataType() != ftBoolean)
        return false;
    int16_t scratch = 0;
    m_dbfFile->GetFieldValue(field.FieldNo() - 1, ftBoolean, &scratch, record);
    return true;
}

void TDbf::SetFieldData(TField &field, const void *buffer)
{
    if (field.FieldNo() < 1 || !buffer)
        return;
    m_dbfFile->SetFieldValue(field.FieldNo() - 1, field.DataType(), buffer, ActiveBuffer());
    DataEvent(deFieldChange, &field);
}

int32_t TDbf::activeRecordNumber()
{
    return loadInt32(ActiveBuffer() + m_bookmarkOffset + RecordNumberAt);
}

std::unique_ptr<TStream> TDbf::doCreateBlobStream(const TField &field, TBlobStreamMode mode)
{
    BlobHost &host = *this;
    return std::make_unique<TMyBlobFile>(mode, field.FieldNo(), host);
}

void TDbf::doCommitBlobStream(TStream &stream)
{
    static_cast<TMyBlobFile &>(stream).release();
}

} // namespace kelvane
