// A worker thread driven by single commands: a caller hands one request over and waits
// for the worker's reply; the worker polls for requests between pieces of work.
#pragma once

#include <windows.h>

#include "dsbase/Sync.h"

class CAMThread {
public:
    CAMThread(HRESULT* phr = nullptr);
    virtual ~CAMThread();
    CAMThread(const CAMThread&) = delete;
    CAMThread& operator=(const CAMThread&) = delete;

    // Starts the worker; FALSE when it already runs or cannot start.
    BOOL Create();
    // Hands dwParam to the worker and waits for its reply. A worker that has ended
    // without replying gives (DWORD)E_FAIL instead of a caller waiting for ever.
    DWORD CallWorker(DWORD dwParam);
    // Waits for the worker to end and closes it.
    void Close();
    BOOL ThreadExists() const { return m_hThread != nullptr; }

    // Worker side: wait for, peek at and answer requests.
    DWORD GetRequest();
    BOOL CheckRequest(DWORD* pParam);
    // Waits until a request is waiting (or the timeout ends) without taking it.
    BOOL WaitForRequest(DWORD dwTimeout);
    void Reply(DWORD dw);
    DWORD GetRequestParam() const { return m_dwParam; }
    HANDLE GetRequestHandle() const { return m_EventSend; }

    CCritSec m_AccessLock;  // one caller at a time
    CCritSec m_WorkerLock;

    static HRESULT CoInitializeHelper();

protected:
    virtual DWORD ThreadProc() = 0;

private:
    static DWORD WINAPI InitialThreadProc(LPVOID pv);

    CAMEvent m_EventSend;      // a request is waiting (manual reset, cleared when taken)
    CAMEvent m_EventComplete;  // the worker replied
    DWORD m_dwParam = 0;
    DWORD m_dwReturnVal = 0;
    HANDLE m_hThread = nullptr;
};
