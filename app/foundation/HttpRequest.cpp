#include "app/foundation/HttpRequest.h"

#include "app/foundation/LogWriter.h"

#include <wininet.h>

#include <vector>

namespace http {

namespace {

// One WinINet read at most; the body never holds more than its maximum plus one byte.
const DWORD kReadChunk = 64 * 1024;
const DWORD kStatusTextChars = 255;

class CInternetHandle {
public:
    explicit CInternetHandle(HINTERNET h = nullptr) : m_h(h) {}
    ~CInternetHandle()
    {
        if (m_h)
            InternetCloseHandle(m_h);
    }
    operator HINTERNET() const { return m_h; }
    CInternetHandle(const CInternetHandle&) = delete;
    CInternetHandle& operator=(const CInternetHandle&) = delete;

private:
    HINTERNET m_h;
};

} // namespace

// Everything one request needs and produces, shared by the owner and the worker so that a
// worker left running after Stop never touches a request object that is gone.
struct CHttpRequest::Job {
    CCriticalSection lock;
    // Guarded by lock.
    HINTERNET session = nullptr;
    bool running = true;
    bool cancel = false;
    bool abandoned = false;
    HWND notifyWnd = nullptr;
    UINT notifyMsg = 0;
    WPARAM notifyWParam = 0;

    // Copies of the request, fixed before the worker starts.
    CString url;
    CString agent;
    CString headers;
    std::vector<BYTE> post;
    bool isPost = false;
    UINT maxResponse = kDefaultMaxResponseSize;

    // Written by the worker; read by the owner once running is false.
    DWORD status = 0;
    CString statusText;
    std::unique_ptr<CBuffer> body;
    CMapStringToString responseHeaders{10};

