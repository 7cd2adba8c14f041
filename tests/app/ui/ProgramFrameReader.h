// Reads the program frames back from a director: a video listener that keeps a copy of the
// last frame's 32-bit top-down pixels. The test ticks the mixing clock by hand and waits for
// the frame that tick made; the wait's limit only keeps a broken run from hanging.
#pragma once

#include "app/core/Listeners.h"
#include "app/engine/Director.h"
#include "app/engine/VideoMixer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <vector>

class ProgramFrameReader : public IVideoListener {
public:
    ProgramFrameReader(CDirector& director, int width, int height)
        : m_director(director), m_width(width), m_height(height)
    {
        m_director.AddVideoListener(this);
    }
    ~ProgramFrameReader() { m_director.RemoveVideoListener(this); }

    void OnVideoFrame(int, const AM_SAMPLE2_PROPERTIES* frame) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (frame && frame->pbBuffer && frame->lActual >= m_width * m_height * 4)
            m_pixels.assign(frame->pbBuffer, frame->pbBuffer + m_width * m_height * 4);
        ++m_count;
        m_changed.notify_all();
    }

    // One tick of the mixing clock; true when the frame it made has been read back.
    bool Tick()
    {
        size_t before;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            before = m_count;
        }
        m_director.GetVideoMixer()->OnClockTick();
        std::unique_lock<std::mutex> guard(m_lock);
        return m_changed.wait_for(guard, std::chrono::seconds(20), [&] { return m_count > before; }) &&
               !m_pixels.empty();
    }

    // The pixel (x, y) of the last frame as 0xRRGGBB.
    DWORD At(int x, int y)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_pixels.empty() || x < 0 || y < 0 || x >= m_width || y >= m_height)
            return 0xDEADBEEF;
        const BYTE* p = &m_pixels[(static_cast<size_t>(y) * m_width + x) * 4];
        return (DWORD(p[2]) << 16) | (DWORD(p[1]) << 8) | p[0];
    }

    static ::testing::AssertionResult Near(DWORD actual, DWORD expected, int tolerance = 12)
    {
        for (int shift = 0; shift < 24; shift += 8) {
            const int a = (actual >> shift) & 0xFF, e = (expected >> shift) & 0xFF;
            if (std::abs(a - e) > tolerance)
                return ::testing::AssertionFailure()
                       << std::hex << "colour 0x" << actual << " is not near 0x" << expected;
        }
        return ::testing::AssertionSuccess();
    }

private:
    CDirector& m_director;
    const int m_width, m_height;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<BYTE> m_pixels;
    size_t m_count = 0;
};
