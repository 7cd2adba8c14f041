// The switching core the main window embeds: the five input channels, program and preview,
// transitions, the output graphs by type, channel audio into the audio mixer and the mixed
// audio to its listeners, and the frame distribution thread that reads every mixed program
// frame back from the card and hands it to the video listeners.
#pragma once

#include "app/captions/LISScene.h"
#include "app/core/GraphContracts.h"
#include "app/core/Listeners.h"
#include "app/core/MmTimer.h"
#include "app/core/OutputSettings.h"
#include "app/core/OutputType.h"
#include "app/core/SourceDescriptor.h"
#include "app/engine/OutputGraphSet.h"
#include "app/engine/ProgramFrameThread.h"
#include "app/engine/VolumeConsole.h"

#include <streams.h>
#include <mmreg.h>

#include <list>
#include <map>
#include <set>
#include <vector>

class CAudioMixer;
class CChannel;
class IProgramFrameSource;
class CVideoMixer;
class CWnd;

const UINT WM_CHANNEL_GRAPH_EVENT = 0x512;
const UINT WM_DV_OUTPUT_EVENT = 0x513;

class CDirector : public IGrabListener, public IVideoMixerListener {
public:
    static const int kChannelCount = 5;
    static const int kMixedAudioId = 254;

    CDirector();
    virtual ~CDirector();
    CDirector(const CDirector&) = delete;
    CDirector& operator=(const CDirector&) = delete;

    // The graphs the director makes; set before Init (the program gives the real ones).
    void SetChannelGraphFactory(IChannelGraphFactory* factory) { m_channelFactory = factory; }
    void SetOutputGraphFactory(IOutputGraphFactory* factory) { m_outputFactory = factory; }
    // The timer functions the audio mixer runs on, applied when Init starts it.
    void SetAudioTimerApi(const MmTimerApi& api)
    {
        m_audioTimer = api;
        m_audioTimerSet = true;
    }

    void SetAudioFormat(const WAVEFORMATEX* format);
    HRESULT Init(HWND renderWindow, HWND notifyWindow, int width, int height, float frameRate, double pixelAspect,
                 int fieldType);
    // VFW_E_WRONG_STATE while an output is being started (from a message handled then).
    HRESULT Shutdown();

    CChannel* GetChannel(int number) const;
    HRESULT LoadChannel(CWnd* owner, HWND notifyWindow, int number, CChannel** channel, const SourceDescriptor& audio,
                        const SourceDescriptor& video);
    HRESULT ReloadChannel(CChannel* channel, const SourceDescriptor& audio, const SourceDescriptor& video);

    HRESULT SetProgram(int number);
    HRESULT SetPreview(int number);
    int GetProgramChannel() const { return m_program; }
    int GetPreviewChannel() const { return m_preview; }

    HRESULT StartTransition(int effectId, int timed, int durationMs);
    HRESULT SetTransitionPosition(int position);
    HRESULT EndTransition(bool swap);

    HRESULT StartOutput(int type);
    HRESULT StopOutput(int type);
    int IsOutputRunning(int type);
    bool AreOutputsRunning() const { return m_outputs.AnyRunning(); }

    HRESULT StartAudioPreview(const char* deviceName);
    HRESULT StopAudioPreview();
    // The running audio preview, or null.
    IAudioPreviewGraph* GetAudioPreview() const { return m_audioPreview; }
    // The running graph of an output type, or null: a message that carries a graph pointer is
    // checked against it, since the graph may have been stopped since the message was posted.
    IOutputGraph* GetOutputGraph(int type);

    bool ShowCaptionPreview(HWND window);
    void HideCaptionPreview();

    // The audio mixing console: made on first use, bound to the audio mixer, its window made
    // when it has none and shown; nothing without an audio mixer. Shutdown closes it before
    // the mixer goes.
    void ShowVolumeDialog();
    IVolumeConsole* GetVolumeConsole() const { return m_volumeConsole; }
    // Who makes the console (the settings dialogs register theirs).
    static void SetVolumeConsoleFactory(VolumeConsoleFactory factory);

