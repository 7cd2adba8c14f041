#include "Board.h"

#include <cstdlib>
#include <cstring>
#include <malloc.h>

#include "CardRegisters.h"
#include "PciBridgeDevice.h"
#include "VideoSettings.h"

namespace ovx {
namespace {

const wchar_t kControlBlockName[] = L"BrivantOvx500proFileMappingObject";
const wchar_t kFrameName[] = L"BrivantOvx500proCgBufferObject";
const uint32_t kControlBlockBytes = 4096;

struct AlignedBuffer {
    explicit AlignedBuffer(size_t bytes) : p(static_cast<uint8_t*>(_aligned_malloc(bytes, 16))) {}
    ~AlignedBuffer() { _aligned_free(p); }
    AlignedBuffer(const AlignedBuffer&) = delete;
    AlignedBuffer& operator=(const AlignedBuffer&) = delete;
    uint8_t* p;
};

}  // namespace

Board::Board(unsigned card, HANDLE boardMutex, HANDLE writerRole, PciBridgeDevice& device, CardRegisters& registers,
             VideoSettings& settings)
    : card_(card),
      boardMutex_(boardMutex),
      writerRole_(writerRole),
      device_(device),
      registers_(registers),
      settings_(settings)
{
    std::memset(events_, 0, sizeof events_);
    dma0_.reset(CreateMutexW(nullptr, FALSE, CardObjectName(L"BrivantOvx500proPciBridgeDma0Mutex_", card).c_str()));
    dma1_.reset(CreateMutexW(nullptr, FALSE, CardObjectName(L"BrivantOvx500proPciBridgeDma1Mutex_", card).c_str()));
    writerEventName_ = CardObjectName(L"BrivantOvx500proWriteCardFieldEvent", card);
}

Board::~Board()
{
    // Threads never outlive what they use.
    StopWriter();
    StopAllFieldEvents();
    if (openCount_ > 0) {
        CloseCard(false);
        UnmapSharedMemory();
    }
}

int Board::Startup(int mode)
{
    state_ = StateStarting;
    MutexLock lock(boardMutex_);
    if (openCount_++ > 0) {
        state_ = StateReady;
        return 1;
    }
    mode_ = mode;
    if (!StartupFirst()) {
        // Undo everything, so the card is not left counted as open and half started.
        StopWriter();
        StopAllFieldEvents();
        CloseCard(false);
        UnmapSharedMemory();
        openCount_ = 0;
        state_ = StateClosed;
        return 0;
    }
    state_ = StateReady;
    return 1;
}

bool Board::StartupFirst()
{
    if (!dma0_ || !dma1_ || !MapSharedMemory() || !OpenCard())
        return false;
    boardVersion_ = kBoardVersion;
    registers_.Attach(bar3_, boardVersion_);
    std::memset(events_, 0, sizeof events_);

    if (creator_) {
        InterlockedExchange(userCount_, 1);
    } else {
        InterlockedIncrement(userCount_);
    }
    userCounted_ = true;

    if (creator_ ? !ResetCard() : !settings_.AdoptRunningState())
        return false;
    return StartWriter();
}

bool Board::MapSharedMemory()
{
    controlMapping_.reset(
        CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kControlBlockBytes, kControlBlockName));
    if (!controlMapping_)
        return false;
    creator_ = GetLastError() != ERROR_ALREADY_EXISTS;
    userCount_ = static_cast<volatile LONG*>(MapViewOfFile(controlMapping_.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
    if (!userCount_) {
        controlMapping_.reset();
        return false;
    }
    if (creator_)
        std::memset(const_cast<LONG*>(userCount_), 0, kControlBlockBytes);

    if (creator_) {
        frameMapping_.reset(
            CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kFrameBytes, kFrameName));
        if (frameMapping_ && GetLastError() == ERROR_ALREADY_EXISTS)
            frameMapping_.reset();
    } else {
        frameMapping_.reset(OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, kFrameName));
    }
    if (frameMapping_)
        frame_ = static_cast<uint32_t*>(MapViewOfFile(frameMapping_.get(), FILE_MAP_ALL_ACCESS, 0, 0, kFrameBytes));
    if (!frame_) {
        UnmapSharedMemory();
        return false;
    }
    return true;
}

