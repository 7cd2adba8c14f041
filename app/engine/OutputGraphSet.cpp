#include "app/engine/OutputGraphSet.h"

bool COutputGraphSet::Has(int type) const
{
    CAutoLock lock(&m_lock);
    return m_graphs.count(type) != 0;
}

IOutputGraph* COutputGraphSet::Get(int type) const
{
    CAutoLock lock(&m_lock);
    const auto found = m_graphs.find(type);
    return found == m_graphs.end() ? nullptr : found->second;
}

bool COutputGraphSet::AnyRunning() const
{
    CAutoLock lock(&m_lock);
    return !m_graphs.empty();
}

bool COutputGraphSet::First(int* type) const
{
    CAutoLock lock(&m_lock);
    if (m_graphs.empty())
        return false;
    *type = m_graphs.begin()->first;
    return true;
}

void COutputGraphSet::Add(int type, IOutputGraph* graph)
{
    CAutoLock lock(&m_lock);
    m_graphs[type] = graph;
}

void COutputGraphSet::Remove(int type)
{
    CAutoLock lock(&m_lock);
    m_graphs.erase(type);
}
