#include "SettingsMemory.h"

#include <windows.h>

#include "IicBus.h"

namespace ovx {

SettingsMemory::SettingsMemory(IicBus& bus) : bus_(bus) {}

bool SettingsMemory::ReadByte(uint8_t address, uint8_t& value)
{
    return bus_.Read(iic::SettingsMemory, address, &value, 1);
}

bool SettingsMemory::WriteByte(uint8_t address, uint8_t value)
{
    bool ok = bus_.Write(iic::SettingsMemory, address, &value, 1);
    Sleep(kWriteCycleMs);
    return ok;
}

bool SettingsMemory::WriteBytes(uint8_t address, const uint8_t* bytes, unsigned count)
{
    for (unsigned i = 0; i < count; ++i) {
        if (!WriteByte(uint8_t((address + i) & 0xFF), bytes[i]))
            return false;
    }
    return true;
}

bool SettingsMemory::ReadBytes(uint8_t address, uint8_t* bytes, unsigned count)
{
    for (unsigned i = 0; i < count; ++i) {
        if (!ReadByte(uint8_t((address + i) & 0xFF), bytes[i]))
            return false;
    }
    return true;
}

bool SettingsMemory::InUserArea(uint32_t address, uint32_t count)
{
    // Compared without forming address + count, which could wrap.
    return address < mem::UserDataSize && count <= mem::UserDataSize - address;
}

bool SettingsMemory::WriteUserData(uint32_t address, const uint8_t* bytes, uint32_t count)
{
    if (!InUserArea(address, count) || (count && !bytes))
        return false;
    return WriteBytes(uint8_t(address), bytes, count);
}

bool SettingsMemory::ReadUserData(uint32_t address, uint8_t* bytes, uint32_t count)
{
    if (!InUserArea(address, count) || (count && !bytes))
        return false;
    return ReadBytes(uint8_t(address), bytes, count);
}

int SettingsMemory::VerifyUserData(uint32_t address, uint32_t length, const uint8_t* expected)
{
    if (!InUserArea(address, length))
        return 0;
    if (length == 0)
        return 1;
    if (!expected)
        return 0;
    for (uint32_t i = 0; i < length; ++i) {
        uint8_t b = 0;
        if (!ReadByte(uint8_t(address + i), b) || b != expected[i])
            return 0;
    }
    return 1;
}

bool SettingsMemory::ReadBoardVersion(uint32_t& version)
{
    uint8_t b[4];
    if (!ReadBytes(mem::BoardVersion, b, 4))
        return false;
    version = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    return true;
}

bool SettingsMemory::WriteBoardVersion(uint32_t version)
{
    uint8_t b[4] = {uint8_t(version), uint8_t(version >> 8), uint8_t(version >> 16), uint8_t(version >> 24)};
    uint32_t back = 0;
    return WriteBytes(mem::BoardVersion, b, 4) && ReadBoardVersion(back) && back == version;
}

bool SettingsMemory::ReadBoardInformation(BoardInformation& info)
{
    uint8_t b[13];
    if (!ReadBytes(mem::BoardInfo, b, 13) || b[2] != 1)
        return false;
    info.first = uint16_t(b[0] << 8 | b[1]);
    info.valid = b[2];
    info.second = uint16_t(b[3] << 8 | b[4]);
    info.third = uint32_t(b[5]) << 24 | uint32_t(b[6]) << 16 | uint32_t(b[7]) << 8 | b[8];
    info.fourth = uint32_t(b[9]) << 24 | uint32_t(b[10]) << 16 | uint32_t(b[11]) << 8 | b[12];
    return true;
}

bool SettingsMemory::WriteBoardInformation(const BoardInformation& info)
{
    if (info.valid != 1)
        return false;
    uint8_t b[13] = {uint8_t(info.first >> 8),  uint8_t(info.first),        1,
                     uint8_t(info.second >> 8), uint8_t(info.second),       uint8_t(info.third >> 24),
                     uint8_t(info.third >> 16), uint8_t(info.third >> 8),   uint8_t(info.third),
                     uint8_t(info.fourth >> 24), uint8_t(info.fourth >> 16), uint8_t(info.fourth >> 8),
                     uint8_t(info.fourth)};
    return WriteBytes(mem::BoardInfo, b, 13);
}

}  // namespace ovx
