// The IIC bus, the chips on it and the settings memory, against the simulated card.
#include <cstring>
#include <gtest/gtest.h>
#include <memory>

#include "CardRegisters.h"
#include "IicBus.h"
#include "PciBridgeDevice.h"
#include "SettingsMemory.h"
#include "SimCard.h"

using namespace ovx;

namespace {

class Bus : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim::InstallDefault(false);
        ASSERT_EQ(device.OpenCard(0), PlxSuccess);
        ASSERT_EQ(device.MapBar(3, bar3), PlxSuccess);
        registerMutex = CreateMutexW(nullptr, FALSE, nullptr);
        busMutex = CreateMutexW(nullptr, FALSE, nullptr);
        registers.reset(new CardRegisters(device, registerMutex));
        registers->Attach(bar3, kBoardVersion);
        bus.reset(new IicBus(*registers, busMutex));
        memory.reset(new SettingsMemory(*bus));
    }
    void TearDown() override
    {
        memory.reset();
        bus.reset();
        registers.reset();
        device.Close();
        CloseHandle(registerMutex);
        CloseHandle(busMutex);
    }

    PciBridgeDevice device;
    uintptr_t bar3 = 0;
    HANDLE registerMutex = nullptr, busMutex = nullptr;
    std::unique_ptr<CardRegisters> registers;
    std::unique_ptr<IicBus> bus;
    std::unique_ptr<SettingsMemory> memory;
};

}  // namespace

TEST_F(Bus, DecoderRegistersRoundTripAndBitFields)
{
    IicChip decoder(*bus, iic::Decoder, false);
    EXPECT_TRUE(decoder.Write(0x20, 0x33));
    EXPECT_EQ(sim::DecoderRegister(0x20), 0x33);
    uint8_t v = 0;
    EXPECT_TRUE(decoder.Read(0x20, v));
    EXPECT_EQ(v, 0x33);
    EXPECT_TRUE(decoder.WriteField(0x20, 0x5, 4, 3));
    EXPECT_EQ(sim::DecoderRegister(0x20), 0x53);
    uint8_t many[3] = {1, 2, 3}, back[3] = {};
    EXPECT_TRUE(bus->Write(iic::Decoder, 0x30, many, 3));
    EXPECT_TRUE(bus->Read(iic::Decoder, 0x30, back, 3));
    EXPECT_EQ(std::memcmp(many, back, 3), 0);
    EXPECT_EQ(sim::GetCounters().iicViolations, 0u);
}

TEST_F(Bus, EncoderReadsComeFromTheShadowWithoutTheBus)
{
    IicChip encoder(*bus, iic::Encoder1, true);
    EXPECT_TRUE(encoder.Write(0x61, 0x12));
    EXPECT_EQ(sim::EncoderRegister(1, 0x61), 0x12);
    uint32_t transactions = sim::GetCounters().iicTransactions;
    uint8_t v = 0;
    EXPECT_TRUE(encoder.Read(0x61, v));
    EXPECT_EQ(v, 0x12);
    EXPECT_EQ(sim::GetCounters().iicTransactions, transactions);
    EXPECT_TRUE(encoder.WriteBit(0x61, 6, true));
    EXPECT_EQ(sim::EncoderRegister(1, 0x61), 0x52);
    // The chip itself refuses reads.
    EXPECT_FALSE(bus->Read(iic::Encoder1, 0x61, &v, 1));
}

TEST_F(Bus, DeadChipOrStalledPortFailsInsteadOfHanging)
{
    sim::Faults f = {};
    f.decoderAbsent = 1;
    sim::SetFaults(f);
    IicChip decoder(*bus, iic::Decoder, false);
    uint8_t v = 0;
    EXPECT_FALSE(decoder.Write(0x0A, 1));
    EXPECT_FALSE(decoder.Read(0x0A, v));
    EXPECT_GT(sim::GetCounters().iicNacks, 0u);

    f.decoderAbsent = 0;
    f.readyNever = 1;
    sim::SetFaults(f);
    EXPECT_FALSE(decoder.Write(0x0A, 1));
    EXPECT_FALSE(memory->WriteByte(60, 1));
}

