// The program read back on the desk's tests: the program's own graphs with one output replaced
// by a stand-in that keeps the pin formats the engine gives it and the frames the director
// hands it, instead of encoding or sending them.
#pragma once

#include "app/core/GraphContracts.h"
#include "app/graphs/ProgramGraphs.h"

#include <streams.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace desk_test {

// What the stand-in output received: its two pin formats, the size of every program frame, and
// the last frame's pixels and start time. Written on the engine's threads, read by the test.
class ProgramFrames {
public:
    void SetPinType(int pin, const AM_MEDIA_TYPE* type)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        (pin == 0 ? m_video : m_audio) = *type;
    }
    void AddFrame(const AM_SAMPLE2_PROPERTIES* frame)
    {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            const DWORD* pixels = reinterpret_cast<const DWORD*>(frame->pbBuffer);
            if (pixels && frame->lActual > 0)
                m_last.assign(pixels, pixels + frame->lActual / 4);
            m_lastStart = frame->tStart;
            m_frameBytes.push_back(frame->lActual);
        }
        m_changed.notify_all();
    }

    // Waits for the frame thread to hand over a frame stamped at `start` or later and gives its
    // pixels. The limit only keeps a broken run from hanging; nothing is timed by it.
    bool WaitForFrameFrom(LONGLONG start, std::vector<DWORD>& pixels)
    {
        std::unique_lock<std::mutex> guard(m_lock);
        if (!m_changed.wait_for(guard, kLimit, [&] { return m_lastStart >= start; }))
            return false;
        pixels = m_last;
        return true;
    }
    // Waits until `count` frames have arrived in all (same limit as above).
    bool WaitForFrames(size_t count)
    {
        std::unique_lock<std::mutex> guard(m_lock);
        return m_changed.wait_for(guard, kLimit, [&] { return m_frameBytes.size() >= count; });
    }

    std::vector<long> FrameBytes()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_frameBytes;
    }
    CMediaType VideoType()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_video;
    }
    CMediaType AudioType()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_audio;
    }

private:
    static constexpr std::chrono::seconds kLimit{30};

    std::mutex m_lock;
    std::condition_variable m_changed;
    CMediaType m_video, m_audio;
    std::vector<long> m_frameBytes;
    std::vector<DWORD> m_last;
    LONGLONG m_lastStart = -1;
};

// An output that is only the test's compose source: it runs, and what reaches it goes to the
// ProgramFrames, which outlive it (the engine deletes its outputs).
class ReadBackOutput : public IOutputGraph, public IComposeSource, public IVideoListener, public IGrabListener {
public:
    explicit ReadBackOutput(ProgramFrames& frames) : m_frames(frames) {}
    HRESULT Create() override { return S_OK; }
    HRESULT Build() override { return S_OK; }
    HRESULT Destroy() override { return S_OK; }
    HRESULT Run() override { return S_OK; }
    HRESULT Stop() override { return S_OK; }
    HRESULT GetState(LONG, OAFilterState* state) override
    {
        *state = State_Running;
        return S_OK;
    }
    IComposeSource* GetComposeSource() override { return this; }
    void SetNotifyWindow(HWND, UINT, LPARAM) override {}

    HRESULT SetPinMediaType(int pin, const AM_MEDIA_TYPE* type) override
    {
        m_frames.SetPinType(pin, type);
        return S_OK;
    }
    void ActivatePins() override {}
    IVideoListener* GetVideoListener() override { return this; }
    IGrabListener* GetAudioListener() override { return this; }
    void OnVideoFrame(int, const AM_SAMPLE2_PROPERTIES* frame) override { m_frames.AddFrame(frame); }
    void OnSample(int, IMediaSample*, int, int) override {}

private:
    ProgramFrames& m_frames;
};

// The program's graphs, with the output of type `replaced` read back.
class ReadBackGraphs : public CProgramGraphFactory {
public:
    explicit ReadBackGraphs(int replaced) : m_replaced(replaced) {}
    IOutputGraph* CreateOutputGraph(int type, const OutputGraphSettings& settings) override
    {
        if (type == m_replaced)
            return new ReadBackOutput(frames);
        return CProgramGraphFactory::CreateOutputGraph(type, settings);
    }
    ProgramFrames frames;

private:
    const int m_replaced;
};

} // namespace desk_test
