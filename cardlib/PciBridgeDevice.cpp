#include "PciBridgeDevice.h"

#include <cstring>
#include <cwchar>

#include "BridgePort.h"

namespace ovx {
namespace {

// Searched in order: the card maker's drivers, three unused entries, the generic PLX drivers;
// "0" ends the table.
const wchar_t* const kDriverNames[] = {
    L"Ovx500",   L"Ovx500pro", L"Ovx500u",  L"BvOvx500", L"Bv9054",  L"BvPci",   L"BvPciSdk", L"BvPlxSdk",
    L"",         L"",          L"",         L"Plx8000",  L"Plx6000", L"Plx9050", L"Plx9030",  L"Plx9080",
    L"Plx9054",  L"Plx9056",   L"Plx9656",  L"Plx8311",  L"PlxSvc",  L"0",
};

bool IsServiceDriver(const wchar_t* name)
{
    return std::wcsstr(name, L"PlxSvc") != nullptr;
}

void PutPointer(uint32_t* block, uint32_t word, const void* p)
{
    uint64_t v = reinterpret_cast<uintptr_t>(p);
    block[word] = static_cast<uint32_t>(v);
    block[word + 1] = static_cast<uint32_t>(v >> 32);
}

uintptr_t GetPointer(const uint32_t* block, uint32_t word)
{
    uint64_t v = block[word] | (static_cast<uint64_t>(block[word + 1]) << 32);
    return static_cast<uintptr_t>(v);
}

const uint32_t kNotifyCodes[3] = {IntLocal, IntDma0Done, IntDma1Done};

}  // namespace

std::wstring DriverDevicePath(const wchar_t* name, uint32_t deviceNumber)
{
    std::wstring path = L"\\\\.\\";
    path += name;
    if (!IsServiceDriver(name)) {
        wchar_t suffix[16];
        swprintf(suffix, 16, L"-%u", deviceNumber);
        path += suffix;
    }
    return path;
}

PciBridgeDevice::PciBridgeDevice() : tag_(kTagClosed), key_(), keyFilled_(false), driver_(-1), handle_(nullptr)
{
    std::memset(bars_, 0, sizeof bars_);
    std::memset(notes_, 0, sizeof notes_);
}

PciBridgeDevice::~PciBridgeDevice()
{
    if (IsValid())
        Close();
}

int PciBridgeDevice::CountCards()
{
    int count = 0;
    for (unsigned index = 0; index < kMaxMatchIndex; ++index) {
        PciBridgeDevice probe;
        if (probe.Find(index) == PlxSuccess && !IsServiceDriver(kDriverNames[probe.driver_]))
            ++count;
    }
    return count;
}

uint32_t PciBridgeDevice::Find(unsigned index)
{
    bool anyOpened = false;
    uint32_t before = 0;  // matches reported by the drivers searched so far
    for (int d = 0; std::wcscmp(kDriverNames[d], L"0") != 0; ++d) {
        const wchar_t* name = kDriverNames[d];
        if (!*name)
            continue;  // unused entries would make paths like "\\.\-0"
        HANDLE h = Bridge().open(DriverDevicePath(name, 0).c_str());
        if (h == INVALID_HANDLE_VALUE || h == nullptr)
            continue;
        anyOpened = true;
        uint32_t block[kPlxBlockWords] = {};
        block[WKeyLocation] = 0x00FFFFFF;
        block[WKeyIds] = kCardVendorId | (uint32_t(kCardDeviceId) << 16);
        block[WKeySubsystem] = 0xFFFFFFFF;
        block[WKeyIndex] = 0xFFFFFFFF;
        block[WKeyDeviceNo] = 0xFFFFFFFF;
        block[WArg0] = index >= before ? index - before : 0;
        block[WStatus] = PlxFailed;
        BOOL ok = Bridge().request(h, IoFindDevice, block, kPlxBlockBytes);
        Bridge().close(h);
        if (ok && block[WStatus] == PlxSuccess) {
            std::memcpy(key_.words, &block[WKeyLocation], sizeof key_.words);
            keyFilled_ = true;
            driver_ = d;
            return PlxSuccess;
        }
        if (ok)
            before += block[WArg0];
    }
    return anyOpened ? PlxInvalidObject : PlxNoDriver;
}

uint32_t PciBridgeDevice::OpenCard(unsigned index)
{
    if (IsValid())
        return PlxInvalidObject;
    if (!keyFilled_) {
        uint32_t st = Find(index);
        if (st != PlxSuccess)
            return st;
    }
    if (IsServiceDriver(kDriverNames[driver_]))
        return PlxInvalidObject;
    HANDLE h = Bridge().open(DriverDevicePath(kDriverNames[driver_], key_.words[WKeyDeviceNo - 1]).c_str());
    if (h == INVALID_HANDLE_VALUE || h == nullptr)
        return PlxNoDriver;
    handle_ = h;
    tag_ = kTagValid;  // the version request below needs a valid object
    uint32_t version = 0;
    if (DriverVersion(version) != PlxSuccess || version != kDriverVersionAccepted) {
        Bridge().close(handle_);
        handle_ = nullptr;
        tag_ = kTagClosed;
        return PlxBadVersion;
    }
    return PlxSuccess;
}

uint32_t PciBridgeDevice::Close()
{
    if (!IsValid())
        return PlxInvalidObject;
    for (int s = 0; s < 3; ++s)
        CancelNotification(static_cast<NotifySource>(s));
    Bridge().close(handle_);
    handle_ = nullptr;
    tag_ = kTagClosed;
    std::memset(bars_, 0, sizeof bars_);
    return PlxSuccess;
}

void PciBridgeDevice::FillKey(uint32_t* block) const
{
    std::memcpy(&block[WKeyLocation], key_.words, sizeof key_.words);
}

uint32_t PciBridgeDevice::Send(uint32_t code, uint32_t* block)
{
    if (!IsValid())
        return PlxInvalidObject;
    FillKey(block);
    block[WStatus] = PlxFailed;
    if (!Bridge().request(handle_, code, block, kPlxBlockBytes))
        return PlxFailed;
    return block[WStatus];
}

uint32_t PciBridgeDevice::DriverVersion(uint32_t& version)
{
    uint32_t block[kPlxBlockWords] = {};
    uint32_t st = Send(IoDriverVersion, block);
    if (st == PlxSuccess)
        version = block[WArg0] & 0xFFFFFF;
    return st;
}

uint32_t PciBridgeDevice::Reset()
{
    uint32_t block[kPlxBlockWords] = {};
    return Send(IoResetDevice, block);
}

uint32_t PciBridgeDevice::MapBar(unsigned bar, uintptr_t& address)
{
    if (!IsValid())
        return PlxInvalidObject;
    if (bar > 5)
        return PlxInvalidBar;
    BarEntry& e = bars_[bar];
    if (e.uses > 0) {
        ++e.uses;
        address = e.address;
        return PlxSuccess;
    }
    uint32_t block[kPlxBlockWords] = {};
    block[WArg0] = bar;
    uint32_t st = Send(IoMapBar, block);
    if (st != PlxSuccess)
        return st;
    uintptr_t a = GetPointer(block, WArg1);
    if (!a)
        return PlxInvalidAddress;
    e.address = a;
    e.size = block[WArg3];
    e.uses = 1;
    address = a;
    return PlxSuccess;
}

uint32_t PciBridgeDevice::UnmapBar(uintptr_t address)
{
    if (!IsValid())
        return PlxInvalidObject;
    for (unsigned bar = 0; bar < 6; ++bar) {
        BarEntry& e = bars_[bar];
        if (e.uses == 0 || e.address != address)
            continue;
        if (--e.uses > 0)
            return PlxSuccess;
        uint32_t block[kPlxBlockWords] = {};
        block[WArg0] = bar;
        PutPointer(block, WArg1, reinterpret_cast<void*>(address));
        e.address = 0;
        return Send(IoUnmapBar, block);
    }
    return PlxInvalidAddress;
}

uint32_t PciBridgeDevice::PciRead(uint32_t offset, uint32_t& value)
{
    uint32_t block[kPlxBlockWords] = {};
    block[WArg0] = offset & 0xFFFF;
    uint32_t st = Send(IoPciRead, block);
    if (st == PlxSuccess)
        value = block[WArg1];
    return st;
}

uint32_t PciBridgeDevice::PciWrite(uint32_t offset, uint32_t value)
{
    uint32_t block[kPlxBlockWords] = {};
    block[WArg0] = offset & 0xFFFF;
    block[WArg1] = value;
    return Send(IoPciWrite, block);
}

uint32_t PciBridgeDevice::LocalRegisterRead(uint32_t offset, uint32_t& value)
{
    uint32_t block[kPlxBlockWords] = {};
    block[WArg0] = offset & 0xFFFF;
    uint32_t st = Send(IoRegisterRead, block);
    if (st == PlxSuccess)
        value = block[WArg1];
    return st;
}

uint32_t PciBridgeDevice::LocalRegisterWrite(uint32_t offset, uint32_t value)
{
    uint32_t block[kPlxBlockWords] = {};
    block[WArg0] = offset & 0xFFFF;
    block[WArg1] = value;
    return Send(IoRegisterWrite, block);
}

uint32_t PciBridgeDevice::LocalBlockRead(uint32_t space, uint32_t address, void* buffer, uint32_t bytes)
{
    if (!buffer)
        return PlxNullParam;
    uint32_t block[kPlxBlockWords] = {};
    block[WArg0] = space;
    block[WArg1] = address;
    PutPointer(block, WArg2, buffer);
    block[WArg4] = bytes;
    block[WArg5] = 4;
    return Send(IoLocalBlockRead, block);
}

uint32_t PciBridgeDevice::LocalBlockWrite(uint32_t space, uint32_t address, const void* buffer, uint32_t bytes)
{
    if (!buffer)
        return PlxNullParam;
    uint32_t block[kPlxBlockWords] = {};
    block[WArg0] = space;
    block[WArg1] = address;
    PutPointer(block, WArg2, buffer);
    block[WArg4] = bytes;
    block[WArg5] = 4;
    return Send(IoLocalBlockWrite, block);
}

uint32_t PciBridgeDevice::Query(uint32_t& value)
{
    uint32_t block[kPlxBlockWords] = {};
    uint32_t st = Send(IoQuery, block);
    if (st == PlxSuccess)
        value = block[WArg0];
    return st;
}

uint32_t PciBridgeDevice::EnableInterrupt(uint32_t code)
{
    uint32_t block[kPlxBlockWords] = {};
    block[WArg0] = code & 0xFF;
    return Send(IoInterruptEnable, block);
}

uint32_t PciBridgeDevice::DisableInterrupt(uint32_t code)
{
    uint32_t block[kPlxBlockWords] = {};
    block[WArg0] = code & 0xFF;
    return Send(IoInterruptDisable, block);
}

uint32_t PciBridgeDevice::RegisterNotification(NotifySource source)
{
    if (!IsValid())
        return PlxInvalidObject;
    Notification& n = notes_[static_cast<int>(source)];
    if (n.registered)
        return PlxSuccess;
    HANDLE ev = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!ev)
        return PlxNoResources;
    uint32_t block[kPlxBlockWords] = {};
    block[WArg0] = kNotifyCodes[static_cast<int>(source)];
    uint32_t* rec = &block[kNotifyRecordWord];
    rec[0] = kNotifyTag;
    PutPointer(rec, 1, ev);
    rec[3] = kNotifyCodes[static_cast<int>(source)];
    uint32_t st = Send(IoNotifyRegister, block);
    if (st != PlxSuccess) {
        CloseHandle(ev);
        return st;
    }
    n.event = ev;
    std::memcpy(n.record, rec, sizeof n.record);
    n.registered = true;
    return PlxSuccess;
}

