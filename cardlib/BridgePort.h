// The one seam between the library and the PCI bridge driver: the device file (open by
// path, requests, close) and the register windows the driver maps into the process.
//
// The shipped library is linked with BridgePortWin32.cpp (CreateFileW, DeviceIoControl,
// volatile loads and stores). The tests link the same library sources with a port that
// forwards to the simulated card instead; nothing of the simulator reaches the shipped DLL.
#ifndef OVX500U_BRIDGEPORT_H
#define OVX500U_BRIDGEPORT_H

#include <cstdint>
#include <windows.h>

namespace ovx {

struct BridgePort {
    // Opens "\\.\<name>[-n]" for reading and writing; INVALID_HANDLE_VALUE when it does not exist.
    HANDLE (*open)(const wchar_t* path);
    // One request: the 120-byte block is both input and output. FALSE when the request failed.
    BOOL (*request)(HANDLE device, uint32_t code, void* block, uint32_t bytes);
    void (*close)(HANDLE device);
    // 32-bit access to a mapped register window at byte offset.
    uint32_t (*read32)(uintptr_t window, uint32_t offset);
    void (*write32)(uintptr_t window, uint32_t offset, uint32_t value);
};

// The port this build of the library talks through.
const BridgePort& Bridge();

}  // namespace ovx

#endif
