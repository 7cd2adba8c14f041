// The one hand-off of composed program frames from the video mixer's render engine to the
// director's frame thread. The thread takes frames without the mixer lock, oldest first.
#pragma once

#include <windows.h>

struct ProgramFrameInfo
{
    // 1 sync point, 2 preroll, 4 discontinuity, 8 times valid.
    int flags = 0;
    LONGLONG start = 0; // 100-ns units
    LONGLONG stop = 0;
};

class IProgramFrameSource
{
public:
    // Takes the oldest composed frame, reads its 32-bit top-down pixels into `buffer` (at
    // most *count bytes; *count becomes the bytes read) and gives its surface back to the
    // engine in every case. VFW_S_NO_MORE_ITEMS when no frame waits; a failed read (a null
    // buffer among its causes) drops the frame and returns the error.
    virtual HRESULT ReadNextFrame(BYTE* buffer, long* count, ProgramFrameInfo* info) = 0;

protected:
    ~IProgramFrameSource() = default;
};
