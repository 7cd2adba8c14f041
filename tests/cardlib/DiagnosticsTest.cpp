// The card diagnostics (a good card passes, a simulated fault fails) and the colour
// conversion, reached through the card's API object.
#include <gtest/gtest.h>
#include <string>

#include "CardHolder.h"
#include "SimCard.h"

using namespace ovx;

namespace {

std::wstring g_message;

void CaptureMessage(const wchar_t* text)
{
    g_message = text;
}

class Diagnostics : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim::InstallDefault(false);
        ASSERT_EQ(CardTable::Open(0, 1), 1);
        holder = CardTable::Find(0);
        SetMessageSink(CaptureMessage);
        g_message.clear();
    }
    void TearDown() override
    {
        holder.reset();
        CardTable::Close(0);
        SetMessageSink(nullptr);
    }
    void Fault(void (*set)(sim::Faults&))
    {
        sim::Faults f = {};
        set(f);
        sim::SetFaults(f);
    }
    std::shared_ptr<CardHolder> holder;
};

}  // namespace

TEST_F(Diagnostics, RegisterTest)
{
    EXPECT_EQ(holder->api.RegisterTest(), 1);
    Fault([](sim::Faults& f) { f.testRegisterStuckBits = 0x100; });
    EXPECT_EQ(holder->api.RegisterTest(), 0);
}

TEST_F(Diagnostics, CardMemoryTest)
{
    EXPECT_EQ(holder->api.MemoryTest(), 1);
    EXPECT_GE(sim::GetCounters().dmaTransfers[1], 8u);
    Fault([](sim::Faults& f) { f.flipCardMemoryWord = 1 + (5u << 18) + 77; });
    EXPECT_EQ(holder->api.MemoryTest(), 0);
}

TEST_F(Diagnostics, IicChipTest)
{
    EXPECT_EQ(holder->api.IicChipTest(), 1);
    EXPECT_TRUE(g_message.empty());
    Fault([](sim::Faults& f) { f.decoderIgnoresWrites = 1; });
    EXPECT_EQ(holder->api.IicChipTest(), 0);
    EXPECT_EQ(g_message, L"Video Decoder 0 IIC Test Error!");
}

TEST_F(Diagnostics, SettingsMemoryTestKeepsTheUserData)
{
    for (int i = 0; i < 48; ++i)
        sim::SetEeprom(uint8_t(i), uint8_t(0xC0 ^ i));
    EXPECT_EQ(holder->api.SettingsMemoryTest(), 1);
    for (int i = 0; i < 48; ++i)
        EXPECT_EQ(sim::Eeprom(uint8_t(i)), uint8_t(0xC0 ^ i)) << i;
    Fault([](sim::Faults& f) { f.eepromDropAddress = 1 + 20; });
    EXPECT_EQ(holder->api.SettingsMemoryTest(), 0);
    EXPECT_EQ(sim::Eeprom(19), uint8_t(0xC0 ^ 19));
}

TEST(ColourConversion, StudioRangeAndPacking)
{
    struct Case {
        uint8_t r, g, b, y, cb, cr;
    };
    const Case cases[] = {
        {0, 0, 0, 16, 128, 128},       {255, 255, 255, 235, 128, 128}, {255, 0, 0, 82, 90, 240},
        {0, 255, 0, 145, 54, 34},      {0, 0, 255, 41, 240, 110},
    };
    for (const Case& c : cases) {
        YCbCr v = RgbToYCbCr(c.r, c.g, c.b);
        EXPECT_EQ(v.y, c.y) << int(c.r) << "," << int(c.g) << "," << int(c.b);
        EXPECT_EQ(v.cb, c.cb) << int(c.r) << "," << int(c.g) << "," << int(c.b);
        EXPECT_EQ(v.cr, c.cr) << int(c.r) << "," << int(c.g) << "," << int(c.b);
    }
    // Black then white, and an odd row whose last red pixel pairs with itself.
    const uint32_t rgb[3] = {0x000000, 0xFFFFFF, 0xFF0000};
    uint32_t words[2] = {};
    PackYCbCr422(rgb, 3, 1, words);
    EXPECT_EQ(words[0], 0x801080EBu);
    EXPECT_EQ(words[1], 0x5A52F052u);
}

TEST_F(Diagnostics, MaintenanceOperations)
{
    uint8_t v = 0x44;
    EXPECT_EQ(holder->api.ChipRegister(0, 0x20, v, true), 1);
    EXPECT_EQ(sim::DecoderRegister(0x20), 0x44);
    v = 0;
    EXPECT_EQ(holder->api.ChipRegister(2, 0x3A, v, false), 1);
    EXPECT_EQ(v, 0x13);  // from the encoder's shadow of its initial table
    EXPECT_EQ(holder->api.ChipRegister(3, 0x3A, v, false), 0);

    EXPECT_EQ(holder->api.SetControl2Bit4(true), 1);
    EXPECT_EQ(sim::Register(144) & 0x10, 0x10u);
    EXPECT_EQ(holder->api.SetControl2Bit4(false), 1);
    EXPECT_EQ(sim::Register(144) & 0x10, 0u);
    EXPECT_EQ(holder->api.SetRunBit(false), 1);
    EXPECT_EQ(sim::Register(16) & 1, 0u);
    EXPECT_EQ(holder->api.SetRunBit(true), 1);

    EXPECT_EQ(holder->api.WriteBoardVersion(0x10600), 1);
    EXPECT_EQ(sim::Eeprom(124), 0x00);
    EXPECT_EQ(sim::Eeprom(125), 0x06);
    EXPECT_EQ(sim::Eeprom(126), 0x01);
    Fault([](sim::Faults& f) { f.eepromDropAddress = 1 + 125; });
    EXPECT_EQ(holder->api.WriteBoardVersion(0x10700), 0);  // the read-back check fails
}
