#include "app/settings/AviConfigPage.h"

#include "app/settings/OutputSettingsIni.h"

#include <commctrl.h>
#include <uuids.h>

#include <climits>

namespace {

const wchar_t kNone[] = L"None";
const wchar_t kDvEncoder[] = L"DV Video Encoder";

// The compressors the recording graph knows how to drive.
const wchar_t* const kUsableVideoCodecs[] = {
    L"Cinepak Codec by Radius",
    L"Intel 4:2:0 Video V2.50",
    L"Intel Indeo(R) Video R3.2",
    L"Intel IYUV codec",
    L"InterVideo Video Encoder",
    L"Microsoft H.261 Video Codec",
    L"Microsoft H.263 Video Codec",
    L"Microsoft RLE",
    L"Microsoft Video 1",
    L"MSScreen 9 encoder DMO",
    L"MSScreen encoder DMO",
    L"WMVideo Advanced Encoder DMO",
    L"WMVideo9 Encoder DMO",
    L"WMVideo Encoder DMO",
};

bool IsUsableVideoCodec(const CString& name)
{
    for (const wchar_t* usable : kUsableVideoCodecs) {
        if (name == usable)
            return true;
    }
    return false;
}

} // namespace

BEGIN_MESSAGE_MAP(CAviConfigPage, CPropertyPage)
    ON_WM_HSCROLL()
    ON_BN_CLICKED(IDC_AVI_BROWSE, OnBrowse)
    ON_CBN_SELCHANGE(IDC_AVI_VCODEC, OnVideoCodecChanged)
    ON_CBN_SELCHANGE(IDC_AVI_ACODEC, OnAudioCodecChanged)
    ON_BN_CLICKED(IDC_AVI_VCODEC_SETUP, OnVideoCodecSetup)
    ON_BN_CLICKED(IDC_AVI_ACODEC_SETUP, OnAudioCodecSetup)
    ON_BN_CLICKED(IDC_AVI_SPLIT, OnChanged)
    ON_EN_CHANGE(IDC_AVI_PATH, OnChanged)
    ON_EN_CHANGE(IDC_AVI_MAX, OnChanged)
    ON_EN_CHANGE(IDC_AVI_VQUALITY, OnChanged)
END_MESSAGE_MAP()

CAviConfigPage::CAviConfigPage() : CPropertyPage(IDD) {}

int CAviConfigPage::LoadSettings()
{
    return LoadSettings(OutputIniPath());
}

int CAviConfigPage::LoadSettings(const CString& path)
{
    return LoadAviOutputSettings(path, m_settings);
}

BOOL CAviConfigPage::SaveSettings() const
{
    return SaveSettings(OutputIniPath());
}

BOOL CAviConfigPage::SaveSettings(const CString& path) const
{
    return SaveAviOutputSettings(path, m_settings);
}

std::vector<CAviConfigPage::CodecChoice> CAviConfigPage::VideoCodecChoices(const std::vector<ListedDevice>& compressors)
{
    std::vector<CodecChoice> choices;
    choices.push_back({ kNone, -1 });
    for (size_t i = 0; i < compressors.size(); ++i) {
        const CString& name = compressors[i].friendlyName;
        if (name == kDvEncoder) {
            choices.push_back({ L"Microsoft DV (NTSC)", static_cast<int>(i) });
            choices.push_back({ L"Microsoft DV (PAL)", static_cast<int>(i) });
        } else if (IsUsableVideoCodec(name)) {
            choices.push_back({ name, static_cast<int>(i) });
        }
    }
    return choices;
}

