// The mixer's stored settings: its project-file piece byte for byte and config\audio.ini.
#include "app/engine/AudioMixer.h"
#include "tests/app/engine/AudioMixerFixture.h"

#include "app/foundation/AppHelpers.h"
#include "app/foundation/Ini.h"

#include <cstring>
#include <afx.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

using namespace audio_test;
using Bytes = std::vector<BYTE>;

Bytes Store(CAudioMixer& mixer)
{
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        mixer.Serialize(ar);
        ar.Close();
    }
    const ULONGLONG length = file.GetLength();
    Bytes bytes(static_cast<std::size_t>(length));
    file.SeekToBegin();
    file.Read(bytes.data(), static_cast<UINT>(length));
    return bytes;
}

void Load(CAudioMixer& mixer, Bytes bytes)
{
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    CArchive ar(&file, CArchive::load);
    mixer.Serialize(ar);
}

// int AGC, int AutoSwitch, then per input one selection byte and a 32-bit float gain.
const Bytes kDefaultPiece = {
    0x01, 0x00, 0x00, 0x00,  0x00, 0x00, 0x00, 0x00,
    0x01, 0x00, 0x00, 0x80, 0x3F,
    0x01, 0x00, 0x00, 0x80, 0x3F,
    0x01, 0x00, 0x00, 0x80, 0x3F,
    0x01, 0x00, 0x00, 0x80, 0x3F,
    0x01, 0x00, 0x00, 0x80, 0x3F,
};

// AGC off, AutoSwitch on; inputs: (off, 0.5), (on, 2.0), (on, 1.0), (off, 0.25), (on, 1.0).
const Bytes kCustomPiece = {
    0x00, 0x00, 0x00, 0x00,  0x01, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x3F,
    0x01, 0x00, 0x00, 0x00, 0x40,
    0x01, 0x00, 0x00, 0x80, 0x3F,
    0x00, 0x00, 0x00, 0x80, 0x3E,
    0x01, 0x00, 0x00, 0x80, 0x3F,
};

TEST_F(AudioMixerTest, ProjectPieceOfDefaultsIs33Bytes)
{
    CAudioMixer& mixer = MakeMixer();
    EXPECT_EQ(Store(mixer), kDefaultPiece);
}

TEST_F(AudioMixerTest, ProjectPieceLoadsAndStoresTheSameBytes)
{
    CAudioMixer& mixer = MakeMixer();
    Load(mixer, kCustomPiece);
    EXPECT_EQ(mixer.GetAGC(), 0);
    EXPECT_EQ(mixer.GetAutoSwitch(), 1);
    const int sel[] = {0, 1, 1, 0, 1};
    const int dB[] = {-6, 6, 0, -12, 0};
    for (int i = 0; i < kInputs; ++i) {
        EXPECT_EQ(mixer.GetSel(i), sel[i]) << i;
        EXPECT_EQ(mixer.GetGainDb(i), dB[i]) << i;
    }
    EXPECT_EQ(Store(mixer), kCustomPiece);
}

TEST_F(AudioMixerTest, ProjectPieceRefusesGainsTheMixerCannotHold)
{
    const float bad[] = {0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN(),
                         std::numeric_limits<float>::infinity(), 1e10f};
    CAudioMixer& mixer = MakeMixer();
    for (int i = 0; i < kInputs; ++i)
        mixer.SetGainDb(i, -3);
    Bytes piece = kDefaultPiece;
    for (int i = 0; i < kInputs; ++i) {
        piece[8 + 5 * i] = 0; // deselected: the rest of the record still applies
        std::memcpy(&piece[9 + 5 * i], &bad[i], 4);
    }
    Load(mixer, piece);
    for (int i = 0; i < kInputs; ++i) {
        EXPECT_EQ(mixer.GetGainDb(i), -3) << i;
        EXPECT_EQ(mixer.GetSel(i), 0) << i;
    }
}