    bool Cancelled()
    {
        CSingleLock hold(&lock, TRUE);
        return cancel;
    }
};

namespace {

CString QueryText(HINTERNET request, DWORD info, DWORD maxChars)
{
    std::vector<wchar_t> text(maxChars + 1, L'\0');
    DWORD size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (!HttpQueryInfoW(request, info, text.data(), &size, nullptr))
        return CString();
    return CString(text.data());
}

bool QueryNumber(HINTERNET request, DWORD info, DWORD& value)
{
    DWORD size = sizeof(value);
    value = 0;
    return HttpQueryInfoW(request, info | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr) != FALSE;
}

void StoreHeaders(HINTERNET request, CMapStringToString& map)
{
    DWORD size = 0;
    HttpQueryInfoW(request, HTTP_QUERY_RAW_HEADERS, nullptr, &size, nullptr);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0)
        return;
    std::vector<wchar_t> raw(size / sizeof(wchar_t) + 2, L'\0');
    size = static_cast<DWORD>((raw.size() - 2) * sizeof(wchar_t));
    if (!HttpQueryInfoW(request, HTTP_QUERY_RAW_HEADERS, raw.data(), &size, nullptr))
        return;
    const wchar_t* end = raw.data() + size / sizeof(wchar_t);
    for (const wchar_t* line = raw.data(); line < end && *line; line += wcslen(line) + 1) {
        CString text(line);
        const int colon = text.Find(L':');
        if (colon <= 0)
            continue; // the status line, or a line opening with ':'
        CString name = text.Left(colon);
        name.Trim();
        name.MakeLower();
        CString value = text.Mid(colon + 1);
        value.Trim();
        CString existing;
        while (map.Lookup(name, existing))
            name += L'_';
        map.SetAt(name, value);
    }
}

// Reads status, body and headers. The status code is set only for a body read whole: a
// cancel, the maximum, a failed read or a connection closed before the announced length
// leave it 0.
void ReadResponse(CHttpRequest::Job& job, HINTERNET request)
{
    job.statusText = QueryText(request, HTTP_QUERY_STATUS_TEXT, kStatusTextChars);
    DWORD code = 0;
    const bool codeKnown = QueryNumber(request, HTTP_QUERY_STATUS_CODE, code) && code != 0;
    // A status line without a reason phrase ("HTTP/1.1 200") is still a response.
    if (job.statusText.IsEmpty() && !codeKnown)
        return;
    job.body.reset(new CBuffer);
    CBuffer& body = *job.body;
    bool whole = false;
    for (;;) {
        DWORD available = 0;
        if (!InternetQueryDataAvailable(request, &available, 0, 0))
            break;
        if (available == 0) {
            whole = true;
            break;
        }
        if (job.Cancelled())
            break;
        const ULONGLONG room = ULONGLONG(job.maxResponse) + 1 - body.GetLength();
        DWORD want = available < kReadChunk ? available : kReadChunk;
        if (want > room)
            want = static_cast<DWORD>(room);
        if (!body.Reserve(want))
            break;
        DWORD read = 0;
        if (!InternetReadFile(request, body.GetData() + body.GetLength(), want, &read))
            break;
        if (read == 0) {
            whole = true;
            break;
        }
        body.Commit(read);
        if (body.GetLength() > job.maxResponse)
            break;
    }
    if (!whole || job.Cancelled())
        return;
    DWORD announced = 0;
    // A connection closed before the announced length is a cut body, not a success.
    if (QueryNumber(request, HTTP_QUERY_CONTENT_LENGTH, announced) && announced != body.GetLength())
        return;
    StoreHeaders(request, job.responseHeaders);
    job.status = codeKnown ? code : 0;
}

void RunGet(CHttpRequest::Job& job, HINTERNET session)
{
    CInternetHandle request(InternetOpenUrlW(session, job.url, job.headers.IsEmpty() ? nullptr : job.headers.GetString(),
                                             static_cast<DWORD>(job.headers.GetLength()),
                                             INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0));
    if (request)
        ReadResponse(job, request);
}

void RunPost(CHttpRequest::Job& job, HINTERNET session)
{
    wchar_t host[INTERNET_MAX_HOST_NAME_LENGTH + 1] = {};
    wchar_t user[INTERNET_MAX_USER_NAME_LENGTH + 1] = {};
    wchar_t password[INTERNET_MAX_PASSWORD_LENGTH + 1] = {};
    std::vector<wchar_t> path(static_cast<size_t>(job.url.GetLength()) + 2, L'\0');
    std::vector<wchar_t> extra(path.size(), L'\0');
    URL_COMPONENTSW parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = host;
    parts.dwHostNameLength = INTERNET_MAX_HOST_NAME_LENGTH;
    parts.lpszUserName = user;
    parts.dwUserNameLength = INTERNET_MAX_USER_NAME_LENGTH;
    parts.lpszPassword = password;
    parts.dwPasswordLength = INTERNET_MAX_PASSWORD_LENGTH;
    parts.lpszUrlPath = path.data();
    parts.dwUrlPathLength = static_cast<DWORD>(path.size() - 1);
    // Asked for apart, so that the path comes without the query.
    parts.lpszExtraInfo = extra.data();
    parts.dwExtraInfoLength = static_cast<DWORD>(extra.size() - 1);
    if (!InternetCrackUrlW(job.url, 0, 0, &parts))
        return;
    CInternetHandle connection(InternetConnectW(session, host, parts.nPort, user[0] ? user : nullptr,
                                                password[0] ? password : nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection)
        return;
    DWORD flags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_KEEP_CONNECTION;
    if (parts.nScheme == INTERNET_SCHEME_HTTPS)
        flags |= INTERNET_FLAG_SECURE;
    // The path alone: a query part of the address is not sent with a POST.
    CInternetHandle request(HttpOpenRequestW(connection, L"POST", path[0] ? path.data() : L"/", nullptr, nullptr,
                                             nullptr, flags, 0));
    if (!request)
        return;
    // A refused send shows as a response without status; the read below finds none.
    HttpSendRequestW(request, job.headers.IsEmpty() ? nullptr : job.headers.GetString(),
                     static_cast<DWORD>(job.headers.GetLength()), job.post.data(),
                     static_cast<DWORD>(job.post.size()));
    ReadResponse(job, request);
}

} // namespace

void CHttpRequest::Execute(Job& job)
{
    HINTERNET session = InternetOpenW(job.agent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    if (session) {
        {
            CSingleLock hold(&job.lock, TRUE);
            if (job.cancel) {
                hold.Unlock();
                InternetCloseHandle(session);
                session = nullptr;
            } else {
                job.session = session;
            }
        }
        if (session) {
            if (job.isPost)
                RunPost(job, session);
            else
                RunGet(job, session);
            HINTERNET taken = nullptr;
            {
                CSingleLock hold(&job.lock, TRUE);
                if (job.cancel)
                    job.status = 0;
                taken = job.session;
                job.session = nullptr;
            }
            if (taken)
                InternetCloseHandle(taken);
        }
    }
    CSingleLock hold(&job.lock, TRUE);
    job.running = false;
    if (job.notifyWnd && !job.abandoned)
        PostMessageW(job.notifyWnd, job.notifyMsg, job.notifyWParam, 0);
}

UINT AFX_CDECL CHttpRequest::WorkerProc(LPVOID param)
{
    std::unique_ptr<std::shared_ptr<Job>> held(static_cast<std::shared_ptr<Job>*>(param));
    std::shared_ptr<Job> job = *held;
    held.reset();
    Execute(*job);
    return 0;
}

CHttpRequest::CHttpRequest() = default;

CHttpRequest::~CHttpRequest()
{
    Stop();
}

const CHttpRequest::Job* CHttpRequest::Finished() const
{
    if (!m_job)
        return nullptr;
    CSingleLock hold(&m_job->lock, TRUE);
    return m_job->running ? nullptr : m_job.get();
}

BOOL CHttpRequest::IsBusy() const
{
    CSingleLock hold(&m_lock, TRUE);
    if (!m_job)
        return FALSE;
    CSingleLock holdJob(&m_job->lock, TRUE);
    return m_job->running ? TRUE : FALSE;
}

BOOL CHttpRequest::SetUrl(LPCWSTR url)
{
    CSingleLock hold(&m_lock, TRUE);
    if (!url || wcsncmp(url, L"http", 4) != 0)
        return FALSE;
    if (m_job && !Finished())
        return FALSE;
    m_url = url;
    return TRUE;
}

CString CHttpRequest::GetUrl() const
{
    CSingleLock hold(&m_lock, TRUE);
    return m_url;
}

void CHttpRequest::AddHeader(LPCWSTR name, LPCWSTR value)
{
    CSingleLock hold(&m_lock, TRUE);
    if (m_job && !Finished())
        return;
    m_headers += CString(name ? name : L"") + L": " + (value ? value : L"") + L"\r\n";
}

void CHttpRequest::SetPostData(const void* bytes, UINT length)
{
    CSingleLock hold(&m_lock, TRUE);
    if (m_job && !Finished())
        return;
    m_post.reset();
    if (bytes && length) {
        std::unique_ptr<CBuffer> post(new CBuffer);
        if (post->Append(bytes, length))
            m_post = std::move(post);
    }
}

void CHttpRequest::SetAgent(LPCWSTR agent)
{
    CSingleLock hold(&m_lock, TRUE);
    if (m_job && !Finished())
        return;
    m_agent = agent ? agent : L"";
}

void CHttpRequest::SetMaxResponseSize(UINT bytes)
{
    CSingleLock hold(&m_lock, TRUE);
    if (m_job && !Finished())
        return;
    m_maxResponse = bytes;
}

void CHttpRequest::SetNotify(HWND window, UINT message, WPARAM wParam)
{
    CSingleLock hold(&m_lock, TRUE);
    m_notifyWnd = window;
    m_notifyMsg = message;
    m_notifyWParam = wParam;
    if (m_job) {
        CSingleLock holdJob(&m_job->lock, TRUE);
        m_job->notifyWnd = window;
        m_job->notifyMsg = message;
        m_job->notifyWParam = wParam;
    }
}

BOOL CHttpRequest::HasResponse() const
{
    CSingleLock hold(&m_lock, TRUE);
    const Job* job = Finished();
    return job && job->status != 0;
}

DWORD CHttpRequest::GetStatusCode() const
{
    CSingleLock hold(&m_lock, TRUE);
    const Job* job = Finished();
    return job ? job->status : 0;
}

BOOL CHttpRequest::IsSuccess() const
{
    CSingleLock hold(&m_lock, TRUE);
    const Job* job = Finished();
    return job && job->status >= 200 && job->status <= 299;
}

CString CHttpRequest::GetStatusText() const
{
    CSingleLock hold(&m_lock, TRUE);
    const Job* job = Finished();
    return job ? job->statusText : CString();
}

CString CHttpRequest::GetHeader(LPCWSTR name) const
{
    CSingleLock hold(&m_lock, TRUE);
    const Job* job = Finished();
    CString value;
    if (job && name) {
        CString key(name);
        key.MakeLower();
        job->responseHeaders.Lookup(key, value);
    }
    return value;
}

CString CHttpRequest::GetResponseText(UINT codePage) const
{
    CSingleLock hold(&m_lock, TRUE);
    const Job* job = Finished();
    if (!job || !job->body)
        return CString();
    return job->body->ToText(job->body->GetLength(), codePage);
}

const CBuffer* CHttpRequest::GetResponseBuffer() const
{
    CSingleLock hold(&m_lock, TRUE);
    const Job* job = Finished();
    return job ? job->body.get() : nullptr;
}

BOOL CHttpRequest::IsCompressed() const
{
    CSingleLock hold(&m_lock, TRUE);
    const Job* job = Finished();
    if (!job || !job->body)
        return FALSE;
    CString encoding;
    job->responseHeaders.Lookup(L"content-encoding", encoding);
    return encoding.CompareNoCase(L"deflate") == 0 || encoding.CompareNoCase(L"gzip") == 0;
}

BOOL CHttpRequest::Send(BOOL asynchronous)
{
    if (IsBusy())
        return FALSE;
    Stop();
    std::shared_ptr<Job> job = std::make_shared<Job>();
    {
        CSingleLock hold(&m_lock, TRUE);
        job->url = m_url;
        job->agent = m_agent;
        job->headers = m_headers;
        if (m_post) {
            job->post.assign(m_post->GetData(), m_post->GetData() + m_post->GetLength());
            job->isPost = true;
        }
        job->maxResponse = m_maxResponse ? m_maxResponse : kDefaultMaxResponseSize;
        job->notifyWnd = m_notifyWnd;
        job->notifyMsg = m_notifyMsg;
        job->notifyWParam = m_notifyWParam;
        // Busy from here on, so a second Send before the worker has opened its session is refused.
        m_job = job;
    }
    if (!asynchronous) {
        Execute(*job);
        return IsSuccess();
    }
    std::unique_ptr<std::shared_ptr<Job>> param(new std::shared_ptr<Job>(job));
    CWinThread* thread = AfxBeginThread(&CHttpRequest::WorkerProc, param.get(), THREAD_PRIORITY_NORMAL, 0,
                                        CREATE_SUSPENDED);
    HANDLE handle = nullptr;
    if (thread && !DuplicateHandle(GetCurrentProcess(), thread->m_hThread, GetCurrentProcess(), &handle, SYNCHRONIZE,
                                   FALSE, 0))
        handle = nullptr;
    if (!thread || !handle) {
        LogTime(AppLog()) << "HTTP: the request's worker thread did not start\n";
        if (thread) {
            // The suspended thread runs to its end without a request: the job is already over.
            {
                CSingleLock holdJob(&job->lock, TRUE);
                job->cancel = true;
                job->abandoned = true;
            }
            param.release();
            thread->ResumeThread();
        }
        CSingleLock hold(&m_lock, TRUE);
        m_job.reset();
        return FALSE;
    }
    param.release(); // the worker owns it now
    {
        CSingleLock hold(&m_lock, TRUE);
        m_thread = handle;
    }
    thread->ResumeThread();
    return TRUE;
}

void CHttpRequest::Stop()
{
    std::shared_ptr<Job> job;
    HANDLE thread = nullptr;
    {
        CSingleLock hold(&m_lock, TRUE);
        job = m_job;
        thread = m_thread;
        m_thread = nullptr;
    }
    if (!job)
        return;
    HINTERNET taken = nullptr;
    bool running = false;
    {
        CSingleLock hold(&job->lock, TRUE);
        running = job->running;
        if (running)
            job->cancel = true;
        taken = job->session;
        job->session = nullptr;
    }
    if (taken)
        InternetCloseHandle(taken);
    if (!thread)
        return;
    if (WaitForSingleObject(thread, kStopWaitMs) != WAIT_OBJECT_0) {
        LogTime(AppLog()) << "HTTP: the request for " << CStringA(job->url).GetString()
                          << " did not end after its handles were closed; it is left to finish alone\n";
        {
            CSingleLock hold(&job->lock, TRUE);
            job->abandoned = true;
        }
        CSingleLock hold(&m_lock, TRUE);
        if (m_job == job)
            m_job.reset();
    }
    CloseHandle(thread);
}

} // namespace http
