#include "IicBus.h"

#include <cstring>

#include "CardRegisters.h"
#include "Win32Handles.h"

namespace ovx {
namespace {

const uint32_t kSdaOut = 1u << 0;
const uint32_t kSdaRelease = 1u << 1;
const uint32_t kScl = 1u << 2;
const uint32_t kStrobe = 1u << 3;
const uint32_t kSdaIn = 1u << 4;
const uint32_t kReady = 1u << 5;
const uint32_t kOutputs = kSdaOut | kSdaRelease | kScl;

// The port answers within microseconds; a card that has not answered after this long is
// taken as dead rather than waited for.
const double kReadyLimitSeconds = 0.010;

double Seconds()
{
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return double(c.QuadPart) / double(f.QuadPart);
}

}  // namespace

IicBus::IicBus(CardRegisters& registers, HANDLE busMutex) : registers_(registers), mutex_(busMutex) {}

bool IicBus::Strobe(uint32_t port)
{
    port &= kOutputs;
    registers_.Write(reg::IicPort, port | kStrobe);
    registers_.Write(reg::IicPort, port);
    double deadline = 0;
    for (int polls = 0;; ++polls) {
        if (registers_.Read(reg::IicPort) & kReady)
            return true;
        if (polls == 8)
            deadline = Seconds() + kReadyLimitSeconds;
        else if (polls > 8 && Seconds() > deadline)
            return false;
        if (polls >= 8)
            SwitchToThread();
    }
}

bool IicBus::SetSda(bool level)
{
    uint32_t port = registers_.Read(reg::IicPort) & ~kSdaRelease;
    port = level ? (port | kSdaOut) : (port & ~kSdaOut);
    return Strobe(port);
}

bool IicBus::ReleaseSda()
{
    return Strobe(registers_.Read(reg::IicPort) | kSdaRelease);
}

bool IicBus::ReadSda(bool& level)
{
    if (!ReleaseSda())
        return false;
    level = (registers_.Read(reg::IicPort) & kSdaIn) != 0;
    return true;
}

bool IicBus::SetScl(bool level)
{
    uint32_t port = registers_.Read(reg::IicPort);
    port = level ? (port | kScl) : (port & ~kScl);
    return Strobe(port);
}

bool IicBus::Start()
{
    return SetSda(true) && SetScl(true) && SetSda(false) && SetScl(false);
}

bool IicBus::Stop()
{
    return SetSda(false) && SetScl(true) && SetSda(true);
}

bool IicBus::SendByte(uint8_t byte, bool& acked)
{
    if (!SetScl(false))
        return false;
    for (int bit = 7; bit >= 0; --bit) {
        if (!SetSda(((byte >> bit) & 1) != 0) || !SetScl(true) || !SetScl(false))
            return false;
    }
    // The chip drives the acknowledge: the line is released before the clock rises.
    bool level = true;
    if (!ReleaseSda() || !SetScl(true) || !ReadSda(level) || !SetScl(false))
        return false;
    acked = !level;
    return true;
}

bool IicBus::ReceiveByte(uint8_t& byte, bool last)
{
    if (!SetScl(false) || !ReleaseSda())
        return false;
    uint8_t value = 0;
    for (int i = 0; i < 8; ++i) {
        bool level = false;
        if (!SetScl(true) || !ReadSda(level) || !SetScl(false))
            return false;
        value = uint8_t((value << 1) | (level ? 1 : 0));
    }
    if (!SetSda(last) || !SetScl(true) || !SetScl(false))
        return false;
    byte = value;
    return true;
}

bool IicBus::Write(uint8_t device, uint8_t reg, const uint8_t* bytes, unsigned count)
{
    MutexLock lock(mutex_);
    bool acked = false;
    bool ok = Start() && SendByte(uint8_t(device & ~1u), acked) && acked && SendByte(reg, acked) && acked;
    for (unsigned i = 0; ok && i < count; ++i)
        ok = SendByte(bytes[i], acked) && acked;
    bool stopped = Stop();
    return ok && stopped;
}

bool IicBus::Read(uint8_t device, uint8_t reg, uint8_t* buffer, unsigned count)
{
    if (count == 0)
        return true;
    MutexLock lock(mutex_);
    bool acked = false;
    bool ok = Start() && SendByte(uint8_t(device & ~1u), acked) && acked && SendByte(reg, acked) && acked &&
              Start() && SendByte(uint8_t(device | 1u), acked) && acked;
    for (unsigned i = 0; ok && i < count; ++i)
        ok = ReceiveByte(buffer[i], i + 1 == count);
    bool stopped = Stop();
    return ok && stopped;
}

bool IicBus::WriteField(uint8_t device, uint8_t reg, uint8_t value, unsigned shift, unsigned width)
{
    uint8_t old = 0;
    if (!Read(device, reg, &old, 1))
        return false;
    uint8_t mask = uint8_t(((1u << width) - 1) << shift);
    uint8_t v = uint8_t((old & ~mask) | ((value << shift) & mask));
    return Write(device, reg, &v, 1);
}

IicChip::IicChip(IicBus& bus, uint8_t address, bool writeOnly) : bus_(bus), address_(address), writeOnly_(writeOnly)
{
    std::memset(shadow_, 0, sizeof shadow_);
}

bool IicChip::Write(uint8_t reg, uint8_t value)
{
    if (writeOnly_)
        shadow_[reg] = value;
    return bus_.Write(address_, reg, &value, 1);
}

bool IicChip::Read(uint8_t reg, uint8_t& value)
{
    if (writeOnly_) {
        value = shadow_[reg];
        return true;
    }
    return bus_.Read(address_, reg, &value, 1);
}

bool IicChip::WriteField(uint8_t reg, uint8_t value, unsigned shift, unsigned width)
{
    if (!writeOnly_)
        return bus_.WriteField(address_, reg, value, shift, width);
    uint8_t mask = uint8_t(((1u << width) - 1) << shift);
    return Write(reg, uint8_t((shadow_[reg] & ~mask) | ((value << shift) & mask)));
}

}  // namespace ovx