uint32_t PciBridgeDevice::CancelNotification(NotifySource source)
{
    Notification& n = notes_[static_cast<int>(source)];
    if (!n.registered)
        return PlxSuccess;
    uint32_t block[kPlxBlockWords] = {};
    std::memcpy(&block[kNotifyRecordWord], n.record, sizeof n.record);
    uint32_t st = Send(IoNotifyCancel, block);
    CloseHandle(n.event);
    n.event = nullptr;
    n.registered = false;
    return st;
}

uint32_t PciBridgeDevice::WaitNotification(NotifySource source, DWORD timeoutMs, HANDLE wakeEarly)
{
    Notification& n = notes_[static_cast<int>(source)];
    if (!n.registered || !n.event)
        return PlxInvalidHandle;
    HANDLE waits[2] = {n.event, wakeEarly};
    switch (WaitForMultipleObjects(wakeEarly ? 2 : 1, waits, FALSE, timeoutMs)) {
    case WAIT_OBJECT_0 + 1:
        return PlxWaitTimeout;
    case WAIT_OBJECT_0:
        ResetEvent(n.event);
        return PlxSuccess;
    case WAIT_TIMEOUT:
        return PlxWaitTimeout;
    case WAIT_ABANDONED:
        return PlxWaitAbandoned;
    default:
        return GetLastError() == ERROR_INVALID_HANDLE ? PlxInvalidHandle : PlxFailed;
    }
}

