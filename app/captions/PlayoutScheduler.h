// The automatic playout's two schedulers, each run once a second on the user-interface
// thread with the current `time`: the programme scheduler loads programmes into the five
// channel slots ahead of time, plays them, interrupts and resumes them; the caption scheduler
// shows and hides caption pages over the program. Both drive the main window with its private
// messages, sent synchronously, so what they point at lives only for the call.
#pragma once

#include "app/captions/PlayQue.h"

#include <functional>
#include <map>
#include <set>
#include <vector>

// What the schedulers drive: the main window, and the playout's log (one text per event).
struct PlayoutTarget {
    HWND mainWindow = nullptr;
    std::function<void(const CString& text)> log;
};

enum ChannelSlotState : BYTE {
    kSlotFree = 0,
    kSlotLoaded = 1,
    kSlotPlaying = 2,
    kSlotInterrupted = 3,
};

// One of the five channel slots (slot n is channel n + 1).
struct ChannelSlot {
    int item = -1;
    __time64_t start = 0;
    // Seconds into the source, and seconds to play (0: no end).
    LONG position = 0;
    LONG duration = 0;
    ChannelSlotState state = kSlotFree;
};

const int kChannelSlotCount = 5;

// WM_AUTOPLAY_PLAY's wParam for playing from a position: the seconds in the high 16 bits
// (larger positions cannot travel and are held at 65,535) and the play flag.
WPARAM MakePlayParam(LONG position);

// The slot a programme is loaded into: the first free one; when all are busy, the one started
// longest ago (before now), never the current one.
int ChooseChannelSlot(const ChannelSlot (&slots)[kChannelSlotCount], int current, __time64_t now);

class CProgrammeScheduler {
public:
    CProgrammeScheduler(const CPlayQue& queue, const PlayoutTarget& target);

    // Forgets the pending plays and the sequence, puts the look-ahead at now and runs once.
    void Start(__time64_t now);
    void Pass(__time64_t now);
    // Sends the stop message and frees every slot.
    void Stop();

    const ChannelSlot& GetSlot(int slot) const { return m_slots[slot]; }
    int GetCurrentSlot() const { return m_current; }
    __time64_t GetCurrentEnd() const { return m_currentEnd; }
    __time64_t GetLookAheadCursor() const { return m_cursor; }

private:
    struct Pending {
        int item;
        LONG remaining;
        // Waiting for its time, to interrupt what runs; false for plays that follow the
        // current programme. A time that passed while the thread was busy (a slow graph
        // build) still counts: the entry is due from its time on, not only at that second.
        bool waiting;
    };

    void FirstPass(__time64_t now);
    void LookAhead(__time64_t now);
    bool PlayDueEntry(__time64_t now);
    void EndCurrent(__time64_t now);
    void Interrupt(ChannelSlot& slot, __time64_t now);
    // Plays the item from the slot it was loaded into, else through a new slot, and makes it
    // the current programme.
    void PlayItemNow(int item, __time64_t now);
    // Puts the item into a slot (loading it, and playing it when asked); the slot it sits in
    // when it already has one. -1 when the item is gone from the list or the main window
    // could not load it (the slot is then left free).
    int AssignSlot(int item, const PlayItem& copy, bool play, __time64_t now);
    int SlotOf(int item) const;
    void SendPlay(int slot);
    void MakeCurrent(int slot, __time64_t now, LONG duration);
    void Log(UINT textId, const CStringA& name) const;

    const CPlayQue& m_queue;
    const PlayoutTarget& m_target;
    ChannelSlot m_slots[kChannelSlotCount];
    int m_current = -1;
    __time64_t m_currentStart = 0; // 0: no programme started
    __time64_t m_currentEnd = 0;   // 0: no end
    int m_sequence = 0;
    int m_repeat = 0;
    std::map<__time64_t, Pending> m_pending;
    __time64_t m_cursor = 0;
    // The sequential item whose preload failed, and the end it was to follow.
    int m_failedPreloadItem = -1;
    __time64_t m_failedPreloadEnd = 0;
};

class CCaptionScheduler {
public:
    // Shows set the enabled flag of the captions they showed.
    CCaptionScheduler(std::vector<CaptionItem>& captions, const PlayoutTarget& target);

    void Start(__time64_t now);
    void Pass(__time64_t now);
    // Not running: hides every shown caption with one message.
    void Stop();

    const std::set<int>& GetShown() const { return m_shown; }

private:
    void Show(int index);
    void Hide(int index);

    std::vector<CaptionItem>& m_captions;
    const PlayoutTarget& m_target;
    std::set<int> m_shown;
    // A caption is due when its time came since the last pass, so a second the thread spent
    // elsewhere does not skip it.
    __time64_t m_lastPass = 0;
};
