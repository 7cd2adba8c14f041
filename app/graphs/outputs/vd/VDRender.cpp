#include "app/graphs/outputs/vd/VDRender.h"

#include "app/graphs/outputs/vd/VDRenderSupport.h"

const CLSID CLSID_VDRender = {0x6BB2B2B4, 0xBB53, 0x4155, {0xAB, 0xC9, 0x9A, 0xB5, 0x72, 0xDE, 0x45, 0xFC}};

// ---- CVDRenderInput ----------------------------------------------------------------------

CVDRenderInput::CVDRenderInput(CVDRender* filter, CCritSec* lock, HRESULT* phr, LPCWSTR name, bool video)
    : CBaseInputPin(L"CVDRenderInput", filter, lock, phr, name), m_render(filter), m_video(video)
{
}

HRESULT CVDRenderInput::CheckMediaType(const CMediaType* pmt)
{
    if (!pmt)
        return E_POINTER;
    return vd::CheckRenderType(m_video, *pmt);
}

HRESULT CVDRenderInput::GetMediaType(int position, CMediaType* pmt)
{
    if (!pmt)
        return E_POINTER;
    CAutoLock lock(m_pLock);
    if (!IsConnected() || position > 0)
        return VFW_S_NO_MORE_ITEMS;
    return pmt->Set(m_mt);
}

HRESULT CVDRenderInput::Receive(IMediaSample* sample)
{
    if (m_video)
        m_render->SendVideoSample(sample);
    else
        m_render->SendAudioSample(sample);
    return S_OK;
}

HRESULT CVDRenderInput::ReceiveCanBlock()
{
    // Samples are only queued for the server thread; a slow client never blocks here.
    return S_FALSE;
}

HRESULT CVDRenderInput::BeginFlush()
{
    return S_OK;
}

HRESULT CVDRenderInput::EndFlush()
{
    return S_OK;
}

HRESULT CVDRenderInput::GetFormatBlock(std::vector<uint8_t>* reply)
{
    CAutoLock lock(m_pLock);
    return vd::BuildSetupReply(IsConnected() ? &m_mt : nullptr, reply);
}

// ---- CVDRender -----------------------------------------------------------------------------

CVDRender::CVDRender(LPUNKNOWN outer, uint16_t port, HRESULT* phr, vd::IVDServerObserver* observer)
    : CBaseFilter(L"CVDRender", outer, &m_lock, CLSID_VDRender, phr),
      m_port(vd::ListenPortOrDefault(port)), m_server(this, observer)
{
    m_videoPin.reset(new CVDRenderInput(this, &m_lock, phr, L"video", true));
    m_audioPin.reset(new CVDRenderInput(this, &m_lock, phr, L"audio", false));
    const HRESULT hr = StartServer();
    if (phr && FAILED(hr))
        *phr = hr;
}

CVDRender::~CVDRender()
{
    // The server thread asks the pins for their types; it ends before they go.
    StopServer();
}

CBasePin* CVDRender::GetPin(int index)
{
    if (index == 0)
        return m_videoPin.get();
    if (index == 1)
        return m_audioPin.get();
    return nullptr;
}

HRESULT CVDRender::StartServer()
{
    m_serverStatus = m_server.Start(m_port);
    return m_serverStatus;
}

void CVDRender::StopServer()
{
    m_server.Stop();
}

bool CVDRender::BuildSetupReply(bool video, std::vector<uint8_t>* reply)
{
    return SUCCEEDED((video ? m_videoPin : m_audioPin)->GetFormatBlock(reply));
}

void CVDRender::SendVideoSample(IMediaSample* sample)
{
    vd::SendMediaSample(m_server, true, sample);
}

void CVDRender::SendAudioSample(IMediaSample* sample)
{
    vd::SendMediaSample(m_server, false, sample);
}
