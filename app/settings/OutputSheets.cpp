#include "app/settings/OutputSheets.h"

CWmvOutputSheet::CWmvOutputSheet(CWnd* parent, int outputWidth, int outputHeight)
    : CPropertySheet(L"Windows Media 输出设置", parent)
{
    m_profilePage.SetOutputSize(outputWidth, outputHeight);
    AddPage(&m_outputPage);
    AddPage(&m_profilePage);
    AddPage(&m_infoPage);
}

BOOL CWmvOutputSheet::CopyApplied(CEncodeSettings& settings) const
{
    BOOL copied = FALSE;
    if (m_outputPage.m_bApplied) {
        m_outputPage.CopyTo(settings);
        copied = TRUE;
    }
    // A page that obtained no profile (no runtime, no standard files) leaves the text the
    // main window has.
    if (m_profilePage.m_bApplied && !m_profilePage.m_strProfileText.IsEmpty()) {
        settings.Profile = m_profilePage.m_strProfileText;
        copied = TRUE;
    }
    if (m_infoPage.m_bApplied) {
        m_infoPage.CopyTo(settings);
        copied = TRUE;
    }
    return copied;
}

CAviOutputSheet::CAviOutputSheet(CWnd* parent) : CPropertySheet(L"AVI输出配置", parent)
{
    AddPage(&m_page);
}

BOOL CAviOutputSheet::CopyApplied(AviOutputSettings& settings) const
{
    if (!m_page.m_bApplied)
        return FALSE;
    settings = m_page.m_settings;
    return TRUE;
}

C1394OutputSheet::C1394OutputSheet(CWnd* parent) : CPropertySheet(L"1394输出设置", parent)
{
    AddPage(&m_page);
}

BOOL C1394OutputSheet::CopyApplied(DvOutputSettings& settings) const
{
    if (!m_page.m_bApplied)
        return FALSE;
    settings.Device = m_page.m_settings.Device;
    settings.AutoSelect = m_page.m_settings.AutoSelect;
    return TRUE;
}

CDecklinkOutputSheet::CDecklinkOutputSheet(CWnd* parent) : CPropertySheet(L"Decklink输出设置", parent)
{
    AddPage(&m_page);
}

BOOL CDecklinkOutputSheet::CopyApplied(DecklinkOutputSettings& settings) const
{
    if (!m_page.m_bApplied)
        return FALSE;
    settings = m_page.m_settings;
    return TRUE;
}

CVCardOutputSheet::CVCardOutputSheet(CWnd* parent) : CPropertySheet(L"显卡输出", parent)
{
    AddPage(&m_page);
}

BOOL CVCardOutputSheet::CopyApplied(int& monitor) const
{
    if (!m_page.m_bApplied)
        return FALSE;
    monitor = m_page.m_nMonitor;
    return TRUE;
}

CVDOutputSheet::CVDOutputSheet(CWnd* parent) : CPropertySheet(L"虚拟设备输出设置", parent)
{
    AddPage(&m_page);
}

BOOL CVDOutputSheet::CopyApplied(WORD& port) const
{
    if (!m_page.m_bApplied)
        return FALSE;
    port = m_page.m_nPort;
    return TRUE;
}

CAudioOutputSheet::CAudioOutputSheet(CWnd* parent, HWND mainWindow) : CPropertySheet(L"声卡输出", parent)
{
    m_page.SetMainWindow(mainWindow);
    AddPage(&m_page);
}

BOOL CAudioOutputSheet::CopyApplied(AudioOutputSettings& settings) const
{
    if (!m_page.m_bApplied)
        return FALSE;
    settings = m_page.m_settings;
    return TRUE;
}

namespace {

template <class Sheet, class Record>
BOOL RunSheet(Sheet& sheet, Record& record)
{
    if (sheet.DoModal() != IDOK)
        return FALSE;
    return sheet.CopyApplied(record);
}

} // namespace

BOOL RunWmvOutputSheet(CWnd* parent, CEncodeSettings& settings, int outputWidth, int outputHeight)
{
    CWmvOutputSheet sheet(parent, outputWidth, outputHeight);
    return RunSheet(sheet, settings);
}

BOOL RunAviOutputSheet(CWnd* parent, AviOutputSettings& settings)
{
    CAviOutputSheet sheet(parent);
    return RunSheet(sheet, settings);
}

BOOL Run1394OutputSheet(CWnd* parent, DvOutputSettings& settings)
{
    C1394OutputSheet sheet(parent);
    return RunSheet(sheet, settings);
}

BOOL RunDecklinkOutputSheet(CWnd* parent, DecklinkOutputSettings& settings)
{
    CDecklinkOutputSheet sheet(parent);
    return RunSheet(sheet, settings);
}

BOOL RunVCardOutputSheet(CWnd* parent, int& monitor)
{
    CVCardOutputSheet sheet(parent);
    return RunSheet(sheet, monitor);
}

BOOL RunVDOutputSheet(CWnd* parent, WORD& port)
{
    CVDOutputSheet sheet(parent);
    return RunSheet(sheet, port);
}

BOOL RunAudioOutputSheet(CWnd* parent, AudioOutputSettings& settings, HWND mainWindow)
{
    CAudioOutputSheet sheet(parent, mainWindow);
    return RunSheet(sheet, settings);
}

void LoadOutputRecords(OutputRecords& records, int outputWidth, int outputHeight)
{
    CAudioOutputConfig audio;
    if (audio.LoadSettings())
        records.audio = audio.m_settings;
    CVCardConfigPage vcard;
    if (vcard.LoadSettings())
        records.monitor = vcard.m_nMonitor;
    CEncodeInfPage info;
    if (info.LoadSettings())
        info.CopyTo(records.encode);
    CEncodeOutputPage destinations;
    if (destinations.LoadSettings())
        destinations.CopyTo(records.encode);
    CProfileConfigPage profile;
    profile.SetOutputSize(outputWidth, outputHeight);
    if (profile.LoadSettings())
        records.encode.Profile = profile.m_strProfileText;
    CAviConfigPage avi;
    avi.LoadSettings();
    records.avi = avi.m_settings;
    C1394OutputConfig dv;
    dv.LoadSettings();
    records.dv.Device = dv.m_settings.Device;
    records.dv.AutoSelect = dv.m_settings.AutoSelect;
    CVDConfigPage vd;
    vd.LoadSettings();
    records.listenPort = vd.m_nPort;
    CDecklinkConfigPage decklink;
    decklink.LoadSettings();
    records.decklink = decklink.m_settings;
}
