// The simulated card's state shared by every process of a test run, and the per-process part.
#ifndef OVX500SIM_SIMSTATE_H
#define OVX500SIM_SIMSTATE_H

#include <cstdint>
#include <windows.h>

#include "SimCard.h"

namespace sim {

const uint32_t kCardMemoryBytes = 8u << 20;
const uint32_t kFlashBytes = 2u << 20;
const unsigned kMaxDrivers = 24;

enum BusState { BusIdle, BusAddr, BusAddrAck, BusRx, BusRxAck, BusTx, BusTxAck, BusIgnore };

struct Bus {
    uint32_t masterSda, scl, line;
    uint32_t slaveLow;
    uint32_t state, bits, shift;
    uint32_t device, rw, firstByte;
    uint32_t txByte, bitsOut, ackedByMaster;
    uint32_t pointer[3];  // decoder, unused, eeprom
    uint32_t pending[32], pendingCount, pendingStart;
    int64_t eepromBusyUntil;
    uint32_t readyCountdown;
};

struct Flash {
    uint32_t id;
    uint32_t csLow, dclk, data;
    uint32_t inBits, shift, opcode, address;
    uint32_t page[256], pageCount;
    uint32_t writeEnable, busyReads, busyReadsSetting;
    uint32_t pinWrites;
    uint32_t pins;
};

struct Shared {
    volatile LONG spin;
    uint32_t initialized;
    Driver drivers[kMaxDrivers];
    uint32_t driverCount;
    uint32_t regs[64];
    uint32_t bridge[64];
    uint32_t iicPort;
    uint32_t controlChipResetSince;
    int64_t chipResetRaisedAt;
    uint8_t decoder[256];
    uint8_t encoder[2][256];
    uint8_t eeprom[256];
    uint8_t decoderStatus;
    Bus bus;
    Flash flash;
    uint32_t dmaOpen[2];
    uint32_t dmaIntEnabled[2];
    Faults faults;
    Counters counters;  // openHandles is per process, kept apart
    uint8_t cardMemory[kCardMemoryBytes];
    uint8_t flashMemory[kFlashBytes];
};

Shared& State();

// Holds the shared spin lock: the state is touched by every register access of the library,
// far too often for a kernel object under Wine.
class Lock {
public:
    Lock();
    ~Lock();
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
};

int64_t NowTicks();
int64_t TicksPerMs();
void NotifyChange();

// Hardware (SimHardware.cpp), called with the lock held.
void PowerOnVolatile(Shared& s);
uint32_t ReadCardRegister(Shared& s, uint32_t offset);
void WriteCardRegister(Shared& s, uint32_t offset, uint32_t value);
uint32_t ReadBridgeRegister(Shared& s, uint32_t offset);
void WriteBridgeRegister(Shared& s, uint32_t offset, uint32_t value);
void WritePinPort(Shared& s, uint32_t state);

}  // namespace sim

#endif
