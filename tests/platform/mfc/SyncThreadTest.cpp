#include <afx.h>
#include <afxmt.h>

#include <gtest/gtest.h>

#include <atomic>

namespace {

DWORD WINAPI TryTake(LPVOID p)
{
    CCriticalSection* c = static_cast<CCriticalSection*>(p);
    if (!::TryEnterCriticalSection(&c->m_sect))
        return 0;
    ::LeaveCriticalSection(&c->m_sect);
    return 1;
}

} // namespace

TEST(CSingleLock, LocksAndReleasesWithItsScope)
{
    CCriticalSection cs;
    {
        CSingleLock lock(&cs, TRUE);
        EXPECT_TRUE(lock.IsLocked());
        CSingleLock again(&cs, TRUE); // re-entrant on the owning thread
        EXPECT_TRUE(again.IsLocked());
        EXPECT_TRUE(again.Unlock());
        EXPECT_FALSE(again.IsLocked());
    }
    // Free again: another thread can take it at once.
    HANDLE t = ::CreateThread(nullptr, 0, TryTake, &cs, 0, nullptr);
    ::WaitForSingleObject(t, INFINITE);
    DWORD code = 0;
    ::GetExitCodeThread(t, &code);
    ::CloseHandle(t);
    EXPECT_EQ(1u, code);
}

TEST(CSingleLock, WaitsOnKernelObjectsWithTimeOut)
{
    CEvent manual(FALSE, TRUE);
    CSingleLock lock(&manual);
    EXPECT_FALSE(lock.Lock(0));
    manual.SetEvent();
    EXPECT_TRUE(lock.Lock(0));
    lock.Unlock();

    CMutex mutex;
    CSingleLock m(&mutex, TRUE);
    EXPECT_TRUE(m.IsLocked());
    EXPECT_TRUE(m.Unlock());

    CSemaphore sem(1, 1);
    CSingleLock s(&sem);
    EXPECT_TRUE(s.Lock(0));
    CSingleLock s2(&sem);
    EXPECT_FALSE(s2.Lock(0));
}

namespace {

struct Work {
    HANDLE go;
    std::atomic<int> ran{0};
};

UINT AFX_CDECL Worker(LPVOID p)
{
    Work* w = static_cast<Work*>(p);
    ::WaitForSingleObject(w->go, INFINITE);
    w->ran = 1;
    return 7;
}

UINT AFX_CDECL Ender(LPVOID)
{
    AfxEndThread(9, FALSE);
    return 1;
}

} // namespace

TEST(AfxBeginThread, RunsAWorkerAndGivesItsHandle)
{
    Work w;
    w.go = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    CWinThread* thread = AfxBeginThread(Worker, &w, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    ASSERT_NE(nullptr, thread);
    thread->m_bAutoDelete = FALSE; // keep the object to read the exit code
    EXPECT_NE(0u, thread->m_nThreadID);
    thread->ResumeThread();
    DWORD code = 0;
    EXPECT_TRUE(::GetExitCodeThread(thread->m_hThread, &code));
    EXPECT_EQ(STILL_ACTIVE, code);
    ::SetEvent(w.go);
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(thread->m_hThread, INFINITE));
    EXPECT_TRUE(::GetExitCodeThread(thread->m_hThread, &code));
    EXPECT_EQ(7u, code);
    EXPECT_EQ(1, w.ran.load());
    delete thread;
    ::CloseHandle(w.go);
}

TEST(AfxBeginThread, AfxEndThreadEndsTheWorkerWithItsCode)
{
    CWinThread* thread = AfxBeginThread(Ender, nullptr, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    ASSERT_NE(nullptr, thread);
    HANDLE h = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), thread->m_hThread, ::GetCurrentProcess(), &h, 0, FALSE,
                      DUPLICATE_SAME_ACCESS);
    thread->ResumeThread();
    ::WaitForSingleObject(h, INFINITE);
    DWORD code = 0;
    ::GetExitCodeThread(h, &code);
    EXPECT_EQ(9u, code);
    ::CloseHandle(h);
    delete thread; // AfxEndThread was told not to delete it
}
