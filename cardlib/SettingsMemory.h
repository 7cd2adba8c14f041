// The card's settings memory: a 256-byte serial EEPROM at IIC address 0xA0 holding the video
// settings (one byte each), the user data area, the board version and the board information
// record. Every byte write waits out the memory's write cycle.
#ifndef OVX500U_SETTINGSMEMORY_H
#define OVX500U_SETTINGSMEMORY_H

#include <cstdint>

namespace ovx {

class IicBus;

namespace mem {
const uint8_t VideoMode = 56;
const uint8_t Sync = 57;
const uint8_t Input = 58;
const uint8_t Bypass = 59;
const uint8_t TvOrVtr = 60;
const uint8_t SubcarrierPhase = 61;
const uint8_t LinePhase = 62;
const uint8_t FieldPhase = 63;
const uint8_t KeyDelay = 64;
const uint8_t KeyOutputMode = 65;
const uint8_t Light = 66;
const uint8_t Contrast = 67;
const uint8_t Satuation = 68;
const uint8_t Hue = 69;
const uint8_t KeyOrPreview = 70;
const uint8_t InputOption = 89;
const uint8_t InternalFlag = 123;
const uint8_t BoardVersion = 124;
const uint8_t BoardInfo = 240;
const unsigned UserDataSize = 48;
}  // namespace mem

struct BoardInformation {
    uint16_t first;
    uint8_t valid;  // 1 when the record holds data
    uint16_t second;
    uint32_t third;
    uint32_t fourth;
};

class SettingsMemory {
public:
    static const unsigned kWriteCycleMs = 20;

    explicit SettingsMemory(IicBus& bus);

    bool ReadByte(uint8_t address, uint8_t& value);
    bool WriteByte(uint8_t address, uint8_t value);
    // Bytes go one per transaction at (address + i) modulo 256.
    bool WriteBytes(uint8_t address, const uint8_t* bytes, unsigned count);
    bool ReadBytes(uint8_t address, uint8_t* bytes, unsigned count);

    // The user data area 0..47: refused (false) when any byte would fall outside it.
    bool WriteUserData(uint32_t address, const uint8_t* bytes, uint32_t count);
    bool ReadUserData(uint32_t address, uint8_t* bytes, uint32_t count);
    // 1 only when every byte matches; 0 for a range outside the area or a failed read.
    int VerifyUserData(uint32_t address, uint32_t length, const uint8_t* expected);

    bool ReadBoardVersion(uint32_t& version);
    // Writes and reads back; false when the memory does not hold what was written.
    bool WriteBoardVersion(uint32_t version);
    bool ReadBoardInformation(BoardInformation& info);
    bool WriteBoardInformation(const BoardInformation& info);

private:
    static bool InUserArea(uint32_t address, uint32_t count);

    IicBus& bus_;
};

}  // namespace ovx

#endif
