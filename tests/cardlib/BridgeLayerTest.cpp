// The PCI bridge access layer against the simulated driver.
#include <gtest/gtest.h>
#include <vector>

#include "PciBridgeDevice.h"
#include "SimCard.h"

using ovx::PciBridgeDevice;

namespace {

const unsigned v510 = (5u << 16) | (1u << 8);

uint32_t Requests(uint32_t code)
{
    return sim::GetCounters().requests[(code - 0x222000) / 4];
}

}  // namespace

TEST(BridgeLayer, FindsAndOpensCardsOverTheDriverTable)
{
    struct Case {
        const char* what;
        std::vector<sim::Driver> drivers;
        int count;
        unsigned open;
        uint32_t status;
    };
    const Case cases[] = {
        {"nothing installed", {}, 0, 0, ovx::PlxNoDriver},
        {"a driver without the card", {{L"Plx9080", 0, v510, 0}}, 0, 0, ovx::PlxInvalidObject},
        {"maker and generic drivers", {{L"BvPci", 0, v510, 1}, {L"Plx9054", 3, v510, 2}}, 3, 2, ovx::PlxSuccess},
        {"a fourth card that is not there", {{L"BvPci", 0, v510, 1}, {L"Plx9054", 3, v510, 2}}, 3, 3, ovx::PlxInvalidObject},
        {"the service driver's card", {{L"PlxSvc", 0, v510, 1}}, 0, 0, ovx::PlxInvalidObject},
        {"a newer driver", {{L"Ovx500", 0, v510 | 1, 1}}, 1, 0, ovx::PlxBadVersion},
    };
    for (const Case& c : cases) {
        sim::Install(c.drivers.data(), unsigned(c.drivers.size()), false);
        EXPECT_EQ(PciBridgeDevice::CountCards(), c.count) << c.what;
        PciBridgeDevice device;
        EXPECT_EQ(device.OpenCard(c.open), c.status) << c.what;
        EXPECT_EQ(sim::GetCounters().openHandles, c.status == ovx::PlxSuccess ? 1u : 0u) << c.what;
        device.Close();
        EXPECT_EQ(sim::GetCounters().openHandles, 0u) << c.what;
    }
}

TEST(BridgeLayer, RegisterWindowsAreCachedWithUseCounts)
{
    sim::InstallDefault(false);
    PciBridgeDevice device;
    ASSERT_EQ(device.OpenCard(0), ovx::PlxSuccess);
    EXPECT_EQ(device.OpenCard(0), ovx::PlxInvalidObject);  // already open
    uintptr_t a = 0, b = 0;
    EXPECT_EQ(device.MapBar(3, a), ovx::PlxSuccess);
    EXPECT_EQ(device.MapBar(3, b), ovx::PlxSuccess);
    EXPECT_EQ(a, b);
    EXPECT_EQ(Requests(ovx::IoMapBar), 1u);
    EXPECT_EQ(device.UnmapBar(a), ovx::PlxSuccess);
    EXPECT_EQ(Requests(ovx::IoUnmapBar), 0u);
    EXPECT_EQ(device.UnmapBar(a), ovx::PlxSuccess);
    EXPECT_EQ(Requests(ovx::IoUnmapBar), 1u);
    EXPECT_EQ(device.UnmapBar(a), ovx::PlxInvalidAddress);
    EXPECT_EQ(device.MapBar(6, a), ovx::PlxInvalidBar);
    device.Close();

    uint32_t before = sim::GetCounters().requests[0];
    uint32_t version = 0;
    EXPECT_EQ(device.DriverVersion(version), ovx::PlxInvalidObject);
    EXPECT_EQ(device.Reset(), ovx::PlxInvalidObject);
    EXPECT_EQ(sim::GetCounters().requests[0], before);
}

TEST(BridgeLayer, DmaAndNotifications)
{
    sim::InstallDefault(false);
    PciBridgeDevice device;
    ASSERT_EQ(device.OpenCard(0), ovx::PlxSuccess);
    ASSERT_EQ(device.DmaOpen(1), ovx::PlxSuccess);
    ASSERT_EQ(device.EnableInterrupt(ovx::IntDma1Enable), ovx::PlxSuccess);
    std::vector<uint32_t> out(1024), in(1024, 0);
    for (uint32_t i = 0; i < out.size(); ++i)
        out[i] = 0xC0DE0000 + i;
    EXPECT_EQ(device.DmaTransfer(1, out.data(), 0x1000, 4096, false, 1000), ovx::PlxSuccess);
    ASSERT_EQ(device.DmaOpen(0), ovx::PlxSuccess);
    ASSERT_EQ(device.EnableInterrupt(ovx::IntDma0Enable), ovx::PlxSuccess);
    EXPECT_EQ(device.DmaTransfer(0, in.data(), 0x1000, 4096, true, 1000), ovx::PlxSuccess);
    EXPECT_EQ(in, out);
    EXPECT_EQ(device.DmaTransfer(2, in.data(), 0, 4, true, 1000), ovx::PlxBadDmaChannel);
    EXPECT_EQ(device.DmaTransfer(0, in.data(), 0x7FFFFC, 8, true, 1000), ovx::PlxInvalidAddress);

    EXPECT_EQ(device.WaitNotification(ovx::NotifySource::Local, 0), ovx::PlxInvalidHandle);
    ASSERT_EQ(device.RegisterNotification(ovx::NotifySource::Local), ovx::PlxSuccess);
    EXPECT_EQ(device.WaitNotification(ovx::NotifySource::Local, 0), ovx::PlxWaitTimeout);

    // A close answered "busy" resets the device once and is repeated.
    sim::Faults f = {};
    f.dmaCloseBusyOnce = 1;
    sim::SetFaults(f);
    uint32_t resets = sim::GetCounters().deviceResets;
    EXPECT_EQ(device.DmaClose(0), ovx::PlxSuccess);
    EXPECT_EQ(sim::GetCounters().deviceResets, resets + 1);
    device.Close();
}
