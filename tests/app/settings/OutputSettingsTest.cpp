// The output settings records: built-in defaults, the load defaults of the pages' keys, what
// a hand-written output.ini gives, round trips through the savers, and copies by value.
#include "app/core/OutputSettings.h"
#include "app/settings/OutputSettingsIni.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

class OutputSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        wchar_t name[32];
        swprintf(name, 32, L"rvx_settings_%lu", GetCurrentProcessId());
        folder_ = std::wstring(temp) + name;
        CreateDirectoryW(folder_.c_str(), nullptr);
        path_ = (folder_ + L"\\output.ini").c_str();
        DeleteFileW(path_);
    }
    void TearDown() override
    {
        DeleteFileW(path_);
        RemoveDirectoryW(folder_.c_str());
    }

    // Writes the file byte for byte as given (ANSI text, as a hand-edited file would be).
    void WriteFile(const char* text)
    {
        FILE* f = _wfopen(path_, L"wb");
        ASSERT_NE(f, nullptr);
        fwrite(text, 1, strlen(text), f);
        fclose(f);
    }

    // The saved file as text (UTF-16 with a byte-order mark, as the program creates it).
    std::wstring ReadFileText()
    {
        FILE* f = _wfopen(path_, L"rb");
        if (!f)
            return L"";
        std::string bytes;
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
            bytes.append(buffer, n);
        fclose(f);
        if (bytes.size() >= 2 && (unsigned char)bytes[0] == 0xFF && (unsigned char)bytes[1] == 0xFE)
            return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
        return std::wstring(bytes.begin(), bytes.end());
    }

    std::wstring folder_;
    CString path_;
};

TEST_F(OutputSettingsTest, FreshRecordsHoldTheBuiltInDefaults)
{
    CEncodeSettings e;
    EXPECT_EQ(e.Flags, 0);
    EXPECT_EQ(e.Port, 0);
    EXPECT_TRUE(e.OutputFilePath.IsEmpty());
    EXPECT_TRUE(e.Profile.IsEmpty());
    AviOutputSettings a;
    EXPECT_EQ(a.Split, 1);
    EXPECT_EQ(a.Max, 2048);
    EXPECT_EQ(a.VQuality, 100);
    EXPECT_TRUE(a.Path.IsEmpty());
    EXPECT_TRUE(a.VCodec.IsEmpty());
    EXPECT_TRUE(a.ACodec.IsEmpty());
    DvOutputSettings d;
    EXPECT_EQ(d.GetDeviceFilter(), nullptr);
    EXPECT_TRUE(d.Device.IsEmpty());
    EXPECT_EQ(d.AutoSelect, 0);
    DecklinkOutputSettings k;
    EXPECT_TRUE(k.VideoDevice.IsEmpty());
    EXPECT_TRUE(k.AudioDevice.IsEmpty());
    CardOutputSettings c;
    c.CardIndex = 3;
    c.Ntsc = 1;
    c.Clear();
    EXPECT_EQ(c.CardIndex, 0);
    EXPECT_EQ(c.Ntsc, 0);
}

TEST_F(OutputSettingsTest, WithoutTheFileNoLoaderChangesAnythingAndThePortIs8601)
{
    CEncodeSettings e;
    e.Flags = 5;
    e.Title = L"kept";
    AviOutputSettings a;
    DvOutputSettings d;
    DecklinkOutputSettings k;
    EXPECT_EQ(LoadEncodeOutputSettings(path_, e), 0);
    EXPECT_EQ(LoadEncodeInfoSettings(path_, e), 0);
    EXPECT_EQ(LoadAviOutputSettings(path_, a), 0);
    EXPECT_EQ(LoadDvOutputSettings(path_, d), 0);
    EXPECT_EQ(LoadDecklinkOutputSettings(path_, k), 0);
    EXPECT_EQ(e.Flags, 5);
    EXPECT_EQ(e.Title, CString(L"kept"));
    EXPECT_EQ(a.Max, 2048);
    EXPECT_TRUE(a.VCodec.IsEmpty());
    EXPECT_TRUE(k.VideoDevice.IsEmpty());
    EXPECT_EQ(LoadVirtualDevicePort(path_), 8601);
    // A port typed on a fresh installation is kept: the saver creates the file.
    EXPECT_TRUE(SaveVirtualDevicePort(path_, 9000));
    EXPECT_EQ(LoadVirtualDevicePort(path_), 9000);
}

