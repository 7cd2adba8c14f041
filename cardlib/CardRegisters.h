// The card's 32-bit register block (BAR 3). Boards from version 0x10301 on are reached
// through the mapped window; older ones through the driver's local-space requests.
// Bit and field writes are read-modify-writes under the card's register mutex, which other
// processes using the card hold too.
#ifndef OVX500U_CARDREGISTERS_H
#define OVX500U_CARDREGISTERS_H

#include <cstdint>
#include <windows.h>

namespace ovx {

class PciBridgeDevice;

namespace reg {
const uint32_t Control = 16;
const uint32_t Status = 20;
const uint32_t FieldNumber = 24;
const uint32_t CardType = 28;
const uint32_t DisplayBase = 32;
const uint32_t LinePhase = 36;
const uint32_t ResetValue = 40;
const uint32_t FieldPhase = 44;
const uint32_t KeyDelay = 48;
const uint32_t DisplayPage = 76;
const uint32_t Test = 80;
const uint32_t IicPort = 96;
const uint32_t Control2 = 144;
const uint32_t FpgaVersion = 240;
}  // namespace reg

const uint32_t kBoardVersion = 0x10500;
const uint32_t kFirstMappedBoardVersion = 0x10301;

class CardRegisters {
public:
    CardRegisters(PciBridgeDevice& device, HANDLE registerMutex);

    void Attach(uintptr_t window, uint32_t boardVersion);
    void Detach();

    uint32_t Read(uint32_t offset);
    void Write(uint32_t offset, uint32_t value);
    void WriteBit(uint32_t offset, unsigned bit, bool set);
    void WriteField(uint32_t offset, unsigned shift, unsigned width, uint32_t value);
    // 0, 1, 0 on one bit, as one locked sequence.
    void PulseBit(uint32_t offset, unsigned bit);

private:
    PciBridgeDevice& device_;
    HANDLE mutex_;
    uintptr_t window_ = 0;
    uint32_t boardVersion_ = kBoardVersion;
};

}  // namespace ovx

#endif
