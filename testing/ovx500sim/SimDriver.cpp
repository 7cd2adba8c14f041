// The simulated bridge driver: device files by path, the requests in the library's block
// layout, register windows, interrupt and DMA-done notifications, DMA, and the control API
// the tests use.
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "../../cardlib/PlxDriver.h"
#include "SimState.h"

namespace sim {
namespace {

using namespace ovx;

const wchar_t kStateName[] = L"RvxOvx500SimulatedCardState";
const uint32_t kWindowBytes = 0x10000;

struct Notification {
    uint32_t source;
    HANDLE event;
    uint32_t cookie;
};

struct ProcessState {
    HANDLE mapping = nullptr;
    Shared* shared = nullptr;
    HANDLE changed = nullptr;
    CRITICAL_SECTION lock;  // guards the fields below
    std::vector<Notification> notes;
    std::vector<HANDLE> open;
    std::vector<uint32_t> openDriver;
    uint32_t nextHandle = 0x51C0;
    uint32_t nextCookie = 1;
    bool localEnabled = false;
    bool manualDma = false;
    struct Transfer {
        bool active;
        uint8_t* host;
        uint32_t local, bytes;
        bool toHost;
    } inFlight[2] = {};
    uintptr_t windows[6] = {};

    ProcessState()
    {
        InitializeCriticalSection(&lock);
        changed = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(Shared), kStateName);
        shared = static_cast<Shared*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
        // Windows no library code may dereference: every access must go through the port.
        for (int bar : {0, 2, 3})
            windows[bar] = reinterpret_cast<uintptr_t>(VirtualAlloc(nullptr, kWindowBytes, MEM_RESERVE, PAGE_NOACCESS));
    }
};

ProcessState& Process()
{
    static ProcessState p;
    return p;
}

struct ProcessLock {
    ProcessLock() { EnterCriticalSection(&Process().lock); }
    ~ProcessLock() { LeaveCriticalSection(&Process().lock); }
};

void Signal(uint32_t source)
{
    ProcessLock lock;
    for (const Notification& n : Process().notes) {
        if (n.source == source)
            SetEvent(n.event);
    }
}

const Driver kDefaultDriver = {L"Ovx500", 0, (5u << 16) | (1u << 8), 1};

int DriverOfHandle(HANDLE h)
{
    ProcessLock lock;
    ProcessState& p = Process();
    for (size_t i = 0; i < p.open.size(); ++i) {
        if (p.open[i] == h)
            return int(p.openDriver[i]);
    }
    return -1;
}

int WindowBar(uintptr_t window)
{
    for (int bar = 0; bar < 6; ++bar) {
        if (Process().windows[bar] && Process().windows[bar] == window)
            return bar;
    }
    return -1;
}

uintptr_t Pointer(const uint32_t* words)
{
    return uintptr_t(words[0] | (uint64_t(words[1]) << 32));
}

template <typename Pred>
bool WaitUntil(Pred pred, DWORD timeoutMs)
{
    ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        ResetEvent(Process().changed);
        if (pred())
            return true;
        if (GetTickCount64() > deadline)
            return false;
        WaitForSingleObject(Process().changed, 20);
    }
}

void Copy(Shared& s, uint32_t ch, uint8_t* host, uint32_t local, uint32_t bytes, bool toHost)
{
    if (toHost) {
        std::memcpy(host, s.cardMemory + local, bytes);
        return;
    }
    std::memcpy(s.cardMemory + local, host, bytes);
    uint32_t flip = s.faults.flipCardMemoryWord;
    if (flip && (flip - 1) * 4 >= local && (flip - 1) * 4 < local + bytes)
        reinterpret_cast<uint32_t*>(s.cardMemory)[flip - 1] ^= 0x00010000;
    (void)ch;
}

uint32_t Dma(Shared& s, uint32_t* block)
{
    uint32_t ch = block[WArg0];
    if (ch > 1)
        return PlxBadDmaChannel;
    const uint32_t* rec = &block[kTransferRecordWord];
    uint8_t* host = reinterpret_cast<uint8_t*>(Pointer(rec));
    uint32_t local = rec[2], bytes = rec[3];
    bool toHost = (rec[4] & kDmaCardToHost) != 0;
    if (!host)
        return PlxNullParam;
    {
        Lock lock;
        if (!s.dmaOpen[ch])
            return PlxFailed;
        if (local > kCardMemoryBytes || bytes > kCardMemoryBytes - local)
            return PlxInvalidAddress;
        ProcessState& p = Process();
        if (p.inFlight[ch].active)
            s.counters.dmaOverlaps[ch]++;
        s.counters.dmaTransfers[ch]++;
        s.counters.lastDmaCardAddress[ch] = local;
        s.counters.lastDmaBytes[ch] = bytes;
        s.counters.lastDmaToHost[ch] = toHost;
        if (p.manualDma) {
            ProcessState::Transfer t = {true, host, local, bytes, toHost};
            p.inFlight[ch] = t;
        } else {
            Copy(s, ch, host, local, bytes, toHost);
        }
    }
    NotifyChange();
    if (Process().manualDma)
        return PlxSuccess;
    if (s.dmaIntEnabled[ch])
        Signal(ch ? IntDma1Done : IntDma0Done);
    NotifyChange();
    return PlxSuccess;
}