void Board::UnmapSharedMemory()
{
    if (frame_)
        UnmapViewOfFile(frame_);
    frame_ = nullptr;
    frameMapping_.reset();
    if (userCount_) {
        if (userCounted_)
            InterlockedDecrement(userCount_);
        UnmapViewOfFile(const_cast<LONG*>(userCount_));
    }
    userCounted_ = false;
    userCount_ = nullptr;
    controlMapping_.reset();
}

bool Board::OpenCard()
{
    if (int(card_) >= PciBridgeDevice::CountCards())
        return false;
    if (device_.OpenCard(card_) != PlxSuccess)
        return false;
    deviceOpen_ = true;
    if (creator_) {
        if (device_.Reset() != PlxSuccess)
            return false;
        Sleep(200);
        for (unsigned ch = 0; ch < 2; ++ch) {
            device_.DmaClose(ch);
            if (device_.DmaOpen(ch) != PlxSuccess || device_.EnableInterrupt(ch ? IntDma1Enable : IntDma0Enable) != PlxSuccess)
                return false;
        }
    }
    if (device_.RegisterNotification(NotifySource::Dma0Done) != PlxSuccess ||
        device_.RegisterNotification(NotifySource::Dma1Done) != PlxSuccess)
        return false;
    return device_.MapBar(3, bar3_) == PlxSuccess && device_.MapBar(0, bar0_) == PlxSuccess;
}

bool Board::ResetCard()
{
    registers_.WriteBit(reg::Control, ctl::ResetHold, true);
    if (!ClearScreen())
        return false;
    if (!settings_.ResetChips())
        return false;
    return settings_.SetUpChips();
}

void Board::CloseCard(bool lastUser)
{
    if (!deviceOpen_)
        return;
    if (lastUser) {
        device_.DisableInterrupt(IntDma0Enable);
        device_.DisableInterrupt(IntDma1Enable);
    }
    if (bar3_)
        device_.UnmapBar(bar3_);
    if (bar0_)
        device_.UnmapBar(bar0_);
    bar3_ = bar0_ = 0;
    registers_.Detach();
    device_.DisableInterrupt(IntLocal);
    device_.Close();
    deviceOpen_ = false;
}

int Board::Shutdown()
{
    if (openCount_ <= 0)
        return 0;
    if (openCount_ > 1) {
        MutexLock lock(boardMutex_);
        --openCount_;
        return 1;
    }
    // Every thread of this process stops before anything it uses is freed, whether or not
    // the callers closed their field events.
    StopWriter();
    StopAllFieldEvents();

    state_ = StateClosing;
    MutexLock lock(boardMutex_);
    openCount_ = 0;
    bool last = userCount_ && userCounted_ && InterlockedDecrement(userCount_) == 0;
    userCounted_ = false;
    if (last) {
        creator_ = true;
        settings_.ShutdownChips();
    }
    UnmapSharedMemory();
    CloseCard(last);
    settings_.ResetState();
    mode_ = 1;
    state_ = StateClosed;
    return 1;
}

int Board::RegisterFieldEvent(const wchar_t* name)
{
    if (!name)
        return 0;
    {
        CsLock lock(eventLock_);
        bool free = false;
        for (HANDLE h : events_)
            free = free || h == nullptr;
        if (!free)
            return 0;
    }
    CsLock service(serviceLock_);
    if (!interruptRunning_) {
        if (device_.EnableInterrupt(IntLocalEnable) != PlxSuccess ||
            device_.RegisterNotification(NotifySource::Local) != PlxSuccess)
            return 0;
        // Manual reset: the thread's notification wait and its loop test both see it.
        interruptStop_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (interruptStop_)
            interruptThread_.reset(CreateThread(nullptr, 0, InterruptThreadMain, this, 0, nullptr));
        if (!interruptThread_) {
            interruptStop_.reset();
            device_.CancelNotification(NotifySource::Local);
            return 0;
        }
        interruptRunning_ = true;
    }
    HANDLE ev = CreateEventW(nullptr, FALSE, FALSE, name);
    if (!ev)
        return 0;
    CsLock lock(eventLock_);
    for (unsigned i = 0; i < kFieldEventSlots; ++i) {
        if (!events_[i]) {
            events_[i] = ev;
            eventNames_[i] = name;
            return 1;
        }
    }
    CloseHandle(ev);
    return 0;
}

