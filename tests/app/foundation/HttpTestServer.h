// Test helper: the address of the small HTTP server that tests/support/with-http-server.sh
// starts on 127.0.0.1 for the test program, and a window that collects posted messages.
#pragma once

#include <afx.h>

#include <vector>

inline CString TestServerUrl(LPCWSTR path)
{
    wchar_t port[16] = {};
    if (!GetEnvironmentVariableW(L"RVX_HTTP_PORT", port, 16))
        return CString();
    CString url;
    url.Format(L"http://127.0.0.1:%s%s", port, path);
    return url;
}

// The discard port on the loopback: nothing listens there on the test machines, so the
// connection is refused at once.
inline CString ClosedPortUrl() { return L"http://127.0.0.1:9/closed"; }

// A message-only window whose posted messages the test waits for.
class CMessageSink {
public:
    CMessageSink() { m_hwnd = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr); }
    ~CMessageSink()
    {
        if (m_hwnd)
            DestroyWindow(m_hwnd);
    }
    HWND Handle() const { return m_hwnd; }

    // Waits for a posted message (up to a generous limit: the request ends by itself) and
    // returns its id, 0 when none came.
    UINT Wait(DWORD limitMs = 60000)
    {
        const DWORD start = GetTickCount();
        for (;;) {
            MSG msg;
            while (PeekMessageW(&msg, m_hwnd, 0, 0, PM_REMOVE)) {
                if (msg.message >= WM_APP) {
                    wParams.push_back(msg.wParam);
                    return msg.message;
                }
                DispatchMessageW(&msg);
            }
            const DWORD spent = GetTickCount() - start;
            if (spent >= limitMs)
                return 0;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, limitMs - spent, QS_POSTMESSAGE);
        }
    }
    // Messages already posted, without waiting.
    int Pending()
    {
        int n = 0;
        MSG msg;
        while (PeekMessageW(&msg, m_hwnd, WM_APP, 0xBFFF, PM_REMOVE))
            ++n;
        return n;
    }

    std::vector<WPARAM> wParams;

private:
    HWND m_hwnd = nullptr;
};
