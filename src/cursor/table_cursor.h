// TDbf: the dataset over one dBase table file. It opens the table (and its memo file, when there
// is one) by name, walks the records in file order by record number, hides records whose
// deletion flag is not blank unless ShowDeleted is set, rewrites records in place, appends new
// ones at the end of the file whatever place the views showed them at, and deletes by marking.
// Nothing is cached: every fetch reads one record and every store writes one.
//
// Record buffers hold the record as in the file followed by a 12-byte bookmark area: record
// number (4 bytes, from 0), index position (4 bytes, always -1), bookmark flag (1 byte), 3 unused.
// Bookmarks are 12 bytes whose first 4 are the record number.
//
// While open it owns the table file object and the memo file object; closing a writable table
// rewrites its header. Not thread-safe: one thread.
#pragma once

#include "dataset/data_set.h"
#include "dbf/blob_stream.h"
#include "dbf/memo_file.h"
#include "dbf/table_file.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace kelvane {

class TDbf : public TDataSet, private BlobHost
{
public:
    TDbf();
    // Closes the table; what fails on the way goes to the application's error report.
    ~TDbf() override;

    // Absolute or relative. A name not found is looked for in the program's folder on open,
    // and replaced by the name found there.
    const std::string &FileName() const { return m_fileName; }
    // REQUIRES: closed (EDatabaseError otherwise).
    void SetFileName(const std::string &fileName);

    bool ReadOnly() const { return m_readOnly; }
    // REQUIRES: closed (EDatabaseError otherwise).
    void SetReadOnly(bool readOnly);

    bool ShowDeleted() const { return m_showDeleted; }
    // Stores the value, then re-reads; the re-read raises the closed-dataset error when closed.
    void SetShowDeleted(bool showDeleted);

    // Where today's date comes from, for the header a writable table stores when it closes; the
    // local clock unless set. Takes effect at the next open. The table file's messages (the
    // record count and size repairs) go to the dataset's error sink.
    void setToday(std::function<CalendarDate()> today) { m_today = std::move(today); }
    // The folder searched when FileName is not found; empty means the executable's folder.
    void setProgramFolder(const std::string &folder) { m_programFolder = folder; }
    // Where the table and memo files are found and opened; the disk unless set. Not owned: it
    // must outlive the open table. Takes effect at the next open.
    void setFileSystem(FileSystem &files) { m_files = &files; }

protected:
    TRecordBuffer AllocRecordBuffer() override;
    void FreeRecordBuffer(TRecordBuffer &buffer) override;
    void GetBookmarkData(TRecordBuffer buffer, TBookmark &data) override;
    void SetBookmarkData(TRecordBuffer buffer, const TBookmark &data) override;
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override;
    void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override;
    TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;
    uint16_t GetRecordSize() override;
    void InternalAddRecord(TRecordBuffer buffer, bool append) override;
    void InternalOpen() override;
    void InternalClose() override;
    void InternalDelete() override;
    void InternalFirst() override;
    void InternalLast() override;
    void InternalGotoBookmark(const TBookmark &bookmark) override;
    void InternalInitFieldDefs() override;
    void InternalInitRecord(TRecordBuffer buffer) override;
    void InternalPost() override;
    void InternalSetToRecord(TRecordBuffer buffer) override;
    bool IsCursorOpen() override { return m_cursorOpen; }
    bool GetCanModify() override { return !m_readOnly; }
    int32_t GetRecordCount() override;
    int32_t GetRecNo() override;
    bool GetFieldData(const TField &field, void *buffer) override;
    void SetFieldData(TField &field, const void *buffer) override;
    std::unique_ptr<TStream> doCreateBlobStream(const TField &field, TBlobStreamMode mode) override;
    void doCommitBlobStream(TStream &stream) override;

private:
    // BlobHost: what a memo stream reaches through the dataset.
    TDbfFile *dbfFile() override { return m_dbfFile.get(); }
    TDbtFile *dbtFile() override { return m_dbtFile.get(); }
    char *activeRecordBuffer() override { return ActiveBuffer(); }
    int32_t activeRecordNumber() override;

    void findAndOpenFiles();
    std::string memoFileName() const;
    void reportMissingMemoFile();
    void releaseFiles();
    std::string programFolder() const;
    bool accepted(TRecordBuffer buffer);
    void fillBookmarkArea(TRecordBuffer buffer);
    void gotoRecord(int32_t recordNumber);
    void appendBuffer(TRecordBuffer buffer);
    void writeWholeRecord(int32_t recordNumber, TRecordBuffer buffer);

    std::string m_fileName;
    bool m_readOnly = false;
    bool m_showDeleted = false;
    std::function<CalendarDate()> m_today;
    std::string m_programFolder;
    FileSystem *m_files = &FileSystem::disk();

    std::unique_ptr<TDbfFile> m_dbfFile;
    std::unique_ptr<TDbtFile> m_dbtFile;
    int32_t m_currentRecord = -1; // -1 before the first record, RecordCount past the last
    int32_t m_bookmarkOffset = 0; // where the bookmark area starts in a record buffer
    int32_t m_recordBufferSize = 0;
    bool m_cursorOpen = false;
};

} // namespace kelvane
