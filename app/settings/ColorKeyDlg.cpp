#include "app/settings/ColorKeyDlg.h"

#include "app/engine/ChannelVideoSettings.h"
#include "app/engine/VideoMixer.h"

#include <afxcmn.h>
#include <afxdlgs.h>

#include <cmath>
#include <cwchar>

namespace {

const int kTrackMax = 100;
const wchar_t kChannelPrefix[] = L"CHANNEL:";
const wchar_t kPictureFilter[] =
    L"Image Files(*.bmp;*.dds;*.tga;*.dib;*.hdr;*.jpg;*.pfm;*.png;*.ppm)|"
    L"*.bmp;*.dds;*.tga;*.dib;*.hdr;*.jpg;*.pfm;*.png;*.ppm||";

struct TrackInfo {
    UINT bar;
    UINT text;
    int pageSize;
    float ChannelVideoSettings::*field;
    const wchar_t* format;
};

// In CColorKeyDlg::Track order.
const TrackInfo kTracks[CColorKeyDlg::kTrackCount] = {
    { IDC_CK_CONTRAST, IDC_CK_CONTRAST_TEXT, 5, &ChannelVideoSettings::fContrast, L"%.1f" },
    { IDC_CK_BRIGHTNESS, IDC_CK_BRIGHTNESS_TEXT, 5, &ChannelVideoSettings::fBrightness, L"%.2f" },
    { IDC_CK_HUE, IDC_CK_HUE_TEXT, 5, &ChannelVideoSettings::fHue, L"%.1f" },
    { IDC_CK_SATURATION, IDC_CK_SATURATION_TEXT, 5, &ChannelVideoSettings::fSaturation, L"%.1f" },
    { IDC_CK_HUECENTER, IDC_CK_HUECENTER_TEXT, 1, &ChannelVideoSettings::fHueCenter, L"%.2f" },
    { IDC_CK_HUEWIDTH, IDC_CK_HUEWIDTH_TEXT, 1, &ChannelVideoSettings::fHueWidth, L"%.3f" },
    { IDC_CK_MINSATURATION, IDC_CK_MINSATURATION_TEXT, 1, &ChannelVideoSettings::fMinSaturation, L"%.2f" },
};

// The four key range edits, in the record's order.
const UINT kRangeEdits[4] = { IDC_CK_RANGE0, IDC_CK_RANGE1, IDC_CK_RANGE2, IDC_CK_RANGE3 };

const UINT kColourControls[] = { IDC_CK_CONTRAST, IDC_CK_BRIGHTNESS, IDC_CK_HUE, IDC_CK_SATURATION };
const UINT kKeyControls[] = { IDC_CK_BROWSE,  IDC_CK_HUECENTER, IDC_CK_HUEWIDTH, IDC_CK_MINSATURATION,
                              IDC_CK_RANGE0,  IDC_CK_RANGE1,    IDC_CK_RANGE2,   IDC_CK_RANGE3,
                              IDC_CK_BACKGROUND_CHANNEL };

// A whole number typed into an edit, nothing else: "0.5", " 1", "-0.25 ".
bool ParseNumber(const CString& text, float& value)
{
    const wchar_t* start = text;
    wchar_t* end = nullptr;
    const double v = std::wcstod(start, &end);
    if (end == start)
        return false;
    while (*end == L' ' || *end == L'\t')
        ++end;
    if (*end != 0 || !std::isfinite(v) || std::fabs(v) > 1e6)
        return false;
    value = static_cast<float>(v);
    return true;
}

COLORREF HueColour(double hue)
{
    // Fully saturated colour of a hue in 0..1: red, green at 1/3, blue at 2/3, red again.
    const double h = (hue - std::floor(hue)) * 6.0;
    const int sector = static_cast<int>(h) % 6;
    const double f = h - std::floor(h);
    const BYTE up = static_cast<BYTE>(std::lround(255.0 * f));
    const BYTE down = static_cast<BYTE>(255 - up);
    switch (sector) {
    case 0: return RGB(255, up, 0);
    case 1: return RGB(down, 255, 0);
    case 2: return RGB(0, 255, up);
    case 3: return RGB(0, down, 255);
    case 4: return RGB(up, 0, 255);
    default: return RGB(255, 0, down);
    }
}

} // namespace

CColorKeyDlg* CColorKeyDlg::s_pOpen = nullptr;

