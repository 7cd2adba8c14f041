// Stream times in 100-ns units.
#pragma once

#include <windows.h>
#include <strmif.h>

const LONGLONG MILLISECONDS = 1000;
const LONGLONG UNITS = 10000000;  // 100-ns units in a second

inline REFERENCE_TIME MILLISECONDS_TO_100NS_UNITS(LONGLONG ms) { return ms * (UNITS / MILLISECONDS); }

class CRefTime {
public:
    REFERENCE_TIME m_time = 0;

    CRefTime() = default;
    // From milliseconds, as DirectShow code writes CRefTime(40L).
    CRefTime(LONG msecs) : m_time(MILLISECONDS_TO_100NS_UNITS(msecs)) {}
    CRefTime(REFERENCE_TIME rt) : m_time(rt) {}

    operator REFERENCE_TIME() const { return m_time; }
    CRefTime& operator=(const CRefTime& rt) = default;
    CRefTime& operator=(const LONGLONG ll) { m_time = ll; return *this; }
    CRefTime& operator+=(const CRefTime& rt) { m_time += rt.m_time; return *this; }
    CRefTime& operator-=(const CRefTime& rt) { m_time -= rt.m_time; return *this; }

    LONG Millisecs() const { return static_cast<LONG>(m_time / (UNITS / MILLISECONDS)); }
    LONGLONG GetUnits() const { return m_time; }
};
