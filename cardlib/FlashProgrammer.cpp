#include "FlashProgrammer.h"

#include <cstdio>

#include "BridgePort.h"

namespace ovx {
namespace {

const uint32_t kDclk = 1u << 6;
const uint32_t kNcs = 1u << 5;
const uint32_t kAsdi = 1u << 4;
const uint32_t kHandA = 1u << 3;
const uint32_t kHandB = 1u << 2;
const uint32_t kReadEnable = (1u << 8) | (1u << 9);
const uint32_t kIdlePins = 0x2C;  // nCS high, both hand-over pins high

const uint32_t kBridgeOwner = 24;      // bit 6 cleared while the programmer owns the device
const uint32_t kBridgeControl = 0x6C;  // bit 16: 0 while owned; bit 17: the device's DATA line

uint8_t Reverse(uint8_t b)
{
    uint8_t r = 0;
    for (int i = 0; i < 8; ++i)
        r = uint8_t(r | (((b >> i) & 1) << (7 - i)));
    return r;
}

double Now()
{
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return double(c.QuadPart) / double(f.QuadPart);
}

}  // namespace

bool ReadWholeFile(const wchar_t* path, std::vector<uint8_t>& data)
{
    UniqueHandle f(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!f)
        return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(f.get(), &size) || size.QuadPart > 64 * 1024 * 1024)
        return false;
    data.resize(size_t(size.QuadPart));
    DWORD got = 0;
    return data.empty() || (ReadFile(f.get(), data.data(), DWORD(data.size()), &got, nullptr) && got == data.size());
}

FlashProgrammer::FlashProgrammer(unsigned card) : card_(card) {}

void FlashProgrammer::SetBusyLimits(DWORD eraseMs, DWORD writeMs)
{
    eraseLimitMs_ = eraseMs;
    writeLimitMs_ = writeMs;
}

void FlashProgrammer::SetProgress(int phase, int percent)
{
    CsLock lock(progressLock_);
    phase_ = phase;
    percent_ = percent;
}

void FlashProgrammer::GetProgress(int& phase, int& percent)
{
    CsLock lock(progressLock_);
    phase = phase_;
    percent = percent_;
}

void FlashProgrammer::SetPins(uint32_t state)
{
    pins_ = state;
    // The pin port decodes the word address; the value written does not matter.
    Bridge().write32(bar2_, 4 * state, 0);
}

void FlashProgrammer::SendByte(uint8_t byte)
{
    for (int i = 0; i < 8; ++i) {
        uint32_t p = (pins_ & ~(kDclk | kAsdi)) | (((byte >> i) & 1) ? kAsdi : 0);
        SetPins(p);
        SetPins(p | kDclk);
    }
}

uint8_t FlashProgrammer::ReceiveByte()
{
    uint8_t b = 0;
    for (int i = 0; i < 8; ++i) {
        SetPins((pins_ & ~kDclk) | kReadEnable);
        SetPins(pins_ | kDclk);
        if (Bridge().read32(bar0_, kBridgeControl) & (1u << 17))
            b = uint8_t(b | (1u << i));
    }
    return b;
}

void FlashProgrammer::Chip(bool select)
{
    SetPins(select ? (pins_ & ~(kNcs | kDclk)) : (pins_ | kNcs));
}

void FlashProgrammer::Command(uint8_t opcode)
{
    SendByte(Reverse(opcode));
}

void FlashProgrammer::Address(uint32_t address)
{
    SendByte(Reverse(uint8_t(address >> 16)));
    SendByte(Reverse(uint8_t(address >> 8)));
    SendByte(Reverse(uint8_t(address)));
}

bool FlashProgrammer::Open()
{
    if (device_.OpenCard(card_) != PlxSuccess)
        return false;
    if (device_.MapBar(0, bar0_) != PlxSuccess || device_.MapBar(2, bar2_) != PlxSuccess) {
        device_.Close();
        bar0_ = bar2_ = 0;
        return false;
    }
    Bridge().write32(bar0_, kBridgeOwner, Bridge().read32(bar0_, kBridgeOwner) & ~(1u << 6));
    SetPins(kIdlePins);
    Bridge().write32(bar0_, kBridgeControl, Bridge().read32(bar0_, kBridgeControl) & ~(1u << 16));
    return true;
}

void FlashProgrammer::Close()
{
    if (!device_.IsValid())
        return;
    Bridge().write32(bar0_, kBridgeControl, Bridge().read32(bar0_, kBridgeControl) | (1u << 16));
    SetPins(kIdlePins);
    Bridge().write32(bar0_, kBridgeOwner, Bridge().read32(bar0_, kBridgeOwner) | (1u << 6));
    device_.UnmapBar(bar2_);
    device_.UnmapBar(bar0_);
    bar0_ = bar2_ = 0;
    device_.Close();
}

void FlashProgrammer::Begin()
{
    SetPins((pins_ & ~kHandA) | kHandB | kNcs);
}

void FlashProgrammer::End()
{
    SetPins((pins_ & ~kHandB) | kHandA | kNcs);
}

int FlashProgrammer::Identify(uint32_t dataSize)
{
    Chip(true);
    Command(0xAB);
    for (int i = 0; i < 3; ++i)
        SendByte(0);
    uint8_t id = Reverse(ReceiveByte());
    Chip(false);
    int epcs = 0;
    switch (id) {
    case 0x10: epcs = 1; break;
    case 0x12: epcs = 4; break;
    case 0x14: epcs = 16; break;
    default:
        std::printf("\nError: Unsupported Device");
        return 0;
    }
    deviceSize_ = (1u << 17) * uint32_t(epcs);
    std::printf("\nInfo: Silicon ID - 0x%x \n", id);
    std::printf("Info: Serial Configuration Device - EPCS%d\n", epcs);
    if (dataSize != 255 && deviceSize_ < dataSize) {
        std::printf("\nError: Wrong programming file");
        return kWrongFile;
    }
    return 1;
}