BOOL CAviConfigPage::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    LoadSettings();
    ListDevices(CLSID_VideoCompressorCategory, m_videoCompressors);
    ListDevices(CLSID_AudioCompressorCategory, m_audioCompressors);

    // The lists keep enumeration order (no sorting), so an entry's index is its position.
    for (const CodecChoice& choice : VideoCodecChoices(m_videoCompressors))
        AddComboEntry(this, IDC_AVI_VCODEC, choice.text, static_cast<DWORD_PTR>(choice.device));
    SelectComboText(this, IDC_AVI_VCODEC, m_settings.VCodec);
    AddComboEntry(this, IDC_AVI_ACODEC, kNone, static_cast<DWORD_PTR>(-1));
    for (size_t i = 0; i < m_audioCompressors.size(); ++i)
        AddComboEntry(this, IDC_AVI_ACODEC, m_audioCompressors[i].friendlyName, i);
    SelectComboText(this, IDC_AVI_ACODEC, m_settings.ACodec);

    ::SendMessageW(::GetDlgItem(m_hWnd, IDC_AVI_VQUALITY_BAR), TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
    ShowQuality(m_settings.VQuality);
    SetDlgItemText(IDC_AVI_PATH, m_settings.Path);
    CheckDlgButton(IDC_AVI_SPLIT, m_settings.Split ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemInt(IDC_AVI_MAX, static_cast<UINT>(m_settings.Max), TRUE);
    return TRUE;
}

void CAviConfigPage::ShowQuality(int quality)
{
    ::SendMessageW(::GetDlgItem(m_hWnd, IDC_AVI_VQUALITY_BAR), TBM_SETPOS, TRUE, quality);
    SetDlgItemInt(IDC_AVI_VQUALITY, static_cast<UINT>(quality), TRUE);
}

void CAviConfigPage::OnHScroll(UINT, UINT, CScrollBar* bar)
{
    HWND track = ::GetDlgItem(m_hWnd, IDC_AVI_VQUALITY_BAR);
    if (bar && bar->m_hWnd != track)
        return;
    const int pos = static_cast<int>(::SendMessageW(track, TBM_GETPOS, 0, 0));
    SetDlgItemInt(IDC_AVI_VQUALITY, static_cast<UINT>(pos), TRUE);
}

void CAviConfigPage::OnBrowse()
{
    CString title;
    title.LoadString(IDS_CHOOSE_FOLDER);
    CString folder = ControlText(this, IDC_AVI_PATH);
    if (BrowseForFolder(m_hWnd, title, folder))
        SetDlgItemText(IDC_AVI_PATH, folder);
}

const ListedDevice* CAviConfigPage::SelectedDevice(UINT listId, const std::vector<ListedDevice>& devices)
{
    const int device = SelectedComboData(this, listId);
    if (device < 0 || static_cast<size_t>(device) >= devices.size())
        return nullptr;
    return &devices[static_cast<size_t>(device)];
}

void CAviConfigPage::OnVideoCodecChanged()
{
    const ListedDevice* device = SelectedDevice(IDC_AVI_VCODEC, m_videoCompressors);
    EnableControl(this, IDC_AVI_VCODEC_SETUP, device && OffersPropertyPages(*device));
    ShowQuality(100);
    SetModified(TRUE);
}

void CAviConfigPage::OnAudioCodecChanged()
{
    const ListedDevice* device = SelectedDevice(IDC_AVI_ACODEC, m_audioCompressors);
    EnableControl(this, IDC_AVI_ACODEC_SETUP, device && OffersPropertyPages(*device));
    SetModified(TRUE);
}

void CAviConfigPage::OnVideoCodecSetup()
{
    if (const ListedDevice* device = SelectedDevice(IDC_AVI_VCODEC, m_videoCompressors))
        ShowDevicePropertyPages(*device, m_hWnd);
}

void CAviConfigPage::OnAudioCodecSetup()
{
    if (const ListedDevice* device = SelectedDevice(IDC_AVI_ACODEC, m_audioCompressors))
        ShowDevicePropertyPages(*device, m_hWnd);
}

void CAviConfigPage::OnChanged()
{
    SetModified(TRUE);
}

BOOL CAviConfigPage::OnApply()
{
    // A size of 0 (or a text that is no number) would start a new file on every tick of the
    // split timer, so only a real size is taken.
    long long max = 0;
    if (!ParseNumberInRange(ControlText(this, IDC_AVI_MAX), 1, INT_MAX, max))
        return RefuseWithFocus(this, IDS_AVI_MAX_INVALID, IDC_AVI_MAX);
    long long quality = 0;
    if (!ParseNumberInRange(ControlText(this, IDC_AVI_VQUALITY), 0, 100, quality))
        return RefuseWithFocus(this, IDS_AVI_QUALITY_INVALID, IDC_AVI_VQUALITY);

    m_settings.Path = ControlText(this, IDC_AVI_PATH);
    m_settings.Split = IsDlgButtonChecked(IDC_AVI_SPLIT) == BST_CHECKED ? 1 : 0;
    m_settings.Max = static_cast<int>(max);
    m_settings.VQuality = static_cast<int>(quality);
    // A stored compressor the list cannot show stays as it was rather than becoming an
    // empty name that no compressor has.
    CString codec;
    if (SelectedComboText(this, IDC_AVI_VCODEC, codec))
        m_settings.VCodec = codec;
    if (SelectedComboText(this, IDC_AVI_ACODEC, codec))
        m_settings.ACodec = codec;
    SaveSettings();
    m_bApplied = TRUE;
    return CPropertyPage::OnApply();
}
