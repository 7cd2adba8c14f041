// Two processes sharing one card: the second maps the same control block and frame, counts
// itself as a user, sees the stored settings, and does not reset the card; when the first
// leaves, the second keeps the card and its field writer takes over; its close is the last.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "CardTestSupport.h"
#include "SimCard.h"
#include "cardlib/ovx500u.h"

namespace {

const unsigned kCard = 0;
const wchar_t kChildVariable[] = L"RVX_CARDLIB_CHILD";
const wchar_t kReady[] = L"RvxCardChildReady";
const wchar_t kGo[] = L"RvxCardChildGo";

bool IsChild()
{
    wchar_t v[8];
    return GetEnvironmentVariableW(kChildVariable, v, 8) > 0;
}

}  // namespace

// Runs only inside the child process the test below starts.
TEST(CardSecondProcess, Run)
{
    if (!IsChild())
        GTEST_SKIP() << "runs as the second process of CardTwoProcesses";
    ASSERT_EQ(OVCG_Initial(kCard, 1), 1);
    EXPECT_EQ(SharedUserCount(), 2);
    EXPECT_EQ(sim::GetCounters().deviceResets, 1u);
    EXPECT_EQ(sim::GetCounters().chipResets, 1u);
    unsigned long v = 0;
    EXPECT_EQ(OVCG_GetPoint(5, 5, v, kCard), 1);
    EXPECT_EQ(v, 0x12345678u);
    EXPECT_EQ(OVCG_GetContrast(v, kCard), 1);
    EXPECT_EQ(v, 90u);
    EXPECT_EQ(OVCG_SetPoint(6, 6, 0xCAFE, kCard), 1);
    // The card runs the 480-line standard the first process chose, and so do this process's
    // pixel operations: a page has 488 rows.
    std::vector<unsigned long> screen(414720, 0x5555);
    EXPECT_EQ(OVCG_GetScreen(screen.data(), 0, kCard), 1);
    EXPECT_EQ(screen[351359], 0u);
    EXPECT_EQ(screen[351360], 0x5555u);

    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, kReady);
    HANDLE go = OpenEventW(SYNCHRONIZE, FALSE, kGo);
    ASSERT_TRUE(ready && go);
    SetEvent(ready);
    EXPECT_EQ(WaitForSingleObject(go, 30000), WAIT_OBJECT_0);

    // The first process has left: this process's field writer takes over sending the frame.
    EXPECT_EQ(SharedUserCount(), 1);
    uint32_t sent = sim::GetCounters().dmaTransfers[0];
    for (uint32_t n = 1; n <= 2; ++n) {
        uint32_t reads = sim::GetCounters().fieldReads;
        ASSERT_TRUE(sim::TickField());
        ASSERT_TRUE(sim::WaitFieldReads(reads + 1));
    }
    EXPECT_TRUE(sim::WaitDmaTransfers(0, sent + 1));
    std::vector<uint32_t> page(720 * 8);
    sim::ReadCardMemory(0, page.data(), uint32_t(page.size() * 4));
    EXPECT_EQ(page[720 * 5 + 5], 0x12345678u);  // row 5: an odd row, sent at the second field
    EXPECT_EQ(OVCG_Close(kCard), 1);
    EXPECT_EQ(SharedUserCount(), -1);
    CloseHandle(ready);
    CloseHandle(go);
}

TEST(CardTwoProcesses, SecondProcessSharesTheCard)
{
    if (IsChild())
        GTEST_SKIP();
    sim::InstallDefault(false);
    ASSERT_EQ(OVCG_Initial(kCard, 1), 1);
    ASSERT_EQ(OVCG_SetContrast(90, kCard), 1);
    ASSERT_EQ(OVCG_SetVideoMode(0, kCard), 1);
    ASSERT_EQ(OVCG_SetPoint(5, 5, 0x12345678, kCard), 1);

    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, kReady);
    HANDLE go = CreateEventW(nullptr, TRUE, FALSE, kGo);
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(exe) + L"\" --gtest_filter=CardSecondProcess.Run";
    SetEnvironmentVariableW(kChildVariable, L"1");
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    BOOL started = CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableW(kChildVariable, nullptr);
    ASSERT_TRUE(started);

    HANDLE waits[2] = {ready, pi.hProcess};
    EXPECT_EQ(WaitForMultipleObjects(2, waits, FALSE, 60000), WAIT_OBJECT_0);
    EXPECT_EQ(SharedUserCount(), 2);
    unsigned long v = 0;
    EXPECT_EQ(OVCG_GetPoint(6, 6, v, kCard), 1);
    EXPECT_EQ(v, 0xCAFEu);

    // This process leaves first: the card stays up for the other one.
    EXPECT_EQ(OVCG_Close(kCard), 1);
    EXPECT_EQ(SharedUserCount(), 1);
    EXPECT_TRUE(sim::Register(16) & 1);
    EXPECT_FALSE(sim::EncoderRegister(0, 0x61) & 0x40);
    SetEvent(go);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 60000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);

    // The last close, in the other process, shut the card down once.
    EXPECT_EQ(SharedUserCount(), -1);
    EXPECT_FALSE(sim::Register(16) & 1);
    EXPECT_TRUE(sim::EncoderRegister(0, 0x61) & 0x40);
    EXPECT_EQ(sim::GetCounters().chipResets, 1u);
    CloseHandle(ready);
    CloseHandle(go);
}
