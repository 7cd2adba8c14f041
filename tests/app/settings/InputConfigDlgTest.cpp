// The input format dialog on a real window, against stand-in capture devices in a capture
// graph: which device buttons it enables for the interfaces the devices have, how the radios
// and the check box become the five options, and that Cancel changes nothing.
#include "app/settings/InputConfigDlg.h"

#include <gtest/gtest.h>

#include <string>

#include "app/foundation/DShowHelpers.h"
#include "testing/capture/StubRegistration.h"
#include "tests/app/ui/DrivenDialog.h"
#include "tests/app/ui/ScreenshotPng.h"

namespace {

typedef CDrivenDialog<CInputConfigDlg> DrivenInputConfig;

// A source with no capture pin at all, so none of the device interfaces.
class BareFilter : public CBaseFilter {
public:
    BareFilter() : CBaseFilter(L"bare", nullptr, &m_lock, CLSID_NULL) {}
    int GetPinCount() override { return 0; }
    CBasePin* GetPin(int) override { return nullptr; }

private:
    CCritSec m_lock;
};

bool Checked(HWND dialog, UINT id)
{
    return ::IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

// A radio chosen as a click does it: checked in its group, then the click's command.
void ClickRadio(DrivenInputConfig& d, UINT first, UINT last, UINT id)
{
    d.CheckRadioButton(first, last, id);
    d.Command(id);
}

class InputConfigDlgTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        s_devices = new rvxstub::ScopedStubDevices();
    }
    static void TearDownTestSuite()
    {
        delete s_devices;
        CoUninitialize();
    }
    void SetUp() override
    {
        ASSERT_TRUE(s_devices->Registered()) << "regsvr32 rvxcapstub.dll failed";
        ASSERT_EQ(S_OK, m_graph.CoCreateInstance(CLSID_FilterGraph));
        ASSERT_EQ(S_OK, m_builder.CoCreateInstance(CLSID_CaptureGraphBuilder2));
        ASSERT_EQ(S_OK, m_builder->SetFiltergraph(m_graph));
        ASSERT_EQ(S_OK, Device(CLSID_VideoInputDeviceCategory, L"\\\\?\\rvxtest#camera#0001", m_video));
        ASSERT_EQ(S_OK, Device(CLSID_AudioInputDeviceCategory, L"\\\\?\\rvxtest#linein#0008", m_audio));
    }
    void TearDown() override
    {
        if (m_graph)
            RemoveAllFilters(m_graph);
    }

    // A device found by its DevicePath, bound and added to the graph.
    HRESULT Device(REFGUID category, LPCWSTR name, CComPtr<IBaseFilter>& filter)
    {
        CComPtr<IMoniker> moniker;
        HRESULT hr = FindDeviceMoniker(category, name, &moniker);
        if (SUCCEEDED(hr))
            hr = moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&filter));
        if (SUCCEEDED(hr))
            hr = m_graph->AddFilter(filter, name);
        return hr;
    }

    static rvxstub::ScopedStubDevices* s_devices;
    CComPtr<IGraphBuilder> m_graph;
    CComPtr<ICaptureGraphBuilder2> m_builder;
    CComPtr<IBaseFilter> m_video;
    CComPtr<IBaseFilter> m_audio;
};

rvxstub::ScopedStubDevices* InputConfigDlgTest::s_devices = nullptr;

struct ButtonStates {
    bool videoFormat, audioFormat, crossbar, tuner, tvAudio, sourceFilters;
};

ButtonStates ReadButtons(DrivenInputConfig& d)
{
    return {d.Enabled(IDC_INPUT_VIDEO_FORMAT), d.Enabled(IDC_INPUT_AUDIO_FORMAT), d.Enabled(IDC_INPUT_CROSSBAR),
            d.Enabled(IDC_INPUT_TV_TUNER),     d.Enabled(IDC_INPUT_TV_AUDIO),     d.Enabled(IDC_INPUT_SOURCE_FILTERS)};
}

TEST_F(InputConfigDlgTest, EnablesTheButtonsOfTheInterfacesTheDevicesHave)
{
    InputFormatOptions manual;
    manual.imageFormat = 1;
    DrivenInputConfig dlg(m_builder.Get(), m_video.Get(), m_audio.Get(), manual);
    ButtonStates states = {};
    bool afterAuto = true, afterManual = false;
    std::wstring title;
    dlg.driver = [&](DrivenInputConfig& d) {
        states = ReadButtons(d);
        wchar_t text[64] = {};
        ::GetWindowTextW(d.m_hWnd, text, 64);
        title = text;
        SavePng(CaptureScreen(d.m_hWnd), L"input_config_dialog.png");
        ClickRadio(d, IDC_INPUT_FORMAT_AUTO, IDC_INPUT_FORMAT_MANUAL, IDC_INPUT_FORMAT_AUTO);
        afterAuto = d.Enabled(IDC_INPUT_VIDEO_FORMAT);
        ClickRadio(d, IDC_INPUT_FORMAT_AUTO, IDC_INPUT_FORMAT_MANUAL, IDC_INPUT_FORMAT_MANUAL);
        afterManual = d.Enabled(IDC_INPUT_VIDEO_FORMAT);
        d.Command(IDCANCEL);
    };
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_EQ(L"输入格式设置", title);
    // The stand-ins' capture pins have a stream configuration and nothing else.
    EXPECT_TRUE(states.videoFormat);
    EXPECT_TRUE(states.audioFormat);
    EXPECT_FALSE(states.crossbar);
    EXPECT_FALSE(states.tuner);
    EXPECT_FALSE(states.tvAudio);
    EXPECT_TRUE(states.sourceFilters);
    EXPECT_FALSE(afterAuto);
    EXPECT_TRUE(afterManual);
}

