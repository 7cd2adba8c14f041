#include "app/settings/OutputConfigPage.h"

#include "app/foundation/AppHelpers.h"
#include "app/foundation/Ini.h"

#include <cstdlib>
#include <cwchar>

namespace {

const wchar_t kSection[] = L"Output";
// Added in this order into a sorted list, which shows them 32, 44, 48: the index is the format.
const wchar_t* const kAudioFormats[] = { L"48kHz stereo 16bits", L"44kHz stereo 16bits", L"32kHz stereo 16bits" };

} // namespace

const OutputFormatPreset COutputConfigPage::kPresets[kPresetCount] = {
    { 320, 240, 25.0f, 1.0, kProgressive },
    { 640, 480, 25.0f, 1.0, kProgressive },
    { 720, 576, 25.0f, 1.067, kLowerFieldFirst },
    { 720, 576, 25.0f, 1.422, kLowerFieldFirst },
    { 720, 480, 29.97f, 0.889, kLowerFieldFirst },
    { 720, 480, 29.97f, 1.186, kLowerFieldFirst },
};

BEGIN_MESSAGE_MAP(COutputConfigPage, CPropertyPage)
    ON_CBN_SELCHANGE(IDC_OUTCFG_PRESET, OnPresetChanged)
    ON_CBN_SELCHANGE(IDC_OUTCFG_FIELDTYPE, OnFieldTypeChanged)
END_MESSAGE_MAP()

COutputConfigPage::COutputConfigPage() : CPropertyPage(IDD) {}

CString COutputConfigPage::SettingsPath()
{
    return GetExeDirectory() + L"\\config\\output.ini";
}

WAVEFORMATEX COutputConfigPage::WaveFormatOf(int audioFormat)
{
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = audioFormat == k32kHz ? 32000 : audioFormat == k48kHz ? 48000 : 44100;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = format.nSamplesPerSec * 4;
    format.cbSize = 0;
    return format;
}

BOOL COutputConfigPage::ApplyPreset(int index)
{
    if (index < 0 || index >= kPresetCount)
        return FALSE;
    const OutputFormatPreset& row = kPresets[index];
    m_nWidth = row.width;
    m_nHeight = row.height;
    m_fFrameRate = row.frameRate;
    m_dPixelAR = row.pixelAspect;
    m_nFieldType = row.fieldType;
    return TRUE;
}

BOOL COutputConfigPage::ParseVideoSize(const CString& text, int& width, int& height)
{
    const wchar_t* p = text;
    wchar_t* end = nullptr;
    const long w = std::wcstol(p, &end, 10);
    if (end == p || *end != L'x')
        return FALSE;
    p = end + 1;
    const long h = std::wcstol(p, &end, 10);
    if (end == p || *end != L'\0')
        return FALSE;
    // A size the engine cannot build (0, negative, beyond a card's surfaces) keeps the default
    // rather than failing the engine at every start.
    if (w < kMinSide || w > kMaxSide || h < kMinSide || h > kMaxSide)
        return FALSE;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return TRUE;
}

double COutputConfigPage::FrameRateText(float rate)
{
    wchar_t text[32];
    std::swprintf(text, 32, L"%.7g", static_cast<double>(rate));
    return std::wcstod(text, nullptr);
}

int COutputConfigPage::LoadSettings()
{
    return LoadSettings(SettingsPath());
}

int COutputConfigPage::LoadSettings(const CString& path)
{
    if (::GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES)
        return 0;
    util::CIni ini(path);
    ParseVideoSize(ini.GetString(kSection, L"VideoSize", L""), m_nWidth, m_nHeight);
    const double rate = ini.GetDouble(kSection, L"FrameRate", 25.0);
    // The mixing clock's period is 1000 / rate: a rate the page would refuse keeps 25.
    m_fFrameRate = rate >= 1.0 && rate <= 100.0 ? static_cast<float>(rate) : 25.0f;
    m_dPixelAR = ini.GetDouble(kSection, L"PixelAR", 1.067);
    // A value no list entry stands for keeps the default, so the page never saves "no choice".
    const int field = ini.GetInt(kSection, L"FieldType", kLowerFieldFirst);
    m_nFieldType = field >= kUpperFieldFirst && field <= kProgressive ? field : kLowerFieldFirst;
    const int audio = ini.GetInt(kSection, L"AudioFormat", k44kHz);
    m_nAudioFormat = audio >= k32kHz && audio <= k48kHz ? audio : k44kHz;
    return 1;
}

