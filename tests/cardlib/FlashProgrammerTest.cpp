// The configuration-flash programmer against the simulated serial configuration device.
#include <gtest/gtest.h>
#include <vector>

#include "FlashProgrammer.h"
#include "SimCard.h"

using ovx::FlashProgrammer;

namespace {

std::vector<uint8_t> Image(size_t size)
{
    std::vector<uint8_t> data(size);
    for (size_t i = 0; i < size; ++i)
        data[i] = uint8_t(i * 7 + (i >> 8));
    return data;
}

uint8_t Reversed(uint8_t b)
{
    uint8_t r = 0;
    for (int i = 0; i < 8; ++i)
        r = uint8_t(r | (((b >> i) & 1) << (7 - i)));
    return r;
}

class Flash : public ::testing::Test {
protected:
    void SetUp() override { sim::InstallDefault(false); }
};

}  // namespace

TEST_F(Flash, ProgramsTwoPagesAndVerifies)
{
    std::vector<uint8_t> data = Image(300);
    FlashProgrammer programmer(0);
    EXPECT_EQ(programmer.Program(data.data(), uint32_t(data.size())), 1);
    std::vector<uint8_t> flash(512);
    sim::ReadFlash(0, flash.data(), 512);
    // File bytes go out least significant bit first and the device stores them as it shifts
    // them in, most significant first: each stored byte is the file byte bit-reversed.
    for (size_t i = 0; i < data.size(); ++i)
        ASSERT_EQ(flash[i], Reversed(data[i])) << i;
    EXPECT_EQ(flash[300], 0xFF);
    sim::Counters c = sim::GetCounters();
    EXPECT_EQ(c.flashCommands[0xC7], 1u);
    EXPECT_EQ(c.flashCommands[0x02], 2u);  // 256 and 44 bytes
    EXPECT_EQ(c.flashCommands[0x03], 1u);  // the verify
    int phase = 0, percent = 0;
    programmer.GetProgress(phase, percent);
    EXPECT_EQ(phase, ovx::FlashVerifying);
    EXPECT_EQ(percent, 100);
    EXPECT_FALSE(sim::FlashOwnedByProgrammer());

    EXPECT_EQ(programmer.Verify(data.data(), uint32_t(data.size())), 1);
    data[299] ^= 1;
    EXPECT_EQ(programmer.Verify(data.data(), uint32_t(data.size())), 0);
}

TEST_F(Flash, RefusesAFileLargerThanTheDeviceAndAnUnknownDevice)
{
    std::vector<uint8_t> data = Image(600000);
    FlashProgrammer programmer(0);
    EXPECT_EQ(programmer.Program(data.data(), uint32_t(data.size())), -20);
    EXPECT_EQ(sim::GetCounters().flashCommands[0xC7], 0u);
    EXPECT_FALSE(sim::FlashOwnedByProgrammer());

    sim::SetFlashId(0x16);
    EXPECT_EQ(programmer.Program(data.data(), 100), 0);
    EXPECT_EQ(sim::GetCounters().flashCommands[0xC7], 0u);
    EXPECT_FALSE(sim::FlashOwnedByProgrammer());
}

TEST_F(Flash, ReadsTheWholeDevice)
{
    sim::SetFlashId(0x10);  // EPCS1
    std::vector<uint8_t> data = Image(1000);
    FlashProgrammer programmer(0);
    ASSERT_EQ(programmer.Program(data.data(), uint32_t(data.size()), false), 1);
    std::vector<uint8_t> read;
    ASSERT_EQ(programmer.Read(read), 1);
    ASSERT_EQ(read.size(), 1u << 17);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), read.begin()));
    EXPECT_EQ(read.back(), 0xFF);
    int phase = 0, percent = 0;
    programmer.GetProgress(phase, percent);
    EXPECT_EQ(phase, ovx::FlashReading);
    EXPECT_EQ(percent, 100);
}

TEST_F(Flash, BusyDeviceFailsAfterTheLimitAndIsHandedBack)
{
    sim::Faults f = {};
    f.flashBusyForever = 1;
    sim::SetFaults(f);
    std::vector<uint8_t> data = Image(10);
    FlashProgrammer programmer(0);
    programmer.SetBusyLimits(50, 50);
    EXPECT_EQ(programmer.Program(data.data(), uint32_t(data.size())), 0);
    EXPECT_FALSE(sim::FlashOwnedByProgrammer());
    EXPECT_EQ(sim::GetCounters().openHandles, 0u);
}