uint32_t Handle(Shared& s, int driver, uint32_t code, uint32_t* block)
{
    const Driver& d = s.drivers[driver];
    switch (code) {
    case IoDriverVersion:
        block[WArg0] = d.version;
        return PlxSuccess;
    case IoResetDevice: {
        Lock lock;
        s.counters.deviceResets++;
        return PlxSuccess;
    }
    case IoFindDevice: {
        uint32_t ids = block[WKeyIds];
        bool match = (ids & 0xFFFF) == 0xFFFF || (ids & 0xFFFF) == kCardVendorId;
        match = match && ((ids >> 16) == 0xFFFF || (ids >> 16) == kCardDeviceId);
        uint32_t index = block[WArg0];
        if (!match || index >= d.cards) {
            block[WArg0] = match ? d.cards : 0;
            return PlxFailed;
        }
        block[WKeyLocation] = 1 | ((index + 2) << 8);
        block[WKeyIds] = kCardVendorId | (uint32_t(kCardDeviceId) << 16);
        block[WKeySubsystem] = 0;
        block[WKeyIndex] = index;
        block[WKeyDeviceNo] = d.deviceNumber;
        return PlxSuccess;
    }
    case IoMapBar: {
        uint32_t bar = block[WArg0];
        if (bar > 5)
            return PlxInvalidBar;
        uintptr_t w = Process().windows[bar];
        if (!w)
            return PlxFailed;
        uint64_t v = w;
        block[WArg1] = uint32_t(v);
        block[WArg2] = uint32_t(v >> 32);
        block[WArg3] = kWindowBytes;
        return PlxSuccess;
    }
    case IoUnmapBar:
        return PlxSuccess;
    case IoPciRead:
        block[WArg1] = kCardVendorId | (uint32_t(kCardDeviceId) << 16);
        return PlxSuccess;
    case IoPciWrite:
    case IoQuery:
        block[WArg0] = 1;
        return PlxSuccess;
    case IoLocalBlockRead:
    case IoLocalBlockWrite: {
        if (block[WArg0] != 3 || block[WArg4] != 4)
            return PlxFailed;
        uint32_t* buffer = reinterpret_cast<uint32_t*>(Pointer(&block[WArg2]));
        Lock lock;
        if (code == IoLocalBlockRead)
            *buffer = ReadCardRegister(s, block[WArg1]);
        else
            WriteCardRegister(s, block[WArg1], *buffer);
        return PlxSuccess;
    }
    case IoRegisterRead: {
        Lock lock;
        block[WArg1] = ReadBridgeRegister(s, block[WArg0]);
        return PlxSuccess;
    }
    case IoRegisterWrite: {
        Lock lock;
        WriteBridgeRegister(s, block[WArg0], block[WArg1]);
        return PlxSuccess;
    }
    case IoInterruptEnable:
    case IoInterruptDisable: {
        bool on = code == IoInterruptEnable;
        uint32_t c = block[WArg0] & 0xFF;
        if (c == IntLocalEnable || c == IntLocal) {
            ProcessLock lock;
            Process().localEnabled = on;
        } else if (c == IntDma0Enable || c == IntDma1Enable) {
            Lock lock;
            s.dmaIntEnabled[c == IntDma1Enable] = on;
        }
        NotifyChange();
        return PlxSuccess;
    }
    case IoNotifyRegister: {
        uint32_t* rec = &block[kNotifyRecordWord];
        HANDLE ev = reinterpret_cast<HANDLE>(Pointer(&rec[1]));
        if (!ev)
            return PlxNullParam;
        ProcessLock lock;
        Notification n = {block[WArg0] & 0xFF, ev, Process().nextCookie++};
        Process().notes.push_back(n);
        rec[4] = n.cookie;
        return PlxSuccess;
    }
    case IoNotifyCancel: {
        uint32_t cookie = block[kNotifyRecordWord + 4];
        ProcessLock lock;
        std::vector<Notification>& notes = Process().notes;
        for (size_t i = 0; i < notes.size(); ++i) {
            if (notes[i].cookie == cookie) {
                notes.erase(notes.begin() + long(i));
                return PlxSuccess;
            }
        }
        return PlxFailed;
    }
    case IoDmaOpen:
    case IoDmaClose: {
        uint32_t ch = block[WArg0];
        if (ch > 1)
            return PlxBadDmaChannel;
        Lock lock;
        if (code == IoDmaClose && s.faults.dmaCloseBusyOnce) {
            s.faults.dmaCloseBusyOnce = 0;
            return PlxDmaChannelBusy;
        }
        s.dmaOpen[ch] = code == IoDmaOpen;
        return PlxSuccess;
    }
    case IoDmaTransfer:
        return Dma(s, block);
    default:
        return PlxFailed;
    }
}

}  // namespace