BOOL COutputConfigPage::SaveSettings() const
{
    return SaveSettings(SettingsPath());
}

BOOL COutputConfigPage::SaveSettings(const CString& path) const
{
    util::CIni ini(path);
    CString size;
    size.Format(L"%dx%d", m_nWidth, m_nHeight);
    BOOL ok = ini.WriteString(kSection, L"VideoSize", size);
    ok = ini.WriteDouble(kSection, L"FrameRate", FrameRateText(m_fFrameRate)) && ok;
    ok = ini.WriteDouble(kSection, L"PixelAR", m_dPixelAR) && ok;
    ok = ini.WriteInt(kSection, L"FieldType", m_nFieldType) && ok;
    ok = ini.WriteInt(kSection, L"AudioFormat", m_nAudioFormat) && ok;
    return ok;
}

BOOL COutputConfigPage::OnInitDialog()
{
    if (!LoadSettings())
        AppMessageBox(m_hWnd, IDS_READ_CONFIG_FAILED, IDS_OUTCFG_ERROR_CAPTION, MB_OK | MB_ICONERROR);

    CComboBox* presets = static_cast<CComboBox*>(GetDlgItem(IDC_OUTCFG_PRESET));
    for (int i = 0; i < kPresetCount; ++i) {
        CString text;
        text.LoadString(IDS_OUTCFG_PRESET_FIRST + i);
        presets->AddString(text);
    }
    CComboBox* fields = static_cast<CComboBox*>(GetDlgItem(IDC_OUTCFG_FIELDTYPE));
    for (int i = 0; i < 3; ++i) {
        CString text;
        text.LoadString(IDS_OUTCFG_FIELDTYPE_FIRST + i);
        fields->AddString(text);
    }
    fields->SetCurSel(m_nFieldType);
    CComboBox* audio = static_cast<CComboBox*>(GetDlgItem(IDC_OUTCFG_AUDIOFORMAT));
    for (const wchar_t* text : kAudioFormats)
        audio->AddString(text);
    audio->SetCurSel(m_nAudioFormat);

    CPropertyPage::OnInitDialog();
    return TRUE;
}

void COutputConfigPage::DoDataExchange(CDataExchange* pDX)
{
    CPropertyPage::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_OUTCFG_WIDTH, m_nWidth);
    DDV_MinMaxInt(pDX, m_nWidth, kMinSide, kMaxSide);
    DDX_Text(pDX, IDC_OUTCFG_HEIGHT, m_nHeight);
    DDV_MinMaxInt(pDX, m_nHeight, kMinSide, kMaxSide);
    DDX_Text(pDX, IDC_OUTCFG_ASPECT, m_strAspect);
    DDX_Text(pDX, IDC_OUTCFG_PIXELAR, m_dPixelAR);
    DDX_Text(pDX, IDC_OUTCFG_FRAMERATE, m_fFrameRate);
    DDV_MinMaxFloat(pDX, m_fFrameRate, 1.0f, 100.0f);
}

void COutputConfigPage::OnPresetChanged()
{
    CComboBox* presets = static_cast<CComboBox*>(GetDlgItem(IDC_OUTCFG_PRESET));
    if (!ApplyPreset(presets->GetCurSel()))
        return;
    static_cast<CComboBox*>(GetDlgItem(IDC_OUTCFG_FIELDTYPE))->SetCurSel(m_nFieldType);
    UpdateData(FALSE);
}

void COutputConfigPage::OnFieldTypeChanged()
{
    const int index = static_cast<CComboBox*>(GetDlgItem(IDC_OUTCFG_FIELDTYPE))->GetCurSel();
    if (index != CB_ERR)
        m_nFieldType = index;
}

void COutputConfigPage::OnOK()
{
    const int field = static_cast<CComboBox*>(GetDlgItem(IDC_OUTCFG_FIELDTYPE))->GetCurSel();
    if (field != CB_ERR)
        m_nFieldType = field;
    const int audio = static_cast<CComboBox*>(GetDlgItem(IDC_OUTCFG_AUDIOFORMAT))->GetCurSel();
    if (audio != CB_ERR)
        m_nAudioFormat = audio;
    SaveSettings();
}
