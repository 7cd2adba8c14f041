// The Windows Media entry points: loaded from the runtime when it is there, replaced by
// tests, and a clear failure (never a crash) when the runtime or an entry point is missing.
#include <gtest/gtest.h>

#include <wmfplatform.h>

#include <cstddef>

namespace {

int g_pushCalls = 0;

HRESULT WINAPI FakePushSink(IWMWriterPushSink** sink)
{
    ++g_pushCalls;
    *sink = nullptr;
    return S_FALSE;
}

}  // namespace

TEST(WmfEntryPoints, ReplacedEntryPointsAreCalledAndMissingOnesFailCleanly)
{
    wmf::EntryPoints entries;
    entries.createWriterPushSink = FakePushSink;
    wmf::SetEntryPoints(&entries);

    IWMWriterPushSink* push = reinterpret_cast<IWMWriterPushSink*>(1);
    EXPECT_EQ(wmf::CreateWriterPushSink(&push), S_FALSE);
    EXPECT_EQ(g_pushCalls, 1);
    IWMWriterNetworkSink* net = reinterpret_cast<IWMWriterNetworkSink*>(1);
    EXPECT_EQ(wmf::CreateWriterNetworkSink(&net), HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND));
    EXPECT_EQ(net, nullptr);
    EXPECT_EQ(wmf::CreateProfileManager(nullptr), E_POINTER);
    wmf::SetEntryPoints(nullptr);
}

TEST(WmfEntryPoints, TheRuntimeIsLoadedByName)
{
    // Wine's wmvcore.dll has the profile manager; its sinks are entry points that abort
    // when called, which is why the graphs' tests hand in their own.
    wmf::SetEntryPoints(nullptr);
    const wmf::EntryPoints loaded = wmf::CurrentEntryPoints();
    ASSERT_NE(loaded.createProfileManager, nullptr);
    IWMProfileManager* manager = nullptr;
    const HRESULT hr = wmf::CreateProfileManager(&manager);
    EXPECT_EQ(hr, S_OK);
    if (manager)
        manager->Release();
}

TEST(WmfDeclarations, InterfaceIdsAreTheRuntimes)
{
    const IID push = {0xDC10E6A5, 0x072C, 0x467D, {0xBF, 0x57, 0x63, 0x30, 0xA9, 0xDD, 0xE1, 0x2A}};
    const IID net = {0x96406BE7, 0x2B2B, 0x11D3, {0xB3, 0x6B, 0x00, 0xC0, 0x4F, 0x61, 0x08, 0xFF}};
    const IID reg = {0xCF4B1F99, 0x4DE2, 0x4E49, {0xA3, 0x63, 0x25, 0x27, 0x40, 0xD9, 0x9B, 0xC1}};
    const IID config = {0x45086030, 0xF7E4, 0x486A, {0xB5, 0x04, 0x82, 0x6B, 0xB5, 0x79, 0x2A, 0x3B}};
    const CLSID writer = {0x7C23220E, 0x55BB, 0x11D3, {0x8B, 0x16, 0x00, 0xC0, 0x4F, 0xB6, 0xBD, 0x3D}};
    EXPECT_TRUE(IsEqualGUID(IID_IWMWriterPushSink, push));
    EXPECT_TRUE(IsEqualGUID(IID_IWMWriterNetworkSink, net));
    EXPECT_TRUE(IsEqualGUID(IID_IWMRegisterCallback, reg));
    EXPECT_TRUE(IsEqualGUID(IID_IConfigAsfWriter, config));
    EXPECT_TRUE(IsEqualGUID(CLSID_WMAsfWriter, writer));
}
