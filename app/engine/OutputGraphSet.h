// The director's running output graphs, one per output type, and the types being started.
// The map is read from other threads (the desk's status, the event handler), so every look
// is under its lock; the starting set is only ever touched by the thread that starts them.
#pragma once

#include "app/core/GraphContracts.h"

#include <streams.h>

#include <map>
#include <set>

class COutputGraphSet {
public:
    // False when that type is being started already (a graph pumping messages while it
    // builds may see a second start for it).
    bool BeginStart(int type) { return m_starting.insert(type).second; }
    void EndStart(int type) { m_starting.erase(type); }
    bool IsStarting() const { return !m_starting.empty(); }

    bool Has(int type) const;
    // Null when that type does not run.
    IOutputGraph* Get(int type) const;
    bool AnyRunning() const;
    // The lowest type running; false when none runs.
    bool First(int* type) const;

    void Add(int type, IOutputGraph* graph);
    void Remove(int type);

private:
    std::map<int, IOutputGraph*> m_graphs;
    std::set<int> m_starting;
    mutable CCritSec m_lock;
};
