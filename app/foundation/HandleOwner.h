// Owns one kernel handle (event, thread, file, mutex) and closes it once, on every path.
// INVALID_HANDLE_VALUE, which file functions return on failure, is kept as "no handle".
#pragma once

#include <windows.h>

class CHandleOwner {
public:
    CHandleOwner() = default;
    explicit CHandleOwner(HANDLE handle) : m_handle(Valid(handle)) {}
    ~CHandleOwner() { Close(); }
    CHandleOwner(const CHandleOwner&) = delete;
    CHandleOwner& operator=(const CHandleOwner&) = delete;
    CHandleOwner(CHandleOwner&& other) noexcept : m_handle(other.Detach()) {}
    CHandleOwner& operator=(CHandleOwner&& other) noexcept
    {
        if (this != &other)
            Reset(other.Detach());
        return *this;
    }

    HANDLE Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

    // Closes the handle held (if any) and takes `handle` over.
    void Reset(HANDLE handle = nullptr)
    {
        HANDLE old = m_handle;
        m_handle = Valid(handle);
        if (old)
            CloseHandle(old);
    }
    void Close() { Reset(); }
    // Gives the handle to the caller, who closes it.
    HANDLE Detach()
    {
        HANDLE handle = m_handle;
        m_handle = nullptr;
        return handle;
    }

private:
    static HANDLE Valid(HANDLE handle) { return handle == INVALID_HANDLE_VALUE ? nullptr : handle; }

    HANDLE m_handle = nullptr;
};
