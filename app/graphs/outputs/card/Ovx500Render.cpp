#include "app/graphs/outputs/card/Ovx500Render.h"

#include "app/foundation/AppHelpers.h"
#include "cardlib/ovx500u.h"

#include <algorithm>
#include <cstring>

const CLSID CLSID_Ovx500Render = {0x3A4FE27F, 0xA72D, 0x4DC7, {0x9B, 0x99, 0x2C, 0x8F, 0xA4, 0x92, 0x5D, 0x09}};

namespace {

const UINT kIdsNoCard = 319;
const UINT kIdsErrorCaption = 106;

// The card library's argument for internal sync (0 would select external genlock, and
// without a genlock source the card produces no fields).
const unsigned long kCardInternalSync = 1;
const unsigned long kCardBypassOverlay = 2;

// The queue never holds more than three frames, so the pool never needs more than four.
const size_t kPoolChunk = 4;


}  // namespace

// ---- input pin

COvx500RenderInput::COvx500RenderInput(COvx500Render* filter, CCritSec* lock, HRESULT* phr)
    : CBaseInputPin(L"COvx500RenderInput", filter, lock, phr, L"in"), m_render(filter)
{
}

HRESULT COvx500RenderInput::CheckMediaType(const CMediaType* pmt)
{
    if (pmt == nullptr || *pmt->Type() != MEDIATYPE_Video || *pmt->Subtype() != MEDIASUBTYPE_RGB32)
        return E_FAIL;
    if (*pmt->FormatType() == FORMAT_VideoInfo && pmt->FormatLength() >= sizeof(VIDEOINFOHEADER) &&
        pmt->Format() != nullptr) {
        const VIDEOINFOHEADER* vih = reinterpret_cast<const VIDEOINFOHEADER*>(pmt->Format());
        const LONG height = vih->bmiHeader.biHeight < 0 ? -vih->bmiHeader.biHeight : vih->bmiHeader.biHeight;
        if (vih->bmiHeader.biWidth != m_render->Width() || height != m_render->Height()) {
            m_render->ReportSizeRefused(pmt);
            return E_FAIL;
        }
    }
    return S_OK;
}

