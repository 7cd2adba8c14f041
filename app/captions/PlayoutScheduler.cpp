#include "app/captions/PlayoutScheduler.h"

#include "app/core/DeskMessages.h"

namespace {

const UINT kLogLoad = 292;
const UINT kLogPlay = 293;
const UINT kLogShowCaption = 295;
const UINT kLogHideCaption = 296;
const UINT kLogCaptionRefused = 297;

// The next sequential item is loaded this long before the current programme ends.
const __time64_t kPreloadLead = 10;

const LPARAM kHideAllCaptions = static_cast<LPARAM>(0xFFFF0000u);

LPARAM CaptionParam(int index, bool show)
{
    return static_cast<LPARAM>((static_cast<DWORD>(index) << 16) | (show ? 1u : 0u));
}

} // namespace

WPARAM MakePlayParam(LONG position)
{
    const DWORD seconds = position < 0 ? 0u : position > 0xFFFF ? 0xFFFFu : static_cast<DWORD>(position);
    return static_cast<WPARAM>((seconds << 16) | 1u);
}

CProgrammeScheduler::CProgrammeScheduler(const CPlayQue& queue, const PlayoutTarget& target)
    : m_queue(queue), m_target(target)
{
}

void CProgrammeScheduler::Log(UINT textId, const CStringA& name) const
{
    if (!m_target.log)
        return;
    CString text;
    text.LoadString(textId);
    m_target.log(text + FromAnsi(name));
}

void CProgrammeScheduler::Start(__time64_t now)
{
    m_pending.clear();
    m_sequence = 0;
    m_repeat = 0;
    m_cursor = now;
    m_failedPreloadItem = -1;
    m_failedPreloadEnd = 0;
    Pass(now);
}

void CProgrammeScheduler::Pass(__time64_t now)
{
    if (m_currentStart == 0) {
        FirstPass(now);
        return;
    }
    LookAhead(now);
    if (!PlayDueEntry(now) && m_currentEnd != 0 && m_currentEnd < now)
        EndCurrent(now);
}

void CProgrammeScheduler::Stop()
{
    ::SendMessageW(m_target.mainWindow, WM_AUTOPLAY_PLAY, 0, 0);
    for (ChannelSlot& slot : m_slots)
        slot = ChannelSlot();
    m_current = -1;
    m_currentStart = 0;
    m_currentEnd = 0;
}

void CProgrammeScheduler::FirstPass(__time64_t now)
{
    const int index = m_queue.GetCurrentItem(now);
    if (index < 0)
        return;
    PlayItem copy = *m_queue.At(index);
    if (!copy.IsTimed()) {
        m_sequence = index;
        m_repeat = 1;
    } else if (copy.duration > 0) {
        // Started late into a timed item: join its plays where they are.
        const __time64_t elapsed = now - static_cast<__time64_t>(copy.scheduledStart);
        const __time64_t remaining = copy.playCount - elapsed / copy.duration;
        const LONG offset = static_cast<LONG>(elapsed % copy.duration);
        copy.startPosition += offset;
        copy.duration -= offset;
        if (remaining > 1)
            m_pending[now] = {index, static_cast<LONG>(remaining - 1), false};
    }
    copy.scheduledStart = static_cast<DWORD>(now);
    const int slot = AssignSlot(index, copy, true, now);
    if (slot < 0) {
        // It could not be loaded: its span passes with nothing of it on air (one without an
        // end passes at once), and the schedule goes on from there instead of trying it again
        // every second.
        m_current = -1;
        m_currentStart = now;
        m_currentEnd = now + (copy.duration > 0 ? copy.duration : 0);
        return;
    }
    MakeCurrent(slot, now, copy.duration);
}

void CProgrammeScheduler::LookAhead(__time64_t now)
{
    if (now >= m_cursor) {
        LONG plays = 0;
        const int index = m_queue.GetTimedItemAhead(m_cursor, plays);
        if (index >= 0) {
            if (SlotOf(index) < 0) {
                const PlayItem& item = *m_queue.At(index);
                m_pending[item.scheduledStart] = {index, plays, true};
                // Not loaded: it is not waited for; what is on air plays on until the next item.
                if (AssignSlot(index, item, false, now) < 0)
                    m_pending.erase(item.scheduledStart);
            }
            m_cursor += 1;
            return;
        }
    }
    if (!m_pending.empty() || m_currentEnd == 0 || now < m_currentEnd - kPreloadLead)
        return;
    int repeat = m_repeat;
    const int next = m_queue.GetNextSequential(m_sequence, repeat);
    if (next < 0 || SlotOf(next) >= 0)
        return;
    // A preload that failed is not tried again every second before the same end: its turn
    // at the end tries once more.
    if (next == m_failedPreloadItem && m_currentEnd == m_failedPreloadEnd)
        return;
    PlayItem copy = *m_queue.At(next);
    copy.scheduledStart = static_cast<DWORD>(m_currentEnd + 1);
    if (AssignSlot(next, copy, false, now) < 0) {
        m_failedPreloadItem = next;
        m_failedPreloadEnd = m_currentEnd;
    }
}