BEGIN_MESSAGE_MAP(CColorKeyDlg, CDialog)
    ON_WM_HSCROLL()
    ON_WM_DRAWITEM()
    ON_CBN_SELCHANGE(IDC_CK_CHANNEL, OnChannelChanged)
    ON_BN_CLICKED(IDC_CK_COLORADJUST, OnColorAdjustClicked)
    ON_BN_CLICKED(IDC_CK_KEY, OnKeyClicked)
    ON_BN_CLICKED(IDC_CK_BROWSE, OnBrowse)
    ON_CBN_SELCHANGE(IDC_CK_BACKGROUND_CHANNEL, OnBackgroundChannel)
    ON_CONTROL_RANGE(EN_CHANGE, IDC_CK_RANGE2, IDC_CK_RANGE3, OnRangeChanged)
END_MESSAGE_MAP()

CColorKeyDlg::CColorKeyDlg(CVideoMixer* mixer, CWnd* parent) : CDialog(IDD, parent), m_pMixer(mixer) {}

CColorKeyDlg::~CColorKeyDlg()
{
    if (s_pOpen == this)
        s_pOpen = nullptr;
}

CColorKeyDlg* CColorKeyDlg::Open(CVideoMixer* mixer, CWnd* parent)
{
    if (s_pOpen != nullptr && s_pOpen->m_hWnd != nullptr && s_pOpen->m_pMixer == mixer) {
        s_pOpen->ShowWindow(SW_SHOW);
        ::SetForegroundWindow(s_pOpen->m_hWnd);
        return s_pOpen;
    }
    if (s_pOpen != nullptr && s_pOpen->m_hWnd != nullptr)
        s_pOpen->DestroyWindow();   // it edits a mixer that is no longer the director's
    CColorKeyDlg* dialog = new CColorKeyDlg(mixer, parent);
    if (!dialog->Create(IDD, parent)) {
        delete dialog;
        return nullptr;
    }
    s_pOpen = dialog;
    dialog->ShowWindow(SW_SHOW);
    return dialog;
}

float CColorKeyDlg::ValueFromPosition(Track track, int position)
{
    const float p = static_cast<float>(position < 0 ? 0 : (position > kTrackMax ? kTrackMax : position));
    switch (track) {
    case kContrast: return p / 10.0f;
    case kBrightness: return p / 50.0f - 1.0f;
    case kHue: return (p - 50.0f) / 50.0f * 180.0f;
    case kSaturation: return p / 10.0f;
    case kHueCenter: return p / 100.0f;
    case kHueWidth: return p / 200.0f;
    case kMinSaturation: return p / 100.0f;
    default: return 0.0f;
    }
}

int CColorKeyDlg::PositionFromValue(Track track, float value)
{
    if (!std::isfinite(value))
        return 0;
    const double v = value;
    double p = 0.0;
    switch (track) {
    case kContrast: p = v * 10.0; break;
    case kBrightness: p = (v + 1.0) * 50.0; break;
    case kHue: p = v / 360.0 * 100.0 + 50.0; break;
    case kSaturation: p = v * 10.0; break;
    case kHueCenter: p = v * 100.0; break;
    case kHueWidth: p = v * 200.0; break;
    case kMinSaturation: p = v * 100.0; break;
    default: break;
    }
    // Rounded: truncating puts values such as a brightness of -0.98 (position 1) one
    // position low, and the next nudge of the bar would then write a changed value.
    if (p <= 0.0)
        return 0;
    if (p >= kTrackMax)
        return kTrackMax;
    return static_cast<int>(std::lround(p));
}

CString CColorKeyDlg::ChannelKeySource(int channel)
{
    CString source;
    source.Format(L"%s%d", kChannelPrefix, channel);
    return source;
}

int CColorKeyDlg::KeySourceChannel(const CString& source)
{
    const int prefix = static_cast<int>(wcslen(kChannelPrefix));
    if (source.Left(prefix) != kChannelPrefix)
        return 0;
    const int channel = _wtoi(static_cast<LPCWSTR>(source) + prefix);
    return channel >= 1 && channel <= kChannelCount ? channel : 0;
}

ChannelVideoSettings* CColorKeyDlg::Record() const
{
    return m_pMixer ? m_pMixer->GetChannelSettings(m_nChannel - 1) : nullptr;
}

