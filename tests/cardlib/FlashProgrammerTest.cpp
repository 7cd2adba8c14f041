// The configuration-flash programmer against the simulated serial configuration device.
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <io.h>
#include <iterator>
#include <string>
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

std::wstring TempPath(const wchar_t* name)
{
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + name;
}

// What the programmer prints while f runs, line breaks as "\n".
template <typename F>
std::string Printed(F f)
{
    std::wstring path = TempPath(L"rvx_flash_stdout.txt");
    fflush(stdout);
    int saved = _dup(_fileno(stdout));
    FILE* file = _wfopen(path.c_str(), L"wb");
    _dup2(_fileno(file), _fileno(stdout));
    f();
    fflush(stdout);
    _dup2(saved, _fileno(stdout));
    _close(saved);
    fclose(file);
    std::ifstream in(path.c_str(), std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string plain;
    for (char c : text) {
        if (c != '\r')
            plain += c;
    }
    DeleteFileW(path.c_str());
    return plain;
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
    int result = 0;
    std::string printed = Printed([&] { result = programmer.Program(data.data(), uint32_t(data.size())); });
    EXPECT_EQ(result, -20);
    EXPECT_EQ(printed, "\nInfo: Silicon ID - 0x12 \nInfo: Serial Configuration Device - EPCS4\n"
                       "\nError: Wrong programming file");
    EXPECT_EQ(sim::GetCounters().flashCommands[0xC7], 0u);
    EXPECT_FALSE(sim::FlashOwnedByProgrammer());

    sim::SetFlashId(0x16);
    printed = Printed([&] { result = programmer.Program(data.data(), 100); });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(printed, "\nError: Unsupported Device");
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

TEST_F(Flash, ProgramsFromAFileAndReadsIntoOne)
{
    std::vector<uint8_t> data = Image(700);
    std::wstring in = TempPath(L"rvx_flash_in.rpd"), out = TempPath(L"rvx_flash_out.rpd");
    {
        std::ofstream f(in.c_str(), std::ios::binary);
        f.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
    }
    sim::SetFlashId(0x10);
    FlashProgrammer programmer(0);
    EXPECT_EQ(programmer.ProgramFile(in.c_str()), 1);
    EXPECT_EQ(programmer.VerifyFile(in.c_str()), 1);
    EXPECT_EQ(programmer.ReadToFile(out.c_str()), 1);
    std::ifstream back(out.c_str(), std::ios::binary);
    std::vector<uint8_t> read((std::istreambuf_iterator<char>(back)), std::istreambuf_iterator<char>());
    ASSERT_EQ(read.size(), 1u << 17);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), read.begin()));
    back.close();

    uint32_t erases = sim::GetCounters().flashCommands[0xC7];
    EXPECT_EQ(programmer.ProgramFile(TempPath(L"rvx_no_such_file.rpd").c_str()), 0);
    EXPECT_EQ(sim::GetCounters().flashCommands[0xC7], erases);
    DeleteFileW(in.c_str());
    DeleteFileW(out.c_str());
}
