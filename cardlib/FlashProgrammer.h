// The programmer of the FPGA's serial configuration device (EPCS1, EPCS4 or EPCS16). It takes
// the device from the FPGA through the bridge's pin port (BAR 2), drives its four pins by
// software, and reads, erases, writes and verifies it. It must not run while the card is in
// normal use.
#ifndef OVX500U_FLASHPROGRAMMER_H
#define OVX500U_FLASHPROGRAMMER_H

#include <cstdint>
#include <string>
#include <vector>
#include <windows.h>

#include "PciBridgeDevice.h"
#include "Win32Handles.h"

namespace ovx {

enum FlashPhase { FlashIdle = 0, FlashProgramming = 1, FlashReading = 2, FlashVerifying = 3 };

class FlashProgrammer {
public:
    static const int kWrongFile = -20;

    explicit FlashProgrammer(unsigned card);

    // Each answers 1 for success and 0 for failure; a file larger than the device gives -20.
    int Program(const uint8_t* data, uint32_t size, bool verify = true);
    int ProgramFile(const wchar_t* path, bool verify = true);
    int Verify(const uint8_t* data, uint32_t size);
    int VerifyFile(const wchar_t* path);
    // Reads the whole device.
    int Read(std::vector<uint8_t>& data);
    int ReadToFile(const wchar_t* path);

    void GetProgress(int& phase, int& percent);

    // How long a busy device is waited for before the operation fails.
    void SetBusyLimits(DWORD eraseMs, DWORD writeMs);

private:
    enum Steps { StepErase = 1, StepWrite = 2, StepVerify = 4 };
    int Run(const uint8_t* data, uint32_t size, int steps);
    bool Open();
    void Close();
    void Begin();
    void End();
    int Identify(uint32_t dataSize);
    bool Erase();
    bool Write(const uint8_t* data, uint32_t size);
    bool ReadBack(uint8_t* out, uint32_t size, bool compare, const uint8_t* expected);
    bool WaitNotBusy(DWORD limitMs);

    void SetPins(uint32_t state);
    void SendByte(uint8_t byte);
    uint8_t ReceiveByte();
    void Chip(bool select);
    void Command(uint8_t opcode);
    void Address(uint32_t address);
    void SetProgress(int phase, int percent);

    unsigned card_;
    PciBridgeDevice device_;
    uintptr_t bar0_ = 0;
    uintptr_t bar2_ = 0;
    uint32_t pins_ = 0x2C;
    uint32_t deviceSize_ = 0;
    DWORD eraseLimitMs_ = 120000;
    DWORD writeLimitMs_ = 1000;
    CriticalSection progressLock_;
    int phase_ = FlashIdle;
    int percent_ = 0;
};

bool ReadWholeFile(const wchar_t* path, std::vector<uint8_t>& data);

}  // namespace ovx

#endif