TEST_F(AudioMixerTest, TruncatedProjectPieceThrowsAndChangesNothing)
{
    CAudioMixer& mixer = MakeMixer();
    mixer.SetGainDb(0, -20);
    const Bytes truncated(kCustomPiece.begin(), kCustomPiece.begin() + 20);
    bool threw = false;
    try {
        Load(mixer, truncated);
    } catch (CArchiveException* e) {
        threw = true;
        e->Delete();
    }
    EXPECT_TRUE(threw);
    EXPECT_EQ(mixer.GetAGC(), 1);
    EXPECT_EQ(mixer.GetAutoSwitch(), 0);
    EXPECT_EQ(mixer.GetGainDb(0), -20);
    EXPECT_EQ(mixer.GetSel(0), 1);
}

// ---- audio.ini ---------------------------------------------------------------------------

std::wstring IniValue(const wchar_t* key)
{
    wchar_t buffer[64] = {};
    GetPrivateProfileStringW(L"Main", key, L"<missing>", buffer, 64, CAudioMixer::ConfigPath().c_str());
    return buffer;
}

TEST_F(AudioMixerTest, NoAudioIniKeepsTheDefaults)
{
    CAudioMixer& mixer = MakeMixer();
    EXPECT_EQ(mixer.GetAGC(), 1);
    EXPECT_EQ(mixer.GetAutoSwitch(), 0);
    for (int i = 0; i <= kInputs; ++i)
        EXPECT_EQ(mixer.GetGainDb(i), 0);
    for (int i = 0; i < kInputs; ++i)
        EXPECT_EQ(mixer.GetSel(i), 1);
}

TEST_F(AudioMixerTest, DestructorWritesAudioIniAndTheNextMixerReadsIt)
{
    RemoveConfigFolder();
    {
        CAudioMixer& mixer = MakeMixer();
        mixer.SetAGC(0);
        mixer.SetAutoSwitch(1);
        const int dB[] = {-6, 6, -11, -100, 100};
        for (int i = 0; i < kInputs; ++i)
            mixer.SetGainDb(i, dB[i]);
        mixer.SetGainDb(kInputs, -20); // the master gain is not stored
        mixer.SetSel(1, false);
        mixer.SetSel(3, false);
        this->mixer.reset();
    }
    EXPECT_EQ(IniValue(L"AGC"), L"0");
    EXPECT_EQ(IniValue(L"AutoSwitch"), L"1");
    EXPECT_EQ(IniValue(L"Gain0"), L"-6");
    EXPECT_EQ(IniValue(L"Gain1"), L"6");
    EXPECT_EQ(IniValue(L"Gain2"), L"-11");
    EXPECT_EQ(IniValue(L"Gain3"), L"-100");
    EXPECT_EQ(IniValue(L"Gain4"), L"100");
    EXPECT_EQ(IniValue(L"Gain5"), L"<missing>");
    EXPECT_EQ(IniValue(L"Sel0"), L"1");
    EXPECT_EQ(IniValue(L"Sel1"), L"0");
    EXPECT_EQ(IniValue(L"Sel3"), L"0");
    EXPECT_EQ(IniValue(L"MaxBufTime"), L"<missing>");

    // Three sessions later the gains are where they were set.
    for (int session = 0; session < 3; ++session) {
        mixer.reset(new CAudioMixer(kInputs));
        mixer.reset();
    }
    CAudioMixer reread(kInputs);
    EXPECT_EQ(reread.GetAGC(), 0);
    EXPECT_EQ(reread.GetAutoSwitch(), 1);
    const int dB[] = {-6, 6, -11, -100, 100};
    for (int i = 0; i < kInputs; ++i)
        EXPECT_EQ(reread.GetGainDb(i), dB[i]) << i;
    EXPECT_EQ(reread.GetGainDb(kInputs), 0);
    EXPECT_EQ(reread.GetSel(1), 0);
    EXPECT_EQ(reread.GetSel(2), 1);
    EXPECT_EQ(reread.GetSel(3), 0);
}

