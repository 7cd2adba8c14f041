// One HTTP GET or POST through WinINet, run in the caller's thread or on a worker thread of
// its own that posts a window message when the request has ended. The object keeps the
// response body, the status code and text and the response headers until the next Send.
#pragma once

#include <afx.h>
#include <afxcoll.h>
#include <afxmt.h>

#include <memory>

#include "app/foundation/HttpBuffer.h"

namespace http {

class CHttpRequest {
public:
    // What a response body may hold when no other maximum is set: a request never grows
    // without bound, whatever the server sends.
    static const UINT kDefaultMaxResponseSize = 8u * 1024u * 1024u;
    // How long Stop waits for the worker to end after closing its handles.
    static const DWORD kStopWaitMs = 10000;

    CHttpRequest();
    virtual ~CHttpRequest();

    // Refused while busy, for null, and for a text not beginning with "http".
    BOOL SetUrl(LPCWSTR url);
    CString GetUrl() const;
    // The setters below are ignored while busy.
    void AddHeader(LPCWSTR name, LPCWSTR value);
    // No bytes (or none at all) means a GET.
    void SetPostData(const void* bytes, UINT length);
    void SetAgent(LPCWSTR agent);
    // 0 stands for kDefaultMaxResponseSize. A body growing past the maximum ends the request
    // without a status.
    void SetMaxResponseSize(UINT bytes);
    // Also taken while busy: the running request posts to the window set last.
    void SetNotify(HWND window, UINT message, WPARAM wParam);

    BOOL IsBusy() const;
    BOOL HasResponse() const;
    DWORD GetStatusCode() const;
    BOOL IsSuccess() const;
    CString GetStatusText() const;
    // The value under the lower-cased name; a repeated header's later values are stored under
    // the name with "_" appended once per earlier one ("set-cookie_").
    CString GetHeader(LPCWSTR name) const;
    CString GetResponseText(UINT codePage) const;
    const CBuffer* GetResponseBuffer() const;
    BOOL IsCompressed() const;

    // Refused (0) while busy. Asynchronous: 1 once the worker runs. Synchronous: 1 for a
    // status of 200..299. Either way the notify message is posted when the request ends.
    BOOL Send(BOOL asynchronous);
    // Cancels a running request: its handles are closed, which ends WinINet's pending call,
    // and the worker is waited for. A worker that does not end within kStopWaitMs is left to
    // finish on its own copy of the request (never killed: it may hold a lock); its result
    // and message are dropped.
    void Stop();

    CHttpRequest(const CHttpRequest&) = delete;
    CHttpRequest& operator=(const CHttpRequest&) = delete;

    // One request's state, shared with its worker (defined in the source file).
    struct Job;

private:
    static UINT AFX_CDECL WorkerProc(LPVOID param);
    static void Execute(Job& job);
    // The current request's state once it has ended; null while busy or before any Send.
    const Job* Finished() const;

    mutable CCriticalSection m_lock;
    HANDLE m_thread = nullptr;
    std::shared_ptr<Job> m_job;
    CString m_url;
    CString m_agent;
    CString m_headers;
    UINT m_maxResponse = 0;
    std::unique_ptr<CBuffer> m_post;
    HWND m_notifyWnd = nullptr;
    UINT m_notifyMsg = 0;
    WPARAM m_notifyWParam = 0;
};

} // namespace http
