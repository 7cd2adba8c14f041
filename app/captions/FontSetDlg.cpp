#include "app/captions/FontSetDlg.h"

#include <commctrl.h>

#include <cwchar>

#include "app/captions/CaptionStrings.h"

namespace {

const unsigned kStringSample = 167;
const unsigned kStringSongTi = 165;
const unsigned kStringHeiTi = 168;

// The controls of the custom style, disabled while a preset is chosen.
const UINT kCustomControls[] = {
    IDC_FONT_FACE, IDC_FONT_SIZE, IDC_FONT_BOLD, IDC_FONT_ITALIC, IDC_FONT_UNDERLINE, IDC_FONT_OUTLINE,
    IDC_FONT_OUTLINE_WIDTH, IDC_FONT_SHADOW, IDC_FONT_SHADOW_X_LABEL, IDC_FONT_SHADOW_X, IDC_FONT_SHADOW_X_SPIN,
    IDC_FONT_SHADOW_Y_LABEL, IDC_FONT_SHADOW_Y, IDC_FONT_SHADOW_Y_SPIN, IDC_FONT_TEXT_COLOUR, IDC_FONT_OUTLINE_COLOUR,
    IDC_FONT_SHADOW_COLOUR, IDC_FONT_BACKGROUND, IDC_FONT_BACKGROUND_COLOUR, IDC_FONT_OPACITY, IDC_FONT_DIRECTION,
    IDC_FONT_ALIGNMENT, IDC_FONT_STRETCH, IDC_FONT_STRETCH_LABEL, IDC_FONT_FILTER};

const StyleControlIds kIds = {IDC_FONT_FACE,        IDC_FONT_SIZE,           IDC_FONT_BOLD,
                              IDC_FONT_ITALIC,      IDC_FONT_UNDERLINE,      IDC_FONT_OUTLINE,
                              IDC_FONT_OUTLINE_WIDTH, IDC_FONT_SHADOW,       IDC_FONT_SHADOW_X,
                              IDC_FONT_SHADOW_Y,    IDC_FONT_SHADOW_X_SPIN,  IDC_FONT_SHADOW_Y_SPIN,
                              IDC_FONT_DIRECTION,   IDC_FONT_ALIGNMENT,      IDC_FONT_STRETCH,
                              IDC_FONT_FILTER,      IDC_FONT_TEXT_COLOUR,    IDC_FONT_OUTLINE_COLOUR,
                              IDC_FONT_SHADOW_COLOUR, IDC_FONT_BACKGROUND_COLOUR, IDC_FONT_BACKGROUND,
                              IDC_FONT_OPACITY};

struct Preset {
    unsigned face;
    DWORD shadowMode;
    int shadowX, shadowY;
    BYTE background;
    BYTE opacity;
    COLORREF text, backgroundColour, shadow;
};

const Preset kPresets[CFontSetDlg::kPresetCount] = {
    {kStringSongTi, 3, 5, 5, 0, 0, 0x000000, 0xFFFFFF, 0x7D7D7D},
    {kStringSongTi, 0, 5, 5, 1, 100, 0x0000FF, 0x7D7D7D, 0x7D7D0A},
    {kStringSongTi, 0, 0, 0, 1, 100, 0xFFFFFF, 0xFF0000, 0x7D7D0A},
    {kStringHeiTi, 0, 0, 0, 1, 100, 0x000000, 0xFFFFFF, 0x7D7D0A},
};

bool IsPreset(DWORD id)
{
    return id >= 1 && id <= CFontSetDlg::kPresetCount;
}

} // namespace

BEGIN_MESSAGE_MAP(CFontSetDlg, CDialog)
    ON_WM_PAINT()
    ON_WM_DESTROY()
    ON_WM_DRAWITEM()
END_MESSAGE_MAP()

CFontSetDlg::CFontSetDlg(const CharTextStyle* style, CWnd* pParent)
    : CDialog(IDD, pParent), m_controls(kIds, m_values)
{
    m_values.opacity = 50;
    if (!style)
        return;
    // Every value is taken from the style, so OK without a change gives the style back.
    m_values.FromStyle(*style);
    // A preset number the file holds outside the presets' range is a custom style.
    m_presetMode = IsPreset(style->presetId);
    if (m_presetMode)
        m_preset = static_cast<int>(style->presetId);
}