BOOL CColorKeyDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    CComboBox* channels = static_cast<CComboBox*>(GetDlgItem(IDC_CK_CHANNEL));
    for (int i = 1; i <= kChannelCount; ++i) {
        CString number;
        number.Format(L"%d", i);
        channels->AddString(number);
    }
    for (const TrackInfo& t : kTracks) {
        CWnd* bar = GetDlgItem(t.bar);
        bar->SendMessage(TBM_SETRANGE, FALSE, MAKELPARAM(0, kTrackMax));
        bar->SendMessage(TBM_SETPAGESIZE, 0, t.pageSize);
    }
    channels->SetCurSel(0);
    m_nChannel = 1;
    LoadChannel();
    return TRUE;
}

void CColorKeyDlg::OnOK()
{
    // Enter in a range edit: the value is already stored; the dialog stays.
}

void CColorKeyDlg::OnCancel()
{
    DestroyWindow();
}

void CColorKeyDlg::PostNcDestroy()
{
    delete this;
}

void CColorKeyDlg::LoadChannel()
{
    m_bLoading = true;
    const ChannelVideoSettings fallback;
    const ChannelVideoSettings* record = Record();
    if (record == nullptr)
        record = &fallback;
    m_bColorAdjust = record->bColorAdjust ? TRUE : FALSE;
    m_bKey = record->bKey ? TRUE : FALSE;
    CheckDlgButton(IDC_CK_COLORADJUST, m_bColorAdjust ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_CK_KEY, m_bKey ? BST_CHECKED : BST_UNCHECKED);
    for (int i = 0; i < kTrackCount; ++i)
        ShowTrack(static_cast<Track>(i), record->*kTracks[i].field);
    if (m_pMixer != nullptr) {
        m_pMixer->Lock();
        m_strKeySource = record->strKeySource;
        m_pMixer->Unlock();
    } else {
        m_strKeySource = record->strKeySource;
    }
    for (int i = 0; i < 4; ++i) {
        m_range[i] = record->fRange[i];
        CString text;
        text.Format(L"%g", m_range[i]);
        SetDlgItemText(static_cast<int>(kRangeEdits[i]), text);
    }
    m_bLoading = false;
    RefreshEnabling();
}

void CColorKeyDlg::ShowTrack(Track track, float value)
{
    const TrackInfo& t = kTracks[track];
    m_values[track] = value;
    GetDlgItem(t.bar)->SendMessage(TBM_SETPOS, TRUE, PositionFromValue(track, value));
    CString text;
    text.Format(t.format, value);
    SetDlgItemText(static_cast<int>(t.text), text);
}

void CColorKeyDlg::RefreshEnabling()
{
    const bool editable = Record() != nullptr;
    GetDlgItem(IDC_CK_COLORADJUST)->EnableWindow(editable);
    GetDlgItem(IDC_CK_KEY)->EnableWindow(editable);
    for (UINT id : kColourControls)
        GetDlgItem(id)->EnableWindow(editable && m_bColorAdjust);
    for (UINT id : kKeyControls)
        GetDlgItem(id)->EnableWindow(editable && m_bKey);

    m_bLoading = true;
    CComboBox* background = static_cast<CComboBox*>(GetDlgItem(IDC_CK_BACKGROUND_CHANNEL));
    background->ResetContent();
    for (int i = 1; i <= kChannelCount; ++i) {
        if (i == m_nChannel)
            continue;   // a channel is never keyed against itself
        CString number;
        number.Format(L"%d", i);
        background->AddString(number);
    }
    m_bLoading = false;
    ShowKeySource();
}

void CColorKeyDlg::ShowKeySource()
{
    // A channel source shows as the chosen background channel, a picture as its path.
    const int channel = KeySourceChannel(m_strKeySource);
    CComboBox* background = static_cast<CComboBox*>(GetDlgItem(IDC_CK_BACKGROUND_CHANNEL));
    CString number;
    number.Format(L"%d", channel);
    background->SetCurSel(channel > 0 ? background->FindStringExact(-1, number) : -1);
    SetDlgItemText(IDC_CK_PICTURE, channel > 0 ? L"" : static_cast<LPCWSTR>(m_strKeySource));
}

