// Output and input pins that move samples through IMemInputPin, with the allocator
// negotiated at connection time.
#pragma once

#include "dsbase/Allocator.h"
#include "dsbase/Filter.h"

class CBaseOutputPin : public CBasePin {
public:
    CBaseOutputPin(LPCTSTR pObjectName, CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr, LPCWSTR pName);
    ~CBaseOutputPin() override;

    // Output pins receive no stream control from downstream.
    HRESULT STDMETHODCALLTYPE EndOfStream() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE BeginFlush() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE EndFlush() override { return E_UNEXPECTED; }

    HRESULT CheckConnect(IPin* pPin) override;
    HRESULT CompleteConnect(IPin* pReceivePin) override;
    HRESULT BreakConnect() override;
    // Commits the allocator when the filter leaves the stopped state, decommits it on stop
    // (which turns away a thread waiting in GetDeliveryBuffer).
    HRESULT Active() override;
    HRESULT Inactive() override;

    // Allocator negotiation: the downstream pin's allocator when it accepts our buffer
    // sizes, else one of our own.
    virtual HRESULT DecideAllocator(IMemInputPin* pPin, IMemAllocator** ppAlloc);
    virtual HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* ppropInputRequest) = 0;
    virtual HRESULT InitAllocator(IMemAllocator** ppAlloc);

    virtual HRESULT GetDeliveryBuffer(IMediaSample** ppSample, REFERENCE_TIME* pStartTime,
                                      REFERENCE_TIME* pEndTime, DWORD dwFlags);
    virtual HRESULT Deliver(IMediaSample* pSample);
    virtual HRESULT DeliverEndOfStream();
    virtual HRESULT DeliverBeginFlush();
    virtual HRESULT DeliverEndFlush();
    virtual HRESULT DeliverNewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate);

    IMemAllocator* Allocator() const { return m_pAllocator; }
    IMemInputPin* InputPin() const { return m_pInputPin; }

protected:
    IMemAllocator* m_pAllocator = nullptr;  // referenced
    IMemInputPin* m_pInputPin = nullptr;    // referenced
};

class CBaseInputPin : public CBasePin, public IMemInputPin {
public:
    CBaseInputPin(LPCTSTR pObjectName, CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr, LPCWSTR pName);
    ~CBaseInputPin() override;

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    // IMemInputPin
    HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** ppAllocator) override;
    HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* pAllocator, BOOL bReadOnly) override;
    HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES* pProps) override;
    // Checks the stream may flow and takes the sample's properties, refusing a type
    // change the pin does not accept. Derived pins call it first.
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* pSample) override;
    HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample** pSamples, long nSamples, long* nSamplesProcessed) override;
    HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override;

    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;

    HRESULT BreakConnect() override;
    HRESULT Inactive() override;

    // S_OK while samples may flow, S_FALSE while flushing, an error when stopped or after
    // a run-time error.
    virtual HRESULT CheckStreaming();

    BOOL IsReadOnly() const { return m_bReadOnly; }
    BOOL IsFlushing() const { return m_bFlushing; }
    IMemAllocator* Allocator() const { return m_pAllocator; }
    // The properties of the sample being received.
    const AM_SAMPLE2_PROPERTIES* SampleProps() const { return &m_SampleProps; }

protected:
    IMemAllocator* m_pAllocator = nullptr;  // referenced
    BOOL m_bReadOnly = FALSE;
    volatile BOOL m_bFlushing = FALSE;
    AM_SAMPLE2_PROPERTIES m_SampleProps = {};
};
