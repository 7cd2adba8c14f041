// The card's IIC bus, driven by software through the IIC port register, and the chips on it.
// Every transaction holds the card's bus mutex, so threads and processes sharing a card never
// interleave their bit sequences; acknowledges are checked and every wait for the port's
// ready bit is bounded, so a dead chip fails the call instead of hanging it.
#ifndef OVX500U_IICBUS_H
#define OVX500U_IICBUS_H

#include <cstdint>
#include <windows.h>

namespace ovx {

class CardRegisters;

namespace iic {
const uint8_t Decoder = 0x42;
const uint8_t Encoder0 = 0x88;
const uint8_t Encoder1 = 0x8C;
const uint8_t SettingsMemory = 0xA0;
}  // namespace iic

class IicBus {
public:
    IicBus(CardRegisters& registers, HANDLE busMutex);

    // write(device, register, bytes); false when a byte is not acknowledged or the port stalls.
    bool Write(uint8_t device, uint8_t reg, const uint8_t* bytes, unsigned count);
    bool Read(uint8_t device, uint8_t reg, uint8_t* buffer, unsigned count);
    bool WriteField(uint8_t device, uint8_t reg, uint8_t value, unsigned shift, unsigned width);

    // Line operations; false when the port's ready bit does not come.
    bool SetSda(bool level);
    bool ReadSda(bool& level);
    bool ReleaseSda();
    bool SetScl(bool level);

private:
    bool Strobe(uint32_t port);
    bool Start();
    bool Stop();
    bool SendByte(uint8_t byte, bool& acked);
    bool ReceiveByte(uint8_t& byte, bool last);

    CardRegisters& registers_;
    HANDLE mutex_;
};

// A chip on the bus. A write-only chip keeps a shadow of its registers, written whenever a
// register is written; its reads come from the shadow without touching the bus.
class IicChip {
public:
    IicChip(IicBus& bus, uint8_t address, bool writeOnly);

    bool Write(uint8_t reg, uint8_t value);
    bool Read(uint8_t reg, uint8_t& value);
    bool WriteField(uint8_t reg, uint8_t value, unsigned shift, unsigned width);
    bool WriteBit(uint8_t reg, unsigned bit, bool set) { return WriteField(reg, set ? 1 : 0, bit, 1); }
    uint8_t address() const { return address_; }
    bool writeOnly() const { return writeOnly_; }

private:
    IicBus& bus_;
    uint8_t address_;
    bool writeOnly_;
    uint8_t shadow_[256];
};

}  // namespace ovx

#endif
