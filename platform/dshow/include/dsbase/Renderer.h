// The base renderer: one input pin, samples held while paused (the pause completes on
// the first sample), scheduled on the graph clock while running, EC_COMPLETE after the
// last sample once the stream ends.
#pragma once

#include "dsbase/Pins.h"

#include "dsbase/Seeking.h"

class CBaseRenderer;

class CRendererInputPin : public CBaseInputPin {
public:
    CRendererInputPin(CBaseRenderer* pRenderer, HRESULT* phr, LPCWSTR Name);

    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* pMediaSample) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;

    HRESULT CheckMediaType(const CMediaType* pmt) override;
    HRESULT SetMediaType(const CMediaType* pmt) override;
    HRESULT BreakConnect() override;
    HRESULT CompleteConnect(IPin* pReceivePin) override;
    HRESULT Active() override;
    HRESULT Inactive() override;

    IMemAllocator* Allocator() const { return m_pAllocator; }

protected:
    CBaseRenderer* m_pRenderer;
};

class CBaseRenderer : public CBaseFilter, public IAMFilterMiscFlags {
public:
    CBaseRenderer(REFCLSID RenderClass, LPCTSTR pName, LPUNKNOWN pUnk, HRESULT* phr);
    ~CBaseRenderer() override;

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    // IMediaFilter
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME StartTime) override;
    // VFW_S_STATE_INTERMEDIATE while a pause waits for its first sample.
    HRESULT STDMETHODCALLTYPE GetState(DWORD dwMSecs, FILTER_STATE* State) override;

    // IAMFilterMiscFlags: the graph counts this filter's EC_COMPLETE.
    ULONG STDMETHODCALLTYPE GetMiscFlags() override { return AM_FILTER_MISC_FLAGS_IS_RENDERER; }

    int GetPinCount() override;
    CBasePin* GetPin(int n) override;

    // What the derived renderer provides.
    virtual HRESULT CheckMediaType(const CMediaType* pmt) = 0;
    virtual HRESULT DoRenderSample(IMediaSample* pMediaSample) = 0;
    virtual HRESULT SetMediaType(const CMediaType*) { return S_OK; }
    virtual HRESULT OnStartStreaming() { return S_OK; }
    virtual HRESULT OnStopStreaming() { return S_OK; }
    virtual void OnReceiveFirstSample(IMediaSample*) {}
    virtual void OnRenderStart(IMediaSample*) {}
    virtual void OnRenderEnd(IMediaSample*) {}
    virtual HRESULT BreakConnect();
    virtual HRESULT CompleteConnect(IPin* pReceivePin);
    virtual HRESULT Active() { return S_OK; }
    virtual HRESULT Inactive() { return S_OK; }

    // Scheduling: S_OK renders now, S_FALSE waits for the start time on the clock, an
    // error drops the sample. The default renders at once without a clock or time stamps.
    virtual HRESULT GetSampleTimes(IMediaSample* pMediaSample, REFERENCE_TIME* pStartTime,
                                   REFERENCE_TIME* pEndTime);
    // S_OK draw now, S_FALSE drop, an error (the default E_NOTIMPL) schedules normally.
    virtual HRESULT ShouldDrawSampleNow(IMediaSample* pMediaSample, REFERENCE_TIME* ptrStart,
                                        REFERENCE_TIME* ptrEnd);

    // Stream events from the pin.
    virtual HRESULT Receive(IMediaSample* pMediaSample);
    virtual HRESULT EndOfStream();
    virtual HRESULT BeginFlush();
    virtual HRESULT EndFlush();

    BOOL IsEndOfStream() const { return m_bEOS; }
    BOOL IsStreaming() const { return m_bStreaming; }
    BOOL HaveCurrentSample();
    // The sample held for rendering, with a reference, or null.
    IMediaSample* GetCurrentSample();
    CRendererInputPin* InputPin() { return m_pInputPin; }

protected:
    friend class CRendererInputPin;

    HRESULT PrepareReceive(IMediaSample* pMediaSample);
    HRESULT WaitForRenderTime();
    HRESULT Render(IMediaSample* pMediaSample);
    // Schedules the held sample; FALSE when it is to be dropped.
    BOOL ScheduleSample(IMediaSample* pMediaSample);
    void CancelNotification();
    void ClearPendingSample();
    HRESULT StartStreaming();
    HRESULT StopStreaming();
    // Completes a pause when the renderer can: no connection, end of stream or a held sample.
    HRESULT CompleteStateChange();
    HRESULT SendEndOfStream();
    HRESULT NotifyEndOfStream();
    void ResetEndOfStream();
    void Ready() { m_evComplete.Set(); }
    void NotReady() { m_evComplete.Reset(); }
    // FALSE makes a Receive that waits (for its time, or for Run while paused) return.
    void SourceThreadCanWait(BOOL bCanWait);
    HRESULT GetMediaPositionInterface(REFIID riid, void** ppv);

    CCritSec m_InterfaceLock;  // the filter's state lock
    CCritSec m_RendererLock;   // the held sample and the scheduling state
    CRendererInputPin* m_pInputPin = nullptr;
    IUnknown* m_pPosition = nullptr;  // the seeking pass-through, aggregated
    IMediaSample* m_pMediaSample = nullptr;
    CAMEvent m_evComplete;     // manual: the state change is complete
    CAMEvent m_RenderEvent;    // the clock's advise, or "render now"
    CAMEvent m_ThreadSignal;   // manual: set while a waiting Receive must give up
    DWORD_PTR m_dwAdvise = 0;
    REFERENCE_TIME m_SignalTime = 0;
    BOOL m_bEOS = FALSE;
    BOOL m_bEOSDelivered = FALSE;
    BOOL m_bStreaming = FALSE;
    BOOL m_bAbort = FALSE;
    volatile BOOL m_bInReceive = FALSE;
    CLSID m_RenderClass;
};
