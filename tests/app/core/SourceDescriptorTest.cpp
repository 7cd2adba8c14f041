#include "app/core/SourceDescriptor.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "testing/capture/StubRegistration.h"

namespace {

// A filter whose reference count the tests can read.
class CountedFilter : public CBaseFilter {
public:
    CountedFilter() : CBaseFilter(L"counted", nullptr, &m_lock, CLSID_NULL) {}
    int GetPinCount() override { return 0; }
    CBasePin* GetPin(int) override { return nullptr; }
    LONG Count() const { return m_cRef; }

private:
    CCritSec m_lock;
};

std::vector<BYTE> Store(SourceDescriptor& source) {
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        source.Serialize(ar);
        ar.Close();
    }
    const UINT length = static_cast<UINT>(file.GetLength());
    BYTE* data = file.Detach();
    std::vector<BYTE> bytes(data, data + length);
    free(data);
    return bytes;
}

void Load(SourceDescriptor& target, std::vector<BYTE> bytes) {
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    CArchive ar(&file, CArchive::load);
    target.Serialize(ar);
}

TEST(SourceDescriptorTest, CopiesShareACaptureFilterWithOneReferenceEach) {
    auto* device = new CountedFilter();
    CComPtr<IBaseFilter> hold(static_cast<IBaseFilter*>(device));
    {
        SourceDescriptor camera;
        camera.name = L"Cam";
        camera.path = L"Cam";
        camera.flags = SourceDescriptor::kNamed | SourceDescriptor::kCaptureDevice;
        camera.filter = hold.Get();
        EXPECT_EQ(2, device->Count());
        SourceDescriptor copy(camera);
        EXPECT_EQ(3, device->Count());
        EXPECT_EQ(camera.filter.Get(), copy.filter.Get());
        copy = copy;  // self-assignment keeps the reference
        EXPECT_EQ(3, device->Count());
        // The target's only reference goes last: assigning a descriptor the filter it
        // already holds must not free it on the way.
        SourceDescriptor other;
        other.flags = SourceDescriptor::kCaptureDevice;
        other.filter = hold.Get();
        hold.Release();
        EXPECT_EQ(3, device->Count());
        other = copy;
        EXPECT_EQ(3, device->Count());
        hold = other.filter.Get();
    }
    EXPECT_EQ(1, device->Count());
}

TEST(SourceDescriptorTest, FileCopiesAndLoadedDevicesCarryNoFilter) {
    auto* device = new CountedFilter();
    CComPtr<IBaseFilter> hold(static_cast<IBaseFilter*>(device));
    SourceDescriptor file;
    file.name = L"c:\\clip.avi";
    file.flags = SourceDescriptor::kNamed;
    file.filter = hold.Get();  // a file source never shares what it happens to hold
    SourceDescriptor copy;
    copy.filter = hold.Get();
    copy = file;
    EXPECT_FALSE(copy.filter);
    EXPECT_STREQ(L"c:\\clip.avi", copy.name.GetString());

    SourceDescriptor loaded;  // a device just loaded: flag set, nothing bound
    loaded.flags = SourceDescriptor::kNamed | SourceDescriptor::kCaptureDevice;
    SourceDescriptor fromLoaded(loaded);
    EXPECT_FALSE(fromLoaded.filter);
    file.filter.Release();
    EXPECT_EQ(1, device->Count());
}

TEST(SourceDescriptorTest, StoredFormIsTwoUnicodeStringsAndTheFlags) {
    SourceDescriptor source;
    source.name = L"Cam";
    source.path = L"";
    source.flags = 3;
    const std::vector<BYTE> expected = {0xFF, 0xFE, 0xFF, 0x03, 'C', 0, 'a', 0, 'm', 0,  // name
                                        0xFF, 0xFE, 0xFF, 0x00,                          // empty path
                                        0x03, 0x00, 0x00, 0x00};                         // flags
    EXPECT_EQ(expected, Store(source));

    SourceDescriptor loaded;
    auto* device = new CountedFilter();
    CComPtr<IBaseFilter> hold(static_cast<IBaseFilter*>(device));
    loaded.filter = hold.Get();
    Load(loaded, expected);
    EXPECT_STREQ(L"Cam", loaded.name.GetString());
    EXPECT_TRUE(loaded.path.IsEmpty());
    EXPECT_EQ(3u, loaded.flags);
    EXPECT_FALSE(loaded.filter);  // the stale filter is dropped
    EXPECT_EQ(1, device->Count());
}

