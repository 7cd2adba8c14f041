#include "app/core/GrabHost.h"

CGrabHost::CGrabHost() = default;

CGrabHost::~CGrabHost() = default;

void CGrabHost::AddListener(int id, IGrabListener* listener)
{
    CAutoLock lock(&m_lock);
    m_listeners[id] = listener;
}

void CGrabHost::RemoveListener(int id)
{
    CAutoLock lock(&m_lock);
    m_listeners.erase(id);
}

void CGrabHost::DeliverSample(IMediaSample* sample, int timeLow, int timeHigh)
{
    ForEachListener([&](int id, IGrabListener* listener) { listener->OnSample(id, sample, timeLow, timeHigh); });
}