Shared& State()
{
    return *Process().shared;
}

Lock::Lock()
{
    volatile LONG* spin = &State().spin;
    for (int n = 0; InterlockedCompareExchange(spin, 1, 0) != 0; ++n) {
        if (n > 64)
            SwitchToThread();
    }
}

Lock::~Lock()
{
    InterlockedExchange(&State().spin, 0);
}

int64_t NowTicks()
{
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return c.QuadPart;
}

int64_t TicksPerMs()
{
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f.QuadPart / 1000;
}

void NotifyChange()
{
    SetEvent(Process().changed);
}

void Install(const Driver* drivers, unsigned count, bool keepSettings)
{
    Shared& s = State();
    Lock lock;
    s.driverCount = count < kMaxDrivers ? count : kMaxDrivers;
    for (unsigned i = 0; i < s.driverCount; ++i)
        s.drivers[i] = drivers[i];
    if (!keepSettings || !s.initialized) {
        std::memset(s.eeprom, 0xFF, sizeof s.eeprom);
        std::memset(s.flashMemory, 0xFF, sizeof s.flashMemory);
        s.flash.id = 0x12;
        s.flash.busyReadsSetting = 3;
    }
    std::memset(&s.faults, 0, sizeof s.faults);
    std::memset(&s.counters, 0, sizeof s.counters);
    std::memset(s.cardMemory, 0, sizeof s.cardMemory);
    PowerOnVolatile(s);
    s.initialized = 1;
    Process().manualDma = false;
    Process().inFlight[0].active = Process().inFlight[1].active = false;
}

void InstallDefault(bool keepSettings)
{
    Install(&kDefaultDriver, 1, keepSettings);
}

void PowerCycle()
{
    Lock lock;
    PowerOnVolatile(State());
}

void SetFaults(const Faults& faults)
{
    Lock lock;
    State().faults = faults;
}

Counters GetCounters()
{
    Counters c;
    {
        Lock lock;
        c = State().counters;
    }
    ProcessLock lock;
    c.openHandles = uint32_t(Process().open.size());
    return c;
}

uint32_t Register(uint32_t offset)
{
    Lock lock;
    return State().regs[(offset / 4) & 63];
}

uint8_t DecoderRegister(uint8_t reg)
{
    Lock lock;
    return State().decoder[reg];
}

uint8_t EncoderRegister(unsigned encoder, uint8_t reg)
{
    Lock lock;
    return State().encoder[encoder & 1][reg];
}

uint8_t Eeprom(uint8_t address)
{
    Lock lock;
    return State().eeprom[address];
}

void SetEeprom(uint8_t address, uint8_t value)
{
    Lock lock;
    State().eeprom[address] = value;
}

void SetDecoderStatus(uint8_t status1F)
{
    Lock lock;
    State().decoderStatus = status1F;
}

void ReadCardMemory(uint32_t offset, void* out, uint32_t bytes)
{
    Lock lock;
    if (offset <= kCardMemoryBytes && bytes <= kCardMemoryBytes - offset)
        std::memcpy(out, State().cardMemory + offset, bytes);
}

void SetFlashId(uint8_t id)
{
    Lock lock;
    State().flash.id = id;
}

void ReadFlash(uint32_t offset, void* out, uint32_t bytes)
{
    Lock lock;
    if (offset <= kFlashBytes && bytes <= kFlashBytes - offset)
        std::memcpy(out, State().flashMemory + offset, bytes);
}

void SetFlashBusyReads(uint32_t reads)
{
    Lock lock;
    State().flash.busyReadsSetting = reads;
}

uint32_t FlashPinWrites()
{
    Lock lock;
    return State().flash.pinWrites;
}

bool FlashOwnedByProgrammer()
{
    Lock lock;
    const Shared& s = State();
    return !(s.bridge[0x6C / 4] & (1u << 16)) || !(s.bridge[24 / 4] & (1u << 6)) || !(s.flash.pins & (1u << 3));
}

