#include "dbf/blob_stream.h"

#include "base/error_sink.h"
#include "base/number_text.h"
#include "dbf/errors.h"
#include "dbf/field_codec.h"
#include "dbf/memo_file.h"
#include "dbf/table_file.h"

#include <algorithm>
#include <exception>
#include <limits>
#include <string>

namespace kelvane {

TMyBlobFile::TMyBlobFile(TBlobStreamMode mode, int fieldNo, BlobHost &host)
    : m_mode(mode), m_fieldNo(fieldNo), m_host(host),
      m_uncaughtAtCreation(std::uncaught_exceptions())
{
    // A field is at most 255 bytes, so its text and terminator fit.
    char text[256];
    host.dbfFile()->GetFieldValue(fieldNo - 1, ftString, text, host.activeRecordBuffer());
    int32_t block = 0;
    m_blockNumber = NumberText::parseInteger(text, block) ? block : 0;
    if (TDbtFile *memo = host.dbtFile())
        load(*memo);
    m_oldLength
        = static_cast<int32_t>(std::min<int64_t>(Size(), std::numeric_limits<int32_t>::max()));
}

void TMyBlobFile::load(TDbtFile &memo)
{
    const MemoRead read = memo.ReadMemo(m_blockNumber, *this);
    if (!read.damaged || !memo.firstReportOf(m_blockNumber))
        return;
    TDbfFile *table = m_host.dbfFile();
    table->showMessage("Table \"" + table->FileName() + "\", record "
        + std::to_string(int64_t(m_host.activeRecordNumber()) + 1) + ", field "
        + table->FieldName(m_fieldNo - 1) + ": the memo in block " + std::to_string(m_blockNumber)
        + " claims " + std::to_string(read.claimedLength)
        + " bytes, more than belong to it; only the first " + std::to_string(Size()) + " are read");
}

TMyBlobFile::~TMyBlobFile()
{
    if (m_released || m_mode != bmWrite || std::uncaught_exceptions() > m_uncaughtAtCreation)
        return;
    try {
        release();
    } catch (...) {
        m_host.dbfFile()->showMessage(currentExceptionText());
    }
}

void TMyBlobFile::release()
{
    if (m_released)
        return;
    m_released = true;
    if (m_mode == bmWrite)
        store();
}

void TMyBlobFile::store()
{
    TDbfFile *table = m_host.dbfFile();
    TDbtFile *memo = m_host.dbtFile();
    if (!memo)
        throw EBinaryDataSetError("Cannot store memo field " + std::to_string(m_fieldNo)
            + ": table \"" + table->FileName() + "\" has no memo file");
    SetSize(Position());
    memo->WriteMemo(m_blockNumber, m_oldLength, *this);
    // No memo is stored blank: other readers refuse a block number 0.
    if (m_blockNumber == 0)
        table->SetFieldValue(m_fieldNo - 1, ftString, "", m_host.activeRecordBuffer());
    else
        table->SetFieldValue(m_fieldNo - 1, ftInteger, &m_blockNumber, m_host.activeRecordBuffer());
}

} // namespace kelvane
