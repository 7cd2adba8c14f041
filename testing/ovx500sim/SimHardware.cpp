// The card's hardware model: register block side effects, the IIC bus with its chips (video
// decoder, two write-only encoders, the settings EEPROM), and the serial configuration flash
// on the bridge's pin port.
#include <cstring>

#include "SimState.h"

namespace sim {
namespace {

const uint32_t kControl = 16 / 4;
const uint32_t kStatus = 20 / 4;
const uint32_t kField = 24 / 4;
const uint32_t kDisplayPage = 76 / 4;
const uint32_t kTest = 80 / 4;
const uint32_t kIic = 96 / 4;
const uint32_t kFpga = 240 / 4;

const uint32_t kEepromWriteCycleMs = 5;

enum Device { DevNone = 0, DevDecoder = 1, DevEncoder0 = 2, DevEncoder1 = 3, DevEeprom = 4 };

bool Rose(uint32_t before, uint32_t after, unsigned bit)
{
    return !((before >> bit) & 1) && ((after >> bit) & 1);
}

bool Fell(uint32_t before, uint32_t after, unsigned bit)
{
    return ((before >> bit) & 1) && !((after >> bit) & 1);
}

uint32_t DeviceFor(const Shared& s, uint32_t address, bool& acks)
{
    uint32_t a = address & 0xFE, read = address & 1;
    acks = false;
    if (a == 0x42) {
        acks = !s.faults.decoderAbsent;
        return DevDecoder;
    }
    if (a == 0x88 || a == 0x8C) {
        acks = !read;  // write-only chips refuse a read
        return a == 0x88 ? DevEncoder0 : DevEncoder1;
    }
    if (a == 0xA0) {
        acks = NowTicks() >= s.bus.eepromBusyUntil;
        return DevEeprom;
    }
    return DevNone;
}

uint8_t ReadChip(Shared& s, uint32_t device)
{
    Bus& b = s.bus;
    if (device == DevDecoder) {
        uint32_t r = b.pointer[0]++ & 0xFF;
        return r == 0x1F ? s.decoderStatus : s.decoder[r];
    }
    if (device == DevEeprom)
        return s.eeprom[b.pointer[2]++ & 0xFF];
    return 0xFF;
}

void WriteChip(Shared& s, uint32_t device, uint8_t value)
{
    Bus& b = s.bus;
    if (device == DevDecoder) {
        if (!s.faults.decoderIgnoresWrites)
            s.decoder[b.pointer[0] & 0xFF] = value;
        b.pointer[0]++;
    } else if (device == DevEncoder0 || device == DevEncoder1) {
        uint8_t* regs = s.encoder[device - DevEncoder0];
        regs[b.pointer[1] & 0xFF] = value;
        b.pointer[1]++;
    } else if (device == DevEeprom && b.pendingCount < 32) {
        b.pending[b.pendingCount++] = value;
    }
}

void SetPointer(Shared& s, uint32_t device, uint8_t value)
{
    Bus& b = s.bus;
    if (device == DevDecoder)
        b.pointer[0] = value;
    else if (device == DevEncoder0 || device == DevEncoder1)
        b.pointer[1] = value;
    else if (device == DevEeprom) {
        b.pointer[2] = value;
        b.pendingStart = value;
        b.pendingCount = 0;
    }
}

void CommitEeprom(Shared& s)
{
    Bus& b = s.bus;
    if (b.device != DevEeprom || b.rw || b.pendingCount == 0)
        return;
    for (uint32_t i = 0; i < b.pendingCount; ++i) {
        uint32_t address = (b.pendingStart + i) & 0xFF;
        if (s.faults.eepromDropAddress == address + 1)
            continue;
        s.eeprom[address] = uint8_t(b.pending[i]);
        s.counters.eepromWrites++;
    }
    b.pendingCount = 0;
    b.eepromBusyUntil = NowTicks() + kEepromWriteCycleMs * TicksPerMs();
}

// One latched change of the two bus lines.
void BusStep(Shared& s, uint32_t masterSda, uint32_t scl)
{
    Bus& b = s.bus;
    uint32_t oldLine = b.line, oldScl = b.scl;
    uint32_t line = masterSda && !b.slaveLow;
    b.masterSda = masterSda;
    b.scl = scl;
    b.line = line;
    if (oldScl && scl && oldLine && !line) {  // start (or repeated start)
        b.state = BusAddr;
        b.bits = b.shift = 0;
        b.slaveLow = 0;
        s.counters.iicTransactions++;
    } else if (oldScl && scl && !oldLine && line) {  // stop
        CommitEeprom(s);
        b.state = BusIdle;
        b.slaveLow = 0;
    } else if (!oldScl && scl) {  // rising clock: sample
        if ((b.state == BusAddrAck || b.state == BusRxAck || b.state == BusTx) && !masterSda)
            s.counters.iicViolations++;
        if (b.state == BusAddr || b.state == BusRx) {
            b.shift = ((b.shift << 1) | line) & 0xFF;
            b.bits++;
        } else if (b.state == BusTxAck) {
            b.ackedByMaster = !line;
        }
    } else if (oldScl && !scl) {  // falling clock: the slave changes its drive
        switch (b.state) {
        case BusAddr:
            if (b.bits == 8) {
                bool acks = false;
                b.device = DeviceFor(s, b.shift, acks);
                b.rw = b.shift & 1;
                if (acks && b.device != DevNone) {
                    b.slaveLow = 1;
                    b.state = BusAddrAck;
                } else {
                    if (b.device == DevEeprom)
                        s.counters.eepromNackedBusy++;
                    s.counters.iicNacks++;
                    b.state = BusIgnore;
                }
            }
            break;
        case BusAddrAck:
            b.slaveLow = 0;
            if (b.rw) {
                b.txByte = ReadChip(s, b.device);
                b.slaveLow = !((b.txByte >> 7) & 1);
                b.bitsOut = 1;
                b.state = BusTx;
            } else {
                b.state = BusRx;
                b.bits = b.shift = 0;
                b.firstByte = 1;
            }
            break;
        case BusRx:
            if (b.bits == 8) {
                if (b.firstByte)
                    SetPointer(s, b.device, uint8_t(b.shift));
                else
                    WriteChip(s, b.device, uint8_t(b.shift));
                b.firstByte = 0;
                b.slaveLow = 1;
                b.state = BusRxAck;
            }
            break;
        case BusRxAck:
            b.slaveLow = 0;
            b.state = BusRx;
            b.bits = b.shift = 0;
            break;
        case BusTx:
            if (b.bitsOut < 8) {
                b.slaveLow = !((b.txByte >> (7 - b.bitsOut)) & 1);
                b.bitsOut++;
            } else {
                b.slaveLow = 0;
                b.state = BusTxAck;
                b.ackedByMaster = 0;
            }
            break;
        case BusTxAck:
            if (b.ackedByMaster) {
                b.txByte = ReadChip(s, b.device);
                b.slaveLow = !((b.txByte >> 7) & 1);
                b.bitsOut = 1;
                b.state = BusTx;
            } else {
                b.state = BusIgnore;
            }
            break;
        default:
            break;
        }
    }
    b.line = b.masterSda && !b.slaveLow;
}

void WriteIicPort(Shared& s, uint32_t value)
{
    uint32_t outputs = value & 7;
    if (value & 8) {  // the strobe latches the outputs onto the bus
        uint32_t sda = (outputs & 2) ? 1 : (outputs & 1);
        BusStep(s, sda, (outputs >> 2) & 1);
        s.bus.readyCountdown = 1;
    }
    s.iicPort = outputs;
}

uint32_t ReadIicPort(Shared& s)
{
    uint32_t ready = 0;
    if (!s.faults.readyNever) {
        if (s.bus.readyCountdown > 0)
            s.bus.readyCountdown--;
        else
            ready = 1;
    }
    return s.iicPort | (s.bus.line << 4) | (ready << 5);
}

void ChipsPowerOn(Shared& s)
{
    std::memset(s.decoder, 0, sizeof s.decoder);
    std::memset(s.encoder, 0, sizeof s.encoder);
    std::memset(&s.bus, 0, sizeof s.bus);
    s.bus.masterSda = s.bus.line = 1;
    s.bus.scl = 1;
}

void WriteControl(Shared& s, uint32_t value)
{
    uint32_t old = s.regs[kControl];
    s.regs[kControl] = value;
    if (Rose(old, value, 14))
        s.chipResetRaisedAt = NowTicks();
    if (Fell(old, value, 14)) {
        if (NowTicks() - s.chipResetRaisedAt < TicksPerMs())
            s.counters.chipResetTooShort++;
        ChipsPowerOn(s);
        s.counters.chipResets++;
    }
    if (Fell(old, value, 2)) {
        s.counters.sampleRequests++;
        // The card takes one frame of its input: a known pattern in the sample area.
        uint32_t* words = reinterpret_cast<uint32_t*>(s.cardMemory + 0x654000);
        for (uint32_t i = 0; i < 0x195000 / 4; ++i)
            words[i] = 0x5A000000u + i;
        s.regs[kStatus] |= 1;
    }
    if (Fell(old, value, 21))
        s.counters.fieldAcks++;
    if (Rose(old, value, 22))
        s.counters.displayedPage = s.regs[kDisplayPage] & 1;
}

// The configuration flash, MSB first on the wire, clocked on DCLK.
uint32_t FlashSize(const Flash& f)
{
    switch (f.id) {
    case 0x10: return 1u << 17;
    case 0x12: return 1u << 19;
    default: return 1u << 21;
    }
}

void FlashFinishCommand(Shared& s)
{
    Flash& f = s.flash;
    if (f.inBits < 8)
        return;
    s.counters.flashCommands[f.opcode & 0xFF]++;
    uint32_t size = FlashSize(f);
    switch (f.opcode) {
    case 0x06:
        f.writeEnable = 1;
        break;
    case 0xC7:
        if (f.writeEnable) {
            std::memset(s.flashMemory, 0xFF, size);
            f.busyReads = f.busyReadsSetting;
            f.writeEnable = 0;
        }
        break;
    case 0x02:
        if (f.writeEnable && f.inBits >= 32) {
            for (uint32_t i = 0; i < f.pageCount; ++i) {
                uint32_t a = ((f.address & ~0xFFu) | ((f.address + i) & 0xFF)) % size;
                s.flashMemory[a] &= uint8_t(f.page[i]);
            }
            f.busyReads = f.busyReadsSetting;
            f.writeEnable = 0;
        }
        break;
    default:
        break;
    }
}

uint8_t FlashOutputByte(Shared& s, uint32_t index)
{
    Flash& f = s.flash;
    switch (f.opcode) {
    case 0xAB:
        return uint8_t(f.id);
    case 0x05: {
        bool busy = s.faults.flashBusyForever || f.busyReads > 0;
        return uint8_t((busy ? 1 : 0) | (f.writeEnable ? 2 : 0));
    }
    case 0x03:
        return s.flashMemory[(f.address + index) % FlashSize(f)];
    default:
        return 0xFF;
    }
}

}  // namespace

void WritePinPort(Shared& s, uint32_t pins)
{
    Flash& f = s.flash;
    f.pinWrites++;
    f.pins = pins;
    bool owned = !(s.bridge[0x6C / 4] & (1u << 16)) && !(pins & (1u << 3)) && (pins & (1u << 2));
    uint32_t cs = !(pins & (1u << 5)) && owned;
    uint32_t dclk = (pins >> 6) & 1;
    uint32_t asdi = (pins >> 4) & 1;
    if (cs && !f.csLow) {
        f.inBits = f.shift = f.opcode = f.address = f.pageCount = 0;
    } else if (!cs && f.csLow) {
        FlashFinishCommand(s);
    }
    f.csLow = cs;
    if (cs && !f.dclk && dclk) {
        f.shift = ((f.shift << 1) | asdi) & 0xFF;
        f.inBits++;
        if (f.inBits % 8 == 0) {
            uint32_t k = f.inBits / 8 - 1;
            if (k == 0)
                f.opcode = f.shift;
            else if (k <= 3 && (f.opcode == 0x02 || f.opcode == 0x03))
                f.address = ((f.address << 8) | f.shift) & 0xFFFFFF;
            else if (k >= 4 && f.opcode == 0x02 && f.pageCount < 256)
                f.page[f.pageCount++] = f.shift;
        }
    } else if (cs && f.dclk && !dclk) {
        uint32_t lead = f.opcode == 0x05 ? 8 : (f.opcode == 0xAB || f.opcode == 0x03) ? 32 : 0xFFFFFFFF;
        if (lead != 0xFFFFFFFF && f.inBits >= lead) {
            uint32_t index = f.inBits - lead;
            if (index % 8 == 0 && f.opcode == 0x05 && f.busyReads > 0 && index > 0)
                f.busyReads--;
            uint8_t byte = FlashOutputByte(s, index / 8);
            f.data = (byte >> (7 - index % 8)) & 1;
        }
    }
    f.dclk = dclk;
}

void PowerOnVolatile(Shared& s)
{
    std::memset(s.regs, 0, sizeof s.regs);
    std::memset(s.bridge, 0, sizeof s.bridge);
    s.bridge[0x6C / 4] = 1u << 16;  // the flash belongs to the FPGA
    s.bridge[24 / 4] = 1u << 6;
    s.regs[28 / 4] = 0x500;         // card type
    s.regs[kFpga] = 0x20061;        // FPGA version
    s.iicPort = 0;
    s.decoderStatus = 0;
    ChipsPowerOn(s);
    uint32_t id = s.flash.id ? s.flash.id : 0x12, busy = s.flash.busyReadsSetting;
    std::memset(&s.flash, 0, sizeof s.flash);
    s.flash.id = id;
    s.flash.busyReadsSetting = busy ? busy : 3;
    s.flash.pins = 0x2C;
    s.dmaOpen[0] = s.dmaOpen[1] = 0;
    s.dmaIntEnabled[0] = s.dmaIntEnabled[1] = 0;
}

uint32_t ReadCardRegister(Shared& s, uint32_t offset)
{
    uint32_t i = (offset / 4) & 63;
    if (i == kIic)
        return ReadIicPort(s);
    if (i == kField) {
        s.counters.fieldReads++;
        NotifyChange();
    }
    return s.regs[i];
}

void WriteCardRegister(Shared& s, uint32_t offset, uint32_t value)
{
    uint32_t i = (offset / 4) & 63;
    if (i == kIic) {
        WriteIicPort(s, value);
        return;
    }
    if (i == kControl) {
        WriteControl(s, value);
        NotifyChange();
        return;
    }
    if (i == kTest)
        value |= s.faults.testRegisterStuckBits;
    if (i == kField || i == kFpga)
        return;  // read-only
    s.regs[i] = value;
}

uint32_t ReadBridgeRegister(Shared& s, uint32_t offset)
{
    uint32_t i = (offset / 4) & 63;
    uint32_t v = s.bridge[i];
    if (offset == 0x6C)
        v = (v & ~(1u << 17)) | (s.flash.data << 17);
    return v;
}

void WriteBridgeRegister(Shared& s, uint32_t offset, uint32_t value)
{
    s.bridge[(offset / 4) & 63] = value & ~(offset == 0x6C ? (1u << 17) : 0u);
}

}  // namespace sim
