// The window classes first: the DirectShow headers bring windowsx.h macros they would clash with.
#include <afxwin.h>

#include "app/engine/Channel.h"

#include "app/engine/Director.h"
#include "app/core/GraphContracts.h"
#include "app/foundation/HandleOwner.h"
#include "app/foundation/LogWriter.h"

#include <objbase.h>

namespace {

volatile LONG g_stopLimitMs = 5000;
volatile LONG g_leftGraphs = 0;

DWORD WINAPI StopGraphProc(void* graph)
{
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    static_cast<IChannelGraph*>(graph)->Stop();
    if (SUCCEEDED(com))
        CoUninitialize();
    return 0;
}

// Runs the graph's Stop on a thread of its own and waits up to `limitMs` for it. Messages
// other threads send to this one are delivered meanwhile, so a filter that sends to a window
// of this thread while it stops is not taken for a stuck one.
bool StopWithin(IChannelGraph* graph, DWORD limitMs)
{
    CHandleOwner thread(CreateThread(nullptr, 0, &StopGraphProc, graph, 0, nullptr));
    if (!thread) {
        // No thread to bound it with: stop it here, as a graph always was.
        graph->Stop();
        return true;
    }
    const ULONGLONG deadline = GetTickCount64() + limitMs;
    bool stopped = false;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        const DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        HANDLE waitFor = thread.Get();
        const DWORD r = MsgWaitForMultipleObjects(1, &waitFor, FALSE, left, QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0) {
            stopped = true;
            break;
        }
        if (r != WAIT_OBJECT_0 + 1)
            break;
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    return stopped;
}

} // namespace

void CChannel::SetStopLimit(DWORD ms)
{
    InterlockedExchange(&g_stopLimitMs, static_cast<LONG>(ms));
}

LONG CChannel::LeftGraphs()
{
    return InterlockedCompareExchange(&g_leftGraphs, 0, 0);
}

CChannel::CChannel(CWnd* owner, HWND notifyWindow, int number, CDirector* director)
    : m_owner(owner), m_notifyWindow(notifyWindow), m_number(number), m_director(director)
{
}

CChannel::~CChannel()
{
    CloseGraph();
    if (m_director)
        m_director->ForgetChannel(this);
}

HWND CChannel::GetOwnerWindow() const
{
    return m_owner ? m_owner->GetSafeHwnd() : nullptr;
}

void CChannel::CloseGraph()
{
    if (!m_graph)
        return;
    IChannelGraph* graph = m_graph;
    m_graph = nullptr;
    const DWORD limit = static_cast<DWORD>(InterlockedCompareExchange(&g_stopLimitMs, 0, 0));
    if (!StopWithin(graph, limit)) {
        InterlockedIncrement(&g_leftGraphs);
        AppLog() << LogTime << LogThread << " channel " << m_number << ": the graph did not stop within " << limit
                 << " ms and is left to stop on its own" << std::endl;
        return;
    }
    graph->Destroy();
    delete graph;
}
