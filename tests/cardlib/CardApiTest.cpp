// The card API end to end on the simulated card: life cycle, video settings in the chips and
// in the settings memory, replay at the next start, pixel bounds, user data and versions.
#include <climits>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

#include "CardTestSupport.h"
#include "SimCard.h"
#include "cardlib/ovx500u.h"

namespace {

const unsigned kCard = 0;

uint32_t Control()
{
    return sim::Register(16);
}

bool ControlBit(unsigned bit)
{
    return (Control() >> bit) & 1;
}

class CardLifeCycle : public ::testing::Test {
protected:
    void SetUp() override { sim::InstallDefault(false); }
};

class OpenCard : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim::InstallDefault(false);
        ASSERT_EQ(OVCG_Initial(kCard, 1), 1);
    }
    void TearDown() override { OVCG_Close(kCard); }
};

}  // namespace

TEST_F(CardLifeCycle, OpensResetsAndProgramsTheCardThenCloses)
{
    ASSERT_EQ(OVCG_GetCardNum(), 1);
    ASSERT_EQ(OVCG_Initial(kCard, 1), 1);
    sim::Counters c = sim::GetCounters();
    EXPECT_EQ(c.deviceResets, 1u);
    EXPECT_EQ(c.chipResets, 1u);
    EXPECT_EQ(c.chipResetTooShort, 0u);
    EXPECT_GT(c.iicTransactions, 500u);
    EXPECT_EQ(c.iicViolations, 0u);
    EXPECT_EQ(c.iicNacks, 0u);
    EXPECT_EQ(SharedUserCount(), 1);
    EXPECT_TRUE(ControlBit(0));
    EXPECT_TRUE(ControlBit(13));
    EXPECT_TRUE(ControlBit(19));
    EXPECT_TRUE(ControlBit(29));
    EXPECT_TRUE(ControlBit(18));
    EXPECT_EQ(sim::Register(40), 120u);
    // Registers of the initial tables that the settings replay does not touch.
    EXPECT_EQ(sim::DecoderRegister(0x01), 0x08);
    EXPECT_EQ(sim::DecoderRegister(0x1D), 0x01);
    EXPECT_EQ(sim::DecoderRegister(0x41), 0xFF);
    EXPECT_EQ(sim::DecoderRegister(0xC3), 0x80);
    for (unsigned e = 0; e < 2; ++e) {
        EXPECT_EQ(sim::EncoderRegister(e, 0x3A), 0x13);
        EXPECT_EQ(sim::EncoderRegister(e, 0x63), 0xCB);
        EXPECT_EQ(sim::EncoderRegister(e, 0x66), 0x2A);
    }
    // Both card pages were cleared by DMA during the reset.
    EXPECT_EQ(c.dmaTransfers[0], 2u);

    // A nested open in the same process neither resets nor counts another user.
    EXPECT_EQ(OVCG_Initial(kCard, 1), 1);
    EXPECT_EQ(sim::GetCounters().deviceResets, 1u);
    EXPECT_EQ(OVCG_Close(kCard), 1);
    EXPECT_EQ(SharedUserCount(), 1);

    EXPECT_EQ(OVCG_Close(kCard), 1);
    EXPECT_EQ(SharedUserCount(), -1);  // the last close frees the shared objects
    EXPECT_FALSE(ControlBit(0));
    EXPECT_FALSE(ControlBit(1));
    EXPECT_TRUE(sim::EncoderRegister(0, 0x61) & 0x40);
    EXPECT_TRUE(sim::EncoderRegister(1, 0x61) & 0x40);
    EXPECT_EQ(sim::GetCounters().openHandles, 0u);
    EXPECT_EQ(OVCG_Close(kCard), 0);
}