uint32_t PciBridgeDevice::DmaOpen(unsigned channel)
{
    uint32_t block[kPlxBlockWords] = {};
    block[WArg0] = channel;
    return Send(IoDmaOpen, block);
}

uint32_t PciBridgeDevice::DmaClose(unsigned channel)
{
    uint32_t block[kPlxBlockWords] = {};
    block[WArg0] = channel;
    uint32_t st = Send(IoDmaClose, block);
    if (st == PlxDmaChannelBusy) {
        Reset();
        uint32_t retry[kPlxBlockWords] = {};
        retry[WArg0] = channel;
        st = Send(IoDmaClose, retry);
    }
    return st;
}

bool PciBridgeDevice::DmaSource(unsigned channel, NotifySource& source)
{
    if (channel == 0)
        source = NotifySource::Dma0Done;
    else if (channel == 1)
        source = NotifySource::Dma1Done;
    else
        return false;
    return true;
}

uint32_t PciBridgeDevice::DmaStart(unsigned channel, void* host, uint32_t cardAddress, uint32_t bytes,
                                   bool cardToHost)
{
    if (!host)
        return PlxNullParam;
    uint32_t block[kPlxBlockWords] = {};
    block[WArg0] = channel;
    uint32_t* rec = &block[kTransferRecordWord];
    PutPointer(rec, 0, host);
    rec[2] = cardAddress;
    rec[3] = bytes;
    rec[4] = cardToHost ? kDmaCardToHost : 0;
    return Send(IoDmaTransfer, block);
}

uint32_t PciBridgeDevice::DmaTransfer(unsigned channel, void* host, uint32_t cardAddress, uint32_t bytes,
                                      bool cardToHost, DWORD timeoutMs)
{
    NotifySource source;
    if (!DmaSource(channel, source))
        return PlxBadDmaChannel;
    bool own = !notes_[static_cast<int>(source)].registered;
    uint32_t st = RegisterNotification(source);
    if (st != PlxSuccess)
        return st;
    st = DmaStart(channel, host, cardAddress, bytes, cardToHost);
    if (st == PlxSuccess)
        st = WaitNotification(source, timeoutMs);
    if (own)
        CancelNotification(source);
    return st;
}

uint32_t PciBridgeDevice::DmaWaitDone(unsigned channel, DWORD timeoutMs)
{
    NotifySource source;
    if (!DmaSource(channel, source))
        return PlxBadDmaChannel;
    return WaitNotification(source, timeoutMs);
}

}  // namespace ovx