TEST_F(InputConfigDlgTest, ASourceWithoutDeviceInterfacesKeepsItsButtonsOffEvenWhenSetByHand)
{
    CComPtr<IBaseFilter> bare(new BareFilter());
    ASSERT_EQ(S_OK, m_graph->AddFilter(bare, L"bare"));
    DrivenInputConfig dlg(m_builder.Get(), bare.Get(), nullptr, InputFormatOptions());
    ButtonStates states = {};
    bool afterManual = true;
    dlg.driver = [&](DrivenInputConfig& d) {
        states = ReadButtons(d);
        ClickRadio(d, IDC_INPUT_FORMAT_AUTO, IDC_INPUT_FORMAT_MANUAL, IDC_INPUT_FORMAT_MANUAL);
        afterManual = d.Enabled(IDC_INPUT_VIDEO_FORMAT);
        d.Command(IDOK);
    };
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_FALSE(states.videoFormat || states.audioFormat || states.crossbar || states.tuner || states.tvAudio);
    EXPECT_FALSE(afterManual);
    EXPECT_EQ(1, dlg.GetOptions().imageFormat);
}

TEST_F(InputConfigDlgTest, TheControlsBecomeTheFiveOptionsOnOkAndCancelKeepsThem)
{
    // Even lines first while deinterlacing is automatic: kept as stored, its radios only off.
    InputFormatOptions stored;
    stored.deinterlace = 0;
    stored.fieldOrder = 1;
    stored.aspect = 1;
    stored.keepAspect = 0;
    stored.imageFormat = 0;

    InputFormatOptions edited = stored;
    {
        DrivenInputConfig dlg(m_builder.Get(), m_video.Get(), m_audio.Get(), stored);
        bool fieldOrderOff = false, evenChecked = false, aspect169 = false, keepChecked = true;
        dlg.driver = [&](DrivenInputConfig& d) {
            fieldOrderOff = !d.Enabled(IDC_INPUT_EVEN_FIRST) && !d.Enabled(IDC_INPUT_ODD_FIRST);
            evenChecked = Checked(d.m_hWnd, IDC_INPUT_EVEN_FIRST);
            aspect169 = Checked(d.m_hWnd, IDC_INPUT_ASPECT_16_9);
            keepChecked = Checked(d.m_hWnd, IDC_INPUT_KEEP_ASPECT);
            d.Command(IDOK);
        };
        ASSERT_EQ(IDOK, dlg.DoModal());
        EXPECT_TRUE(fieldOrderOff);
        EXPECT_TRUE(evenChecked);
        EXPECT_TRUE(aspect169);
        EXPECT_FALSE(keepChecked);
        EXPECT_EQ(stored, dlg.GetOptions());
    }
    {
        DrivenInputConfig dlg(m_builder.Get(), m_video.Get(), m_audio.Get(), stored);
        bool fieldOrderOn = false;
        dlg.driver = [&](DrivenInputConfig& d) {
            ClickRadio(d, IDC_INPUT_DEINTERLACE_AUTO, IDC_INPUT_DEINTERLACE_FORCED, IDC_INPUT_DEINTERLACE_FORCED);
            fieldOrderOn = d.Enabled(IDC_INPUT_EVEN_FIRST) && d.Enabled(IDC_INPUT_ODD_FIRST);
            ClickRadio(d, IDC_INPUT_EVEN_FIRST, IDC_INPUT_ODD_FIRST, IDC_INPUT_ODD_FIRST);
            ClickRadio(d, IDC_INPUT_ASPECT_AUTO, IDC_INPUT_ASPECT_16_9, IDC_INPUT_ASPECT_4_3);
            d.CheckDlgButton(IDC_INPUT_KEEP_ASPECT, BST_CHECKED);
            ClickRadio(d, IDC_INPUT_FORMAT_AUTO, IDC_INPUT_FORMAT_MANUAL, IDC_INPUT_FORMAT_MANUAL);
            d.Command(IDOK);
        };
        ASSERT_EQ(IDOK, dlg.DoModal());
        EXPECT_TRUE(fieldOrderOn);
        edited = dlg.GetOptions();
        EXPECT_EQ(1, edited.deinterlace);
        EXPECT_EQ(0, edited.fieldOrder);
        EXPECT_EQ(0, edited.aspect);
        EXPECT_EQ(1, edited.keepAspect);
        EXPECT_EQ(1, edited.imageFormat);
    }
    {
        // No aspect radio checked leaves the aspect as it was.
        DrivenInputConfig dlg(m_builder.Get(), m_video.Get(), m_audio.Get(), stored);
        dlg.driver = [&](DrivenInputConfig& d) {
            for (UINT id : {IDC_INPUT_ASPECT_AUTO, IDC_INPUT_ASPECT_4_3, IDC_INPUT_ASPECT_16_9})
                d.CheckDlgButton(id, BST_UNCHECKED);
            d.Command(IDOK);
        };
        ASSERT_EQ(IDOK, dlg.DoModal());
        EXPECT_EQ(1, dlg.GetOptions().aspect);
    }
    {
        // Cancel after changes: nothing changes.
        DrivenInputConfig dlg(m_builder.Get(), m_video.Get(), m_audio.Get(), stored);
        dlg.driver = [&](DrivenInputConfig& d) {
            ClickRadio(d, IDC_INPUT_DEINTERLACE_AUTO, IDC_INPUT_DEINTERLACE_FORCED, IDC_INPUT_DEINTERLACE_FORCED);
            d.Command(IDCANCEL);
        };
        EXPECT_EQ(IDCANCEL, dlg.DoModal());
        EXPECT_EQ(stored, dlg.GetOptions());
    }
}

} // namespace
