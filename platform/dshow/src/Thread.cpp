#include "dsbase/Thread.h"

#include <objbase.h>

CAMThread::CAMThread(HRESULT* phr) : m_EventSend(TRUE, phr), m_EventComplete(FALSE, phr) {}

CAMThread::~CAMThread() { Close(); }

DWORD WINAPI CAMThread::InitialThreadProc(LPVOID pv) {
    HRESULT hrCo = CoInitializeHelper();
    auto* thread = static_cast<CAMThread*>(pv);
    DWORD result = thread->ThreadProc();
    if (SUCCEEDED(hrCo)) CoUninitialize();
    return result;
}

BOOL CAMThread::Create() {
    CAutoLock lock(&m_AccessLock);
    if (ThreadExists()) return FALSE;
    m_EventSend.Reset();
    m_EventComplete.Reset();
    DWORD id = 0;
    m_hThread = CreateThread(nullptr, 0, InitialThreadProc, this, 0, &id);
    return m_hThread != nullptr;
}

DWORD CAMThread::CallWorker(DWORD dwParam) {
    CAutoLock lock(&m_AccessLock);
    if (!ThreadExists()) return static_cast<DWORD>(E_FAIL);
    m_dwParam = dwParam;
    m_EventSend.Set();
    HANDLE waits[2] = {m_EventComplete, m_hThread};
    DWORD which = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    if (which == WAIT_OBJECT_0) return m_dwReturnVal;
    // The worker ended: a request it never took must not be seen by a later worker.
    m_EventSend.Reset();
    return static_cast<DWORD>(E_FAIL);
}

void CAMThread::Close() {
    HANDLE thread = InterlockedExchangePointer(&m_hThread, nullptr);
    if (thread) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
}

DWORD CAMThread::GetRequest() {
    m_EventSend.Wait();
    m_EventSend.Reset();
    return m_dwParam;
}

BOOL CAMThread::CheckRequest(DWORD* pParam) {
    if (!m_EventSend.Check()) return FALSE;
    m_EventSend.Reset();
    if (pParam) *pParam = m_dwParam;
    return TRUE;
}

BOOL CAMThread::WaitForRequest(DWORD dwTimeout) { return m_EventSend.Wait(dwTimeout); }

void CAMThread::Reply(DWORD dw) {
    m_dwReturnVal = dw;
    m_EventComplete.Set();
}

HRESULT CAMThread::CoInitializeHelper() { return CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
