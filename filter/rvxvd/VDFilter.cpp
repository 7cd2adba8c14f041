#include "filter/rvxvd/VDFilter.h"

#include "filter/rvxvd/VDHostFile.h"
#include "filter/rvxvd/VDRegistration.h"

namespace vd {

CVDBaseFilter::CVDBaseFilter(LPUNKNOWN outer, HRESULT* phr, bool video)
    : CSource(L"CVDBaseFilter", outer, video ? CLSID_RvxVirtualVideoDevice : CLSID_RvxVirtualAudioDevice, phr),
      m_video(video)
{
    CAutoLock lock(pStateLock());
    VdMediaType served;
    VdStreamTiming timing;
    if (SUCCEEDED(m_client.Open(ReadHostFile(), video, &served)) && DeriveTiming(served, video, &timing)) {
        m_type = served;
    } else {
        // No server, or a type that cannot be streamed: the default type, blank samples.
        m_client.Close();
        m_type = video ? DefaultVideoType() : DefaultAudioType();
        DeriveTiming(m_type, video, &timing);
    }
    m_stream = new (std::nothrow) CVDStream(phr, this, &m_client, video, m_type, timing);
    if (!m_stream && phr)
        *phr = E_OUTOFMEMORY;
}

CVDBaseFilter::~CVDBaseFilter()
{
    // The pin's streaming core uses the client, so the pin goes first.
    delete m_stream;
}

HRESULT CVDBaseFilter::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    // Capture programs ask the filter itself for the pin's stream settings and category.
    if ((riid == IID_IAMStreamConfig || riid == IID_IKsPropertySet) && m_stream)
        return m_stream->NonDelegatingQueryInterface(riid, ppv);
    return CSource::NonDelegatingQueryInterface(riid, ppv);
}

}  // namespace vd
