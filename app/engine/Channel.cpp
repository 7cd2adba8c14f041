// The window classes first: the DirectShow headers bring windowsx.h macros they would clash with.
#include <afxwin.h>

#include "app/engine/Channel.h"

#include "app/engine/Director.h"
#include "app/core/GraphContracts.h"

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
    m_graph->Stop();
    m_graph->Destroy();
    delete m_graph;
    m_graph = nullptr;
}