HRESULT COvx500RenderInput::GetMediaType(int position, CMediaType* pmt)
{
    if (pmt == nullptr)
        return E_POINTER;
    if (position != 0 || !IsConnected())
        return VFW_S_NO_MORE_ITEMS;
    *pmt = m_mt;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE COvx500RenderInput::Receive(IMediaSample* sample)
{
    m_render->Receive(sample);
    return S_OK;
}

// ---- filter

COvx500Render::COvx500Render(LPUNKNOWN outer, HRESULT* phr, const Ovx500RenderConfig& config)
    : CBaseFilter(L"COvx500Render", outer, &m_lock, CLSID_Ovx500Render, phr), m_config(config)
{
    HRESULT hr = S_OK;
    m_pin.reset(new COvx500RenderInput(this, &m_lock, &hr));
    m_fieldHandled.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    m_frameQueued.Reset(CreateSemaphoreW(nullptr, 0, 0x7FFFFFFF, nullptr));
    if (SUCCEEDED(hr))
        hr = m_fieldHandled && m_frameQueued ? OpenCard() : HRESULT_FROM_WIN32(GetLastError());
    if (phr)
        *phr = hr;
}

HRESULT COvx500Render::OpenCard()
{
    const unsigned int card = m_config.cardIndex;
    if (OVCG_GetCardNum() <= 0) {
        AppMessageBox(nullptr, kIdsNoCard, kIdsErrorCaption, MB_ICONERROR);
        return E_FAIL;
    }
    if (OVCG_Initial(card, 1) == 0) {
        // The library keeps its holder after a failed start; closing returns it.
        OVCG_Close(card);
        return E_FAIL;
    }
    m_cardOpen = true;
    wchar_t name[64];
    swprintf(name, 64, L"Global Event %u", card);
    const unsigned short* cardName = reinterpret_cast<const unsigned short*>(name);
    if (OVCG_InitialEvent(cardName, card) == 0) {
        OVCG_Close(card);
        m_cardOpen = false;
        return E_FAIL;
    }
    OVCG_SetVideoMode(m_config.ntsc == 1 ? 0 : 1, card);
    OVCG_SetInnerOrExtraSync(kCardInternalSync, card);
    OVCG_SetVideoBypass(kCardBypassOverlay, card);
    OVCG_SetTVORVTR(0, card);
    m_fieldEvent.Reset(OpenEventW(EVENT_ALL_ACCESS, TRUE, name));
    if (!m_fieldEvent) {
        // Without the field event nothing would ever reach the card: fail now, and give the
        // card back so its cross-process user count stays right.
        const HRESULT hr = HRESULT_FROM_WIN32(GetLastError());
        OVCG_CloseEvent(cardName, card);
        OVCG_Close(card);
        m_cardOpen = false;
        return FAILED(hr) ? hr : E_FAIL;
    }
    m_pool.reset(new boost::pool<>(size_t(FrameBytes()), kPoolChunk, kPoolChunk));
    return S_OK;
}

COvx500Render::~COvx500Render()
{
    InterlockedExchange(&m_running, 0);
    if (m_worker) {
        WaitForSingleObject(m_worker.Get(), INFINITE);
        m_worker.Close();
    }
    if (m_cardOpen)
        OVCG_Close(m_config.cardIndex);
    m_pin.reset();
    m_fieldEvent.Close();
    m_fieldHandled.Close();
    m_frameQueued.Close();
    {
        CAutoLock lock(&m_queueLock);
        m_queue.clear();
    }
    {
        CAutoLock lock(&m_poolLock);
        m_pool.reset();
    }
}

CBasePin* COvx500Render::GetPin(int index)
{
    return index == 0 ? m_pin.get() : nullptr;
}

size_t COvx500Render::QueuedFrames()
{
    CAutoLock lock(&m_queueLock);
    return m_queue.size();
}

void COvx500Render::ReportSizeRefused(const CMediaType* pmt)
{
    (void)pmt;
    if (m_sizeReported)
        return;
    m_sizeReported = true;
    CString text;
    text.Format(L"专用输出卡只能输出%d×%d的画面，请修改输出格式！", Width(), Height());
    AppMessageBoxText(nullptr, text, kIdsErrorCaption, MB_ICONERROR);
}

HRESULT COvx500Render::Receive(IMediaSample* sample)
{
    if (sample == nullptr)
        return E_POINTER;
    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data)) || data == nullptr)
        return E_FAIL;
    {
        CAutoLock lock(&m_queueLock);
        if (m_queue.size() >= kMaxQueued)
            return S_OK;
    }
    BYTE* buffer = nullptr;
    {
        CAutoLock lock(&m_poolLock);
        if (m_pool)
            buffer = static_cast<BYTE*>(m_pool->malloc());
    }
    if (buffer == nullptr)
        return E_OUTOFMEMORY;
    const long actual = sample->GetActualDataLength();
    memcpy(buffer, data, size_t(std::max(0L, std::min(actual, FrameBytes()))));

    CAutoLock lock(&m_queueLock);
    m_queue.push_back(Frame(buffer, actual));
    ReleaseSemaphore(m_frameQueued.Get(), 1, nullptr);
    if (m_queue.size() > 1 && !m_worker && m_fieldEvent) {
        m_worker.Reset(CreateThread(nullptr, 0, WorkerProc, this, CREATE_SUSPENDED, nullptr));
        if (m_worker) {
            InterlockedExchange(&m_running, 1);
            SetThreadPriority(m_worker.Get(), THREAD_PRIORITY_TIME_CRITICAL);
            ResumeThread(m_worker.Get());
        }
    }
    return S_OK;
}

DWORD WINAPI COvx500Render::WorkerProc(void* self)
{
    static_cast<COvx500Render*>(self)->WorkerLoop();
    return 0;
}

void COvx500Render::WorkerLoop()
{
    while (InterlockedCompareExchange(&m_running, 1, 1) == 1 && m_fieldEvent) {
        if (WaitForSingleObject(m_fieldEvent.Get(), 100) != WAIT_OBJECT_0)
            continue;
        HandleField();
        SetEvent(m_fieldHandled.Get());
    }
}

void COvx500Render::HandleField()
{
    const int width = Width();
    const int height = Height();
    Frame frame(nullptr, 0);
    {
        CAutoLock lock(&m_queueLock);
        if (m_queue.empty())
            return;
        frame = m_queue.front();
    }
    const unsigned int card = m_config.cardIndex;
    unsigned long field = 0;
    OVCG_GetFieldNo(field, card);
    // The frame stays in the queue while it is written; only this thread removes frames, so
    // the pointer stays valid without holding the lock across the card calls.
    if (frame.second >= long(width) * 4 * height) {
        unsigned long* pixels = reinterpret_cast<unsigned long*>(frame.first);
        for (int y = 1 - int(field & 1); y < height; y += 2)
            OVCG_SetRectangle(0, y, width, 1, pixels + size_t(y) * width, card);
    }
    const bool odd = (field & 1) != 0;
    const bool release = m_config.fieldType == 1 ? odd : !odd;
    if (!release)
        return;
    {
        CAutoLock lock(&m_queueLock);
        m_queue.pop_front();
    }
    CAutoLock lock(&m_poolLock);
    if (m_pool)
        m_pool->free(frame.first);
}