void Board::UnregisterFieldEvent(const wchar_t* name)
{
    if (!name)
        return;
    bool empty = true;
    {
        // The interrupt thread signals under the same lock, so a handle is never set after
        // it is closed.
        CsLock lock(eventLock_);
        for (unsigned i = 0; i < kFieldEventSlots; ++i) {
            if (events_[i] && eventNames_[i] == name) {
                CloseHandle(events_[i]);
                events_[i] = nullptr;
                eventNames_[i].clear();
            }
            empty = empty && !events_[i];
        }
    }
    if (empty)
        StopInterruptThread();
}

void Board::StopAllFieldEvents()
{
    {
        CsLock lock(eventLock_);
        for (unsigned i = 0; i < kFieldEventSlots; ++i) {
            if (events_[i])
                CloseHandle(events_[i]);
            events_[i] = nullptr;
            eventNames_[i].clear();
        }
    }
    StopInterruptThread();
}

void Board::StopInterruptThread()
{
    CsLock service(serviceLock_);
    if (!interruptRunning_)
        return;
    SetEvent(interruptStop_.get());
    WaitForSingleObject(interruptThread_.get(), INFINITE);
    interruptThread_.reset();
    interruptStop_.reset();
    device_.CancelNotification(NotifySource::Local);
    interruptRunning_ = false;
}

DWORD WINAPI Board::InterruptThreadMain(void* self)
{
    return static_cast<Board*>(self)->InterruptLoop();
}

DWORD Board::InterruptLoop()
{
    HANDLE stop = interruptStop_.get();
    while (state_ != StateReady) {
        if (WaitForSingleObject(stop, 100) == WAIT_OBJECT_0)
            return 0;
    }
    registers_.WriteBit(reg::Control, ctl::FieldInterrupt, true);
    while (WaitForSingleObject(stop, 0) != WAIT_OBJECT_0) {
        if (device_.EnableInterrupt(IntLocalEnable) != PlxSuccess)
            return 1;
        if (device_.WaitNotification(NotifySource::Local, 1000, stop) == PlxSuccess) {
            registers_.PulseBit(reg::Control, ctl::FieldAck);
            {
                CsLock lock(eventLock_);
                for (HANDLE h : events_) {
                    if (h)
                        SetEvent(h);
                }
            }
            Sleep(5);
        } else {
            Sleep(1);
        }
    }
    return 0;
}

bool Board::StartWriter()
{
    if (!RegisterFieldEvent(writerEventName_.c_str()))
        return false;
    writerStop_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (writerStop_)
        writerThread_.reset(CreateThread(nullptr, 0, WriterThreadMain, this, 0, nullptr));
    if (!writerThread_) {
        writerStop_.reset();
        UnregisterFieldEvent(writerEventName_.c_str());
        return false;
    }
    return true;
}

void Board::StopWriter()
{
    if (!writerThread_)
        return;
    UnregisterFieldEvent(writerEventName_.c_str());
    SetEvent(writerStop_.get());
    WaitForSingleObject(writerThread_.get(), INFINITE);
    writerThread_.reset();
    writerStop_.reset();
}

DWORD WINAPI Board::WriterThreadMain(void* self)
{
    return static_cast<Board*>(self)->WriterLoop();
}

bool Board::FinishPendingTransfer()
{
    if (!pendingBuffer_)
        return true;
    pendingBuffer_ = 0;
    return device_.DmaWaitDone(0, kDmaWaitMs) == PlxSuccess;
}