bool CProgrammeScheduler::PlayDueEntry(__time64_t now)
{
    // The earliest waiting entry whose time has come; after lost seconds the others follow one
    // a pass, each interrupting the one before, so every insert gets its turn.
    auto due = m_pending.begin();
    while (due != m_pending.end() && due->first <= now && !due->second.waiting)
        ++due;
    if (due == m_pending.end() || due->first > now)
        return false;
    // Taken once: its further plays, or a play whose slot went, follow the current programme.
    due->second.waiting = false;
    const int slot = SlotOf(due->second.item);
    const PlayItem* item = m_queue.At(due->second.item);
    if (slot < 0 || !item)
        return true;

    if (item->type == kPlayInsert) {
        if (m_current >= 0 && m_current != slot) {
            if (m_slots[m_current].state == kSlotPlaying)
                Interrupt(m_slots[m_current], now);
            else
                m_slots[m_current] = ChannelSlot();
        }
    } else {
        // A timed programme takes over: what was waiting before it is dropped.
        for (auto it = m_pending.begin(); it != due;) {
            const int stale = SlotOf(it->second.item);
            if (stale >= 0 && stale != slot)
                m_slots[stale] = ChannelSlot();
            it = m_pending.erase(it);
        }
        if (m_current >= 0 && m_current != slot)
            m_slots[m_current] = ChannelSlot();
    }
    if (--due->second.remaining <= 0)
        m_pending.erase(due);

    ChannelSlot& playing = m_slots[slot];
    playing.state = kSlotPlaying;
    playing.start = now;
    SendPlay(slot);
    MakeCurrent(slot, now, item->duration);
    return true;
}

void CProgrammeScheduler::Interrupt(ChannelSlot& slot, __time64_t now)
{
    const __time64_t elapsed = now - m_currentStart;
    if (slot.duration == 0) {
        // A programme without an end keeps none: it resumes endless.
        slot.position = static_cast<LONG>(slot.position + elapsed);
        slot.state = kSlotInterrupted;
        return;
    }
    const __time64_t remaining = slot.duration - elapsed;
    if (remaining <= 0) {
        // It had run its course; a remaining span of 0 would read as "no end".
        slot = ChannelSlot();
        return;
    }
    slot.position = static_cast<LONG>(slot.position + elapsed);
    slot.duration = static_cast<LONG>(remaining);
    slot.state = kSlotInterrupted;
}

void CProgrammeScheduler::EndCurrent(__time64_t now)
{
    if (m_current >= 0)
        m_slots[m_current].state = kSlotLoaded;

    int resume = -1;
    for (int i = 0; i < kChannelSlotCount; ++i) {
        if (m_slots[i].state == kSlotInterrupted && (resume < 0 || m_slots[i].start > m_slots[resume].start))
            resume = i;
    }
    if (resume >= 0) {
        ChannelSlot& slot = m_slots[resume];
        slot.state = kSlotPlaying;
        slot.start = now;
        if (m_current >= 0 && m_current != resume)
            m_slots[m_current] = ChannelSlot();
        SendPlay(resume);
        MakeCurrent(resume, now, slot.duration);
        return;
    }
    if (m_pending.empty()) {
        const int next = m_queue.GetNextSequential(m_sequence, m_repeat);
        if (next < 0)
            return;
        PlayItemNow(next, now);
        m_sequence = next;
        return;
    }
    auto earliest = m_pending.begin();
    if (earliest->first >= now)
        return;
    PlayItemNow(earliest->second.item, now);
    if (--earliest->second.remaining <= 0)
        m_pending.erase(earliest);
}

void CProgrammeScheduler::PlayItemNow(int index, __time64_t now)
{
    const PlayItem* item = m_queue.At(index);
    if (!item)
        return;
    int slot = SlotOf(index);
    if (slot >= 0) {
        // A programme played again starts from its own start, whatever an earlier late start
        // or interruption left in the slot.
        ChannelSlot& loaded = m_slots[slot];
        loaded.position = item->startPosition;
        loaded.duration = item->duration;
        loaded.state = kSlotPlaying;
        loaded.start = now;
        SendPlay(slot);
    } else {
        PlayItem copy = *item;
        copy.scheduledStart = static_cast<DWORD>(now);
        slot = AssignSlot(index, copy, true, now);
        if (slot < 0)
            return;
    }
    if (m_current >= 0 && m_current != slot)
        m_slots[m_current] = ChannelSlot();
    MakeCurrent(slot, now, item->duration);
}

void CProgrammeScheduler::MakeCurrent(int slot, __time64_t now, LONG duration)
{
    m_current = slot;
    m_currentStart = now;
    m_currentEnd = duration > 0 ? now + duration : 0;
}

int CProgrammeScheduler::SlotOf(int item) const
{
    for (int i = 0; i < kChannelSlotCount; ++i) {
        if (m_slots[i].state != kSlotFree && m_slots[i].item == item)
            return i;
    }
    return -1;
}

