// COvx500Render: the sink of the overlay card output. It keeps the newest few program frames
// and, from a worker woken by every video field of the card, writes the rows of the field
// that is not being shown into the card's overlay frame through the card library, so each
// frame goes out in two halves over two fields.
#pragma once

#include <streams.h>

#include "app/foundation/HandleOwner.h"

#include <boost/pool/pool.hpp>

#include <deque>
#include <memory>
#include <utility>

// {3A4FE27F-A72D-4DC7-9B99-2C8FA4925D09}
extern const CLSID CLSID_Ovx500Render;

// What the card output hands the renderer: the card, its video standard and the output's
// field order (1: the frame is released after an odd field, otherwise after an even one).
struct Ovx500RenderConfig {
    unsigned int cardIndex = 0;
    int ntsc = 0;  // 1: 720 x 480 frames, otherwise 720 x 576
    int fieldType = 0;
};

class COvx500Render;

class COvx500RenderInput : public CBaseInputPin {
public:
    COvx500RenderInput(COvx500Render* filter, CCritSec* lock, HRESULT* phr);

    // RGB32 video only, and only of the card's own frame size: a smaller program would
    // never reach the card, so the connection is refused instead of running blank.
    HRESULT CheckMediaType(const CMediaType* pmt) override;
    HRESULT GetMediaType(int position, CMediaType* pmt) override;

    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EndFlush() override { return S_OK; }

private:
    COvx500Render* m_render;
};

class COvx500Render : public CBaseFilter {
public:
    // Opens and sets up the card; *phr tells whether the filter has a working card.
    COvx500Render(LPUNKNOWN outer, HRESULT* phr, const Ovx500RenderConfig& config);
    ~COvx500Render() override;

    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int index) override;

    HRESULT Receive(IMediaSample* sample);

    int Width() const { return 720; }
    int Height() const { return m_config.ntsc == 1 ? 480 : 576; }
    long FrameBytes() const { return long(Width()) * Height() * 4; }

    // For tests and status: frames waiting, an event signalled after every field the
    // worker has handled (auto-reset, owned by the filter), and a semaphore released once
    // for every frame taken into the queue.
    size_t QueuedFrames();
    HANDLE FieldHandledEvent() const { return m_fieldHandled.Get(); }
    HANDLE FrameQueuedSemaphore() const { return m_frameQueued.Get(); }
    bool WorkerStarted() const { return static_cast<bool>(m_worker); }

    // The card shows at most this many waiting frames; more are dropped at the door.
    static const size_t kMaxQueued = 3;

    // The message shown once when the program size does not fit the card.
    void ReportSizeRefused(const CMediaType* pmt);

private:
    HRESULT OpenCard();
    static DWORD WINAPI WorkerProc(void* self);
    void WorkerLoop();
    void HandleField();

    typedef std::pair<BYTE*, long> Frame;

    CCritSec m_lock;  // the filter's
    std::unique_ptr<COvx500RenderInput> m_pin;
    Ovx500RenderConfig m_config;
    bool m_cardOpen = false;
    CHandleOwner m_fieldEvent;
    CHandleOwner m_fieldHandled;
    CHandleOwner m_frameQueued;
    volatile LONG m_running = 0;
    CHandleOwner m_worker;
    CCritSec m_queueLock;
    std::deque<Frame> m_queue;
    CCritSec m_poolLock;
    std::unique_ptr<boost::pool<>> m_pool;
    bool m_sizeReported = false;
};
