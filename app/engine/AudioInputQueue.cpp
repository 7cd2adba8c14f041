#include "app/engine/AudioInputQueue.h"

#include <algorithm>
#include <cstring>
#include <utility>

void CAudioInputQueue::Push(const BYTE* data, long length)
{
    if (!data || length < 1)
        return;
    Push(std::vector<BYTE>(data, data + length));
}

void CAudioInputQueue::Push(std::vector<BYTE>&& bytes)
{
    if (bytes.empty())
        return;
    const LONGLONG length = static_cast<LONGLONG>(bytes.size());
    Chunk chunk;
    chunk.bytes = std::move(bytes);
    chunk.consumed = 0;
    m_chunks.push_back(std::move(chunk));
    m_queued += length;
}

void CAudioInputQueue::Flush()
{
    m_chunks.clear();
    m_queued = 0;
}

long CAudioInputQueue::Pull(BYTE* buffer, long length)
{
    if (length <= 0)
        return 0;
    long taken = 0;
    while (taken < length && !m_chunks.empty()) {
        Chunk& front = m_chunks.front();
        const std::size_t left = front.bytes.size() - front.consumed;
        const std::size_t want = static_cast<std::size_t>(length - taken);
        const std::size_t n = std::min(left, want);
        std::memcpy(buffer + taken, front.bytes.data() + front.consumed, n);
        taken += static_cast<long>(n);
        if (n == left)
            m_chunks.pop_front();
        else
            front.consumed += n;
    }
    if (taken < length)
        std::memset(buffer + taken, 0, static_cast<std::size_t>(length - taken));
    m_queued = std::max<LONGLONG>(0, m_queued - taken);
    return taken;
}
