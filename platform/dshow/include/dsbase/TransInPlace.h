// An in-place transform: one input and one output pin of the same media type; samples
// are changed in their own buffer and passed on, so both connections share one
// allocator whenever the neighbours allow it, and are copied only when they do not.
#pragma once

#include "dsbase/Pins.h"
#include "dsbase/Seeking.h"

class CTransInPlaceFilter;

class CTransInPlaceInputPin : public CBaseInputPin {
public:
    CTransInPlaceInputPin(LPCTSTR pObjectName, CTransInPlaceFilter* pFilter, HRESULT* phr, LPCWSTR pName);

    // The downstream allocator when the output is connected, so samples need no copy.
    HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** ppAllocator) override;
    HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* pAllocator, BOOL bReadOnly) override;
    HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES* pProps) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* pSample) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) override;

    HRESULT CheckMediaType(const CMediaType* pmt) override;
    HRESULT CompleteConnect(IPin* pReceivePin) override;

    IMemAllocator* PeekAllocator() const { return m_pAllocator; }

protected:
    CTransInPlaceFilter* m_pTIPFilter;
};

class CTransInPlaceOutputPin : public CBaseOutputPin {
public:
    CTransInPlaceOutputPin(LPCTSTR pObjectName, CTransInPlaceFilter* pFilter, HRESULT* phr, LPCWSTR pName);
    ~CTransInPlaceOutputPin() override;

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    // The one type offered is the input's.
    HRESULT GetMediaType(int iPosition, CMediaType* pMediaType) override;
    HRESULT CheckMediaType(const CMediaType* pmt) override;
    // Passes the input's allocator on when downstream takes it, so no copy is made.
    HRESULT DecideAllocator(IMemInputPin* pPin, IMemAllocator** ppAlloc) override;
    HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pProperties) override;
    // Takes over the input's allocator when downstream accepts it after the connection.
    void AdoptAllocator(IMemAllocator* pAllocator, BOOL bReadOnly);

protected:
    CTransInPlaceFilter* m_pTIPFilter;
    IUnknown* m_pPosition = nullptr;  // seeking pass-through to the input's upstream
};

class CTransInPlaceFilter : public CBaseFilter {
public:
    // bModifiesData: Transform writes into the sample (a read-only upstream allocator
    // then forces a copy).
    CTransInPlaceFilter(LPCTSTR pName, LPUNKNOWN pUnk, REFCLSID clsid, HRESULT* phr, bool bModifiesData = true);
    ~CTransInPlaceFilter() override;

    int GetPinCount() override;
    CBasePin* GetPin(int n) override;

    // What the derived filter provides: the types it takes, and the work per sample
    // (S_FALSE drops the sample).
    virtual HRESULT CheckInputType(const CMediaType* mtIn) = 0;
    virtual HRESULT Transform(IMediaSample* pSample) = 0;

    virtual HRESULT Receive(IMediaSample* pSample);
    virtual HRESULT EndOfStream();
    virtual HRESULT BeginFlush();
    virtual HRESULT EndFlush();
    virtual HRESULT NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate);
    virtual HRESULT StartStreaming() { return S_OK; }
    virtual HRESULT StopStreaming() { return S_OK; }

    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;

    CTransInPlaceInputPin* InputPin() const { return m_pInput; }
    CTransInPlaceOutputPin* OutputPin() const { return m_pOutput; }
    bool ModifiesData() const { return m_bModifiesData; }

protected:
    friend class CTransInPlaceInputPin;
    friend class CTransInPlaceOutputPin;

    // A sample of the output allocator holding a copy of the input's data and properties.
    IMediaSample* Copy(IMediaSample* pSource);
    bool UsingDifferentAllocators() const;

    CCritSec m_csFilter;   // state
    CCritSec m_csReceive;  // streaming
    CTransInPlaceInputPin* m_pInput = nullptr;
    CTransInPlaceOutputPin* m_pOutput = nullptr;
    bool m_bModifiesData;
    bool m_bSampleSkipped = false;
};
