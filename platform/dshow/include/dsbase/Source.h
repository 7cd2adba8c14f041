// Push sources: a filter of output pins, each with its own streaming thread that fills
// and delivers samples from the moment the filter pauses until it stops.
#pragma once

#include <vector>

#include "dsbase/Pins.h"
#include "dsbase/Thread.h"

class CSourceStream;

class CSource : public CBaseFilter {
public:
    CSource(LPCTSTR pName, LPUNKNOWN lpunk, CLSID clsid, HRESULT* phr);
    // Deletes the pins that are still attached.
    ~CSource() override;

    int GetPinCount() override;
    CBasePin* GetPin(int n) override;

    // Called by CSourceStream's constructor and destructor.
    HRESULT AddPin(CSourceStream* pStream);
    HRESULT RemovePin(CSourceStream* pStream);
    int FindPinNumber(IPin* iPin);

    CCritSec* pStateLock() { return &m_cStateLock; }

protected:
    std::vector<CSourceStream*> m_paStreams;
    CCritSec m_cStateLock;
};

class CSourceStream : public CAMThread, public CBaseOutputPin {
public:
    CSourceStream(LPCTSTR pObjectName, HRESULT* phr, CSource* pms, LPCWSTR pName);
    ~CSourceStream() override;

    enum Command { CMD_INIT, CMD_PAUSE, CMD_RUN, CMD_STOP, CMD_EXIT };

    // Starts the worker when the filter pauses from stopped; stops and ends it on stop.
    HRESULT Active() override;
    HRESULT Inactive() override;

    // One preferred type by default (GetMediaType(CMediaType*)); CheckMediaType accepts
    // exactly that type.
    HRESULT CheckMediaType(const CMediaType* pMediaType) override;
    HRESULT GetMediaType(int iPosition, CMediaType* pMediaType) override;
    virtual HRESULT GetMediaType(CMediaType* pMediaType);

    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* Id) override;

protected:
    // Fills one sample: S_OK delivers it, S_FALSE ends the stream, an error ends the
    // stream and aborts the graph.
    virtual HRESULT FillBuffer(IMediaSample* pSample) = 0;
    virtual HRESULT OnThreadCreate() { return S_OK; }
    virtual HRESULT OnThreadDestroy() { return S_OK; }
    virtual HRESULT OnThreadStartPlay() { return S_OK; }
    // Delivers samples until a stop command arrives.
    virtual HRESULT DoBufferProcessingLoop();

    HRESULT Init() { return static_cast<HRESULT>(CallWorker(CMD_INIT)); }
    HRESULT Exit() { return static_cast<HRESULT>(CallWorker(CMD_EXIT)); }
    HRESULT Run() { return static_cast<HRESULT>(CallWorker(CMD_RUN)); }
    HRESULT Pause() { return static_cast<HRESULT>(CallWorker(CMD_PAUSE)); }
    HRESULT Stop() { return static_cast<HRESULT>(CallWorker(CMD_STOP)); }

    Command GetRequest() { return static_cast<Command>(CAMThread::GetRequest()); }
    BOOL CheckRequest(Command* pCom);

    DWORD ThreadProc() override;

    CSource* m_pFilter;
};