TEST_F(CardLifeCycle, BadIndexAndClosedCardAnswerZero)
{
    EXPECT_EQ(OVCG_Initial(16, 0), 0);
    EXPECT_EQ(OVCG_Close(16), 0);
    EXPECT_EQ(OVCG_Close(3), 0);
    EXPECT_EQ(sim::GetCounters().requests[0], 0u);  // no driver was asked anything
    unsigned int version = 0;
    EXPECT_EQ(OVCG_GetSdkVersion(&version), 1);
    EXPECT_EQ(version, 0x40000u);

    unsigned long v = 77, pixels[720] = {};
    void* address = nullptr;
    for (unsigned card : {2u, 16u, 0xFFFFFFFFu}) {
        EXPECT_EQ(OVCG_SetInnerOrExtraSync(1, card), 0);
        EXPECT_EQ(OVCG_GetInnerOrExtraSync(v, card), 0);
        EXPECT_EQ(OVCG_SetVideoMode(1, card), 0);
        EXPECT_EQ(OVCG_GetContrast(v, card), 0);
        EXPECT_EQ(OVCG_SetPoint(0, 0, 1, card), 0);
        EXPECT_EQ(OVCG_SetRectangle(0, 0, 720, 1, pixels, card), 0);
        EXPECT_EQ(OVCG_GetFieldNo(v, card), 0);
        EXPECT_EQ(OVCG_GetMemAddress(address, card), 0);
        EXPECT_EQ(OVCG_InitialEvent(Wide(L"Closed card event"), card), 0);
        EXPECT_EQ(OVCG_ClearCurrentScreen(card), 0);
        EXPECT_EQ(OVCG_SetUserData(0, 1, card), 0);
        OVCG_RestoreDefault(card);
        OVCG_CloseEvent(Wide(L"Closed card event"), card);
    }
    EXPECT_EQ(v, 77u);
}

TEST_F(CardLifeCycle, MissingDriverFindsNoCard)
{
    sim::Install(nullptr, 0, false);
    EXPECT_EQ(OVCG_GetCardNum(), 0);
    EXPECT_EQ(OVCG_Initial(kCard, 1), 0);
    EXPECT_EQ(SharedUserCount(), -1);
    EXPECT_EQ(sim::GetCounters().openHandles, 0u);
}

TEST_F(CardLifeCycle, WrongDriverVersionIsRefusedAndALaterOpenStillWorks)
{
    sim::Driver newer = {L"Ovx500", 0, (5u << 16) | (1u << 8) | 1u, 1};
    sim::Install(&newer, 1, false);
    EXPECT_EQ(OVCG_GetCardNum(), 1);
    EXPECT_EQ(OVCG_Initial(kCard, 1), 0);
    EXPECT_EQ(sim::GetCounters().openHandles, 0u);
    EXPECT_EQ(SharedUserCount(), -1);

    // The failed start-up left nothing counted: the next one brings the card up for real.
    sim::InstallDefault(false);
    ASSERT_EQ(OVCG_Initial(kCard, 1), 1);
    EXPECT_EQ(sim::GetCounters().chipResets, 1u);
    EXPECT_EQ(OVCG_Close(kCard), 1);
}

TEST_F(CardLifeCycle, CountsCardsOverTheDriverTable)
{
    struct Case {
        const char* what;
        std::vector<sim::Driver> drivers;
        int cards;
    };
    const unsigned v510 = (5u << 16) | (1u << 8);
    const Case cases[] = {
        {"maker driver and a generic one", {{L"BvPci", 0, v510, 1}, {L"Plx9054", 3, v510, 2}}, 3},
        {"service driver matches do not count", {{L"PlxSvc", 0, v510, 2}}, 0},
        {"drivers without the card", {{L"Plx9056", 0, v510, 0}}, 0},
    };
    for (const Case& c : cases) {
        sim::Install(c.drivers.data(), unsigned(c.drivers.size()), false);
        EXPECT_EQ(OVCG_GetCardNum(), c.cards) << c.what;
    }
    // The third card is found through the second driver's own device number.
    sim::Install(cases[0].drivers.data(), 2, false);
    ASSERT_EQ(OVCG_Initial(2, 1), 1);
    unsigned int version = 0;
    EXPECT_EQ(OVCG_GetDriverVersion(&version, 2), 1);
    EXPECT_EQ(version, 0x050100u);
    EXPECT_EQ(OVCG_Close(2), 1);
}

