#include "app/foundation/DShowHelpers.h"

#include <gtest/gtest.h>

#include "testing/capture/StubRegistration.h"

namespace {

TEST(DeviceNamesTest, OneRuleForListsAndLookup) {
    struct Case {
        const wchar_t* friendly;
        const wchar_t* description;
        const wchar_t* path;
        const wchar_t* display;
        const wchar_t* list;
    } cases[] = {
        {L"Capture", L"", L"", L"Capture", L"Capture"},
        {L"Cam", L"USB", L"", L"Cam(USB)", L"Cam(USB)"},
        // Found by its path; listed after the last number of its name.
        {L"Capture", L"", L"\\\\?\\usb#1", L"\\\\?\\usb#1", L"Capture #4"},
        {L"Capture", L"", L"", L"Capture #2", L"Capture #2"},
        {L"Capture", L"", L"", L"Capture #3", L"Capture #3"},  // the path device does not shift it
        {L"Cam", L"", L"", L"Cam", L"Cam"},                     // another base name than "Cam(USB)"
    };
    std::vector<DeviceNameInput> inputs;
    for (const Case& c : cases) inputs.push_back({c.friendly, c.description, c.path});
    std::vector<DeviceNames> names = MakeDeviceNames(inputs);
    ASSERT_EQ(inputs.size(), names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_STREQ(cases[i].display, names[i].displayName.GetString()) << i;
        EXPECT_STREQ(cases[i].list, names[i].listName.GetString()) << i;
    }
}

class DShowHelpersTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        devices = new rvxstub::ScopedStubDevices();
    }
    static void TearDownTestSuite() {
        delete devices;
        devices = nullptr;
        CoUninitialize();
    }
    void SetUp() override { ASSERT_TRUE(devices->Registered()) << "regsvr32 rvxcapstub.dll failed"; }

    // Our stand-ins of a category, in enumeration order, skipping the prefix's own devices.
    static std::vector<DeviceEntry> StubEntries(REFGUID category) {
        std::vector<DeviceEntry> all, ours;
        EnumDeviceEntries(category, all);
        for (DeviceEntry& entry : all) {
            CString friendly;
            GetFriendlyName(entry.moniker, friendly);
            if (friendly.Find(L"Rvx Test") == 0) ours.push_back(entry);
        }
        return ours;
    }
    static CString TagOf(IBaseFilter* filter) {
        LPWSTR tag = nullptr;
        CString text;
        if (SUCCEEDED(filter->QueryVendorInfo(&tag))) text = tag;
        CoTaskMemFree(tag);
        return text;
    }
    static CString TagOfMoniker(IMoniker* moniker) {
        CComPtr<IBaseFilter> filter;
        if (FAILED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&filter)))) {
            return L"";
        }
        return TagOf(filter);
    }

    static rvxstub::ScopedStubDevices* devices;
};

rvxstub::ScopedStubDevices* DShowHelpersTest::devices = nullptr;

TEST_F(DShowHelpersTest, VideoDevicesAreNamedByTheRule) {
    std::vector<DeviceEntry> entries = StubEntries(CLSID_VideoInputDeviceCategory);
    const wchar_t* expected[][2] = {
        {L"\\\\?\\rvxtest#camera#0001", L"Rvx Test Camera"},
        {L"Rvx Test Capture", L"Rvx Test Capture"},
        {L"Rvx Test Capture #2", L"Rvx Test Capture #2"},
        {L"Rvx Test Cam(USB)", L"Rvx Test Cam(USB)"},
        {L"Rvx Test Refuser", L"Rvx Test Refuser"},
        {L"Rvx Test Refuser #2", L"Rvx Test Refuser #2"},
    };
    ASSERT_EQ(6u, entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_STREQ(expected[i][0], entries[i].names.displayName.GetString()) << i;
        EXPECT_STREQ(expected[i][1], entries[i].names.listName.GetString()) << i;
    }
    CString description;
    EXPECT_EQ(S_OK, GetDescription(entries[3].moniker, description));
    EXPECT_STREQ(L"USB", description.GetString());
    CString path = L"unchanged";
    EXPECT_TRUE(FAILED(GetDevicePath(entries[1].moniker, path)));
    EXPECT_STREQ(L"unchanged", path.GetString());
    EXPECT_EQ(E_INVALIDARG, GetFriendlyName(nullptr, path));
}