// A file written by hand, as an operator might leave it.
TEST_F(AudioMixerTest, HandWrittenAudioIniIsReadWithItsLimits)
{
    WriteConfigFile("[Main]\r\nAGC=0\r\nAutoSwitch=1\r\nGain0=-20\r\nGain1=101\r\nGain2=abc\r\n"
                    "Sel0=0\r\nSel1=7\r\nMaxBufTime=100\r\n");
    CAudioMixer& mixer = MakeMixer();
    EXPECT_EQ(mixer.GetAGC(), 0);
    EXPECT_EQ(mixer.GetAutoSwitch(), 1);
    EXPECT_EQ(mixer.GetGainDb(0), -20);
    EXPECT_EQ(mixer.GetGainDb(1), 0); // out of range: refused
    EXPECT_EQ(mixer.GetGainDb(2), 0); // no digits read as 0
    EXPECT_EQ(mixer.GetSel(0), 0);
    EXPECT_EQ(mixer.GetSel(1), 1);    // any non-zero value selects
    EXPECT_EQ(mixer.GetSel(2), 1);

    // 100 ms at 176400 B/s: 17640 bytes queue at most before a flush.
    mixer.SetFormat(&kPcm);
    mixer.SetPeriod(40);
    ASSERT_EQ(mixer.Start(), 1);
    Push(mixer, 0, std::vector<short>(17640 / 2, 1));
    Push(mixer, 0, std::vector<short>(10, 2));
    EXPECT_EQ(mixer.GetQueuedBytes(0), 17660);
    Push(mixer, 0, std::vector<short>(10, 3));
    EXPECT_EQ(mixer.GetQueuedBytes(0), 20);
}

// The mixer's flags read as the program reads flags: a hand-set "Yes" or "true" is on, "No"
// or "false" off (words once read as 0, so "AGC=Yes" turned the gain control off).
TEST_F(AudioMixerTest, FlagsWrittenAsWordsReadAsFlags)
{
    WriteConfigFile("[Main]\r\nAGC=Yes\r\nAutoSwitch=TRUE\r\nSel0=no\r\nSel1=yes\r\nSel2=false\r\nSel3=True\r\n"
                    "Sel4=abc\r\n");
    CAudioMixer& mixer = MakeMixer();
    EXPECT_EQ(mixer.GetAGC(), 1);
    EXPECT_EQ(mixer.GetAutoSwitch(), 1);
    EXPECT_EQ(mixer.GetSel(0), 0);
    EXPECT_EQ(mixer.GetSel(1), 1);
    EXPECT_EQ(mixer.GetSel(2), 0);
    EXPECT_EQ(mixer.GetSel(3), 1);
    EXPECT_EQ(mixer.GetSel(4), 0);
    Reset();
    WriteConfigFile("[Main]\r\nAGC=false\r\nAutoSwitch=no\r\n");
    CAudioMixer& off = MakeMixer();
    EXPECT_EQ(off.GetAGC(), 0);
    EXPECT_EQ(off.GetAutoSwitch(), 0);
}

TEST_F(AudioMixerTest, NonPositiveMaxBufTimeKeepsTheDefaultLimit)
{
    for (const char* value : {"0", "-5"}) {
        SCOPED_TRACE(value);
        WriteConfigFile(std::string("[Main]\r\nMaxBufTime=") + value + "\r\n");
        CAudioMixer& mixer = MakeMixer();
        mixer.SetFormat(&kPcm);
        mixer.SetPeriod(40);
        ASSERT_EQ(mixer.Start(), 1);
        Push(mixer, 0, std::vector<short>(1000, 1));
        Push(mixer, 0, std::vector<short>(1000, 1));
        EXPECT_EQ(mixer.GetQueuedBytes(0), 4000); // 500 ms: nothing dropped yet
        Reset();
    }
}

} // namespace
