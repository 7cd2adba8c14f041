// Test helpers for the channel panel: a channel graph whose transport is a script the test sets
// and reads, a factory that hands the director such graphs, and a main window that records what
// the panel sends it and loads channels through a real director.
#pragma once

#include "app/core/ChannelTransport.h"
#include "app/core/DeskMessages.h"
#include "app/core/GraphContracts.h"
#include "app/engine/Channel.h"
#include "app/engine/Director.h"
#include "app/ui/DVPlayWnd.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace panel_test {

const LONGLONG kSecond = 10000000;

struct GraphEvent {
    long code;
    LONG_PTR param1;
    LONG_PTR param2;
};

// What one channel's graph does and did.
struct TransportScript {
    bool buildFails = false;
    DWORD capabilities = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanGetDuration;
    LONGLONG position = 0;
    LONGLONG duration = 60 * kSecond;
    OAFilterState state = State_Stopped;
    HRESULT runResult = S_OK;
    HRESULT pauseResult = S_OK;
    HRESULT stopResult = S_OK;
    bool refuseRate = false;
    double rate = 1.0;
    InputFormatOptions options;
    std::deque<GraphEvent> events;
    std::vector<GraphEvent> freed;
    std::vector<std::string> calls;
    std::vector<LONGLONG> seeks;
    int steps = 0;
    int liveGraphs = 0;

    void Reset() { *this = TransportScript(); }
};

class StandInChannelGraph : public IChannelGraph, public IChannelTransport {
public:
    explicit StandInChannelGraph(TransportScript& s) : m_s(s) { ++m_s.liveGraphs; }
    ~StandInChannelGraph() override { --m_s.liveGraphs; }

    HRESULT Create() override { return S_OK; }
    HRESULT Build() override { return m_s.buildFails ? VFW_E_NOT_FOUND : S_OK; }
    HRESULT Destroy() override { return S_OK; }
    HRESULT Stop() override
    {
        m_s.calls.push_back("stop");
        if (SUCCEEDED(m_s.stopResult))
            m_s.state = State_Stopped;
        return m_s.stopResult;
    }
    void SetAcceptedAudioType(const AM_MEDIA_TYPE*) override {}
    void SetAudioSource(const SourceDescriptor&) override {}
    void SetVideoSource(const SourceDescriptor&) override {}
    void SetWindow(HWND) override {}
    void SetNotifyWindow(HWND, UINT, LPARAM) override {}
    HRESULT SetVideoPosition(int, int, int, int) override { return S_OK; }
    CGrabHost* GetAudioRenderer() override { return nullptr; }
    int GetMixerInput() const override { return 0; }
    HRESULT TransportRecord() override { return E_NOTIMPL; }
    HRESULT TransportRecordFreeze() override { return E_NOTIMPL; }
    IChannelTransport* GetTransport() override { return this; }

    HRESULT Run() override
    {
        m_s.calls.push_back("run");
        if (SUCCEEDED(m_s.runResult))
            m_s.state = State_Running;
        return m_s.runResult;
    }
    HRESULT Pause() override
    {
        m_s.calls.push_back("pause");
        if (SUCCEEDED(m_s.pauseResult))
            m_s.state = State_Paused;
        return m_s.pauseResult;
    }
    HRESULT GetState(LONG, OAFilterState* state) override
    {
        *state = m_s.state;
        return S_OK;
    }
    HRESULT GetCurrentPosition(LONGLONG* position) override
    {
        *position = m_s.position;
        return S_OK;
    }
    // As the graph wrapper: refused without absolute seeking.
    HRESULT SetCurrentPosition(LONGLONG position) override
    {
        if (!(m_s.capabilities & AM_SEEKING_CanSeekAbsolute))
            return E_FAIL;
        m_s.seeks.push_back(position);
        m_s.position = position;
        return S_OK;
    }
    HRESULT GetDuration(LONGLONG* duration) override
    {
        *duration = m_s.duration;
        return S_OK;
    }
    HRESULT GetCapabilities(DWORD* capabilities) override
    {
        *capabilities = m_s.capabilities;
        return S_OK;
    }
    HRESULT SetRate(double rate) override
    {
        if (m_s.refuseRate)
            return E_INVALIDARG;
        m_s.rate = rate;
        return S_OK;
    }
    HRESULT GetRate(double* rate) override
    {
        *rate = m_s.rate;
        return S_OK;
    }
    HRESULT StepFrames(DWORD frames) override
    {
        m_s.steps += static_cast<int>(frames);
        return S_OK;
    }
    HRESULT GetEvent(long* code, LONG_PTR* param1, LONG_PTR* param2, long) override
    {
        if (m_s.events.empty())
            return E_ABORT;
        const GraphEvent e = m_s.events.front();
        m_s.events.pop_front();
        *code = e.code;
        *param1 = e.param1;
        *param2 = e.param2;
        return S_OK;
    }
    HRESULT FreeEventParams(long code, LONG_PTR param1, LONG_PTR param2) override
    {
        m_s.freed.push_back({ code, param1, param2 });
        return S_OK;
    }
    InputFormatOptions GetInputOptions() const override { return m_s.options; }
    void ApplyInputOptions(const InputFormatOptions& options) override
    {
        m_s.calls.push_back("options");
        m_s.options = options;
    }

private:
    TransportScript& m_s;
};