TEST_F(DShowHelpersTest, AudioNamesCountOnlyTheirOwnCategory) {
    // The audio "Rvx Test Capture" shares its name with two video devices; counted per
    // category it keeps the plain name, so a stored audio device binds again.
    std::vector<DeviceEntry> entries = StubEntries(CLSID_AudioInputDeviceCategory);
    ASSERT_EQ(2u, entries.size());
    EXPECT_STREQ(L"Rvx Test Capture", entries[0].names.displayName.GetString());
    EXPECT_STREQ(L"Rvx Test Capture", entries[0].names.listName.GetString());
    CComPtr<IMoniker> found;
    ASSERT_EQ(S_OK, FindDeviceMoniker(CLSID_AudioInputDeviceCategory, entries[0].names.listName, &found));
    EXPECT_STREQ(L"RvxTest7", TagOfMoniker(found).GetString());
}

TEST_F(DShowHelpersTest, FindDeviceMonikerByNumberedNameOrPath) {
    struct Case {
        const wchar_t* name;
        HRESULT hr;
        const wchar_t* tag;
    } cases[] = {
        {L"Rvx Test Capture", S_OK, L"RvxTest2"},
        {L"Rvx Test Capture #2", S_OK, L"RvxTest3"},
        {L"\\\\?\\rvxtest#camera#0001", S_OK, L"RvxTest1"},
        {L"Rvx Test Cam(USB)", S_OK, L"RvxTest4"},
        {L"rvx test capture", E_FAIL, nullptr},  // case-sensitive
        {L"Rvx Test Camera", E_FAIL, nullptr},   // a device with a path is not found by name
        {L"Rvx Test Capture #3", E_FAIL, nullptr},
    };
    for (const Case& c : cases) {
        CComPtr<IMoniker> moniker;
        EXPECT_EQ(c.hr, FindDeviceMoniker(CLSID_VideoInputDeviceCategory, c.name, &moniker)) << c.name;
        if (c.tag) {
            ASSERT_TRUE(moniker) << c.name;
            EXPECT_STREQ(c.tag, TagOfMoniker(moniker).GetString()) << c.name;
        } else {
            EXPECT_FALSE(moniker) << c.name;
        }
    }
    EXPECT_EQ(E_INVALIDARG, FindDeviceMoniker(CLSID_VideoInputDeviceCategory, L"x", nullptr));
}

TEST_F(DShowHelpersTest, EmptyCategoryLeavesTheListEmpty) {
    const GUID unused = {0x0f1e2d3c, 0x4b5a, 0x6978, {0x87, 0x96, 0xa5, 0xb4, 0xc3, 0xd2, 0xe1, 0xf0}};
    MonikerList monikers;
    monikers.push_back(nullptr);
    EXPECT_EQ(S_FALSE, EnumDeviceMonikers(unused, monikers));
    EXPECT_TRUE(monikers.empty());
}

TEST_F(DShowHelpersTest, CreateDeviceFilterFallsBackToTheNextDeviceOfTheName) {
    CComPtr<IGraphBuilder> graph;
    ASSERT_EQ(S_OK, graph.CoCreateInstance(CLSID_FilterGraph));
    CComPtr<IBaseFilter> filter;
    ASSERT_EQ(S_OK, CreateDeviceFilter(CLSID_VideoInputDeviceCategory, L"Rvx Test Refuser", &filter, graph, L"Cap"));
    EXPECT_STREQ(L"RvxTest6", TagOf(filter).GetString());  // the first refused to join
    CComPtr<IBaseFilter> inGraph;
    EXPECT_EQ(S_OK, graph->FindFilterByName(L"Cap", &inGraph));

    CComPtr<IBaseFilter> none;
    EXPECT_EQ(DSH_E_DEVICE_NOT_FOUND, CreateDeviceFilter(CLSID_VideoInputDeviceCategory, L"No Such", &none));
    EXPECT_FALSE(none);
    EXPECT_EQ(E_POINTER, CreateDeviceFilter(CLSID_VideoInputDeviceCategory, L"x", nullptr));
    CComPtr<IBaseFilter> unbound;
    EXPECT_EQ(S_OK, CreateDeviceFilter(CLSID_VideoInputDeviceCategory, L"Rvx Test Refuser", &unbound));
    EXPECT_STREQ(L"RvxTest5", TagOf(unbound).GetString());  // without a graph the first does
}