TEST_F(OpenCard, VersionsAndIdentity)
{
    unsigned int v = 0;
    EXPECT_EQ(OVCG_GetBoardVersion(&v, kCard), 1);
    EXPECT_EQ(v, 0x10500u);  // blank settings memory
    EXPECT_EQ(OVCG_GetFPGAVersion(&v, kCard), 1);
    EXPECT_EQ(v, sim::Register(240));
    unsigned long type = 0;
    EXPECT_EQ(OVCG_GetCardTypeNo(type, kCard), 1);
    EXPECT_EQ(type, sim::Register(28));
}

TEST_F(OpenCard, VideoModeTakesTheLowByteAndStoresWhatRuns)
{
    unsigned long mode = 9;
    EXPECT_EQ(OVCG_SetVideoMode(0x100, kCard), 1);
    EXPECT_TRUE(ControlBit(12));
    EXPECT_EQ(sim::DecoderRegister(0x08), 0x59);
    EXPECT_EQ(sim::DecoderRegister(0x0E), 0x89);
    const uint8_t ntsc[4] = {0x1F, 0x7C, 0xF0, 0x21};
    for (unsigned e = 0; e < 2; ++e) {
        for (unsigned i = 0; i < 4; ++i)
            EXPECT_EQ(sim::EncoderRegister(e, uint8_t(0x63 + i)), ntsc[i]);
        EXPECT_EQ(sim::EncoderRegister(e, 0x28) & 0x3F, 0x19);
    }
    EXPECT_EQ(sim::Eeprom(56), 0);
    EXPECT_EQ(OVCG_GetVideoMode(mode, kCard), 1);
    EXPECT_EQ(mode, 0u);

    EXPECT_EQ(OVCG_SetVideoMode(7, kCard), 1);
    EXPECT_FALSE(ControlBit(12));
    EXPECT_EQ(sim::DecoderRegister(0x08), 0xB0);
    EXPECT_EQ(sim::EncoderRegister(0, 0x63), 0xCB);
    EXPECT_EQ(sim::Eeprom(56), 1);
    EXPECT_EQ(OVCG_GetVideoMode(mode, kCard), 1);
    EXPECT_EQ(mode, 1u);
}

