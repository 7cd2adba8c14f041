#include "VideoSettings.h"

#include <windows.h>

#include "CardRegisters.h"
#include "ChipTables.h"
#include "IicBus.h"
#include "SettingsMemory.h"

namespace ovx {
namespace {

uint32_t Clamp(uint32_t v, uint32_t maximum)
{
    return v > maximum ? maximum : v;
}

bool IsInputCode(uint32_t c)
{
    return c <= 3 || (c >= 16 && c <= 19) || (c >= 32 && c <= 35);
}

struct EncoderStandard {
    uint8_t reg, shift, width, v576, v480;
};

const EncoderStandard kEncoderStandard[] = {
    {0x28, 0, 6, 0x21, 0x19}, {0x29, 0, 6, 0x1D, 0x1D}, {0x61, 0, 2, 2, 1},       {0x62, 0, 7, 0x33, 0x43},
    // Colour subcarrier increment, least significant byte first: 0x2A098ACB and 0x21F07C1F.
    {0x63, 0, 8, 0xCB, 0x1F}, {0x64, 0, 8, 0x8A, 0x7C}, {0x65, 0, 8, 0x09, 0xF0}, {0x66, 0, 8, 0x2A, 0x21},
    {0x73, 0, 8, 0x42, 0x54}, {0x76, 0, 8, 0x05, 0x06}, {0x77, 0, 8, 0x16, 0x10}, {0x78, 0, 8, 0x04, 0x05},
    {0x79, 0, 8, 0x16, 0x10},
};

bool WriteRuns(IicChip& chip, const RegisterRun* runs, unsigned count)
{
    bool ok = true;
    for (unsigned r = 0; r < count; ++r) {
        for (unsigned i = 0; i < runs[r].count; ++i)
            ok = chip.Write(uint8_t(runs[r].first + i), runs[r].values ? runs[r].values[i] : runs[r].fill) && ok;
    }
    return ok;
}

}  // namespace

VideoSettings::VideoSettings(CardRegisters& registers, IicChip& decoder, IicChip& encoder0, IicChip& encoder1,
                             SettingsMemory& memory)
    : registers_(registers), decoder_(decoder), encoder0_(encoder0), encoder1_(encoder1), memory_(memory)
{
}

void VideoSettings::ResetState()
{
    standard576_ = true;
    displayBase_ = 0;
    inputCode_ = 0;
    chipsSetUp_ = true;
}

int VideoSettings::Keep(bool applied, uint8_t address, uint8_t value)
{
    if (chipsSetUp_)
        applied = memory_.WriteByte(address, value) && applied;
    return applied ? 1 : 0;
}

int VideoSettings::GetByte(uint8_t address, uint32_t& v, uint32_t maximum)
{
    uint8_t b = 0;
    if (!memory_.ReadByte(address, b))
        return 0;
    v = Clamp(b, maximum);
    return 1;
}

bool VideoSettings::WriteEncoderStandard(IicChip& encoder, bool is576)
{
    bool ok = true;
    for (const EncoderStandard& s : kEncoderStandard)
        ok = encoder.WriteField(s.reg, is576 ? s.v576 : s.v480, s.shift, s.width) && ok;
    return ok;
}

bool VideoSettings::WriteStandardSets(bool is576)
{
    bool ok = decoder_.Write(0x08, is576 ? 0xB0 : 0x59);
    ok = decoder_.Write(0x0E, is576 ? 0x81 : 0x89) && ok;
    ok = decoder_.Write(0x10, is576 ? 0x06 : 0x0E) && ok;
    ok = decoder_.WriteBit(0x88, 5, false) && ok;
    ok = decoder_.WriteBit(0x88, 5, true) && ok;
    ok = WriteEncoderStandard(encoder0_, is576) && ok;
    ok = WriteEncoderStandard(encoder1_, is576) && ok;
    return ok;
}

int VideoSettings::SetVideoMode(uint32_t v)
{
    uint32_t m = Clamp(v & 0xFF, 1);
    standard576_ = (m == 1);
    registers_.WriteBit(reg::Control, ctl::Standard480, !standard576_);
    bool ok = WriteStandardSets(standard576_);
    // The stored byte is the standard now running, so a power cycle brings back this one.
    return Keep(ok, mem::VideoMode, uint8_t(m));
}

int VideoSettings::SetSync(uint32_t code)
{
    uint32_t c = code & 0xFF;
    bool ok = true;
    if (chipsSetUp_)
        ok = memory_.WriteByte(mem::Sync, uint8_t(c));
    if (c <= 3)
        registers_.WriteBit(reg::Control, ctl::InternalSync, true);
    else if (!IsInputCode(c))
        registers_.WriteBit(reg::Control, ctl::InternalSync, false);
    bool set = (c != kSyncExternal);
    ok = encoder0_.WriteBit(0x62, 7, set) && ok;
    ok = encoder0_.WriteBit(0x5E, 6, set) && ok;
    ok = encoder0_.WriteBit(0x28, 7, set) && ok;
    ok = encoder0_.WriteBit(0x28, 6, set) && ok;
    ok = encoder0_.WriteBit(0x5D, 6, set) && ok;
    ok = decoder_.WriteBit(0x13, 7, set) && ok;
    if (c <= 3) {
        // The decoder needs the new sync source to settle before its clock is restarted.
        Sleep(500);
        ok = decoder_.WriteBit(0x0E, 7, false) && ok;
        Sleep(1);
        ok = decoder_.WriteBit(0x0E, 7, true) && ok;
    }
    return ok ? 1 : 0;
}

int VideoSettings::SetInput(uint32_t code)
{
    uint32_t c = code & 0xFF;
    // A code this card cannot take is neither applied nor stored, so it is not replayed.
    if (!IsInputCode(c) || (c >> 4) != 0)
        return 0;
    bool ok = true;
    switch (c & 0x0F) {
    case 1:
        ok = decoder_.WriteField(0x02, 9, 0, 4) && decoder_.WriteBit(0x09, 7, true);
        break;
    case 2:
    case 3:
        break;
    default:
        ok = decoder_.WriteField(0x02, 0, 0, 4) && decoder_.WriteBit(0x09, 7, false);
        break;
    }
    inputCode_ = c;
    return Keep(ok, mem::Input, uint8_t(c));
}

int VideoSettings::SetTvOrVtr(uint32_t v)
{
    uint32_t vtr = (v & 0xFF) ? 1 : 0;
    bool ok = decoder_.WriteField(0x08, vtr ? 3 : 1, 3, 2);
    return Keep(ok, mem::TvOrVtr, uint8_t(vtr));
}

int VideoSettings::SetSubcarrierPhase(uint32_t v)
{
    uint8_t b = uint8_t(Clamp(v, 255));
    return Keep(encoder0_.Write(0x5A, b), mem::SubcarrierPhase, b);
}

int VideoSettings::SetLinePhase(uint32_t v)
{
    uint8_t b = uint8_t(Clamp(v, 255));
    registers_.Write(reg::LinePhase, b);
    return Keep(true, mem::LinePhase, b);
}

int VideoSettings::SetFieldPhase(uint32_t v)
{
    uint8_t b = uint8_t(Clamp(v, 255));
    registers_.Write(reg::FieldPhase, b);
    return Keep(true, mem::FieldPhase, b);
}

int VideoSettings::SetKeyDelay(uint32_t v)
{
    uint8_t b = uint8_t(Clamp(v, 255));
    registers_.Write(reg::KeyDelay, b);
    return Keep(true, mem::KeyDelay, b);
}

int VideoSettings::SetKeyOutputMode(uint32_t v)
{
    bool on = v != 0;
    registers_.WriteBit(reg::Control, ctl::KeyOutputMode, on);
    return Keep(true, mem::KeyOutputMode, on ? 1 : 0);
}

int VideoSettings::SetLight(uint32_t v)
{
    uint8_t b = uint8_t(Clamp(v, 255));
    return Keep(decoder_.Write(0x0A, b), mem::Light, b);
}

int VideoSettings::SetContrast(uint32_t v)
{
    uint8_t b = uint8_t(Clamp(v, 255));
    return Keep(decoder_.Write(0x0B, uint8_t(b / 2)), mem::Contrast, b);
}

int VideoSettings::SetSatuation(uint32_t v)
{
    uint8_t b = uint8_t(Clamp(v, 255));
    return Keep(decoder_.Write(0x0C, uint8_t(b / 2)), mem::Satuation, b);
}

int VideoSettings::SetHue(uint32_t v)
{
    uint8_t b = uint8_t(Clamp(v, 255));
    return Keep(decoder_.Write(0x0D, uint8_t(b - 128)), mem::Hue, b);
}

int VideoSettings::SetBypass(uint32_t v)
{
    // Modes above 3 change nothing, on the card or in the memory.
    if (v > 3)
        return 1;
    registers_.WriteField(reg::Control, ctl::Bypass, 2, v);
    return Keep(true, mem::Bypass, uint8_t(v));
}

int VideoSettings::SetKeyOrPreview(uint32_t v)
{
    uint32_t applied = (v >= 1 && v <= 5) ? v : 0;
    registers_.WriteField(reg::Control, ctl::KeyOrPreview, 3, applied);
    return Keep(true, mem::KeyOrPreview, uint8_t(applied));
}

int VideoSettings::SetInputOption(uint32_t v)
{
    return Keep(true, mem::InputOption, uint8_t(v));
}

int VideoSettings::SetInternalFlag(uint32_t v)
{
    uint32_t flag = v ? 1 : 0;
    registers_.WriteBit(reg::Control, ctl::InternalFlagA, flag != 0);
    registers_.WriteBit(reg::Control, ctl::InternalFlagB, true);
    return Keep(true, mem::InternalFlag, uint8_t(flag));
}

int VideoSettings::SetVideoBase(uint32_t v)
{
    registers_.Write(reg::DisplayBase, v);
    displayBase_ = v;
    return 1;
}

int VideoSettings::GetVideoMode(uint32_t& v) { return GetByte(mem::VideoMode, v, 1); }
int VideoSettings::GetSync(uint32_t& code) { return GetByte(mem::Sync, code, 255); }
int VideoSettings::GetInput(uint32_t& code) { return GetByte(mem::Input, code, 255); }
int VideoSettings::GetTvOrVtr(uint32_t& v) { return GetByte(mem::TvOrVtr, v, 1); }
int VideoSettings::GetSubcarrierPhase(uint32_t& v) { return GetByte(mem::SubcarrierPhase, v, 255); }
int VideoSettings::GetLinePhase(uint32_t& v) { return GetByte(mem::LinePhase, v, 255); }
int VideoSettings::GetFieldPhase(uint32_t& v) { return GetByte(mem::FieldPhase, v, 255); }
int VideoSettings::GetKeyDelay(uint32_t& v) { return GetByte(mem::KeyDelay, v, 255); }
int VideoSettings::GetKeyOutputMode(uint32_t& v) { return GetByte(mem::KeyOutputMode, v, 1); }
int VideoSettings::GetLight(uint32_t& v) { return GetByte(mem::Light, v, 255); }
int VideoSettings::GetContrast(uint32_t& v) { return GetByte(mem::Contrast, v, 255); }
int VideoSettings::GetSatuation(uint32_t& v) { return GetByte(mem::Satuation, v, 255); }
int VideoSettings::GetHue(uint32_t& v) { return GetByte(mem::Hue, v, 255); }
int VideoSettings::GetBypass(uint32_t& v) { return GetByte(mem::Bypass, v, 3); }
int VideoSettings::GetKeyOrPreview(uint32_t& v) { return GetByte(mem::KeyOrPreview, v, 5); }

int VideoSettings::GetVideoBase(uint32_t& v)
{
    v = registers_.Read(reg::DisplayBase);
    return 1;
}

int VideoSettings::GetVideoInputStatus(uint32_t& status)
{
    if ((inputCode_ & 0xF0) != 0)
        return 0;
    uint8_t b = 0;
    if (!decoder_.Read(0x1F, b))
        return 0;
    status = (b & 0x40) ? 0 : 1;
    return 1;
}

bool VideoSettings::ResetChips()
{
    registers_.WriteBit(reg::Control, ctl::ResetBit19, true);
    registers_.WriteBit(reg::Control, ctl::ResetBit29, true);
    registers_.WriteBit(reg::Control, ctl::ChipReset, true);
    Sleep(1);
    registers_.WriteBit(reg::Control, ctl::ChipReset, false);
    bool ok = WriteRuns(decoder_, kDecoderInitial, kDecoderInitialRuns);
    ok = WriteRuns(encoder0_, kEncoderInitial, kEncoderInitialRuns) && ok;
    ok = WriteRuns(encoder1_, kEncoderInitial, kEncoderInitialRuns) && ok;
    registers_.Write(reg::ResetValue, 120);
    registers_.WriteBit(reg::Control, ctl::Run, true);
    return ok;
}

bool VideoSettings::SetUpChips()
{
    static const uint8_t kReplay[] = {mem::VideoMode,  mem::Input,      mem::InputOption, mem::TvOrVtr,
                                      mem::LinePhase,  mem::FieldPhase, mem::KeyDelay,    mem::KeyOutputMode,
                                      mem::Contrast,   mem::Light,      mem::Hue,         mem::Satuation,
                                      mem::SubcarrierPhase, mem::Sync,  mem::InternalFlag};
    uint8_t stored[256];
    chipsSetUp_ = false;
    bool read = memory_.ReadBytes(0, stored, 128);
    if (read) {
        // Refusals are ignored: a blank memory still brings the card up.
        for (uint8_t address : kReplay) {
            uint32_t v = stored[address];
            switch (address) {
            case mem::VideoMode: SetVideoMode(v); break;
            case mem::Input: SetInput(v); break;
            case mem::InputOption: SetInputOption(v); break;
            case mem::TvOrVtr: SetTvOrVtr(v); break;
            case mem::LinePhase: SetLinePhase(v); break;
            case mem::FieldPhase: SetFieldPhase(v); break;
            case mem::KeyDelay: SetKeyDelay(v); break;
            case mem::KeyOutputMode: SetKeyOutputMode(v); break;
            case mem::Contrast: SetContrast(v); break;
            case mem::Light: SetLight(v); break;
            case mem::Hue: SetHue(v); break;
            case mem::Satuation: SetSatuation(v); break;
            case mem::SubcarrierPhase: SetSubcarrierPhase(v); break;
            case mem::Sync: SetSync(v); break;
            case mem::InternalFlag: SetInternalFlag(v); break;
            }
        }
        SetVideoBase(0);
        SetBypass(Clamp(stored[mem::Bypass], 3));
        SetKeyOrPreview(Clamp(stored[mem::KeyOrPreview], 5));
    }
    chipsSetUp_ = true;
    return read;
}

bool VideoSettings::AdoptRunningState()
{
    uint8_t mode = 1, input = 0;
    if (!memory_.ReadByte(mem::VideoMode, mode) || !memory_.ReadByte(mem::Input, input))
        return false;
    standard576_ = Clamp(mode, 1) == 1;
    if (IsInputCode(input) && (input >> 4) == 0)
        inputCode_ = input;
    displayBase_ = registers_.Read(reg::DisplayBase);
    return true;
}

void VideoSettings::RestoreDefault()
{
    chipsSetUp_ = true;
    SetSync(1);
    // The standard goes before the tape/TV timing: the standard rewrites decoder register 0x08
    // whole, which would otherwise undo the timing field.
    SetVideoMode(1);
    SetTvOrVtr(1);
    SetInput(0);
    SetKeyOutputMode(1);
    SetContrast(128);
    SetLight(128);
    SetHue(128);
    SetSatuation(128);
    SetSubcarrierPhase(50);
    SetKeyDelay(146);
    SetLinePhase(128);
    SetFieldPhase(130);
    SetBypass(1);
    SetKeyOrPreview(0);
}

void VideoSettings::ShutdownChips()
{
    registers_.WriteBit(reg::Control, ctl::FieldInterrupt, false);
    encoder0_.WriteBit(0x61, 6, true);
    encoder1_.WriteBit(0x61, 6, true);
    registers_.WriteBit(reg::Control, ctl::Run, false);
}

}  // namespace ovx