bool TickField(DWORD timeoutMs)
{
    Shared& s = State();
    bool listening = WaitUntil(
        [&] {
            ProcessLock lock;
            return Process().localEnabled && (Register(16) & 2) != 0;
        },
        timeoutMs);
    if (!listening)
        return false;
    uint32_t acks;
    {
        Lock lock;
        acks = s.counters.fieldAcks;
        s.regs[24 / 4]++;
    }
    {
        ProcessLock lock;
        Process().localEnabled = false;  // the bridge masks its interrupt until re-enabled
    }
    Signal(IntLocal);
    return WaitUntil([&] { return GetCounters().fieldAcks > acks; }, timeoutMs);
}

bool WaitFieldReads(uint32_t n, DWORD timeoutMs)
{
    return WaitUntil([&] { return GetCounters().fieldReads >= n; }, timeoutMs);
}

bool WaitDmaTransfers(unsigned channel, uint32_t n, DWORD timeoutMs)
{
    return WaitUntil([&] { return GetCounters().dmaTransfers[channel & 1] >= n; }, timeoutMs);
}

void SetManualDma(bool manual)
{
    Lock lock;
    Process().manualDma = manual;
}

bool DmaInFlight(unsigned channel)
{
    Lock lock;
    return Process().inFlight[channel & 1].active;
}

bool CompleteDma(unsigned channel)
{
    Shared& s = State();
    unsigned ch = channel & 1;
    {
        Lock lock;
        ProcessState::Transfer& t = Process().inFlight[ch];
        if (!t.active)
            return false;
        Copy(s, ch, t.host, t.local, t.bytes, t.toHost);
        t.active = false;
    }
    if (s.dmaIntEnabled[ch])
        Signal(ch ? IntDma1Done : IntDma0Done);
    NotifyChange();
    return true;
}

HANDLE DriverOpen(const wchar_t* path)
{
    Shared& s = State();
    const wchar_t* prefix = L"\\\\.\\";
    if (!path || std::wcsncmp(path, prefix, 4) != 0)
        return INVALID_HANDLE_VALUE;
    std::wstring rest = path + 4;
    for (uint32_t d = 0; d < s.driverCount; ++d) {
        std::wstring name = s.drivers[d].name;
        bool service = name.find(L"PlxSvc") != std::wstring::npos;
        bool match = false;
        if (service) {
            match = rest == name;
        } else if (rest.compare(0, name.size(), name) == 0 && rest.size() > name.size() + 1 &&
                   rest[name.size()] == L'-') {
            // Finding goes through device 0; an open names the driver's own device number.
            uint32_t n = uint32_t(std::wcstoul(rest.c_str() + name.size() + 1, nullptr, 10));
            match = n == 0 || n == s.drivers[d].deviceNumber;
        }
        if (!match)
            continue;
        ProcessLock lock;
        ProcessState& p = Process();
        HANDLE h = reinterpret_cast<HANDLE>(uintptr_t(p.nextHandle));
        p.nextHandle += 4;
        p.open.push_back(h);
        p.openDriver.push_back(d);
        return h;
    }
    return INVALID_HANDLE_VALUE;
}

BOOL DriverRequest(HANDLE device, uint32_t code, void* block, uint32_t bytes)
{
    Shared& s = State();
    uint32_t* words = static_cast<uint32_t*>(block);
    {
        Lock lock;
        if (code >= 0x222000 && code < 0x222100)
            s.counters.requests[((code - 0x222000) / 4) & 63]++;
    }
    int driver = DriverOfHandle(device);
    if (driver < 0) {
        Lock lock;
        s.counters.requestsOnClosedHandle++;
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!block || bytes != kPlxBlockBytes) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    words[WStatus] = Handle(s, driver, code, words);
    return TRUE;
}

void DriverClose(HANDLE device)
{
    ProcessLock lock;
    ProcessState& p = Process();
    for (size_t i = 0; i < p.open.size(); ++i) {
        if (p.open[i] == device) {
            p.open.erase(p.open.begin() + long(i));
            p.openDriver.erase(p.openDriver.begin() + long(i));
            return;
        }
    }
}

uint32_t MmioRead32(uintptr_t window, uint32_t offset)
{
    int bar = WindowBar(window);
    Lock lock;
    if (bar == 3)
        return ReadCardRegister(State(), offset);
    if (bar == 0)
        return ReadBridgeRegister(State(), offset);
    return 0xFFFFFFFF;
}

void MmioWrite32(uintptr_t window, uint32_t offset, uint32_t value)
{
    int bar = WindowBar(window);
    Lock lock;
    if (bar == 3)
        WriteCardRegister(State(), offset, value);
    else if (bar == 0)
        WriteBridgeRegister(State(), offset, value);
    else if (bar == 2)
        WritePinPort(State(), offset / 4);
}

}  // namespace sim
