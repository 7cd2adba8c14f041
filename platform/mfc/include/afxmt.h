// Synchronisation objects: critical sections, mutexes, events, semaphores, and the lock
// guard CSingleLock that releases what it holds when it goes out of scope.
#pragma once

#include "afx.h"

class CSyncObject : public CObject {
    DECLARE_DYNAMIC(CSyncObject)
public:
    explicit CSyncObject(LPCTSTR name) : m_strName(name) {}
    ~CSyncObject() override;

    virtual BOOL Lock(DWORD timeout = INFINITE);
    virtual BOOL Unlock() = 0;
    virtual BOOL Unlock(LONG count, LPLONG previousCount = nullptr)
    {
        UNUSED(count);
        UNUSED(previousCount);
        return TRUE;
    }
    operator HANDLE() const { return m_hObject; }

    HANDLE m_hObject = nullptr;

protected:
    CString m_strName;

private:
    CSyncObject(const CSyncObject&) = delete;
    CSyncObject& operator=(const CSyncObject&) = delete;
};

// Re-entrant on its owning thread, as a Windows critical section is.
class CCriticalSection : public CSyncObject {
    DECLARE_DYNAMIC(CCriticalSection)
public:
    CCriticalSection() : CSyncObject(nullptr) { ::InitializeCriticalSection(&m_sect); }
    ~CCriticalSection() override { ::DeleteCriticalSection(&m_sect); }

    BOOL Lock() { ::EnterCriticalSection(&m_sect); return TRUE; }
    // A critical section has no time-out: any time-out waits until it is free.
    BOOL Lock(DWORD timeout) override { UNUSED(timeout); return Lock(); }
    BOOL Unlock() override { ::LeaveCriticalSection(&m_sect); return TRUE; }
    operator CRITICAL_SECTION*() { return &m_sect; }

    CRITICAL_SECTION m_sect;
};

class CMutex : public CSyncObject {
    DECLARE_DYNAMIC(CMutex)
public:
    explicit CMutex(BOOL initiallyOwn = FALSE, LPCTSTR name = nullptr, LPSECURITY_ATTRIBUTES security = nullptr);
    BOOL Unlock() override { return ::ReleaseMutex(m_hObject); }
};

class CEvent : public CSyncObject {
    DECLARE_DYNAMIC(CEvent)
public:
    explicit CEvent(BOOL initiallyOwn = FALSE, BOOL manualReset = FALSE, LPCTSTR name = nullptr,
                    LPSECURITY_ATTRIBUTES security = nullptr);
    BOOL SetEvent() { return ::SetEvent(m_hObject); }
    BOOL ResetEvent() { return ::ResetEvent(m_hObject); }
    BOOL PulseEvent() { return ::PulseEvent(m_hObject); }
    BOOL Unlock() override { return TRUE; }
};

class CSemaphore : public CSyncObject {
    DECLARE_DYNAMIC(CSemaphore)
public:
    explicit CSemaphore(LONG initialCount = 1, LONG maxCount = 1, LPCTSTR name = nullptr,
                        LPSECURITY_ATTRIBUTES security = nullptr);
    BOOL Unlock() override { return Unlock(1, nullptr); }
    BOOL Unlock(LONG count, LPLONG previousCount = nullptr) override
    {
        return ::ReleaseSemaphore(m_hObject, count, previousCount);
    }
};

class CSingleLock {
public:
    explicit CSingleLock(CSyncObject* object, BOOL initialLock = FALSE);
    ~CSingleLock() { Unlock(); }

    BOOL Lock(DWORD timeout = INFINITE);
    BOOL Unlock();
    BOOL Unlock(LONG count, LPLONG previousCount = nullptr);
    BOOL IsLocked() const { return m_bAcquired; }

private:
    CSingleLock(const CSingleLock&) = delete;
    CSingleLock& operator=(const CSingleLock&) = delete;

    CSyncObject* m_pObject;
    BOOL m_bAcquired = FALSE;
};