TEST_F(Bus, OldBoardsReachRegistersThroughTheDriver)
{
    registers->Attach(bar3, 0x10300);
    uint32_t before = sim::GetCounters().requests[(IoLocalBlockWrite - 0x222000) / 4];
    registers->Write(reg::LinePhase, 99);
    EXPECT_EQ(sim::Register(36), 99u);
    EXPECT_EQ(registers->Read(reg::LinePhase), 99u);
    EXPECT_EQ(sim::GetCounters().requests[(IoLocalBlockWrite - 0x222000) / 4], before + 1);
}

TEST_F(Bus, UserDataBoundsAndPacedWrites)
{
    uint8_t data[48];
    for (int i = 0; i < 48; ++i)
        data[i] = uint8_t(0x80 + i);
    EXPECT_FALSE(memory->WriteUserData(1, data, 48));
    EXPECT_EQ(sim::GetCounters().eepromWrites, 0u);
    EXPECT_TRUE(memory->WriteUserData(40, data, 8));
    EXPECT_EQ(sim::GetCounters().eepromWrites, 8u);
    EXPECT_EQ(sim::GetCounters().eepromNackedBusy, 0u);  // every write waited out the cycle
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(sim::Eeprom(uint8_t(40 + i)), data[i]);
    uint8_t back[8] = {};
    EXPECT_TRUE(memory->ReadUserData(40, back, 8));
    EXPECT_EQ(std::memcmp(back, data, 8), 0);
    EXPECT_FALSE(memory->ReadUserData(47, back, 2));

    uint32_t transactions = sim::GetCounters().iicTransactions;
    EXPECT_EQ(memory->VerifyUserData(10, 0, nullptr), 1);
    EXPECT_EQ(sim::GetCounters().iicTransactions, transactions);
    EXPECT_EQ(memory->VerifyUserData(48, 0, nullptr), 0);
    EXPECT_EQ(memory->VerifyUserData(40, 8, data), 1);
    EXPECT_EQ(memory->VerifyUserData(40, 9, data), 0);
}

TEST_F(Bus, BoardVersionAndInformationRecordLayout)
{
    uint32_t version = 0;
    EXPECT_TRUE(memory->ReadBoardVersion(version));
    EXPECT_EQ(version, 0xFFFFFFFFu);
    EXPECT_TRUE(memory->WriteBoardVersion(0x00010502));
    const uint8_t versionBytes[4] = {0x02, 0x05, 0x01, 0x00};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(sim::Eeprom(uint8_t(124 + i)), versionBytes[i]);

    BoardInformation info = {0x1234, 1, 0xABCD, 0x01020304, 0xA0B0C0D0};
    EXPECT_TRUE(memory->WriteBoardInformation(info));
    const uint8_t record[13] = {0x12, 0x34, 0x01, 0xAB, 0xCD, 0x01, 0x02, 0x03, 0x04, 0xA0, 0xB0, 0xC0, 0xD0};
    for (int i = 0; i < 13; ++i)
        EXPECT_EQ(sim::Eeprom(uint8_t(240 + i)), record[i]) << i;
    BoardInformation back = {};
    EXPECT_TRUE(memory->ReadBoardInformation(back));
    EXPECT_EQ(back.first, 0x1234);
    EXPECT_EQ(back.second, 0xABCD);
    EXPECT_EQ(back.third, 0x01020304u);
    EXPECT_EQ(back.fourth, 0xA0B0C0D0u);

    BoardInformation invalid = info;
    invalid.valid = 0;
    EXPECT_FALSE(memory->WriteBoardInformation(invalid));
    sim::SetEeprom(242, 0);
    EXPECT_FALSE(memory->ReadBoardInformation(back));
}