DWORD Board::WriterLoop()
{
    AlignedBuffer a(kCardPageBytes), b(kCardPageBytes);
    if (!a.p || !b.p)
        return 1;
    std::memset(a.p, 0, kCardPageBytes);
    std::memset(b.p, 0, kCardPageBytes);
    // Opened by name: the table owns its own handle, which an unregistration may close.
    UniqueHandle field(OpenEventW(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, writerEventName_.c_str()));
    HANDLE waits[2] = {writerStop_.get(), field.get()};
    const uint32_t rowBytes = kRowPixels * 4;
    // Every process using the card runs a writer, but only one at a time sends the shared
    // frame, so two processes never have transfers of the same channel in flight at once.
    // When the sending process leaves, the next writer to see a field takes over.
    bool sender = false;
    for (;;) {
        DWORD r = WaitForMultipleObjects(field ? 2 : 1, waits, FALSE, 1000);
        if (r == WAIT_OBJECT_0)
            break;
        if (r != WAIT_OBJECT_0 + 1)
            continue;
        if (!sender) {
            DWORD role = WaitForSingleObject(writerRole_, 0);
            sender = role == WAIT_OBJECT_0 || role == WAIT_ABANDONED;
            if (!sender)
                continue;
        }
        uint32_t count = registers_.Read(reg::FieldNumber) & 3;
        int target = count < 2 ? 1 : 2;
        uint8_t* buffer = target == 1 ? a.p : b.p;
        if (pendingBuffer_ == target) {
            // Never rewrite a buffer the card is still reading.
            MutexLock lock(dma0_.get());
            FinishPendingTransfer();
        }
        const uint8_t* src = reinterpret_cast<const uint8_t*>(frame_);
        for (uint32_t row = count & 1; row < 576; row += 2)
            std::memcpy(buffer + row * rowBytes, src + row * rowBytes, rowBytes);
        if (count == 1 || count == 3)
            continue;
        uint32_t page = count == 0 ? 1 : 0;
        uint8_t* send = count == 0 ? b.p : a.p;
        SelectDisplayPage(page);
        MutexLock lock(dma0_.get());
        if (!FinishPendingTransfer())
            continue;  // completion not confirmed: skip this field's transfer
        if (device_.DmaStart(0, send, page ? kCardPage1 : 0, kCardPageBytes, false) == PlxSuccess)
            pendingBuffer_ = count == 0 ? 2 : 1;
    }
    {
        MutexLock lock(dma0_.get());
        FinishPendingTransfer();
    }
    if (sender)
        ReleaseMutex(writerRole_);
    return 0;
}

void Board::SelectDisplayPage(uint32_t page)
{
    registers_.WriteBit(reg::Control, ctl::PageLatch, false);
    registers_.Write(reg::DisplayPage, page);
    registers_.WriteBit(reg::Control, ctl::PageLatch, true);
}

int Board::DmaTransfer(unsigned channel, void* host, uint32_t cardAddress, uint32_t bytes, bool cardToHost)
{
    if (channel > 1 || !host)
        return 0;
    MutexLock lock(dmaMutex(channel));
    if (channel == 0 && !FinishPendingTransfer())
        return 0;
    return device_.DmaTransfer(channel, host, cardAddress, bytes, cardToHost, kDmaWaitMs) == PlxSuccess ? 1 : 0;
}

int Board::ClearScreen()
{
    if (!frame_)
        return 0;
    AlignedBuffer zero(kCardPageBytes);
    if (!zero.p)
        return 0;
    std::memset(zero.p, 0, kCardPageBytes);
    std::memcpy(frame_, zero.p, kCardPageBytes);
    return DmaTransfer(0, zero.p, 0, kCardPageBytes, false) && DmaTransfer(0, zero.p, kCardPage1, kCardPageBytes, false)
               ? 1
               : 0;
}

int Board::ReadVideoSample(void* pixels)
{
    return DmaTransfer(0, pixels, kSampleAddress, kCardPageBytes, true);
}

}  // namespace ovx
