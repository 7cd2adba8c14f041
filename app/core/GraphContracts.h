// What the director needs of the graphs it creates: a channel's input graph, the output
// graphs and the audio preview. The director makes them through factories, so the program
// gives it the real DirectShow graphs and tests give it stand-ins.
#pragma once

#include "app/core/ChannelTransport.h"
#include "app/core/Listeners.h"
#include "app/core/OutputSettings.h"
#include "app/core/SourceDescriptor.h"
#include "app/core/VideoMixerInput.h"

#include <windows.h>
#include <strmif.h>
#include <control.h>

class CGrabHost;

// One input channel's graph (audio and video branches). The video ends in the channel's
// VMR-9, attached to the video mixer as input GetMixerInput(); the audio ends in an audio
// renderer that calls its listeners.
class IChannelGraph {
public:
    virtual ~IChannelGraph() = default;
    virtual HRESULT Create() = 0;
    virtual HRESULT Build() = 0;
    // Stops the graph, detaches it from the mixer and removes its filters.
    virtual HRESULT Destroy() = 0;
    virtual HRESULT Stop() = 0;

    virtual void SetAcceptedAudioType(const AM_MEDIA_TYPE* type) = 0;
    virtual void SetAudioSource(const SourceDescriptor& source) = 0;
    virtual void SetVideoSource(const SourceDescriptor& source) = 0;
    // The channel panel's video window: the mixer shows the channel's picture in it.
    virtual void SetWindow(HWND window) = 0;
    // Graph events reach the window as message `message` with the channel number.
    virtual void SetNotifyWindow(HWND window, UINT message, LPARAM channel) = 0;
    virtual HRESULT SetVideoPosition(int left, int top, int width, int height) = 0;

    // The audio renderer, or null when the graph has none.
    virtual CGrabHost* GetAudioRenderer() = 0;
    // The video mixer input the graph's renderer feeds (channel number - 1).
    virtual int GetMixerInput() const = 0;

    // Transport modes of a DV camcorder source (record, record-freeze).
    virtual HRESULT TransportRecord() = 0;
    virtual HRESULT TransportRecordFreeze() = 0;

    // What the channel panel runs the graph with; null when the graph offers no transport.
    virtual IChannelTransport* GetTransport() { return nullptr; }

    // The operator's dialogs for the channel's capture devices: the input format (the graph is
    // rebuilt with what was chosen) and the devices' own property pages. A graph without
    // devices to show answers E_NOTIMPL.
    virtual HRESULT ShowInputSettings() { return E_NOTIMPL; }
    virtual HRESULT ShowSourceProperties() { return E_NOTIMPL; }
};

class IChannelGraphFactory {
public:
    virtual ~IChannelGraphFactory() = default;
    // A graph feeding `mixer` input `channelIndex` (channel number - 1), not yet created.
    virtual IChannelGraph* CreateChannelGraph(IVideoMixerInput* mixer, int channelIndex) = 0;
};

// The compose source at the start of every output graph: pin 0 "Video", pin 1 "Audio".
class IComposeSource {
public:
    virtual HRESULT SetPinMediaType(int pin, const AM_MEDIA_TYPE* type) = 0;
    virtual void ActivatePins() = 0;
    virtual IVideoListener* GetVideoListener() = 0;
    virtual IGrabListener* GetAudioListener() = 0;

protected:
    ~IComposeSource() = default;
};

// One running output. Create adds the compose source and the sink, Build connects them,
// Destroy removes and deletes both.
class IOutputGraph {
public:
    virtual ~IOutputGraph() = default;
    virtual HRESULT Create() = 0;
    virtual HRESULT Build() = 0;
    virtual HRESULT Destroy() = 0;
    virtual HRESULT Run() = 0;
    virtual HRESULT Stop() = 0;
    virtual HRESULT GetState(LONG timeoutMs, OAFilterState* state) = 0;
    virtual IComposeSource* GetComposeSource() = 0;
    // The IEEE-1394 output's events reach the main window with the graph (this interface) as
    // lParam, so the handler can drain them.
    virtual void SetNotifyWindow(HWND window, UINT message, LPARAM param) = 0;
    // Windows Media and AVI take their settings after Create; the others ignore these.
    virtual void SetEncodeSettings(const CEncodeSettings& settings) { (void)settings; }
    virtual void SetAviSettings(const AviOutputSettings& settings) { (void)settings; }
};

// The settings an output graph is given before its Create, by type.
struct OutputGraphSettings {
    DvOutputSettings dv;             // 3, IEEE-1394
    WORD listenPort = 8601;          // 5, virtual device
    CardOutputSettings card;         // 6, overlay card
    DecklinkOutputSettings decklink; // 7, Decklink
    int fieldType = 0;               // 6: the program's field order, which decides when a card frame is done
};

// The audio preview on a sound card: a source whose pin 0 receives program audio.
class IAudioPreviewGraph {
public:
    virtual ~IAudioPreviewGraph() = default;
    virtual HRESULT Create() = 0;
    virtual HRESULT Build() = 0;
    virtual HRESULT Destroy() = 0;
    virtual HRESULT Run() = 0;
    virtual HRESULT Stop() = 0;
    // Pin 0 of the source: null when there is no source or no pin.
    virtual HRESULT SetPinMediaType(const AM_MEDIA_TYPE* type) = 0;
    virtual IGrabListener* GetPinListener() = 0;
    // The renderer's volume in hundredths of a dB (IBasicAudio); E_NOTIMPL without one.
    virtual HRESULT GetVolume(long* volume)
    {
        (void)volume;
        return E_NOTIMPL;
    }
    virtual HRESULT SetVolume(long volume)
    {
        (void)volume;
        return E_NOTIMPL;
    }
};

class IOutputGraphFactory {
public:
    virtual ~IOutputGraphFactory() = default;
    // A graph object for the output type with its before-Create settings; null for a type
    // that has no graph.
    virtual IOutputGraph* CreateOutputGraph(int type, const OutputGraphSettings& settings) = 0;
    // Null when the preview cannot be made.
    virtual IAudioPreviewGraph* CreateAudioPreviewGraph(const char* deviceName) = 0;
};
