// The board object of one open card: start-up and shutdown shared across processes, the
// overlay frame in shared memory, the field-event table, and the two threads of the card: the
// interrupt thread, which turns the card's field interrupt into the registered field events,
// and the field writer, which moves the overlay frame to the card field by field by DMA.
#ifndef OVX500U_BOARD_H
#define OVX500U_BOARD_H

#include <cstdint>
#include <string>
#include <windows.h>

#include "Win32Handles.h"

namespace ovx {

class PciBridgeDevice;
class CardRegisters;
class VideoSettings;

const uint32_t kFrameBytes = 8294400;  // 1920 x 1080 x 4
const uint32_t kFramePixels = kFrameBytes / 4;
const uint32_t kRowPixels = 720;
const uint32_t kCardPageBytes = 0x195000;  // 720 x 576 x 4
const uint32_t kCardPage1 = 0x195000;
const uint32_t kSampleAddress = 0x654000;
const unsigned kFieldEventSlots = 256;
const DWORD kDmaWaitMs = 1000;

enum BoardState : LONG { StateStarting = 0, StateReady = 50, StateClosing = 150, StateClosed = 200 };

class Board {
public:
    // writerRole: held by the one field writer, across processes, that sends the shared frame.
    Board(unsigned card, HANDLE boardMutex, HANDLE writerRole, PciBridgeDevice& device, CardRegisters& registers,
          VideoSettings& settings);
    ~Board();
    Board(const Board&) = delete;
    Board& operator=(const Board&) = delete;

    // 1 when the card is up in this process. A nested call only counts; a failed start-up is
    // undone entirely, so the next call tries again.
    int Startup(int mode);
    // The process's last close shuts the card down (the last process also shuts the chips
    // down); earlier nested closes only count. 1 on success.
    int Shutdown();
    bool lastClose() const { return openCount_ <= 1; }

    int RegisterFieldEvent(const wchar_t* name);
    void UnregisterFieldEvent(const wchar_t* name);

    int ClearScreen();
    int ReadVideoSample(void* pixels);
    // Transfers on a DMA channel under its named mutex, after any transfer of the field writer.
    int DmaTransfer(unsigned channel, void* host, uint32_t cardAddress, uint32_t bytes, bool cardToHost);
    HANDLE dmaMutex(unsigned channel) const { return channel ? dma1_.get() : dma0_.get(); }

    uint32_t* frame() const { return frame_; }
    unsigned card() const { return card_; }
    LONG state() const { return state_; }
    int mode() const { return mode_; }
    bool creator() const { return creator_; }
    uint32_t boardVersion() const { return boardVersion_; }

private:
    static DWORD WINAPI InterruptThreadMain(void* self);
    static DWORD WINAPI WriterThreadMain(void* self);
    DWORD InterruptLoop();
    DWORD WriterLoop();

    bool StartupFirst();
    bool MapSharedMemory();
    bool OpenCard();
    bool ResetCard();
    bool StartWriter();
    void StopWriter();
    void StopAllFieldEvents();
    void StopInterruptThread();
    void CloseCard(bool lastUser);
    void UnmapSharedMemory();
    void SelectDisplayPage(uint32_t page);
    // Under the channel-0 mutex: waits for the writer's transfer still in flight, if any.
    bool FinishPendingTransfer();

    unsigned card_;
    HANDLE boardMutex_;
    HANDLE writerRole_;
    PciBridgeDevice& device_;
    CardRegisters& registers_;
    VideoSettings& settings_;

    volatile LONG state_ = StateClosed;
    int mode_ = 1;
    bool creator_ = false;
    int openCount_ = 0;
    bool userCounted_ = false;
    uint32_t boardVersion_ = 0;

    UniqueHandle controlMapping_;
    volatile LONG* userCount_ = nullptr;
    UniqueHandle frameMapping_;
    uint32_t* frame_ = nullptr;
    uintptr_t bar3_ = 0;
    uintptr_t bar0_ = 0;
    bool deviceOpen_ = false;

    UniqueHandle dma0_;
    UniqueHandle dma1_;
    // The field writer's transfer in flight on channel 0 (guarded by the channel-0 mutex):
    // 0 none, 1 buffer A, 2 buffer B.
    int pendingBuffer_ = 0;

    // Starting and stopping the interrupt thread; never held by that thread itself.
    CriticalSection serviceLock_;
    CriticalSection eventLock_;
    HANDLE events_[kFieldEventSlots];
    std::wstring eventNames_[kFieldEventSlots];
    bool interruptRunning_ = false;
    UniqueHandle interruptThread_;
    UniqueHandle interruptStop_;

    UniqueHandle writerThread_;
    UniqueHandle writerStop_;
    std::wstring writerEventName_;
};

}  // namespace ovx

#endif
