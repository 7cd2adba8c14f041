// Field events and the field writer on the simulated card, the field clock ticked by hand.
#include <cstdio>
#include <gtest/gtest.h>
#include <vector>

#include "CardTestSupport.h"
#include "SimCard.h"
#include "cardlib/ovx500u.h"

namespace {

const unsigned kCard = 0;
const uint32_t kPageBytes = 0x195000;

uint32_t Pattern(int x, int y)
{
    return 0x01000000u + uint32_t(y) * 1000u + uint32_t(x);
}

class CardFields : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim::InstallDefault(false);
        ASSERT_EQ(OVCG_Initial(kCard, 1), 1);
    }
    void TearDown() override { OVCG_Close(kCard); }

    // One field: the interrupt thread acknowledges it and the writer reads the field number.
    void Tick()
    {
        uint32_t reads = sim::GetCounters().fieldReads;
        ASSERT_TRUE(sim::TickField());
        ASSERT_TRUE(sim::WaitFieldReads(reads + 1));
    }

    std::vector<uint32_t> CardPage(uint32_t offset)
    {
        std::vector<uint32_t> page(kPageBytes / 4);
        sim::ReadCardMemory(offset, page.data(), kPageBytes);
        return page;
    }
};

}  // namespace

TEST_F(CardFields, CallersEventIsSignalledOnEveryField)
{
    ASSERT_EQ(OVCG_InitialEvent(Wide(L"Global Event 0"), kCard), 1);
    HANDLE ev = OVCG_GetEvent(Wide(L"Global Event 0"), kCard);
    ASSERT_NE(ev, nullptr);
    for (unsigned long n = 1; n <= 3; ++n) {
        Tick();
        EXPECT_EQ(WaitForSingleObject(ev, 5000), WAIT_OBJECT_0);
        unsigned long field = 0;
        EXPECT_EQ(OVCG_GetFieldNo(field, kCard), 1);
        EXPECT_EQ(field, n);
    }
    EXPECT_EQ(sim::GetCounters().fieldAcks, 3u);
    CloseHandle(ev);
    OVCG_CloseEvent(Wide(L"Global Event 0"), kCard);
    EXPECT_EQ(OVCG_GetEvent(Wide(L"Global Event 0"), kCard), nullptr);
}

TEST_F(CardFields, RectangleRowsReachTheCardFieldByField)
{
    std::vector<unsigned long> row(720);
    for (int y = 0; y < 576; ++y) {
        for (int x = 0; x < 720; ++x)
            row[x] = Pattern(x, y);
        ASSERT_EQ(OVCG_SetRectangle(0, y, 720, 1, row.data(), kCard), 1);
    }
    const uint32_t cleared = sim::GetCounters().dmaTransfers[0];

    // Field counts 1..6: a page goes out only at counts 2 (buffer A to page 0) and 4 (buffer
    // B to page 1), each built from the rows of the two fields before.
    const uint32_t sentAfter[7] = {0, 0, 1, 1, 2, 2, 3};
    for (int count = 1; count <= 6; ++count) {
        Tick();
        if (sentAfter[count] > sentAfter[count - 1]) {
            ASSERT_TRUE(sim::WaitDmaTransfers(0, cleared + sentAfter[count])) << count;
        }
        EXPECT_EQ(sim::GetCounters().dmaTransfers[0], cleared + sentAfter[count]) << count;
        if (count == 2) {
            // Only the odd field had been copied into buffer A.
            std::vector<uint32_t> page0 = CardPage(0);
            EXPECT_EQ(page0[720 * 1 + 5], Pattern(5, 1));
            EXPECT_EQ(page0[720 * 0 + 5], 0u);
            EXPECT_EQ(sim::GetCounters().displayedPage, 0u);
        }
        if (count == 4) {
            std::vector<uint32_t> page1 = CardPage(0x195000);
            EXPECT_EQ(page1[0], Pattern(0, 0));
            EXPECT_EQ(page1[720 * 575 + 719], Pattern(719, 575));
            EXPECT_EQ(page1[720 * 288 + 360], Pattern(360, 288));
            EXPECT_EQ(sim::GetCounters().lastDmaCardAddress[0], 0x195000u);
            EXPECT_EQ(sim::GetCounters().displayedPage, 1u);
        }
    }
    std::vector<uint32_t> page0 = CardPage(0);
    for (int y : {0, 1, 574, 575})
        EXPECT_EQ(page0[720 * y + 17], Pattern(17, y)) << y;
    EXPECT_EQ(sim::GetCounters().displayedPage, 0u);
}

