// The bridge port of the shipped library: the real driver's device file and the register
// windows it maps into this process.
#include "BridgePort.h"

namespace ovx {
namespace {

HANDLE OpenDevice(const wchar_t* path)
{
    return CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, 0, nullptr);
}

BOOL Request(HANDLE device, uint32_t code, void* block, uint32_t bytes)
{
    DWORD returned = 0;
    return DeviceIoControl(device, code, block, bytes, block, bytes, &returned, nullptr);
}

void CloseDevice(HANDLE device)
{
    CloseHandle(device);
}

uint32_t Read32(uintptr_t window, uint32_t offset)
{
    return *reinterpret_cast<volatile uint32_t*>(window + offset);
}

void Write32(uintptr_t window, uint32_t offset, uint32_t value)
{
    *reinterpret_cast<volatile uint32_t*>(window + offset) = value;
}

const BridgePort kWin32Port = {OpenDevice, Request, CloseDevice, Read32, Write32};

}  // namespace

const BridgePort& Bridge()
{
    return kWin32Port;
}

}  // namespace ovx
