// TMyBlobFile: the in-memory stream through which a dataset hands one memo value to its reader
// or writer. It is created holding the current memo text at position 0. A stream opened for
// writing stores its text when released: the text goes to the memo file and the memo's block
// number into the memo field of the dataset's current record buffer (the record reaches the
// table file only when the dataset posts it).
//
// The stream does not own the host or anything the host hands out; the host must outlive it.
// Not thread-safe.
#pragma once

#include "base/stream.h"

#include <cstdint>

namespace kelvane {

class TDbfFile;
class TDbtFile;

// What a memo stream needs of the dataset it belongs to.
class BlobHost
{
public:
    virtual ~BlobHost() = default;
    virtual TDbfFile *dbfFile() = 0;
    // Null when the table has no memo file.
    virtual TDbtFile *dbtFile() = 0;
    // The record the memo field is read from and its block number written to.
    virtual char *activeRecordBuffer() = 0;
    // The number of that record in the table, counted from 0; for messages.
    virtual int32_t activeRecordNumber() = 0;
};

class TMyBlobFile : public TMemoryStream
{
public:
    // Loads the memo the field (numbered from 1) refers to. Without a memo file the text is
    // empty. A memo whose stored length runs past its own blocks loads what belongs to it, and
    // the damage is shown as a message the first time that memo is read while the table is open.
    // REQUIRES: host.dbfFile() is not null.
    TMyBlobFile(TBlobStreamMode mode, int fieldNo, BlobHost &host);
    // A write-mode stream not yet released stores its text here; a failure is then shown as a
    // message, since a destructor cannot raise it. Nothing is stored while an exception is
    // unwinding the stack, as the writer never finished.
    ~TMyBlobFile() override;
    TMyBlobFile(const TMyBlobFile &) = delete;
    TMyBlobFile &operator=(const TMyBlobFile &) = delete;

    // Ends the stream's use; in write mode stores the text as written up to the current
    // position (an empty text leaves the memo field blank). Throws EBinaryDataSetError when the
    // table has no memo file, EFieldToLongError when the block number does not fit the field,
    // EWriteError when the memo file cannot be written. Further calls do nothing.
    void release();

    TBlobStreamMode Mode() const { return m_mode; }
    int FieldNo() const { return m_fieldNo; }
    int32_t BlockNumber() const { return m_blockNumber; }
    int32_t OldLength() const { return m_oldLength; }

private:
    void load(TDbtFile &memo);
    void store();

    TBlobStreamMode m_mode;
    int m_fieldNo;
    BlobHost &m_host;
    int32_t m_blockNumber = 0;
    int32_t m_oldLength = 0;
    bool m_released = false;
    int m_uncaughtAtCreation;
};

} // namespace kelvane