TEST_F(OpenCard, SettersProgramTheChipsAndKeepWhatTheyApplied)
{
    typedef int (*Setter)(unsigned long, unsigned int);
    typedef int (*Getter)(unsigned long&, unsigned int);
    struct Case {
        const char* what;
        Setter set;
        Getter get;
        unsigned long value;
        int result;
        uint8_t address;
        int stored;  // -1: the memory keeps its old byte
        std::function<bool()> hardware;
    };
    const Case cases[] = {
        {"contrast", OVCG_SetContrast, OVCG_GetContrast, 128, 1, 67, 128, [] { return sim::DecoderRegister(0x0B) == 64; }},
        {"hue 0", OVCG_SetHue, OVCG_GetHue, 0, 1, 69, 0, [] { return sim::DecoderRegister(0x0D) == 0x80; }},
        {"light", OVCG_SetLight, OVCG_GetLight, 200, 1, 66, 200, [] { return sim::DecoderRegister(0x0A) == 200; }},
        {"saturation", OVCG_SetSatuation, OVCG_GetSatuation, 100, 1, 68, 100, [] { return sim::DecoderRegister(0x0C) == 50; }},
        {"key output mode", OVCG_SetKeyOutputMode, OVCG_GetKeyOutputMode, 5, 1, 65, 1, [] { return ControlBit(3); }},
        {"key output off", OVCG_SetKeyOutputMode, OVCG_GetKeyOutputMode, 0, 1, 65, 0, [] { return !ControlBit(3); }},
        {"bypass 2", OVCG_SetVideoBypass, OVCG_GetVideoBypass, 2, 1, 59, 2, [] { return ((Control() >> 5) & 3) == 2; }},
        {"bypass 7 changes nothing", OVCG_SetVideoBypass, OVCG_GetVideoBypass, 7, 1, 59, 2, [] { return ((Control() >> 5) & 3) == 2; }},
        {"key/preview 3", OVCG_SetKeyOrPreviewOutput, OVCG_GetKeyOrPreviewOutput, 3, 1, 70, 3, [] { return ((Control() >> 7) & 7) == 3; }},
        {"key/preview 9 is the default", OVCG_SetKeyOrPreviewOutput, OVCG_GetKeyOrPreviewOutput, 9, 1, 70, 0, [] { return ((Control() >> 7) & 7) == 0; }},
        {"TV timing", OVCG_SetTVORVTR, OVCG_GetTVORVTR, 0, 1, 60, 0, [] { return ((sim::DecoderRegister(0x08) >> 3) & 3) == 1; }},
        {"tape timing", OVCG_SetTVORVTR, OVCG_GetTVORVTR, 0x30, 1, 60, 1, [] { return ((sim::DecoderRegister(0x08) >> 3) & 3) == 3; }},
        {"subcarrier above range", OVCG_SetSubcarrierPhase, OVCG_GetSubcarrierPhase, 300, 1, 61, 255, [] { return sim::EncoderRegister(0, 0x5A) == 255; }},
        {"line phase", OVCG_SetLinePhase, OVCG_GetLinePhase, 77, 1, 62, 77, [] { return sim::Register(36) == 77; }},
        {"field phase", OVCG_SetFieldPhase, OVCG_GetFieldPhase, 130, 1, 63, 130, [] { return sim::Register(44) == 130; }},
        {"key delay", OVCG_SetKeyDelay, OVCG_GetKeyDelay, 146, 1, 64, 146, [] { return sim::Register(48) == 146; }},
        {"S-video", OVCG_SetCmpsOrSvideo, OVCG_GetCmpsOrSvideo, 1, 1, 58, 1, [] { return (sim::DecoderRegister(0x02) & 0xF) == 9 && (sim::DecoderRegister(0x09) & 0x80); }},
        {"absent input group refused, not kept", OVCG_SetCmpsOrSvideo, OVCG_GetCmpsOrSvideo, 17, 0, 58, 1, [] { return (sim::DecoderRegister(0x02) & 0xF) == 9; }},
        {"composite", OVCG_SetCmpsOrSvideo, OVCG_GetCmpsOrSvideo, 0, 1, 58, 0, [] { return (sim::DecoderRegister(0x02) & 0xF) == 0 && !(sim::DecoderRegister(0x09) & 0x80); }},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.set(c.value, kCard), c.result) << c.what;
        EXPECT_TRUE(c.hardware()) << c.what;
        EXPECT_EQ(int(sim::Eeprom(c.address)), c.stored) << c.what;
        unsigned long got = 12345;
        EXPECT_EQ(c.get(got, kCard), 1) << c.what;
        EXPECT_EQ(got, (unsigned long)c.stored) << c.what;
    }
    unsigned long level = 5;
    EXPECT_EQ(OVCG_SetVideoBlackLevel(3, kCard), 1);
    EXPECT_EQ(OVCG_GetVideoBlackLevel(level, kCard), 1);
    EXPECT_EQ(level, 5u);
}

TEST_F(OpenCard, SyncSourceAndInputStatus)
{
    unsigned long internal = 7;
    EXPECT_EQ(OVCG_SetInnerOrExtraSync(0, kCard), 1);
    EXPECT_EQ(sim::Eeprom(57), 128);
    EXPECT_FALSE(ControlBit(4));
    EXPECT_FALSE(sim::EncoderRegister(0, 0x62) & 0x80);
    EXPECT_FALSE(sim::EncoderRegister(0, 0x28) & 0xC0);
    EXPECT_FALSE(sim::DecoderRegister(0x13) & 0x80);
    EXPECT_EQ(OVCG_GetInnerOrExtraSync(internal, kCard), 1);
    EXPECT_EQ(internal, 0u);

    EXPECT_EQ(OVCG_SetInnerOrExtraSync(1, kCard), 1);
    EXPECT_EQ(sim::Eeprom(57), 0);
    EXPECT_TRUE(ControlBit(4));
    EXPECT_TRUE(sim::EncoderRegister(0, 0x5D) & 0x40);
    EXPECT_TRUE(sim::DecoderRegister(0x13) & 0x80);
    EXPECT_TRUE(sim::DecoderRegister(0x0E) & 0x80);  // the decoder clock pulse ended set
    EXPECT_EQ(OVCG_GetInnerOrExtraSync(internal, kCard), 1);
    EXPECT_EQ(internal, 1u);

    unsigned long status = 9;
    sim::SetDecoderStatus(0x00);
    EXPECT_EQ(OVCG_GetVideoInputStatus(status, kCard), 1);
    EXPECT_EQ(status, 1u);
    sim::SetDecoderStatus(0x40);
    EXPECT_EQ(OVCG_GetVideoInputStatus(status, kCard), 1);
    EXPECT_EQ(status, 0u);
}