TEST_F(OutputSettingsTest, AFileWithoutTheKeysGivesThePagesLoadDefaults)
{
    WriteFile("[Other]\r\nx=1\r\n");
    CEncodeSettings e;
    ASSERT_EQ(LoadEncodeOutputSettings(path_, e), 1);
    EXPECT_EQ(e.Flags, kEncodeOutputFile | kEncodeBroadcast);
    EXPECT_EQ(e.Port, 8080);
    EXPECT_EQ(e.Addindex, 0);
    EXPECT_EQ(e.AutoRemove, 0);
    AviOutputSettings a;
    ASSERT_EQ(LoadAviOutputSettings(path_, a), 1);
    EXPECT_EQ(a.Path, CString(L"C:\\"));
    EXPECT_EQ(a.VCodec, CString(L"Microsoft DV (PAL)"));
    EXPECT_EQ(a.ACodec, CString(L"None"));
    EXPECT_EQ(a.Split, 1);
    EXPECT_EQ(a.Max, 2048);
    EXPECT_EQ(a.VQuality, 100);
    DecklinkOutputSettings k;
    ASSERT_EQ(LoadDecklinkOutputSettings(path_, k), 1);
    EXPECT_EQ(k.VideoDevice, CString(L"Decklink Video Render"));
    EXPECT_EQ(k.AudioDevice, CString(L"Decklink Audio Render"));
    DvOutputSettings d;
    ASSERT_EQ(LoadDvOutputSettings(path_, d), 1);
    EXPECT_TRUE(d.Device.IsEmpty());
    EXPECT_EQ(LoadVirtualDevicePort(path_), 8601);
}

TEST_F(OutputSettingsTest, DestinationFlagsAreRebuiltFromTheThreeKeys)
{
    for (int bits = 0; bits < 8; ++bits) {
        char text[256];
        snprintf(text, sizeof text, "[Encoding]\r\nOutputFile=%d\r\nBroadcast=%d\r\nPushToServer=%d\r\n", bits & 1,
                 (bits >> 1) & 1, (bits >> 2) & 1);
        WriteFile(text);
        CEncodeSettings e;
        e.Flags = 0x70; // anything old is dropped
        ASSERT_EQ(LoadEncodeOutputSettings(path_, e), 1);
        EXPECT_EQ(e.Flags, bits) << text;
    }
}

TEST_F(OutputSettingsTest, PortTextsKeepTheirLow16BitsAndNonNumbersKeepThePort)
{
    struct Case {
        const char* text;
        WORD expected;
    } cases[] = {
        {"8080", 8080}, {"65535", 65535}, {"70000", 4464}, {"-1", 65535}, {"abc", 1234}, {"", 1234},
    };
    for (const Case& c : cases) {
        std::string text = std::string("[Encoding]\r\nBroadcastPort=") + c.text + "\r\n";
        WriteFile(text.c_str());
        CEncodeSettings e;
        e.Port = 1234;
        ASSERT_EQ(LoadEncodeOutputSettings(path_, e), 1);
        EXPECT_EQ(e.Port, c.expected) << c.text;
    }
}

