// CVDRender: the renderer at the end of the virtual-device output graph. Its two input
// pins, "video" and "audio", hand every sample to the TCP frame server, which sends it to
// each virtual capture device that asked for that medium and is running.
#pragma once

#include <winsock2.h>
#include <streams.h>

#include "app/graphs/outputs/vd/VDFrameServer.h"
#include "app/core/VDWireFormat.h"

#include <memory>
#include <vector>

// {6BB2B2B4-BB53-4155-ABC9-9AB572DE45FC}
extern const CLSID CLSID_VDRender;

class CVDRender;

class CVDRenderInput : public CBaseInputPin {
public:
    CVDRenderInput(CVDRender* filter, CCritSec* lock, HRESULT* phr, LPCWSTR name, bool video);

    // A video type must be RGB24; any other type is taken.
    HRESULT CheckMediaType(const CMediaType* pmt) override;
    // Position 0 (or less) gives the connection type while connected.
    HRESULT GetMediaType(int position, CMediaType* pmt) override;

    // Every sample goes to the server, whatever the state: the server's clients decide
    // whether they want it. Never blocks on a client.
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;

    // The set-up reply of the pin's connection type; VFW_E_NOT_CONNECTED without one.
    HRESULT GetFormatBlock(std::vector<uint8_t>* reply);
    bool IsVideo() const { return m_video; }

private:
    CVDRender* m_render;
    bool m_video;
};

class CVDRender : public CBaseFilter, private vd::IVDSetupSource {
public:
    // Starts the frame server on the port (0: the default port). A server that cannot
    // start (the port is taken) leaves a renderer without clients; phr says so. The
    // observer, when given, follows the server's clients (status displays, tests).
    CVDRender(LPUNKNOWN outer, uint16_t port, HRESULT* phr, vd::IVDServerObserver* observer = nullptr);
    ~CVDRender() override;

    int GetPinCount() override { return 2; }
    CBasePin* GetPin(int index) override;
    CVDRenderInput* Input(int index) { return static_cast<CVDRenderInput*>(GetPin(index)); }

    HRESULT StartServer();
    void StopServer();
    HRESULT ServerStatus() const { return m_serverStatus; }
    uint16_t ServerPort() const { return m_server.Port(); }

    // Called by the pins on the output graph's streaming thread.
    void SendVideoSample(IMediaSample* sample);
    void SendAudioSample(IMediaSample* sample);

private:
    bool BuildSetupReply(bool video, std::vector<uint8_t>* reply) override;

    CCritSec m_lock;   // the filter's and both pins'
    uint16_t m_port;
    HRESULT m_serverStatus = E_FAIL;
    std::unique_ptr<CVDRenderInput> m_videoPin;
    std::unique_ptr<CVDRenderInput> m_audioPin;
    vd::VDFrameServer m_server;
};
