// The registry of audio listeners that every audio producer holds (the audio mixer, the
// channel audio renderer, the in-place grabber).
#pragma once

#include "app/core/Listeners.h"

#include <streams.h>

#include <map>

class CGrabHost
{
public:
    CGrabHost();
    virtual ~CGrabHost();

    // Replaces an entry with the same id. A null listener is kept and skipped when calling.
    virtual void AddListener(int id, IGrabListener* listener);
    // No effect when the id is absent.
    virtual void RemoveListener(int id);

    CGrabHost(const CGrabHost&) = delete;
    CGrabHost& operator=(const CGrabHost&) = delete;

protected:
    // Walks the listeners in ascending id order under the host's lock, calling
    // visit(id, listener) for every non-null entry. Whether an exception in one listener is
    // caught is the producer's choice, so the visitor decides. The lock is held during the
    // calls, so a listener is never removed while it is being called; a listener must not
    // wait on another thread that adds or removes listeners of this host.
    template <class Visit> void ForEachListener(Visit visit)
    {
        CAutoLock lock(&m_lock);
        for (std::map<int, IGrabListener*>::const_iterator it = m_listeners.begin(); it != m_listeners.end(); ++it) {
            if (it->second)
                visit(it->first, it->second);
        }
    }

    // OnSample(id, sample, low, high) to every listener, unguarded.
    void DeliverSample(IMediaSample* sample, int timeLow, int timeHigh);

private:
    std::map<int, IGrabListener*> m_listeners;
    CCritSec m_lock;
};
