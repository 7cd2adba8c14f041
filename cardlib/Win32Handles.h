// Small owners for the kernel objects the card library holds, so no path forgets to close one.
#ifndef OVX500U_WIN32HANDLES_H
#define OVX500U_WIN32HANDLES_H

#include <cstdio>
#include <string>
#include <windows.h>

namespace ovx {

class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& o) noexcept : h_(o.release()) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept
    {
        if (this != &o) {
            reset();
            h_ = o.release();
        }
        return *this;
    }
    HANDLE get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    HANDLE release()
    {
        HANDLE h = h_;
        h_ = nullptr;
        return h;
    }
    void reset(HANDLE h = nullptr)
    {
        if (h_)
            CloseHandle(h_);
        h_ = (h == INVALID_HANDLE_VALUE) ? nullptr : h;
    }

private:
    HANDLE h_ = nullptr;
};

// Holds a mutex for a scope; an abandoned mutex still belongs to the waiter.
class MutexLock {
public:
    explicit MutexLock(HANDLE mutex) : mutex_(mutex)
    {
        if (mutex_) {
            DWORD r = WaitForSingleObject(mutex_, INFINITE);
            held_ = (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED);
        }
    }
    ~MutexLock()
    {
        if (held_)
            ReleaseMutex(mutex_);
    }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

private:
    HANDLE mutex_;
    bool held_ = false;
};

class CriticalSection {
public:
    CriticalSection() { InitializeCriticalSection(&cs_); }
    ~CriticalSection() { DeleteCriticalSection(&cs_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    void Lock() { EnterCriticalSection(&cs_); }
    void Unlock() { LeaveCriticalSection(&cs_); }

private:
    CRITICAL_SECTION cs_;
};

class CsLock {
public:
    explicit CsLock(CriticalSection& cs) : cs_(cs) { cs_.Lock(); }
    ~CsLock() { cs_.Unlock(); }
    CsLock(const CsLock&) = delete;
    CsLock& operator=(const CsLock&) = delete;

private:
    CriticalSection& cs_;
};

// "<prefix><card>" for the per-card kernel object names.
inline std::wstring CardObjectName(const wchar_t* prefix, unsigned card)
{
    wchar_t number[16];
    swprintf(number, 16, L"%u", card);
    return std::wstring(prefix) + number;
}

}  // namespace ovx

#endif