TEST_F(OutputSettingsTest, AHandWrittenFileIsReadKeyByKey)
{
    WriteFile("[Encoding]\r\nOutputFile=1\r\nOutputFilePath=D:\\show.wmv\r\nAddindex=1\r\nOverwrite=1\r\n"
              "Broadcast=0\r\nBroadcastPort=8081\r\nPushToServer=1\r\nPushServer=media:8000\r\n"
              "PublishPoint=live\r\nCopyFrom=proto\r\nAutoRemove=1\r\nTitle=News\r\nAuthor=Desk\r\n"
              "Rating=All\r\nCopyright=(c)\r\nDescription=Evening\r\n"
              "[Avi]\r\nPath=E:\\rec\r\nSplit=0\r\nMax=700\r\nVCodec=None\r\nVQuality=80\r\nACodec=PCM\r\n"
              "[1394]\r\nDevice=Cam(USB) #2\r\nAutoSelect=1\r\n"
              "[Decklink]\r\nVideoDevice=None\r\nAudioDevice=Decklink Audio Render 2\r\n"
              "[VirtualDevice]\r\nListenPort=9100\r\n");
    CEncodeSettings e;
    ASSERT_EQ(LoadEncodeOutputSettings(path_, e), 1);
    ASSERT_EQ(LoadEncodeInfoSettings(path_, e), 1);
    EXPECT_EQ(e.Flags, kEncodeOutputFile | kEncodePushToServer);
    EXPECT_EQ(e.OutputFilePath, CString(L"D:\\show.wmv"));
    EXPECT_EQ(e.Addindex, 1);
    EXPECT_EQ(e.Overwrite, 1);
    EXPECT_EQ(e.Port, 8081);
    EXPECT_EQ(e.PushServer, CString(L"media:8000"));
    EXPECT_EQ(e.PublishPoint, CString(L"live"));
    EXPECT_EQ(e.CopyFrom, CString(L"proto"));
    EXPECT_EQ(e.AutoRemove, 1);
    EXPECT_EQ(e.Title, CString(L"News"));
    EXPECT_EQ(e.Author, CString(L"Desk"));
    EXPECT_EQ(e.Rating, CString(L"All"));
    EXPECT_EQ(e.Copyright, CString(L"(c)"));
    EXPECT_EQ(e.Description, CString(L"Evening"));
    AviOutputSettings a;
    ASSERT_EQ(LoadAviOutputSettings(path_, a), 1);
    EXPECT_EQ(a.Path, CString(L"E:\\rec"));
    EXPECT_EQ(a.Split, 0);
    EXPECT_EQ(a.Max, 700);
    EXPECT_EQ(a.VCodec, CString(L"None"));
    EXPECT_EQ(a.VQuality, 80);
    EXPECT_EQ(a.ACodec, CString(L"PCM"));
    DvOutputSettings d;
    ASSERT_EQ(LoadDvOutputSettings(path_, d), 1);
    EXPECT_EQ(d.Device, CString(L"Cam(USB) #2"));
    EXPECT_EQ(d.AutoSelect, 1);
    DecklinkOutputSettings k;
    ASSERT_EQ(LoadDecklinkOutputSettings(path_, k), 1);
    EXPECT_EQ(k.VideoDevice, CString(L"None"));
    EXPECT_EQ(k.AudioDevice, CString(L"Decklink Audio Render 2"));
    EXPECT_EQ(LoadVirtualDevicePort(path_), 9100);
}

// Every flag of output.ini reads as the program reads flags: "true" and "yes" in any case and
// any non-zero number are set, everything else is clear; only a missing or empty value gives
// the page's default. Words once read as 0 and turned a hand-set "Yes" off.
TEST_F(OutputSettingsTest, FlagsWrittenAsWordsOrNumbersReadAsFlags)
{
    const struct {
        const char* value;
        int flag;
    } values[] = {{"Yes", 1}, {"TRUE", 1}, {"true", 1}, {"yEs", 1}, {"7", 1}, {"-1", 1}, {"1", 1},
                  {"No", 0}, {"false", 0}, {"off", 0}, {"0", 0}, {"abc", 0}};
    for (const auto& v : values) {
        SCOPED_TRACE(v.value);
        std::string text = "[Encoding]\r\n";
        for (const char* key : {"OutputFile", "Broadcast", "PushToServer", "Addindex", "Overwrite", "AutoRemove"})
            text += std::string(key) + "=" + v.value + "\r\n";
        text += std::string("[Avi]\r\nSplit=") + v.value + "\r\n[1394]\r\nAutoSelect=" + v.value + "\r\n";
        WriteFile(text.c_str());
        CEncodeSettings e;
        ASSERT_EQ(LoadEncodeOutputSettings(path_, e), 1);
        EXPECT_EQ(e.Flags, v.flag ? (kEncodeOutputFile | kEncodeBroadcast | kEncodePushToServer) : 0);
        EXPECT_EQ(e.Addindex, v.flag);
        EXPECT_EQ(e.Overwrite, v.flag);
        EXPECT_EQ(e.AutoRemove, v.flag);
        AviOutputSettings a;
        ASSERT_EQ(LoadAviOutputSettings(path_, a), 1);
        EXPECT_EQ(a.Split, v.flag);
        DvOutputSettings d;
        ASSERT_EQ(LoadDvOutputSettings(path_, d), 1);
        EXPECT_EQ(d.AutoSelect, v.flag);
    }
    // Empty values keep the defaults: file and pull serving on, pushing off, splitting on.
    WriteFile("[Encoding]\r\nOutputFile=\r\nBroadcast=\r\nPushToServer=\r\n[Avi]\r\nSplit=\r\n");
    CEncodeSettings e;
    ASSERT_EQ(LoadEncodeOutputSettings(path_, e), 1);
    EXPECT_EQ(e.Flags, kEncodeOutputFile | kEncodeBroadcast);
    AviOutputSettings a;
    ASSERT_EQ(LoadAviOutputSettings(path_, a), 1);
    EXPECT_EQ(a.Split, 1);
}