TEST_F(CardLifeCycle, StoredSettingsAreReplayedAtTheNextStart)
{
    ASSERT_EQ(OVCG_Initial(kCard, 1), 1);
    ASSERT_EQ(OVCG_SetVideoMode(0, kCard), 1);
    ASSERT_EQ(OVCG_SetTVORVTR(0, kCard), 1);
    ASSERT_EQ(OVCG_SetContrast(90, kCard), 1);
    ASSERT_EQ(OVCG_SetVideoBypass(3, kCard), 1);
    ASSERT_EQ(OVCG_SetKeyOrPreviewOutput(2, kCard), 1);
    ASSERT_EQ(OVCG_SetLinePhase(77, kCard), 1);
    ASSERT_EQ(OVCG_Close(kCard), 1);

    sim::PowerCycle();  // registers and chips lose everything; the settings memory keeps it
    ASSERT_EQ(sim::DecoderRegister(0x0B), 0);
    uint32_t writes = sim::GetCounters().eepromWrites;
    ASSERT_EQ(OVCG_Initial(kCard, 1), 1);
    EXPECT_TRUE(ControlBit(12));
    EXPECT_EQ(sim::DecoderRegister(0x08), (0x59 & ~0x18) | (1 << 3));  // 480 lines, then TV timing
    EXPECT_EQ(sim::EncoderRegister(1, 0x63), 0x1F);
    EXPECT_EQ(sim::DecoderRegister(0x0B), 45);
    EXPECT_EQ((Control() >> 5) & 3, 3u);
    EXPECT_EQ((Control() >> 7) & 7, 2u);
    EXPECT_EQ(sim::Register(36), 77u);
    EXPECT_TRUE(ControlBit(18));
    EXPECT_EQ(sim::GetCounters().eepromWrites, writes);  // replaying writes nothing back
    unsigned long contrast = 0;
    EXPECT_EQ(OVCG_GetContrast(contrast, kCard), 1);
    EXPECT_EQ(contrast, 90u);
    EXPECT_EQ(OVCG_Close(kCard), 1);
}

TEST_F(OpenCard, RestoreDefaultStoresTheFactorySettings)
{
    ASSERT_EQ(OVCG_SetTVORVTR(0, kCard), 1);
    OVCG_RestoreDefault(kCard);
    const struct {
        uint8_t address, value;
    } stored[] = {{56, 1}, {57, 1}, {58, 0}, {59, 1}, {60, 1}, {61, 50}, {62, 128}, {63, 130},
                  {64, 146}, {65, 1}, {66, 128}, {67, 128}, {68, 128}, {69, 128}, {70, 0}};
    for (const auto& s : stored)
        EXPECT_EQ(sim::Eeprom(s.address), s.value) << int(s.address);
    // The tape timing survives the standard, which is applied first.
    EXPECT_EQ((sim::DecoderRegister(0x08) >> 3) & 3, 3);
    EXPECT_EQ((Control() >> 5) & 3, 1u);
}

