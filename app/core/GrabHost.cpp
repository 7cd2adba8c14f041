#include "app/core/GrabHost.h"

CGrabHost::CGrabHost()
{
    InitializeCriticalSection(&m_lock);
}

CGrabHost::~CGrabHost()
{
    DeleteCriticalSection(&m_lock);
}

void CGrabHost::AddListener(int id, IGrabListener* listener)
{
    Lock lock(m_lock);
    m_listeners[id] = listener;
}

void CGrabHost::RemoveListener(int id)
{
    Lock lock(m_lock);
    m_listeners.erase(id);
}

void CGrabHost::DeliverSample(IMediaSample* sample, int timeLow, int timeHigh)
{
    ForEachListener([&](int id, IGrabListener* listener) { listener->OnSample(id, sample, timeLow, timeHigh); });
}