TEST(SourceDescriptorTest, LongNamesAndSingleByteStringsLoad) {
    SourceDescriptor source;
    source.name = CString(L'x', 300);
    source.path = L"p";
    source.flags = 1;
    std::vector<BYTE> bytes = Store(source);
    ASSERT_EQ(6u + 600 + 4 + 2 + 4, bytes.size());
    const std::vector<BYTE> prefix = {0xFF, 0xFE, 0xFF, 0xFF, 0x2C, 0x01};
    EXPECT_TRUE(std::equal(prefix.begin(), prefix.end(), bytes.begin()));
    SourceDescriptor back;
    Load(back, bytes);
    EXPECT_EQ(300, back.name.GetLength());

    // Single-byte strings, as an older writer stored them, are widened.
    const std::vector<BYTE> narrow = {0x03, 'a', 'b', 'c', 0x00, 0x02, 0x00, 0x00, 0x00};
    SourceDescriptor widened;
    Load(widened, narrow);
    EXPECT_STREQ(L"abc", widened.name.GetString());
    EXPECT_TRUE(widened.path.IsEmpty());
    EXPECT_EQ(2u, widened.flags);
}

TEST(SourceDescriptorTest, TruncatedDataThrowsAndKeepsTheOldValues) {
    SourceDescriptor target;
    target.name = L"kept";
    const std::vector<BYTE> cut = {0xFF, 0xFE, 0xFF, 0x03, 'C', 0};
    EXPECT_THROW(Load(target, cut), CArchiveException*);
    EXPECT_STREQ(L"kept", target.name.GetString());
}

class BindSourceFiltersTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        devices = new rvxstub::ScopedStubDevices();
    }
    static void TearDownTestSuite() {
        delete devices;
        CoUninitialize();
    }
    void SetUp() override { ASSERT_TRUE(devices->Registered()); }

    static SourceDescriptor Device(const wchar_t* name, const wchar_t* path) {
        SourceDescriptor d;
        d.name = name;
        d.path = path;
        d.flags = SourceDescriptor::kNamed | SourceDescriptor::kCaptureDevice;
        return d;
    }
    static CString Tag(IBaseFilter* filter) {
        if (!filter) return L"";
        LPWSTR tag = nullptr;
        CString text;
        if (SUCCEEDED(filter->QueryVendorInfo(&tag))) text = tag;
        CoTaskMemFree(tag);
        return text;
    }
    static rvxstub::ScopedStubDevices* devices;
};

rvxstub::ScopedStubDevices* BindSourceFiltersTest::devices = nullptr;

TEST_F(BindSourceFiltersTest, EachDeviceBindsItsOwnFilter) {
    SourceDescriptor audio = Device(L"Rvx Test Capture", L"Rvx Test Capture");
    SourceDescriptor video = Device(L"Rvx Test Capture #2", L"Rvx Test Capture #2");
    EXPECT_TRUE(BindSourceFilters(audio, video));
    EXPECT_STREQ(L"RvxTest7", Tag(audio.filter).GetString());  // the audio device of that name
    EXPECT_STREQ(L"RvxTest3", Tag(video.filter).GetString());  // the second video one

    SourceDescriptor none;
    SourceDescriptor camera = Device(L"Rvx Test Camera", L"\\\\?\\rvxtest#camera#0001");
    EXPECT_TRUE(BindSourceFilters(none, camera));
    EXPECT_STREQ(L"RvxTest1", Tag(camera.filter).GetString());
    EXPECT_FALSE(none.filter);
}

TEST_F(BindSourceFiltersTest, ACamcorderInBothListsSharesOneFilter) {
    SourceDescriptor video = Device(L"Rvx Test Camera", L"\\\\?\\rvxtest#camera#0001");
    SourceDescriptor audio(video);
    EXPECT_TRUE(BindSourceFilters(audio, video));
    ASSERT_TRUE(video.filter);
    EXPECT_EQ(video.filter.Get(), audio.filter.Get());
}

TEST_F(BindSourceFiltersTest, AStoredPairBindsTheSameDevicesAgain) {
    SourceDescriptor audio = Device(L"Rvx Test Capture", L"Rvx Test Capture");
    SourceDescriptor video = Device(L"Rvx Test Cam(USB)", L"Rvx Test Cam(USB)");
    BindSourceFilters(audio, video);
    const CString audioTag = Tag(audio.filter), videoTag = Tag(video.filter);
    SourceDescriptor audioBack, videoBack;
    Load(audioBack, Store(audio));
    Load(videoBack, Store(video));
    EXPECT_FALSE(audioBack.filter);
    EXPECT_TRUE(BindSourceFilters(audioBack, videoBack));
    EXPECT_STREQ(audioTag.GetString(), Tag(audioBack.filter).GetString());
    EXPECT_STREQ(videoTag.GetString(), Tag(videoBack.filter).GetString());
    EXPECT_STREQ(L"RvxTest4", videoTag.GetString());
}

TEST_F(BindSourceFiltersTest, AMissingDeviceLeavesTheFilterEmpty) {
    SourceDescriptor audio;
    SourceDescriptor video = Device(L"Unplugged", L"Unplugged");
    EXPECT_TRUE(BindSourceFilters(audio, video));
    EXPECT_FALSE(video.filter);
}

}  // namespace