TEST_F(OutputSettingsTest, ListenPortsThePageWouldRefuseGive8601)
{
    for (const char* text : {"0", "1023", "65536", "port", "-5"}) {
        std::string file = std::string("[VirtualDevice]\r\nListenPort=") + text + "\r\n";
        WriteFile(file.c_str());
        EXPECT_EQ(LoadVirtualDevicePort(path_), 8601) << text;
    }
}

TEST_F(OutputSettingsTest, EverySaverReadsBackWhatItSaved)
{
    CEncodeSettings e;
    e.Flags = kEncodeBroadcast | kEncodePushToServer;
    e.Port = 8090;
    e.OutputFilePath = L"C:\\节目\\a.wmv";
    e.Addindex = 1;
    e.PushServer = L"srv";
    e.PublishPoint = L"点";
    e.CopyFrom = L"tpl";
    e.AutoRemove = 1;
    e.Title = L"标题";
    e.Author = L"a";
    e.Rating = L"r";
    e.Copyright = L"c";
    e.Description = L"d";
    ASSERT_TRUE(SaveEncodeOutputSettings(path_, e));
    ASSERT_TRUE(SaveEncodeInfoSettings(path_, e));
    AviOutputSettings a;
    a.Path = L"D:\\录像";
    a.Split = 0;
    a.Max = 100;
    a.VCodec = L"Microsoft DV (NTSC)";
    a.VQuality = 55;
    a.ACodec = L"None";
    ASSERT_TRUE(SaveAviOutputSettings(path_, a));
    DvOutputSettings d;
    d.Device = L"DV #2";
    d.AutoSelect = 1;
    ASSERT_TRUE(SaveDvOutputSettings(path_, d));
    DecklinkOutputSettings k;
    k.VideoDevice = L"None";
    k.AudioDevice = L"Decklink Audio Render";
    ASSERT_TRUE(SaveDecklinkOutputSettings(path_, k));
    ASSERT_TRUE(SaveVirtualDevicePort(path_, 9200));

    const std::wstring text = ReadFileText();
    for (const wchar_t* line : {L"OutputFile=0", L"Broadcast=1", L"PushToServer=1", L"BroadcastPort=8090",
                                L"Split=0", L"VQuality=55", L"AutoSelect=1", L"ListenPort=9200"})
        EXPECT_NE(text.find(line), std::wstring::npos) << "missing " << CStringA(line).GetString();

    CEncodeSettings e2;
    ASSERT_EQ(LoadEncodeOutputSettings(path_, e2), 1);
    ASSERT_EQ(LoadEncodeInfoSettings(path_, e2), 1);
    EXPECT_EQ(e2.Flags, e.Flags);
    EXPECT_EQ(e2.Port, e.Port);
    EXPECT_EQ(e2.OutputFilePath, e.OutputFilePath);
    EXPECT_EQ(e2.Addindex, 1);
    EXPECT_EQ(e2.Overwrite, 0);
    EXPECT_EQ(e2.PushServer, e.PushServer);
    EXPECT_EQ(e2.PublishPoint, e.PublishPoint);
    EXPECT_EQ(e2.CopyFrom, e.CopyFrom);
    EXPECT_EQ(e2.AutoRemove, 1);
    EXPECT_EQ(e2.Title, e.Title);
    EXPECT_EQ(e2.Description, e.Description);
    AviOutputSettings a2;
    ASSERT_EQ(LoadAviOutputSettings(path_, a2), 1);
    EXPECT_EQ(a2.Path, a.Path);
    EXPECT_EQ(a2.Split, 0);
    EXPECT_EQ(a2.Max, 100);
    EXPECT_EQ(a2.VCodec, a.VCodec);
    EXPECT_EQ(a2.VQuality, 55);
    EXPECT_EQ(a2.ACodec, a.ACodec);
    DvOutputSettings d2;
    ASSERT_EQ(LoadDvOutputSettings(path_, d2), 1);
    EXPECT_EQ(d2.Device, d.Device);
    EXPECT_EQ(d2.AutoSelect, 1);
    DecklinkOutputSettings k2;
    ASSERT_EQ(LoadDecklinkOutputSettings(path_, k2), 1);
    EXPECT_EQ(k2.VideoDevice, k.VideoDevice);
    EXPECT_EQ(k2.AudioDevice, k.AudioDevice);
    EXPECT_EQ(LoadVirtualDevicePort(path_), 9200);
}