CharTextStyle CFontSetDlg::PresetStyle(int preset)
{
    CharTextStyle s;
    ZeroMemory(&s, sizeof(s));
    if (!IsPreset(static_cast<DWORD>(preset)))
        preset = 1;
    const Preset& p = kPresets[preset - 1];
    s.font.lfHeight = 24;
    const std::wstring face = captions::LoadCaptionString(p.face);
    wcsncpy(s.font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    s.format = 1;
    s.stretchByte = 100;
    s.stretch = 100;
    s.filter = 2;
    s.presetId = static_cast<DWORD>(preset);
    s.shadowMode = p.shadowMode;
    s.shadowOffset = (static_cast<DWORD>(p.shadowY) << 16) | static_cast<DWORD>(p.shadowX);
    s.background = p.background;
    s.opacity = p.opacity;
    s.textColour = p.text;
    s.backgroundColour = p.backgroundColour;
    s.shadowColour = p.shadow;
    return s;
}

void CFontSetDlg::GetStyle(CharTextStyle* style) const
{
    if (!style)
        return;
    *style = m_presetMode ? PresetStyle(m_preset) : m_values.ToStyle();
}

void CFontSetDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_FONT_OPACITY, m_values.opacity);
    DDV_MinMaxInt(pDX, m_values.opacity, 0, kOpacityMax);
    DDX_Text(pDX, IDC_FONT_SHADOW_X, m_values.shadowX);
    DDV_MinMaxInt(pDX, m_values.shadowX, 0, kShadowOffsetMax);
    DDX_Text(pDX, IDC_FONT_SHADOW_Y, m_values.shadowY);
    DDV_MinMaxInt(pDX, m_values.shadowY, 0, kShadowOffsetMax);
    DDX_Check(pDX, IDC_FONT_BACKGROUND, m_values.background);
}

BOOL CFontSetDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_controls.Fill(this);
    static const unsigned presetNames[kPresetCount] = {169, 170, 171, 172};
    HWND presets = ::GetDlgItem(m_hWnd, IDC_FONT_PRESET);
    for (int i = 0; i < kPresetCount; ++i) {
        const std::wstring name = captions::LoadCaptionString(presetNames[i]);
        const LRESULT at = ::SendMessageW(presets, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        ::SendMessageW(presets, CB_SETITEMDATA, static_cast<WPARAM>(at), i + 1);
    }
    ::SendMessageW(presets, CB_SETCURSEL, static_cast<WPARAM>(m_preset - 1), 0);
    m_controls.Show(this);

    HWND sample = ::GetDlgItem(m_hWnd, IDC_FONT_SAMPLE);
    if (sample) {
        ::GetClientRect(sample, &m_sample);
        ::MapWindowPoints(sample, m_hWnd, reinterpret_cast<POINT*>(&m_sample), 2);
        m_sample.left += 2;
        m_sample.top += 8;
        m_sample.right -= 2;
        m_sample.bottom -= 2;
    }
    SetMode(m_presetMode);
    return TRUE;
}

void CFontSetDlg::SetMode(bool preset)
{
    m_presetMode = preset;
    CheckRadioButton(IDC_FONT_CUSTOM_MODE, IDC_FONT_PRESET_MODE, preset ? IDC_FONT_PRESET_MODE : IDC_FONT_CUSTOM_MODE);
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_FONT_PRESET), preset);
    for (UINT id : kCustomControls)
        ::EnableWindow(::GetDlgItem(m_hWnd, id), !preset);
    if (!preset)
        ::EnableWindow(::GetDlgItem(m_hWnd, IDC_FONT_OUTLINE_WIDTH), m_values.outline);
    RepaintSample();
}

BOOL CFontSetDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const UINT id = LOWORD(wParam);
    const UINT code = HIWORD(wParam);
    if (lParam && code == BN_CLICKED && (id == IDC_FONT_CUSTOM_MODE || id == IDC_FONT_PRESET_MODE)) {
        SetMode(id == IDC_FONT_PRESET_MODE);
        return TRUE;
    }
    if (lParam && code == CBN_SELCHANGE && id == IDC_FONT_PRESET) {
        const LRESULT at = SendDlgItemMessageW(m_hWnd, id, CB_GETCURSEL, 0, 0);
        if (at != CB_ERR)
            m_preset = static_cast<int>(SendDlgItemMessageW(m_hWnd, id, CB_GETITEMDATA, static_cast<WPARAM>(at), 0));
        RepaintSample();
        return TRUE;
    }
    if (lParam && m_controls.OnCommand(this, id, code)) {
        RepaintSample();
        return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}

BOOL CFontSetDlg::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header && header->code == UDN_DELTAPOS) {
        const NMUPDOWN* spin = reinterpret_cast<const NMUPDOWN*>(lParam);
        if (m_controls.OnSpin(this, static_cast<UINT>(header->idFrom), spin->iDelta)) {
            RepaintSample();
            if (pResult)
                *pResult = 0;
            return TRUE;
        }
    }
    return CDialog::OnNotify(wParam, lParam, pResult);
}

void CFontSetDlg::RepaintSample()
{
    if (m_hWnd)
        ::InvalidateRect(m_hWnd, &m_sample, TRUE);
}

void CFontSetDlg::OnPaint()
{
    CPaintDC dc(this);
    CharTextStyle style;
    style.SetDefault();
    GetStyle(&style);
    const std::wstring sample = captions::LoadCaptionString(kStringSample);
    style.DrawText(dc.m_hDC, sample.c_str(), m_sample, CharTextStyle::kLineFormat, true);
}

void CFontSetDlg::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    if (!m_controls.DrawColourButton(this, static_cast<UINT>(nIDCtl), lpDrawItemStruct))
        Default();
}

void CFontSetDlg::OnDestroy()
{
    m_controls.ReadEdits(this);
    CDialog::OnDestroy();
}
