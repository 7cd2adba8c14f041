#include "afxmt.h"

IMPLEMENT_DYNAMIC(CSyncObject, CObject)
IMPLEMENT_DYNAMIC(CCriticalSection, CSyncObject)
IMPLEMENT_DYNAMIC(CMutex, CSyncObject)
IMPLEMENT_DYNAMIC(CEvent, CSyncObject)
IMPLEMENT_DYNAMIC(CSemaphore, CSyncObject)

CSyncObject::~CSyncObject()
{
    if (m_hObject)
        ::CloseHandle(m_hObject);
}

BOOL CSyncObject::Lock(DWORD timeout)
{
    DWORD r = ::WaitForSingleObject(m_hObject, timeout);
    return (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED) ? TRUE : FALSE;
}

CMutex::CMutex(BOOL initiallyOwn, LPCTSTR name, LPSECURITY_ATTRIBUTES security) : CSyncObject(name)
{
    m_hObject = ::CreateMutexW(security, initiallyOwn, name);
    if (!m_hObject)
        AfxThrowResourceException();
}

CEvent::CEvent(BOOL initiallyOwn, BOOL manualReset, LPCTSTR name, LPSECURITY_ATTRIBUTES security)
    : CSyncObject(name)
{
    m_hObject = ::CreateEventW(security, manualReset, initiallyOwn, name);
    if (!m_hObject)
        AfxThrowResourceException();
}

CSemaphore::CSemaphore(LONG initialCount, LONG maxCount, LPCTSTR name, LPSECURITY_ATTRIBUTES security)
    : CSyncObject(name)
{
    m_hObject = ::CreateSemaphoreW(security, initialCount, maxCount, name);
    if (!m_hObject)
        AfxThrowResourceException();
}

CSingleLock::CSingleLock(CSyncObject* object, BOOL initialLock) : m_pObject(object)
{
    if (initialLock)
        Lock();
}

BOOL CSingleLock::Lock(DWORD timeout)
{
    if (!m_pObject)
        return FALSE;
    if (!m_bAcquired)
        m_bAcquired = m_pObject->Lock(timeout);
    return m_bAcquired;
}

BOOL CSingleLock::Unlock()
{
    if (m_pObject && m_bAcquired)
        m_bAcquired = !m_pObject->Unlock();
    return !m_bAcquired;
}

BOOL CSingleLock::Unlock(LONG count, LPLONG previousCount)
{
    if (m_pObject && m_bAcquired)
        m_bAcquired = !m_pObject->Unlock(count, previousCount);
    return !m_bAcquired;
}
