#include "CardRegisters.h"

#include "BridgePort.h"
#include "PciBridgeDevice.h"
#include "Win32Handles.h"

namespace ovx {

namespace {
const uint32_t kLocalSpaceRegisters = 3;
}

CardRegisters::CardRegisters(PciBridgeDevice& device, HANDLE registerMutex) : device_(device), mutex_(registerMutex)
{
}

void CardRegisters::Attach(uintptr_t window, uint32_t boardVersion)
{
    window_ = window;
    boardVersion_ = boardVersion;
}

void CardRegisters::Detach()
{
    window_ = 0;
}

uint32_t CardRegisters::Read(uint32_t offset)
{
    if (boardVersion_ >= kFirstMappedBoardVersion) {
        if (!window_)
            return 0;
        return Bridge().read32(window_, offset);
    }
    uint32_t value = 0;
    device_.LocalBlockRead(kLocalSpaceRegisters, offset, &value, 4);
    return value;
}

void CardRegisters::Write(uint32_t offset, uint32_t value)
{
    if (boardVersion_ >= kFirstMappedBoardVersion) {
        if (window_)
            Bridge().write32(window_, offset, value);
        return;
    }
    device_.LocalBlockWrite(kLocalSpaceRegisters, offset, &value, 4);
}

void CardRegisters::WriteBit(uint32_t offset, unsigned bit, bool set)
{
    MutexLock lock(mutex_);
    uint32_t v = Read(offset);
    v = set ? (v | (1u << bit)) : (v & ~(1u << bit));
    Write(offset, v);
}

void CardRegisters::WriteField(uint32_t offset, unsigned shift, unsigned width, uint32_t value)
{
    MutexLock lock(mutex_);
    uint32_t mask = (width >= 32 ? 0xFFFFFFFFu : ((1u << width) - 1)) << shift;
    uint32_t v = Read(offset);
    v = (v & ~mask) | ((value << shift) & mask);
    Write(offset, v);
}

void CardRegisters::PulseBit(uint32_t offset, unsigned bit)
{
    MutexLock lock(mutex_);
    uint32_t v = Read(offset) & ~(1u << bit);
    Write(offset, v);
    Write(offset, v | (1u << bit));
    Write(offset, v);
}

}  // namespace ovx
