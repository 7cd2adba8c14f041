// The card's video settings: each Set programs the register block, the video decoder and the
// two encoders, and keeps the value it applied (one byte) in the settings memory, so the card
// comes up the same after a power cycle and every process sees the same settings. Each Get
// answers from the settings memory.
#ifndef OVX500U_VIDEOSETTINGS_H
#define OVX500U_VIDEOSETTINGS_H

#include <cstdint>

namespace ovx {

class CardRegisters;
class IicChip;
class SettingsMemory;

namespace ctl {
const unsigned Run = 0;
const unsigned FieldInterrupt = 1;
const unsigned SampleRequest = 2;
const unsigned KeyOutputMode = 3;
const unsigned InternalSync = 4;
const unsigned Bypass = 5;  // two bits: 5 low, 6 high
const unsigned KeyOrPreview = 7;  // three bits
const unsigned Standard480 = 12;
const unsigned ResetHold = 13;
const unsigned ChipReset = 14;
const unsigned InternalFlagA = 17;
const unsigned InternalFlagB = 18;
const unsigned ResetBit19 = 19;
const unsigned FieldAck = 21;
const unsigned PageLatch = 22;
const unsigned ResetBit29 = 29;
}  // namespace ctl

const uint32_t kSyncExternal = 128;

class VideoSettings {
public:
    VideoSettings(CardRegisters& registers, IicChip& decoder, IicChip& encoder0, IicChip& encoder1,
                  SettingsMemory& memory);

    // Setters answer 1 when the hardware took the value and the settings memory (once the
    // chips are set up) holds it; 0 for a refused value or a failed bus transaction.
    int SetVideoMode(uint32_t v);
    int SetSync(uint32_t code);
    int SetInput(uint32_t code);
    int SetTvOrVtr(uint32_t v);
    int SetSubcarrierPhase(uint32_t v);
    int SetLinePhase(uint32_t v);
    int SetFieldPhase(uint32_t v);
    int SetKeyDelay(uint32_t v);
    int SetKeyOutputMode(uint32_t v);
    int SetLight(uint32_t v);
    int SetContrast(uint32_t v);
    int SetSatuation(uint32_t v);
    int SetHue(uint32_t v);
    int SetBypass(uint32_t v);
    int SetKeyOrPreview(uint32_t v);
    int SetInputOption(uint32_t v);
    int SetInternalFlag(uint32_t v);
    int SetVideoBase(uint32_t v);

    // Getters: the stored byte (read back within its range); 0 when the memory cannot be read.
    int GetVideoMode(uint32_t& v);
    int GetSync(uint32_t& code);
    int GetInput(uint32_t& code);
    int GetTvOrVtr(uint32_t& v);
    int GetSubcarrierPhase(uint32_t& v);
    int GetLinePhase(uint32_t& v);
    int GetFieldPhase(uint32_t& v);
    int GetKeyDelay(uint32_t& v);
    int GetKeyOutputMode(uint32_t& v);
    int GetLight(uint32_t& v);
    int GetContrast(uint32_t& v);
    int GetSatuation(uint32_t& v);
    int GetHue(uint32_t& v);
    int GetBypass(uint32_t& v);
    int GetKeyOrPreview(uint32_t& v);
    int GetVideoBase(uint32_t& v);
    int GetVideoInputStatus(uint32_t& status);

    // The chip half of the card reset (after the screen is cleared): reset pulse and the
    // chips' initial register tables.
    bool ResetChips();
    // Replays the stored settings into the chips (nothing is written back to the memory).
    bool SetUpChips();
    // For a process joining a card that is already running: takes the standard, the input
    // and the display base the card runs with, without programming anything.
    bool AdoptRunningState();
    void RestoreDefault();
    void ShutdownChips();

    bool standard576() const { return standard576_; }
    uint32_t displayBase() const { return displayBase_; }
    void ResetState();

private:
    int Keep(bool applied, uint8_t address, uint8_t value);
    int GetByte(uint8_t address, uint32_t& v, uint32_t maximum);
    bool WriteStandardSets(bool is576);
    bool WriteEncoderStandard(IicChip& encoder, bool is576);

    CardRegisters& registers_;
    IicChip& decoder_;
    IicChip& encoder0_;
    IicChip& encoder1_;
    SettingsMemory& memory_;

    bool standard576_ = true;
    bool chipsSetUp_ = true;
    uint32_t inputCode_ = 0;
    uint32_t displayBase_ = 0;
};

}  // namespace ovx

#endif
