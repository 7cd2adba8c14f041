// The playout's programme list, in the order the operator made it, with the three questions
// the programme scheduler asks of it. Times are `time` seconds, worked out in 64 bits.
#pragma once

#include <afx.h>

#include "app/captions/PlayItem.h"

#include <vector>

class CPlayQue : public CObject {
    DECLARE_SERIAL(CPlayQue)
public:
    CPlayQue() = default;

    // The new item's index.
    int Add(const PlayItem& item);
    // Out of range: nothing.
    void Remove(int index);
    bool Replace(int index, const PlayItem& item);
    // False when out of range.
    bool Get(int index, PlayItem& item) const;
    const PlayItem* At(int index) const;
    int GetCount() const { return static_cast<int>(m_items.size()); }
    void Clear() { m_items.clear(); }
    void Swap(CPlayQue& other);

    // The item on air at t: the first timed item without an end or whose plays cover t, else
    // the first sequential item; -1 for none.
    int GetCurrentItem(__time64_t t) const;

    // The timed item due next in the look-ahead window [cursor, cursor + 20): the earliest
    // one (the first in list order among equals). On a hit the cursor moves to its start and
    // the play count is given; on a miss the cursor moves on 10 s. -1 for a miss.
    int GetTimedItemAhead(__time64_t& cursor, LONG& playCount) const;

    // The sequential item to play after item `index` whose repeat count is `repeat`: the same
    // item again while its play count allows, else the next sequential item, wrapping to the
    // top; -1 for none. The repeat count is updated.
    int GetNextSequential(int index, int& repeat) const;

    // The reserved value, then the count and the items.
    void Serialize(CArchive& ar) override;

    LONG m_reserved = 0;

private:
    std::vector<PlayItem> m_items;
};
