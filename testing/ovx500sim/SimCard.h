// The simulated Ovx500 card: a model of the PCI bridge driver and the card behind it, for
// tests only. Its state (registers, chips, settings memory, flash, card memory, counters) lives
// in a named file mapping, so every process of a test run sees the same card; interrupt and
// DMA notifications are delivered to the process that caused them (or ticked the field).
#ifndef OVX500SIM_SIMCARD_H
#define OVX500SIM_SIMCARD_H

#include <cstdint>
#include <windows.h>

#if defined(OVX500SIM_BUILD)
#define SIM_API __declspec(dllexport)
#else
#define SIM_API __declspec(dllimport)
#endif

namespace sim {

struct Driver {
    wchar_t name[16];
    uint32_t deviceNumber;
    uint32_t version;  // major << 16 | minor << 8 | revision
    uint32_t cards;    // cards this driver finds
};

struct Counters {
    uint32_t requests[64];  // by (code - 0x222000) / 4
    uint32_t requestsOnClosedHandle;
    uint32_t openHandles;  // in this process
    uint32_t deviceResets;
    uint32_t chipResets;
    uint32_t chipResetTooShort;
    uint32_t fieldAcks;
    uint32_t fieldReads;
    uint32_t dmaTransfers[2];  // started
    uint32_t dmaOverlaps[2];   // started while the channel's previous transfer was in flight
    uint32_t lastDmaCardAddress[2];
    uint32_t lastDmaBytes[2];
    uint32_t lastDmaToHost[2];
    uint32_t eepromWrites;
    uint32_t eepromNackedBusy;
    uint32_t iicNacks;
    uint32_t iicTransactions;  // start conditions
    uint32_t iicViolations;    // the master drove the data line while a chip was to drive it
    uint32_t sampleRequests;
    uint32_t displayedPage;
    uint32_t flashCommands[256];
};

struct Faults {
    uint32_t decoderAbsent;         // the decoder never acknowledges
    uint32_t decoderIgnoresWrites;  // acknowledges, keeps its old values
    uint32_t readyNever;            // the IIC port's ready bit never comes
    uint32_t testRegisterStuckBits; // OR-ed into every value written to register 80
    uint32_t flipCardMemoryWord;    // 1 + word index to flip after each DMA write (0: none)
    uint32_t eepromDropAddress;     // 1 + address whose writes are lost (0: none)
    uint32_t flashBusyForever;      // the status register reports write-in-progress forever
    uint32_t dmaCloseBusyOnce;      // the next DMA close answers 538
};

// Installs the drivers and powers the card on: everything volatile to power-on values, the
// settings memory blank (0xFF) unless keepSettings, the flash erased unless keepSettings.
SIM_API void Install(const Driver* drivers, unsigned count, bool keepSettings);
// The default: one card maker driver "Ovx500" (device 0, version 5.1.0) with one card.
SIM_API void InstallDefault(bool keepSettings);
SIM_API void PowerCycle();
SIM_API void SetFaults(const Faults& faults);

SIM_API Counters GetCounters();
SIM_API uint32_t Register(uint32_t offset);
SIM_API uint8_t DecoderRegister(uint8_t reg);
SIM_API uint8_t EncoderRegister(unsigned encoder, uint8_t reg);
SIM_API uint8_t Eeprom(uint8_t address);
SIM_API void SetEeprom(uint8_t address, uint8_t value);
SIM_API void SetDecoderStatus(uint8_t status1F);
SIM_API void ReadCardMemory(uint32_t offset, void* out, uint32_t bytes);
SIM_API void SetFlashId(uint8_t id);
SIM_API void ReadFlash(uint32_t offset, void* out, uint32_t bytes);
// Status reads during which a program or erase stays busy.
SIM_API void SetFlashBusyReads(uint32_t reads);
SIM_API uint32_t FlashPinWrites();
SIM_API bool FlashOwnedByProgrammer();

// Advances the field counter and raises the field interrupt in this process, after waiting
// (bounded) until the library's interrupt thread is listening; then waits until it has
// acknowledged. false on time-out.
SIM_API bool TickField(DWORD timeoutMs = 5000);
// Waits (bounded) until the field number register has been read n times in all.
SIM_API bool WaitFieldReads(uint32_t n, DWORD timeoutMs = 5000);
SIM_API bool WaitDmaTransfers(unsigned channel, uint32_t n, DWORD timeoutMs = 5000);

// With manual DMA, transfers started in this process stay in flight (host memory untouched,
// no done notification) until CompleteDma; the copy is made at completion, so a host buffer
// rewritten while in flight reaches the card rewritten.
SIM_API void SetManualDma(bool manual);
SIM_API bool DmaInFlight(unsigned channel);
// Completes the channel's transfer in flight; false when none was.
SIM_API bool CompleteDma(unsigned channel);

// The driver side of the library's bridge port.
SIM_API HANDLE DriverOpen(const wchar_t* path);
SIM_API BOOL DriverRequest(HANDLE device, uint32_t code, void* block, uint32_t bytes);
SIM_API void DriverClose(HANDLE device);
SIM_API uint32_t MmioRead32(uintptr_t window, uint32_t offset);
SIM_API void MmioWrite32(uintptr_t window, uint32_t offset, uint32_t value);

}  // namespace sim

#endif