TEST_F(CardFields, TableHoldsTheWritersEventAndTwoHundredFiftyFiveMore)
{
    wchar_t name[64];
    for (int i = 0; i < 255; ++i) {
        swprintf(name, 64, L"Capacity event %d", i);
        ASSERT_EQ(OVCG_InitialEvent(Wide(name), kCard), 1) << i;
    }
    EXPECT_EQ(OVCG_InitialEvent(Wide(L"One too many"), kCard), 0);
    // The refused event was not left open.
    EXPECT_EQ(OpenEventW(SYNCHRONIZE, FALSE, L"One too many"), nullptr);

    // Closing the card with callers' events still registered stops its threads and closes
    // every event it holds.
    EXPECT_EQ(OVCG_Close(kCard), 1);
    EXPECT_EQ(OpenEventW(SYNCHRONIZE, FALSE, L"Capacity event 0"), nullptr);
    EXPECT_EQ(OpenEventW(SYNCHRONIZE, FALSE, L"Capacity event 254"), nullptr);
    EXPECT_EQ(sim::GetCounters().openHandles, 0u);
    ASSERT_EQ(OVCG_Initial(kCard, 1), 1);
}

TEST_F(CardFields, ClosingWhileTheRendererStillHoldsItsEvent)
{
    ASSERT_EQ(OVCG_InitialEvent(Wide(L"Global Event 0"), kCard), 1);
    HANDLE ev = OVCG_GetEvent(Wide(L"Global Event 0"), kCard);
    ASSERT_NE(ev, nullptr);
    Tick();
    EXPECT_EQ(WaitForSingleObject(ev, 5000), WAIT_OBJECT_0);
    uint32_t before = sim::GetCounters().requestsOnClosedHandle;
    EXPECT_EQ(OVCG_Close(kCard), 1);
    EXPECT_EQ(sim::GetCounters().openHandles, 0u);
    EXPECT_EQ(sim::GetCounters().requestsOnClosedHandle, before);
    CloseHandle(ev);
    ASSERT_EQ(OVCG_Initial(kCard, 1), 1);
}

TEST_F(CardFields, WriterNeverRewritesABufferTheCardIsStillReading)
{
    std::vector<unsigned long> row(720);
    auto fill = [&](uint32_t value) {
        for (int x = 0; x < 720; ++x)
            row[x] = value;
        for (int y = 0; y < 576; ++y)
            ASSERT_EQ(OVCG_SetRectangle(0, y, 720, 1, row.data(), kCard), 1);
    };
    sim::SetManualDma(true);
    fill(0x11111111);
    Tick();
    Tick();  // count 2: buffer A (odd rows so far) goes out and stays in flight
    const uint32_t cleared = 2;  // the start-up's clear of both card pages
    ASSERT_TRUE(sim::WaitDmaTransfers(0, cleared + 1));
    ASSERT_TRUE(sim::DmaInFlight(0));
    fill(0x22222222);
    Tick();
    Tick();  // count 4: the writer must wait for A before copying the new even rows into it
    ASSERT_TRUE(sim::CompleteDma(0));
    std::vector<uint32_t> page0 = CardPage(0);
    EXPECT_EQ(page0[720 * 1], 0x11111111u);
    EXPECT_EQ(page0[720 * 0], 0u);  // not the new frame's even rows
    // Then buffer B goes out, after A completed: never two transfers in flight on a channel.
    ASSERT_TRUE(sim::WaitDmaTransfers(0, cleared + 2));
    ASSERT_TRUE(sim::CompleteDma(0));
    EXPECT_EQ(sim::GetCounters().dmaOverlaps[0], 0u);
    std::vector<uint32_t> page1 = CardPage(0x195000);
    EXPECT_EQ(page1[720 * 0], 0x11111111u);  // even rows copied at count 2
    EXPECT_EQ(page1[720 * 1], 0x22222222u);  // odd rows copied at count 3
    sim::SetManualDma(false);
}