    CVideoMixer* GetVideoMixer() const { return m_videoMixer; }
    CAudioMixer* GetAudioMixer() const { return m_audioMixer; }
    CLISScene* GetOverlayScene() { return &m_programScene; }
    CLISScene* GetPreviewScene() { return &m_previewScene; }
    const AM_MEDIA_TYPE* GetAudioMediaType() const { return &m_audioType; }

    void SetEncodeSettings(const CEncodeSettings& settings) { m_encode = settings; }
    void SetAviSettings(const AviOutputSettings& settings) { m_avi = settings; }
    void SetDvSettings(const DvOutputSettings& settings) { m_dv = settings; }
    void SetListenPort(WORD port) { m_listenPort = port; }
    void SetDecklinkSettings(const DecklinkOutputSettings& settings) { m_decklink = settings; }
    // The operator's recording option: a DV camcorder preview records during a transition.
    void SetPriRecord(bool on) { m_priRecord = on; }

    // IGrabListener: channel audio (ids 1..5) and the mixed audio (id 254).
    void OnSample(int id, IMediaSample* sample, int timeLow, int timeHigh) override;
    void OnFlush(int id) override;
    // IVideoMixerListener: only wakes the frame thread.
    void OnFrameReady(LONGLONG start, LONGLONG stop) override;

    bool IsFrameThreadRunning() const { return m_frames.IsRunning(); }

protected:
    // Starts the frame distribution thread; a failure leaves no thread and no event.
    virtual HRESULT StartFrameThread();
    // Where the frame thread reads composed frames: the video mixer's engine (null without
    // a mixer). Tests put a failing reader in front of it.
    virtual IProgramFrameSource* FrameSource() const;

private:
    friend class CChannel;
    HRESULT StartOutputGraph(int type);
    bool ValidNumber(int number) const { return number > 0 && number <= static_cast<int>(m_channels.size()); }
    IChannelGraph* GraphOf(int number) const;
    HRESULT OpenChannel(CChannel* channel, const SourceDescriptor& audio, const SourceDescriptor& video);
    // A channel being deleted leaves its slot (and program or preview).
    void ForgetChannel(CChannel* channel);
    void DeleteChannels();

    void AddAudioListener(IGrabListener* listener);
    void RemoveAudioListener(IGrabListener* listener);
    void AddVideoListener(IVideoListener* listener);
    void RemoveVideoListener(IVideoListener* listener);
    void DestroyOutputGraph(IOutputGraph* graph);

    void StopFrameThread();

    void ResetAudioType(const WAVEFORMATEX& format, ULONG sampleSize);

    IChannelGraphFactory* m_channelFactory = nullptr;
    IOutputGraphFactory* m_outputFactory = nullptr;
    MmTimerApi m_audioTimer = {};
    bool m_audioTimerSet = false;
    bool m_initialized = false;

    HWND m_renderWindow = nullptr;
    HWND m_notifyWindow = nullptr;
    std::vector<CChannel*> m_channels;
    int m_program = 0;
    int m_preview = 0;
    int m_width = 320;
    int m_height = 240;
    int m_fieldType = 0;

    // Types between the start of StartOutput and its end are marked as starting. A graph may
    // pump the main thread's messages while it builds (a push connection waits so), and a
    // message handled then must not start the same type again or shut the director down
    // under it.
    COutputGraphSet m_outputs;

    CEncodeSettings m_encode;
    AviOutputSettings m_avi;
    DvOutputSettings m_dv;
    WORD m_listenPort = 8601;
    DecklinkOutputSettings m_decklink;
    bool m_priRecord = false;

    CMediaType m_audioType;
    WAVEFORMATEX m_audioFormat = {};

    CLISScene m_programScene;
    CLISScene m_previewScene;
    CAudioMixer* m_audioMixer = nullptr;
    IVolumeConsole* m_volumeConsole = nullptr;

    std::list<IGrabListener*> m_audioListeners;
    CCritSec m_audioLock;
    IAudioPreviewGraph* m_audioPreview = nullptr;

    CVideoMixer* m_videoMixer = nullptr; // one reference held
    // Reads the program frames back for the outputs' video pins; it reads through
    // FrameSource, so it goes before the mixer does.
    CProgramFrameThread m_frames{[this] { return FrameSource(); }};
};