TEST_F(OpenCard, PixelBoundsNeverReachOutsideTheFrame)
{
    void* address = nullptr;
    ASSERT_EQ(OVCG_GetMemAddress(address, kCard), 1);
    uint32_t* frame = static_cast<uint32_t*>(address);
    std::vector<unsigned long> buffer(720 * 2305, 0x11);
    unsigned long* p = buffer.data();
    struct Case {
        const char* what;
        std::function<int()> call;
        int result;
    };
    const Case cases[] = {
        {"rectangle past the right edge", [&] { return OVCG_SetRectangle(700, 0, 21, 1, p, kCard); }, 0},
        {"rectangle to the right edge", [&] { return OVCG_SetRectangle(700, 0, 20, 1, p, kCard); }, 1},
        {"rectangle on the last row", [&] { return OVCG_SetRectangle(0, 575, 720, 1, p, kCard); }, 1},
        {"rectangle below the last row", [&] { return OVCG_SetRectangle(0, 576, 720, 1, p, kCard); }, 0},
        {"rectangle from a negative column", [&] { return OVCG_SetRectangle(-10, 0, 20, 1, p, kCard); }, 0},
        {"rectangle from a negative row", [&] { return OVCG_SetRectangle(0, -1, 1, 1, p, kCard); }, 0},
        {"rectangle of negative width", [&] { return OVCG_SetRectangle(10, 0, -5, 1, p, kCard); }, 0},
        {"rectangle whose sum overflows", [&] { return OVCG_SetRectangle(1, 1, INT_MAX, INT_MAX, p, kCard); }, 0},
        {"area as rectangle", [&] { return OVCG_SetArea(700, 0, 21, 1, p, kCard); }, 0},
        {"null pixels", [&] { return OVCG_SetRectangle(0, 0, 1, 1, nullptr, kCard); }, 0},
        {"read rectangle over four pages", [&] { return OVCG_GetRectangle(0, 0, 720, 2304, p, kCard); }, 1},
        {"read rectangle past four pages", [&] { return OVCG_GetRectangle(0, 1, 720, 2304, p, kCard); }, 0},
        {"part column past 576 rows", [&] { return OVCG_GetPartColumn(3, 500, 77, p, kCard); }, 0},
        {"part column to 576 rows", [&] { return OVCG_GetPartColumn(3, 500, 76, p, kCard); }, 1},
        {"part row past the edge", [&] { return OVCG_SetPartRow(719, 0, 2, p, kCard); }, 0},
        {"part row negative count", [&] { return OVCG_SetPartRow(10, 0, -1, p, kCard); }, 0},
        {"column 720", [&] { return OVCG_GetColumn(720, p, kCard); }, 0},
        {"screen page 4", [&] { return OVCG_GetScreen(p, 4, kCard); }, 0},
        {"screen page -1", [&] { return OVCG_SetScreen(p, -1, kCard); }, 0},
        {"screen page 3", [&] { return OVCG_GetScreen(p, 3, kCard); }, 1},
        {"point left of the row", [&] { return OVCG_SetPoint(-1, 0, 1, kCard); }, 0},
        {"point right of the row", [&] { return OVCG_SetPoint(720, 0, 1, kCard); }, 0},
        {"point past the frame", [&] { return OVCG_SetPoint(0, 2880, 1, kCard); }, 0},
        {"point on the frame's last pixel", [&] { return OVCG_SetPoint(719, 2879, 1, kCard); }, 1},
        {"row past the frame", [&] { return OVCG_SetRow(2880, p, kCard); }, 0},
        {"row far past the frame", [&] { return OVCG_GetRow(INT_MAX, p, kCard); }, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.call(), c.result) << c.what;

    // The display base moves every pixel operation but the rectangle, which feeds the card.
    std::memset(frame, 0, 720 * 4 * 4);
    std::vector<unsigned long> row(720, 0xABCD);
    ASSERT_EQ(OVCG_SetVideoBase(1000, kCard), 1);
    unsigned long base = 0;
    EXPECT_EQ(OVCG_GetVideoBase(base, kCard), 1);
    EXPECT_EQ(base, 1000u);
    EXPECT_EQ(OVCG_SetRectangle(0, 0, 720, 1, row.data(), kCard), 1);
    EXPECT_EQ(OVCG_SetRow(0, row.data(), kCard), 1);
    EXPECT_EQ(frame[0], 0xABCDu);
    EXPECT_EQ(frame[720], 0u);
    EXPECT_EQ(frame[1000], 0xABCDu);
    EXPECT_EQ(frame[1719], 0xABCDu);
    ASSERT_EQ(OVCG_SetVideoBase(0xFFFFFFF0, kCard), 1);
    EXPECT_EQ(OVCG_SetPoint(0, 0, 1, kCard), 0);
    EXPECT_EQ(OVCG_GetScreen(p, 0, kCard), 0);
    ASSERT_EQ(OVCG_SetVideoBase(0, kCard), 1);
}

TEST_F(OpenCard, ScreenOfTheShorterStandardCopiesItsRowsOnly)
{
    ASSERT_EQ(OVCG_SetVideoMode(0, kCard), 1);
    std::vector<unsigned long> screen(414720, 0x5555);
    EXPECT_EQ(OVCG_GetScreen(screen.data(), 0, kCard), 1);
    EXPECT_EQ(screen[351359], 0u);
    EXPECT_EQ(screen[351360], 0x5555u);
}

TEST_F(OpenCard, ClearScreenZeroesTheFrameAndBothCardPages)
{
    std::vector<unsigned long> row(720, 0x77777777);
    for (int y = 0; y < 576; ++y)
        ASSERT_EQ(OVCG_SetRectangle(0, y, 720, 1, row.data(), kCard), 1);
    EXPECT_EQ(OVCG_ClearCurrentScreen(kCard), 1);
    unsigned long pixel = 1;
    EXPECT_EQ(OVCG_GetPoint(719, 575, pixel, kCard), 1);
    EXPECT_EQ(pixel, 0u);
    sim::Counters c = sim::GetCounters();
    EXPECT_EQ(c.lastDmaCardAddress[0], 0x195000u);
    EXPECT_EQ(c.lastDmaBytes[0], 0x195000u);
}

TEST_F(OpenCard, VideoSampleIsTakenAndReadByDma)
{
    unsigned long done = 9;
    EXPECT_EQ(OVCG_GetIfVideoSampleDone(done, kCard), 0);
    EXPECT_EQ(OVCG_SetVideoSample(kCard), 1);
    EXPECT_EQ(sim::GetCounters().sampleRequests, 1u);
    EXPECT_EQ(OVCG_GetIfVideoSampleDone(done, kCard), 1);
    EXPECT_EQ(done, 1u);
    std::vector<unsigned long> still(720 * 576);
    EXPECT_EQ(OVCG_GetVideoSampleData(still.data(), kCard), 1);
    EXPECT_EQ(still[0], 0x5A000000u);
    EXPECT_EQ(still[720 * 576 - 1], 0x5A000000u + 720 * 576 - 1);
    EXPECT_EQ(sim::GetCounters().lastDmaToHost[0], 1u);
}

TEST_F(OpenCard, UserDataBounds)
{
    EXPECT_EQ(OVCG_SetUserData(47, 0x5C, kCard), 1);
    EXPECT_EQ(OVCG_SetUserData(48, 0x5C, kCard), 0);
    EXPECT_EQ(sim::Eeprom(47), 0x5C);
    EXPECT_EQ(sim::Eeprom(48), 0xFF);
    unsigned char expected[2] = {0xFF, 0x5C};
    struct Case {
        unsigned long address, length;
        int result;
    };
    const Case cases[] = {{46, 2, 1}, {47, 1, 1}, {45, 2, 0}, {10, 0, 1}, {0, 0, 1},
                          {48, 0, 0}, {47, 2, 0}, {0xFFFFFFFF, 2, 0}, {1, 0xFFFFFFFF, 0}};
    uint32_t transactions = sim::GetCounters().iicTransactions;
    for (const Case& c : cases) {
        unsigned char* data = c.address == 47 ? expected + 1 : expected;
        EXPECT_EQ(OVCG_VerifyUserData(c.address, c.length, data, kCard), c.result)
            << c.address << " " << c.length;
    }
    EXPECT_GT(sim::GetCounters().iicTransactions, transactions);
}

TEST(CardWordOperations, CopyAndFillEveryWord)
{
    for (unsigned long count : {0ul, 1ul, 2ul, 3ul, 7ul}) {
        unsigned long src[8] = {1, 2, 3, 4, 5, 6, 7, 8}, dst[8] = {}, fill[8] = {};
        OVCG_memcpy(dst, src, count);
        OVCG_memset(fill, 0xEE, count);
        for (unsigned long i = 0; i < 8; ++i) {
            EXPECT_EQ(dst[i], i < count ? src[i] : 0) << count << " " << i;
            EXPECT_EQ(fill[i], i < count ? 0xEEu : 0u) << count << " " << i;
        }
        unsigned long ex[8] = {};
        OVCG_memcpyEx(ex, src, count);
        EXPECT_EQ(std::memcmp(ex, dst, sizeof ex), 0);
    }
}