class StandInChannelFactory : public IChannelGraphFactory {
public:
    TransportScript scripts[CDirector::kChannelCount];
    IChannelGraph* CreateChannelGraph(IVideoMixerInput*, int channelIndex) override
    {
        return new StandInChannelGraph(scripts[channelIndex]);
    }
};

struct SentMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// The main window as the panel sees it: a visible top-level window that loads channels through
// the director, answers WM_PANEL_SELECT with `selectAnswer` and writes down every desk message.
class DeskStandIn : public CWnd {
public:
    DeskStandIn(CDirector& director, int width, int height) : m_director(director)
    {
        CreateEx(0, nullptr, L"desk", WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr, nullptr);
    }
    ~DeskStandIn() override { DestroyWindow(); }

    std::vector<SentMessage> sent;
    std::vector<CString> loadedNames; // video names of the load requests
    LRESULT selectAnswer = 1;
    // Runs after a message was written down (a test's main window reacting to it).
    std::function<void(const SentMessage&)> onMessage;

    std::vector<UINT> Messages() const
    {
        std::vector<UINT> m;
        for (const SentMessage& s : sent)
            m.push_back(s.message);
        return m;
    }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        switch (message) {
        case WM_PANEL_LOAD_SOURCES:
        case WM_PANEL_MEDIA_ENDED:
        case WM_PANEL_DEVICE_LOST:
        case WM_PANEL_DEVICE_BACK:
        case WM_PANEL_STARTED:
        case WM_PANEL_MORE_CONTROLS:
        case WM_PANEL_SELECT:
        case WM_PANEL_TAKE: {
            const SentMessage m = { message, wParam, lParam };
            sent.push_back(m);
            LRESULT answer = 1;
            if (message == WM_PANEL_LOAD_SOURCES)
                answer = Load(wParam, lParam);
            else if (message == WM_PANEL_SELECT)
                answer = selectAnswer;
            if (onMessage)
                onMessage(m);
            return answer;
        }
        default:
            return CWnd::WindowProc(message, wParam, lParam);
        }
    }

private:
    LRESULT Load(WPARAM wParam, LPARAM lParam)
    {
        const SourceDescriptor* pair = reinterpret_cast<const SourceDescriptor*>(wParam);
        CDVPlayWnd* panel = reinterpret_cast<CDVPlayWnd*>(lParam);
        loadedNames.push_back(pair[1].name);
        if (panel->GetChannel() != nullptr)
            return SUCCEEDED(m_director.ReloadChannel(panel->GetChannel(), pair[0], pair[1])) ? 1 : 0;
        const HRESULT hr = m_director.LoadChannel(panel->GetVideoOwner(), m_hWnd, panel->GetChannelNumber(), panel->GetChannelSlot(),
                                                  pair[0], pair[1]);
        return SUCCEEDED(hr) ? 1 : 0;
    }

    CDirector& m_director;
};

} // namespace panel_test