int ChooseChannelSlot(const ChannelSlot (&slots)[kChannelSlotCount], int current, __time64_t now)
{
    for (int i = 0; i < kChannelSlotCount; ++i) {
        if (slots[i].state == kSlotFree)
            return i;
    }
    // All busy: the one started longest ago, but never the one on air, whose programme a load
    // would cut off.
    int oldest = -1;
    for (int i = 0; i < kChannelSlotCount; ++i) {
        if (i == current || slots[i].start >= now)
            continue;
        if (oldest < 0 || slots[i].start < slots[oldest].start)
            oldest = i;
    }
    if (oldest >= 0)
        return oldest;
    return current == 0 ? 1 : 0;
}

int CProgrammeScheduler::AssignSlot(int item, const PlayItem& copy, bool play, __time64_t now)
{
    const int held = SlotOf(item);
    if (held >= 0)
        return held;
    if (!m_queue.At(item))
        return -1;
    const int slot = ChooseChannelSlot(m_slots, m_current, now);
    ChannelSlot& target = m_slots[slot];
    target.item = item;
    target.start = copy.scheduledStart;
    target.position = copy.startPosition;
    target.duration = copy.duration;
    target.state = play ? kSlotPlaying : kSlotLoaded;

    PlayItem sent = copy;
    if (!::SendMessageW(m_target.mainWindow, WM_AUTOPLAY_LOAD, reinterpret_cast<WPARAM>(&sent), slot)) {
        // Nothing was loaded (its file gone, its device missing; the main window has said
        // so): the slot stays free for the next item, and what is on air is not cut for a
        // programme that is not there.
        target = ChannelSlot();
        return -1;
    }
    Log(kLogLoad, copy.name);
    if (play)
        SendPlay(slot);
    if (static_cast<__time64_t>(copy.scheduledStart) < now)
        target.start = now;
    return slot;
}

void CProgrammeScheduler::SendPlay(int slot)
{
    const ChannelSlot& playing = m_slots[slot];
    const PlayItem* item = m_queue.At(playing.item);
    if (!item)
        return;
    ::SendMessageW(m_target.mainWindow, WM_AUTOPLAY_PLAY, MakePlayParam(playing.position), slot);
    Log(kLogPlay, item->name);
}

CCaptionScheduler::CCaptionScheduler(std::vector<CaptionItem>& captions, const PlayoutTarget& target)
    : m_captions(captions), m_target(target)
{
}

void CCaptionScheduler::Start(__time64_t now)
{
    m_shown.clear();
    m_lastPass = now - 1;
    Pass(now);
}

void CCaptionScheduler::Stop()
{
    if (m_shown.empty())
        return;
    ::SendMessageW(m_target.mainWindow, WM_AUTOPLAY_CAPTION, 0, kHideAllCaptions);
    m_shown.clear();
}

void CCaptionScheduler::Pass(__time64_t now)
{
    const bool noneShown = m_shown.empty();
    for (int i = 0; i < static_cast<int>(m_captions.size()); ++i) {
        const CaptionItem& caption = m_captions[static_cast<size_t>(i)];
        const __time64_t start = caption.displayTime;
        const __time64_t end = start + caption.displayDuration;
        if (m_shown.count(i)) {
            if (end < now)
                Hide(i);
            continue;
        }
        if (!caption.enabled)
            continue;
        // Its time came since the last pass (a stalled second does not skip it), or nothing is
        // shown and its time is running.
        const bool due = start > m_lastPass && start <= now && now <= end;
        const bool running = noneShown && start < now && now < end;
        if (due || running)
            Show(i);
    }
    m_lastPass = now;
}

void CCaptionScheduler::Show(int index)
{
    CaptionItem& caption = m_captions[static_cast<size_t>(index)];
    const CString path = FromAnsi(caption.pagePath);
    const LRESULT shown = ::SendMessageW(m_target.mainWindow, WM_AUTOPLAY_CAPTION,
                                         reinterpret_cast<WPARAM>(path.GetString()), CaptionParam(index, true));
    CString text;
    if (shown) {
        m_shown.insert(index);
        caption.enabled = 1;
        text.LoadString(kLogShowCaption);
        text += FromAnsi(caption.name);
    } else {
        CString format;
        format.LoadString(kLogCaptionRefused);
        text.Format(format, FromAnsi(caption.name).GetString());
    }
    if (m_target.log)
        m_target.log(text);
}

void CCaptionScheduler::Hide(int index)
{
    const CaptionItem& caption = m_captions[static_cast<size_t>(index)];
    const CString path = FromAnsi(caption.pagePath);
    ::SendMessageW(m_target.mainWindow, WM_AUTOPLAY_CAPTION, reinterpret_cast<WPARAM>(path.GetString()),
                   CaptionParam(index, false));
    m_shown.erase(index);
    if (m_target.log) {
        CString text;
        text.LoadString(kLogHideCaption);
        m_target.log(text + FromAnsi(caption.name));
    }
}