void CColorKeyDlg::StoreKeySource(const CString& source)
{
    ChannelVideoSettings* record = Record();
    if (record == nullptr)
        return;
    // The render engine reads the source (and reloads its matte) under the mixer's lock.
    m_pMixer->Lock();
    record->strKeySource = source;
    m_pMixer->Unlock();
    m_strKeySource = source;
    ShowKeySource();
}

void CColorKeyDlg::OnChannelChanged()
{
    const int selected = static_cast<CComboBox*>(GetDlgItem(IDC_CK_CHANNEL))->GetCurSel();
    if (selected < 0 || selected >= kChannelCount)
        return;
    m_nChannel = selected + 1;
    LoadChannel();
}

void CColorKeyDlg::OnColorAdjustClicked()
{
    ChannelVideoSettings* record = Record();
    if (record == nullptr)
        return;
    m_bColorAdjust = IsDlgButtonChecked(IDC_CK_COLORADJUST) == BST_CHECKED;
    record->bColorAdjust = m_bColorAdjust ? 1 : 0;
    RefreshEnabling();
}

void CColorKeyDlg::OnKeyClicked()
{
    ChannelVideoSettings* record = Record();
    if (record == nullptr)
        return;
    m_bKey = IsDlgButtonChecked(IDC_CK_KEY) == BST_CHECKED;
    record->bKey = m_bKey ? 1 : 0;
    RefreshEnabling();
}

void CColorKeyDlg::OnHScroll(UINT code, UINT position, CScrollBar* bar)
{
    (void)code;
    (void)position;   // the bar's own position is read: it is always inside its range
    ChannelVideoSettings* record = Record();
    if (bar == nullptr || record == nullptr)
        return;
    const UINT id = static_cast<UINT>(bar->GetDlgCtrlID());
    for (int i = 0; i < kTrackCount; ++i) {
        if (kTracks[i].bar != id)
            continue;
        const int pos = static_cast<int>(bar->SendMessage(TBM_GETPOS));
        const float value = ValueFromPosition(static_cast<Track>(i), pos);
        record->*kTracks[i].field = value;
        m_values[i] = value;
        CString text;
        text.Format(kTracks[i].format, value);
        SetDlgItemText(static_cast<int>(kTracks[i].text), text);
        return;
    }
}

void CColorKeyDlg::OnBrowse()
{
    if (Record() == nullptr)
        return;
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, kPictureFilter, this);
    if (dialog.DoModal() != IDOK)
        return;
    const CString path = dialog.GetPathName();
    if (!path.IsEmpty())
        StoreKeySource(path);
}

void CColorKeyDlg::OnBackgroundChannel()
{
    if (m_bLoading)
        return;
    CComboBox* background = static_cast<CComboBox*>(GetDlgItem(IDC_CK_BACKGROUND_CHANNEL));
    const int selected = background->GetCurSel();
    if (selected < 0)
        return;
    CString number;
    background->GetLBText(selected, number);
    StoreKeySource(ChannelKeySource(_wtoi(number)));
}

void CColorKeyDlg::OnRangeChanged(UINT id)
{
    ChannelVideoSettings* record = Record();
    if (m_bLoading || record == nullptr)
        return;
    for (int i = 0; i < 4; ++i) {
        if (kRangeEdits[i] != id)
            continue;
        CString text;
        GetDlgItemText(static_cast<int>(id), text);
        float value = 0.0f;
        // A text that is not (yet) a number, such as "-" on the way to "-0.5", changes nothing.
        if (ParseNumber(text, value)) {
            record->fRange[i] = value;
            m_range[i] = value;
        }
        return;
    }
}

void CColorKeyDlg::OnDrawItem(int id, LPDRAWITEMSTRUCT item)
{
    if (id != IDC_CK_HUE_SCALE || item == nullptr) {
        Default();
        return;
    }
    // The base hue's scale: red, green, blue and red again across the bar.
    const RECT& rc = item->rcItem;
    const int width = rc.right - rc.left;
    HGDIOBJ oldBrush = ::SelectObject(item->hDC, ::GetStockObject(DC_BRUSH));
    for (int x = 0; x < width; ++x) {
        ::SetDCBrushColor(item->hDC, HueColour(width > 1 ? static_cast<double>(x) / (width - 1) : 0.0));
        RECT column = { rc.left + x, rc.top, rc.left + x + 1, rc.bottom };
        ::FillRect(item->hDC, &column, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
    }
    ::SelectObject(item->hDC, oldBrush);
}