bool FlashProgrammer::WaitNotBusy(DWORD limitMs)
{
    // A missing device floats the line and reads busy forever; give up after the limit.
    double deadline = Now() + limitMs / 1000.0;
    Chip(true);
    Command(0x05);
    bool ready = false;
    for (;;) {
        uint8_t status = Reverse(ReceiveByte());
        if (!(status & 1)) {
            ready = true;
            break;
        }
        if (Now() > deadline)
            break;
    }
    Chip(false);
    return ready;
}

bool FlashProgrammer::Erase()
{
    Chip(true);
    Command(0x06);
    Chip(false);
    Chip(true);
    Command(0xC7);
    Chip(false);
    std::printf("Info: Erasing...\n");
    if (!WaitNotBusy(eraseLimitMs_))
        return false;
    std::printf("Info: Erase Done");
    return true;
}

bool FlashProgrammer::Write(const uint8_t* data, uint32_t size)
{
    std::printf("\nInfo: Start programming process.\n");
    SetProgress(FlashProgramming, 0);
    Chip(true);
    Command(0x06);
    Chip(false);
    std::printf("\nInfo: Programming...\n");
    uint32_t pages = (size + 255) / 256;
    for (uint32_t k = 0; k < pages; ++k) {
        uint32_t address = k * 256;
        uint32_t n = size - address < 256 ? size - address : 256;
        Chip(true);
        Command(0x06);
        Chip(false);
        Chip(true);
        Command(0x02);
        Address(address);
        for (uint32_t i = 0; i < n; ++i)
            SendByte(data[address + i]);
        Chip(false);
        if (!WaitNotBusy(writeLimitMs_))
            return false;
        SetProgress(FlashProgramming, int(k * 100 / pages));
    }
    SetProgress(FlashProgramming, 100);
    std::printf("Info: Programming successful\n");
    return true;
}

bool FlashProgrammer::ReadBack(uint8_t* out, uint32_t size, bool compare, const uint8_t* expected)
{
    int phase = compare ? FlashVerifying : FlashReading;
    std::printf(compare ? "Info: Verifying...\n" : "Info: Reading...\n");
    SetProgress(phase, 0);
    Chip(true);
    Command(0x03);
    Address(0);
    bool same = true;
    for (uint32_t i = 0; i < size; ++i) {
        uint8_t b = ReceiveByte();
        if (compare && b != expected[i]) {
            same = false;
            break;
        }
        if (!compare)
            out[i] = b;
        if ((i & 255) == 255)
            SetProgress(phase, int(uint64_t(i) * 100 / size));
    }
    Chip(false);
    if (!same)
        return false;
    std::printf(compare ? "Info: Verify completed\n" : "Info: Read successful\n");
    SetProgress(phase, 100);
    return true;
}

int FlashProgrammer::Run(const uint8_t* data, uint32_t size, int steps)
{
    if (!data && size)
        return 0;
    // One maintenance operation on the card at a time, across processes.
    UniqueHandle exclusive(CreateMutexW(nullptr, FALSE, CardObjectName(L"BrivantCardMutex1_", card_).c_str()));
    MutexLock lock(exclusive.get());
    if (!Open())
        return 0;
    Begin();
    int result = Identify(size);
    if (result == 1 && (steps & StepErase))
        result = Erase() ? 1 : 0;
    if (result == 1 && (steps & StepWrite))
        result = Write(data, size) ? 1 : 0;
    if (result == 1 && (steps & StepVerify))
        result = ReadBack(nullptr, size, true, data) ? 1 : 0;
    End();
    Close();
    return result;
}

int FlashProgrammer::Program(const uint8_t* data, uint32_t size, bool verify)
{
    return Run(data, size, StepErase | StepWrite | (verify ? StepVerify : 0));
}

int FlashProgrammer::Verify(const uint8_t* data, uint32_t size)
{
    return Run(data, size, StepVerify);
}

int FlashProgrammer::ProgramFile(const wchar_t* path, bool verify)
{
    std::vector<uint8_t> data;
    if (!ReadWholeFile(path, data))
        return 0;
    return Program(data.data(), uint32_t(data.size()), verify);
}

int FlashProgrammer::VerifyFile(const wchar_t* path)
{
    std::vector<uint8_t> data;
    if (!ReadWholeFile(path, data))
        return 0;
    return Verify(data.data(), uint32_t(data.size()));
}

int FlashProgrammer::Read(std::vector<uint8_t>& data)
{
    UniqueHandle exclusive(CreateMutexW(nullptr, FALSE, CardObjectName(L"BrivantCardMutex1_", card_).c_str()));
    MutexLock lock(exclusive.get());
    if (!Open())
        return 0;
    Begin();
    int result = Identify(255);
    if (result == 1) {
        data.assign(deviceSize_, 0);
        result = ReadBack(data.data(), deviceSize_, false, nullptr) ? 1 : 0;
    }
    End();
    Close();
    return result;
}

int FlashProgrammer::ReadToFile(const wchar_t* path)
{
    std::vector<uint8_t> data;
    if (!Read(data))
        return 0;
    UniqueHandle f(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return f && WriteFile(f.get(), data.data(), DWORD(data.size()), &written, nullptr) && written == data.size() ? 1
                                                                                                               : 0;
}

}  // namespace ovx
