#include "app/captions/PlayQue.h"

IMPLEMENT_SERIAL(CPlayQue, CObject, 1)

namespace {

const __time64_t kLookAheadWindow = 20;
const __time64_t kLookAheadStep = 10;

} // namespace

int CPlayQue::Add(const PlayItem& item)
{
    m_items.push_back(item);
    return GetCount() - 1;
}

void CPlayQue::Remove(int index)
{
    if (index >= 0 && index < GetCount())
        m_items.erase(m_items.begin() + index);
}

bool CPlayQue::Replace(int index, const PlayItem& item)
{
    if (index < 0 || index >= GetCount())
        return false;
    m_items[static_cast<size_t>(index)] = item;
    return true;
}

bool CPlayQue::Get(int index, PlayItem& item) const
{
    const PlayItem* found = At(index);
    if (!found)
        return false;
    item = *found;
    return true;
}

void CPlayQue::Swap(CPlayQue& other)
{
    std::swap(m_reserved, other.m_reserved);
    m_items.swap(other.m_items);
}

const PlayItem* CPlayQue::At(int index) const
{
    if (index < 0 || index >= GetCount())
        return nullptr;
    return &m_items[static_cast<size_t>(index)];
}

int CPlayQue::GetCurrentItem(__time64_t t) const
{
    for (int i = 0; i < GetCount(); ++i) {
        const PlayItem& item = m_items[static_cast<size_t>(i)];
        if (!item.IsTimed())
            continue;
        if (item.duration == 0)
            return i;
        // A day-long span times 65,535 plays does not fit in 32 bits.
        const __time64_t start = item.scheduledStart;
        const __time64_t span = static_cast<__time64_t>(item.duration) * item.playCount;
        if (t >= start && t - start < span)
            return i;
    }
    for (int i = 0; i < GetCount(); ++i) {
        if (!m_items[static_cast<size_t>(i)].IsTimed())
            return i;
    }
    return -1;
}

int CPlayQue::GetTimedItemAhead(__time64_t& cursor, LONG& playCount) const
{
    // The earliest start in the window, not the first in list order: moving the cursor past a
    // later item first would skip an earlier one for good.
    int found = -1;
    for (int i = 0; i < GetCount(); ++i) {
        const PlayItem& item = m_items[static_cast<size_t>(i)];
        const __time64_t start = item.scheduledStart;
        if (!item.IsTimed() || start < cursor || start >= cursor + kLookAheadWindow)
            continue;
        if (found < 0 || start < static_cast<__time64_t>(m_items[static_cast<size_t>(found)].scheduledStart))
            found = i;
    }
    if (found < 0) {
        cursor += kLookAheadStep;
        return -1;
    }
    cursor = m_items[static_cast<size_t>(found)].scheduledStart;
    playCount = m_items[static_cast<size_t>(found)].playCount;
    return found;
}

int CPlayQue::GetNextSequential(int index, int& repeat) const
{
    if (index < 0 || index >= GetCount()) {
        repeat = 0;
        index = 0;
    }
    for (int i = index; i < GetCount(); ++i) {
        const PlayItem& item = m_items[static_cast<size_t>(i)];
        if (item.IsTimed())
            continue;
        if (i > index) {
            repeat = 1;
            return i;
        }
        if (repeat < item.playCount) {
            ++repeat;
            return i;
        }
    }
    for (int i = 0; i <= index && i < GetCount(); ++i) {
        if (!m_items[static_cast<size_t>(i)].IsTimed()) {
            repeat = 1;
            return i;
        }
    }
    return -1;
}

void CPlayQue::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar << m_reserved << static_cast<LONG>(GetCount());
        for (PlayItem& item : m_items)
            item.Serialize(ar);
        return;
    }
    LONG reserved = 0, count = 0;
    ar >> reserved >> count;
    if (count < 0)
        AfxThrowArchiveException(CArchiveException::badIndex, ar.m_strFileName);
    // Read one by one: a hostile count runs into the end of the file, not into an allocation.
    std::vector<PlayItem> items;
    for (LONG i = 0; i < count; ++i) {
        PlayItem item;
        item.Serialize(ar);
        items.push_back(item);
    }
    m_reserved = reserved;
    m_items.swap(items);
}
