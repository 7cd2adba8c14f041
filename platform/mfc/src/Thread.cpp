#include "afx.h"

#include <process.h>

IMPLEMENT_DYNAMIC(CWinThread, CObject)

namespace {

// The thread object of the calling worker thread, for AfxEndThread.
thread_local CWinThread* t_currentThread = nullptr;

struct ThreadEnd {
    UINT code;
    BOOL deleteThread;
};

} // namespace

CWinThread::CWinThread() {}

CWinThread::CWinThread(AFX_THREADPROC proc, LPVOID param) : m_pfnThreadProc(proc), m_pThreadParams(param) {}

CWinThread::~CWinThread()
{
    if (m_hThread)
        ::CloseHandle(m_hThread);
}

void CWinThread::Delete()
{
    if (m_bAutoDelete)
        delete this;
}

BOOL CWinThread::CreateThread(DWORD createFlags, UINT stackSize, LPSECURITY_ATTRIBUTES security)
{
    unsigned id = 0;
    // Started suspended so that m_hThread and m_nThreadID are set before the thread can end
    // and delete its object.
    uintptr_t h = _beginthreadex(security, stackSize, &CWinThread::ThreadEntry, this,
                                 createFlags | CREATE_SUSPENDED, &id);
    if (!h)
        return FALSE;
    m_hThread = reinterpret_cast<HANDLE>(h);
    m_nThreadID = id;
    if (!(createFlags & CREATE_SUSPENDED))
        ::ResumeThread(m_hThread);
    return TRUE;
}

unsigned __stdcall CWinThread::ThreadEntry(void* self)
{
    CWinThread* thread = static_cast<CWinThread*>(self);
    t_currentThread = thread;
    UINT code = 0;
    BOOL deleteThread = TRUE;
    try {
        if (thread->m_pfnThreadProc)
            code = thread->m_pfnThreadProc(thread->m_pThreadParams);
        else if (thread->InitInstance())
            code = static_cast<UINT>(thread->Run());
        else
            code = static_cast<UINT>(thread->ExitInstance());
    } catch (ThreadEnd& end) {
        code = end.code;
        deleteThread = end.deleteThread;
    }
    t_currentThread = nullptr;
    if (deleteThread)
        thread->Delete();
    return code;
}

CWinThread* AFXAPI AfxBeginThread(AFX_THREADPROC proc, LPVOID param, int priority, UINT stackSize,
                                  DWORD createFlags, LPSECURITY_ATTRIBUTES security)
{
    CWinThread* thread = new CWinThread(proc, param);
    if (!thread->CreateThread(createFlags | CREATE_SUSPENDED, stackSize, security)) {
        thread->Delete();
        return nullptr;
    }
    thread->SetThreadPriority(priority);
    if (!(createFlags & CREATE_SUSPENDED))
        thread->ResumeThread();
    return thread;
}

void AFXAPI AfxEndThread(UINT exitCode, BOOL deleteThread)
{
    if (t_currentThread)
        throw ThreadEnd{exitCode, deleteThread}; // unwinds the worker's stack to ThreadEntry
    _endthreadex(exitCode);
    ::ExitThread(exitCode);
}