TEST_F(DShowHelpersTest, GraphHelpersOverARealGraph) {
    CComPtr<IGraphBuilder> graph;
    ASSERT_EQ(S_OK, graph.CoCreateInstance(CLSID_FilterGraph));
    CComPtr<IBaseFilter> camera, sink;
    ASSERT_EQ(S_OK, CreateDeviceFilter(CLSID_VideoInputDeviceCategory, L"Rvx Test Camera", &camera, graph, L"Camera"));
    ASSERT_EQ(S_OK, AddFilterByCLSID(graph, CLSID_NullRenderer, L"Sink", &sink));
    EXPECT_FALSE(AreAllPinsConnected(camera));
    ASSERT_EQ(S_OK, ConnectFilters(graph, camera, sink));
    EXPECT_EQ(DSH_E_NO_FREE_PIN, ConnectFilters(graph, camera, sink));

    IPin* out = GetConnectedPin(camera, FALSE);
    ASSERT_TRUE(out);
    EXPECT_EQ(nullptr, GetConnectedPin(camera, TRUE));
    IPin* next = GetNextFilterPin(out, TRUE);
    ASSERT_TRUE(next);
    EXPECT_EQ(GetConnectedPin(sink, TRUE), next);
    EXPECT_TRUE(FindPinByName(camera, FALSE, L"Capt") != nullptr);
    EXPECT_EQ(nullptr, FindPinByName(camera, FALSE, L"Preview"));
    ULONG inputs = 9, outputs = 9;
    EXPECT_EQ(S_OK, CountPins(camera, &inputs, &outputs));
    EXPECT_EQ(0u, inputs);
    EXPECT_EQ(1u, outputs);
    EXPECT_TRUE(AreAllPinsConnected(camera));
    EXPECT_FALSE(AreAllPinsConnected(nullptr));
    CComPtr<IBaseFilter> downstream;
    ASSERT_EQ(S_OK, GetConnectedFilter(camera, PINDIR_OUTPUT, &downstream));
    EXPECT_EQ(sink.Get(), downstream.Get());
    CComPtr<IBaseFilter> upstream;
    EXPECT_EQ(DSH_E_NOT_CONNECTED, GetConnectedFilter(camera, PINDIR_INPUT, &upstream));

    CAutoMediaTypePtr first;
    ASSERT_EQ(S_OK, GetFirstMediaType(out, &first));
    EXPECT_TRUE(IsEqualGUID(MEDIATYPE_Video, first->majortype));
    CMediaType wanted(&MEDIATYPE_Audio);
    EXPECT_EQ(DSH_E_NO_MEDIA_TYPE, FindMatchingMediaType(out, wanted));

    CComPtr<IBaseFilter> renderer;
    EXPECT_EQ(DSH_E_NO_RENDERER, FindAudioRenderer(graph, &renderer));

    // A connected sink stays; removing downstream takes it and keeps the camera.
    EXPECT_EQ(S_FALSE, RemoveFilterIfUnconnected(graph, sink));
    EXPECT_EQ(S_OK, RemoveDownstreamFilters(graph, camera));
    CComPtr<IBaseFilter> gone;
    EXPECT_TRUE(FAILED(graph->FindFilterByName(L"Sink", &gone)));
    CComPtr<IBaseFilter> kept;
    EXPECT_EQ(S_OK, graph->FindFilterByName(L"Camera", &kept));
    EXPECT_EQ(nullptr, GetNextFilterPin(out, TRUE));  // now unconnected

    const HRESULT cache = ClearFilterCache(graph);
    EXPECT_TRUE(SUCCEEDED(cache) || cache == E_NOINTERFACE || cache == E_NOTIMPL) << std::hex << cache;
    EXPECT_EQ(S_OK, RemoveAllFilters(graph));
    CComPtr<IEnumFilters> left;
    ASSERT_EQ(S_OK, graph->EnumFilters(&left));
    CComPtr<IBaseFilter> any;
    EXPECT_EQ(S_FALSE, left->Next(1, &any, nullptr));
}

TEST_F(DShowHelpersTest, AddFilterByClsidHandsOutNothingOnFailure) {
    CComPtr<IGraphBuilder> graph;
    ASSERT_EQ(S_OK, graph.CoCreateInstance(CLSID_FilterGraph));
    const CLSID unknown = {0x0f1e2d3c, 0x4b5a, 0x6978, {0x87, 0x96, 0xa5, 0xb4, 0xc3, 0xd2, 0xe1, 0xf1}};
    IBaseFilter* filter = reinterpret_cast<IBaseFilter*>(1);
    EXPECT_EQ(REGDB_E_CLASSNOTREG, AddFilterByCLSID(graph, unknown, L"x", &filter));
    EXPECT_EQ(nullptr, filter);
    EXPECT_EQ(E_POINTER, AddFilterByCLSID(nullptr, CLSID_NullRenderer, L"x", nullptr));
    EXPECT_EQ(E_NOINTERFACE, ShowFilterPropertyPages(graph, nullptr, L"x"));
    EXPECT_EQ(E_FAIL, RegisterFilterDll(L"c:\\no\\such.dll"));

    DWORD registration = 0;
    ASSERT_EQ(S_OK, AddGraphToRot(graph, &registration));
    EXPECT_NE(0u, registration);
    EXPECT_EQ(S_OK, RemoveGraphFromRot(&registration));
    EXPECT_EQ(0u, registration);
}

}  // namespace
