// One mixer input's queue of pushed PCM bytes, taken out in fixed-size chunks. Not locked:
// the mixer guards every queue with its own lock.
#pragma once

#include <windows.h>

#include <cstddef>
#include <deque>
#include <vector>

class CAudioInputQueue
{
public:
    // Appends a copy of the bytes (nothing is kept of the caller's buffer).
    void Push(const BYTE* data, long length);
    // Takes over bytes already copied (so the copy can be made outside the mixer's lock).
    void Push(std::vector<BYTE>&& bytes);
    // Drops every queued chunk.
    void Flush();
    // Fills buffer with up to length bytes from the front of the queue and zeroes the rest, so a
    // starved input plays silence; a chunk longer than the space left is consumed in part and
    // keeps its remaining bytes for the next call. Returns the bytes taken.
    long Pull(BYTE* buffer, long length);
    // Bytes waiting; never below 0.
    LONGLONG QueuedBytes() const { return m_queued; }
    std::size_t QueuedChunks() const { return m_chunks.size(); }

private:
    struct Chunk {
        std::vector<BYTE> bytes;
        std::size_t consumed;
    };
    std::deque<Chunk> m_chunks;
    LONGLONG m_queued = 0;
};
