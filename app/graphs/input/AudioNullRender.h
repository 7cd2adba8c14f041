// The sink of a channel's audio branch: a renderer that plays nothing, accepts only the
// types it was told to, and hands every sample to its listeners (the director, under the
// channel number).
#pragma once

#include <streams.h>

#include <vector>

#include "app/core/GrabHost.h"

// {801B87E8-7F9E-4C7D-874B-F2C131721FF1}
extern const CLSID CLSID_AudioNullRender;

class CAudioNullRender : public CBaseRenderer, public CGrabHost {
public:
    CAudioNullRender(LPUNKNOWN pUnk, HRESULT* phr);

    // Accepted types in order of addition; duplicates are kept.
    void AddAcceptedType(const CMediaType& mt);
    void ClearAcceptedTypes();
    // Set for a capture device: samples are rendered as they arrive.
    void SetLive(BOOL live) { m_live = live; }

    HRESULT OnStartStreaming() override { return S_OK; }
    HRESULT OnStopStreaming() override { return S_OK; }
    HRESULT GetSampleTimes(IMediaSample* pMediaSample, REFERENCE_TIME* pStartTime, REFERENCE_TIME* pEndTime) override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    // Hands the sample to every listener with the stream time; always S_OK.
    HRESULT DoRenderSample(IMediaSample* pMediaSample) override;
    // Audio must equal an accepted type in full; video needs the major type and subtype.
    HRESULT CheckMediaType(const CMediaType* pmt) override;

    HRESULT GetConnectionMediaType(AM_MEDIA_TYPE* pmt);
    HRESULT GetAllocatorProperties(ALLOCATOR_PROPERTIES* pProps);

private:
    // Calls into every listener; one that throws is skipped for that call only.
    template <class Call>
    void TellListeners(Call call) {
        ForEachListener([&call](int id, IGrabListener* listener) {
            try {
                call(id, listener);
            } catch (...) {
            }
        });
    }

    CCritSec m_acceptLock;
    std::vector<CMediaType> m_accepted;
    volatile BOOL m_live = FALSE;
};
