// Moving the current record, bookmarks, re-reading, and the views' access to other records.
#include "dataset/data_set.h"
#include "dataset/database_error.h"

#include <cstdlib>
#include <utility>

namespace kelvane {

void TDataSet::updateCursorPos()
{
    if (m_hasRecord && GetBookmarkFlag(m_activeBuffer) == bfCurrent)
        InternalSetToRecord(m_activeBuffer);
}

bool TDataSet::fetchActive(TGetMode mode)
{
    m_hasRecord = GetRecord(m_activeBuffer, mode, false) == grOK;
    return m_hasRecord;
}

void TDataSet::fetchFirst()
{
    InternalFirst();
    fetchActive(gmNext);
    m_bof = true;
    m_eof = !m_hasRecord;
}

void TDataSet::resync()
{
    if (!m_hasRecord && m_state != dsInsert) {
        fetchFirst();
        return;
    }
    if (!fetchActive(gmCurrent) && !fetchActive(gmNext))
        fetchActive(gmPrior);
    m_bof = m_eof = !m_hasRecord;
}

void TDataSet::First()
{
    CheckBrowseMode();
    notify(BeforeScroll);
    fetchFirst();
    DataEvent(deDataSetScroll);
    notify(AfterScroll);
}

void TDataSet::Last()
{
    CheckBrowseMode();
    notify(BeforeScroll);
    InternalLast();
    fetchActive(gmPrior);
    m_eof = true;
    m_bof = !m_hasRecord;
    DataEvent(deDataSetScroll);
    notify(AfterScroll);
}

int TDataSet::MoveBy(int distance)
{
    CheckBrowseMode();
    if (distance == 0)
        return 0;
    notify(BeforeScroll);
    const bool forward = distance > 0;
    int moved = 0;
    if (m_hasRecord && !(forward ? m_eof : m_bof)) {
        m_bof = m_eof = false;
        updateCursorPos();
        const TGetMode mode = forward ? gmNext : gmPrior;
        for (; moved < std::abs(distance); ++moved) {
            // A fetch that meets an end leaves the current record as it was.
            if (GetRecord(m_scratchBuffer, mode, true) != grOK) {
                (forward ? m_eof : m_bof) = true;
                break;
            }
            std::swap(m_activeBuffer, m_scratchBuffer);
        }
    }
    if (moved > 0)
        DataEvent(deDataSetScroll);
    notify(AfterScroll);
    return forward ? moved : -moved;
}

TBookmark TDataSet::GetBookmark()
{
    if (!Active() || m_state == dsInsert || !m_hasRecord)
        return {};
    TBookmark bookmark(static_cast<size_t>(m_bookmarkSize));
    GetBookmarkData(m_activeBuffer, bookmark);
    return bookmark;
}

void TDataSet::GotoBookmark(const TBookmark &bookmark)
{
    if (bookmark.empty())
        return;
    CheckBrowseMode();
    notify(BeforeScroll);
    InternalGotoBookmark(bookmark);
    if (GetRecord(m_scratchBuffer, gmCurrent, false) != grOK)
        DatabaseError(DatasetMessages::RecordNotFound);
    std::swap(m_activeBuffer, m_scratchBuffer);
    m_hasRecord = true;
    m_bof = m_eof = false;
    DataEvent(deDataSetScroll);
    notify(AfterScroll);
}

TBookmark TDataSet::lastRecordBookmark()
{
    InternalLast();
    if (GetRecord(m_scratchBuffer, gmPrior, false) != grOK)
        return {};
    TBookmark bookmark(static_cast<size_t>(m_bookmarkSize));
    GetBookmarkData(m_scratchBuffer, bookmark);
    return bookmark;
}

int32_t TDataSet::RecordCount()
{
    return GetRecordCount();
}

int32_t TDataSet::RecNo()
{
    CheckActive();
    updateCursorPos();
    return GetRecNo();
}

void TDataSet::forEachRecord(const std::function<void(const TBookmark &)> &visit)
{
    if (!Active())
        return;
    TBookmark bookmark(static_cast<size_t>(m_bookmarkSize));
    InternalFirst();
    while (GetRecord(m_rowBuffer, gmNext, false) == grOK) {
        GetBookmarkData(m_rowBuffer, bookmark);
        visit(bookmark);
    }
}

bool TDataSet::readRecordAt(const TBookmark &bookmark, const std::function<void()> &read)
{
    CheckActive();
    InternalGotoBookmark(bookmark);
    if (GetRecord(m_rowBuffer, gmCurrent, false) != grOK)
        return false;
    TRecordBuffer saved = m_readBuffer;
    m_readBuffer = m_rowBuffer;
    try {
        read();
    } catch (...) {
        m_readBuffer = saved;
        throw;
    }
    m_readBuffer = saved;
    return true;
}

} // namespace kelvane