// Counts references; only AddRef and Release are ever called by the records.
class CountingFilter : public IBaseFilter {
public:
    LONG refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Stop() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Pause() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetState(DWORD, FILTER_STATE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR, IPin**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph*, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR*) override { return E_NOTIMPL; }
};

TEST_F(OutputSettingsTest, RecordsCopyByValue)
{
    CEncodeSettings e;
    e.Title = L"one";
    e.Flags = 1;
    CEncodeSettings e2 = e;
    e.Title = L"two";
    e.Flags = 4;
    EXPECT_EQ(e2.Title, CString(L"one"));
    EXPECT_EQ(e2.Flags, 1);

    AviOutputSettings a;
    a.VCodec = L"x";
    AviOutputSettings a2;
    a2 = a;
    a.VCodec = L"y";
    EXPECT_EQ(a2.VCodec, CString(L"x"));

    CountingFilter filter;
    {
        DvOutputSettings d;
        d.SetDeviceFilter(&filter);
        d.Device = L"cam";
        EXPECT_EQ(filter.refs, 2);
        DvOutputSettings copy(d);
        EXPECT_EQ(filter.refs, 3);
        DvOutputSettings assigned;
        assigned = d;
        EXPECT_EQ(filter.refs, 4);
        assigned = assigned; // self-assignment keeps its reference
        EXPECT_EQ(filter.refs, 4);
        d.Device = L"other";
        EXPECT_EQ(copy.Device, CString(L"cam"));
        EXPECT_EQ(copy.GetDeviceFilter(), &filter);
        d.SetDeviceFilter(nullptr);
        EXPECT_EQ(filter.refs, 3);
    }
    EXPECT_EQ(filter.refs, 1);
}

TEST_F(OutputSettingsTest, NamesOfOneEnumerationAreMadeUnique)
{
    NameCountMap names;
    EXPECT_EQ(names.MakeUnique(L"Cam"), CString(L"Cam"));
    EXPECT_EQ(names.MakeUnique(L"Mic"), CString(L"Mic"));
    EXPECT_EQ(names.MakeUnique(L"Cam"), CString(L"Cam #2"));
    EXPECT_EQ(names.MakeUnique(L"Cam"), CString(L"Cam #3"));
    EXPECT_EQ(names.GetCount(L"Cam"), 3);
    names.Clear();
    EXPECT_EQ(names.MakeUnique(L"Cam"), CString(L"Cam"));
    EXPECT_EQ(DeviceListName(L"Cam", L"USB"), CString(L"Cam(USB)"));
    EXPECT_EQ(DeviceListName(L"Cam", L""), CString(L"Cam"));
}

TEST_F(OutputSettingsTest, AProfileTextThatIsNotAProfileMakesNone)
{
    CEncodeSettings e;
    e.Profile = L"<not a profile";
    IWMProfile* profile = e.CreateProfile();
    EXPECT_EQ(profile, nullptr);
}

} // namespace
