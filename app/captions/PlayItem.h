// The automatic playout's two kinds of entries: a programme (sources played in a channel
// sequentially, at a set time, or as an insert that interrupts what runs) and a scheduled
// caption page. Names and paths are narrow strings in the ANSI code page, as the playout list
// file keeps them; times are `time` seconds and spans whole seconds.
#pragma once

#include <afx.h>

#include "app/core/SourceDescriptor.h"

enum PlayItemType : DWORD {
    kPlaySequential = 0,
    kPlayTimed = 1,
    kPlayInsert = 2,
};

// A narrow string in the playout list file holds at most this many bytes.
const int kPlayoutStringMax = 259;

struct PlayItem {
    DWORD type = kPlaySequential;
    SourceDescriptor video;
    // Flags 0 when the video source carries the sound.
    SourceDescriptor audio;
    CStringA name;
    // 0 for none (sequential items).
    DWORD scheduledStart = 0;
    // Seconds into the source where playing begins.
    LONG startPosition = 0;
    // Seconds to play; 0 means no end.
    LONG duration = 0;
    LONG playCount = 1;
    LONG reserved = 1;

    bool IsTimed() const { return type == kPlayTimed || type == kPlayInsert; }

    // The file's order: type, video, audio, name, then the five numbers. Loading refuses a
    // type outside 0..2, a name longer than the format allows and a span or count past 31
    // bits (CArchiveException), and changes this item only when the whole record was read.
    void Serialize(CArchive& ar);
};

struct CaptionItem {
    CStringA name;
    // A caption page file.
    CStringA pagePath;
    DWORD displayTime = 0;
    LONG displayDuration = 0;
    // A caption with 0 is never shown.
    BYTE enabled = 1;

    // The file's order: display time, duration, enabled flag, page path, name.
    void Serialize(CArchive& ar);
};

// A length-prefixed narrow string of the playout list file (int32 length, the bytes, no
// terminator). Both ways refuse a length outside 0..kPlayoutStringMax.
void WritePlayoutString(CArchive& ar, const CStringA& text);
CStringA ReadPlayoutString(CArchive& ar);

// Narrow (ANSI code page) to wide and back, for the lists, the dialogs and the messages.
inline CString FromAnsi(const CStringA& text) { return CString(text); }
inline CStringA ToAnsi(const CString& text) { return CStringA(text); }
