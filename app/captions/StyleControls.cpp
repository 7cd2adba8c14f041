#include "app/captions/StyleControls.h"

#include <commdlg.h>

#include <algorithm>
#include <cwchar>

#include "app/captions/CaptionStrings.h"

namespace {

const int kWeightBold = 700;
const int kWeightNormal = 400;
const int kVerticalAngle = 2700;
const BYTE kVerticalClip = 16;

BOOL ChooseWithDialog(HWND owner, COLORREF* colour)
{
    static COLORREF custom[16] = {};
    CHOOSECOLORW cc = {};
    cc.lStructSize = sizeof(cc);
    cc.hwndOwner = owner;
    cc.rgbResult = *colour;
    cc.lpCustColors = custom;
    cc.Flags = CC_FULLOPEN | CC_RGBINIT;
    if (!::ChooseColorW(&cc))
        return FALSE;
    *colour = cc.rgbResult;
    return TRUE;
}

ColourChooserProc g_chooser = ChooseWithDialog;

int Clamp(int v, int lo, int hi)
{
    return std::min(std::max(v, lo), hi);
}

void AddEntry(HWND list, const std::wstring& text, DWORD_PTR data)
{
    const LRESULT at = ::SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (at >= 0)
        ::SendMessageW(list, CB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(data));
}

void AddStrings(HWND list, const unsigned* ids, const int* data, int count)
{
    for (int i = 0; i < count; ++i)
        AddEntry(list, captions::LoadCaptionString(ids[i]), static_cast<DWORD_PTR>(data[i]));
}

int CALLBACK AddFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM list)
{
    HWND combo = reinterpret_cast<HWND>(list);
    if (::SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(font->lfFaceName)) ==
        CB_ERR)
        AddEntry(combo, font->lfFaceName, captions::FaceData(font->lfPitchAndFamily, font->lfCharSet));
    return 1;
}

} // namespace

ColourChooserProc SetColourChooser(ColourChooserProc proc)
{
    const ColourChooserProc previous = g_chooser;
    g_chooser = proc ? proc : ChooseWithDialog;
    return previous;
}

namespace captions {
COLORREF ColourButtonCaption(COLORREF c)
{
    return (c + 0x7D7D7D) & 0xFFFFFF;
}
} // namespace captions

StyleValues::StyleValues()
{
    ZeroMemory(&base, sizeof(base));
    ZeroMemory(&font, sizeof(font));
    font.lfHeight = 8;
}

CharTextStyle StyleValues::ToStyle() const
{
    CharTextStyle s = base;
    s.font = font;
    s.format = static_cast<DWORD>(alignment);
    s.shadowMode = static_cast<DWORD>(shadowMode);
    s.shadowOffset = (static_cast<DWORD>(shadowY) << 16) | (static_cast<DWORD>(shadowX) & 0xFFFF);
    // Fields a control shows in another form are kept as stored while the control is unchanged.
    if (static_cast<DWORD>(stretch) != base.stretch) {
        s.stretchByte = static_cast<BYTE>(stretch);
        s.stretch = static_cast<DWORD>(stretch);
    }
    s.outlineWidth = static_cast<BYTE>(outline ? outlineWidth : 0);
    s.opacity = static_cast<BYTE>(Clamp(opacity, 0, kOpacityMax));
    if ((background != FALSE) != (base.background == 1))
        s.background = static_cast<BYTE>(background ? 1 : 0);
    s.textColour = textColour;
    s.shadowColour = shadowColour;
    s.outlineColour = outlineColour;
    s.backgroundColour = backgroundColour;
    s.presetId = 0;
    s.filter = static_cast<BYTE>(filter);
    return s;
}

void StyleValues::FromStyle(const CharTextStyle& s)
{
    base = s;
    font = s.font;
    font.lfFaceName[LF_FACESIZE - 1] = L'\0';
    alignment = static_cast<int>(s.format);
    outline = s.outlineWidth != 0;
    if (s.outlineWidth)
        outlineWidth = s.outlineWidth;
    opacity = s.opacity;
    stretch = static_cast<int>(s.stretch);
    background = s.background == 1;
    shadowMode = static_cast<int>(s.shadowMode);
    shadowX = s.ShadowX();
    shadowY = s.ShadowY();
    textColour = s.textColour;
    outlineColour = s.outlineColour;
    shadowColour = s.shadowColour;
    backgroundColour = s.backgroundColour;
    filter = s.filter;
}

CStyleControls::CStyleControls(const StyleControlIds& ids, StyleValues& values) : m_ids(ids), m_values(values) {}

CStyleControls::~CStyleControls()
{
    for (HBRUSH& b : m_brushes)
        if (b)
            ::DeleteObject(b);
}

void CStyleControls::Fill(CWnd* dialog)
{
    HWND d = dialog->m_hWnd;
    HDC dc = ::GetDC(d);
    LOGFONTW any = {};
    any.lfCharSet = DEFAULT_CHARSET;
    ::EnumFontFamiliesExW(dc, &any, AddFace, reinterpret_cast<LPARAM>(::GetDlgItem(d, m_ids.face)), 0);
    ::ReleaseDC(d, dc);

    HWND sizes = ::GetDlgItem(d, m_ids.size);
    for (int size = 8; size <= 72; size += 2)
        AddEntry(sizes, std::to_wstring(size), static_cast<DWORD_PTR>(size));
    HWND widths = ::GetDlgItem(d, m_ids.outlineWidth);
    for (int w = 1; w <= 3; ++w)
        AddEntry(widths, std::to_wstring(w), static_cast<DWORD_PTR>(w));
    HWND stretches = ::GetDlgItem(d, m_ids.stretch);
    for (int p = 100; p <= 200; p += 10)
        AddEntry(stretches, std::to_wstring(p), static_cast<DWORD_PTR>(p));

    static const unsigned shadowIds[] = {139, 145, 146, 147};
    static const int shadowData[] = {0, 1, 2, 3};
    AddStrings(::GetDlgItem(d, m_ids.shadow), shadowIds, shadowData, 4);
    static const unsigned directionIds[] = {148, 149};
    static const int directionData[] = {1, 2};
    AddStrings(::GetDlgItem(d, m_ids.direction), directionIds, directionData, 2);
    static const unsigned alignIds[] = {150, 151, 152};
    static const int alignData[] = {0, 1, 2};
    AddStrings(::GetDlgItem(d, m_ids.alignment), alignIds, alignData, 3);
    static const unsigned filterIds[] = {182, 183};
    static const int filterData[] = {1, 2};
    AddStrings(::GetDlgItem(d, m_ids.filter), filterIds, filterData, 2);

    for (UINT id : {m_ids.face, m_ids.size, m_ids.outlineWidth, m_ids.stretch, m_ids.shadow, m_ids.direction,
                    m_ids.alignment, m_ids.filter})
        ::SendDlgItemMessageW(d, id, CB_SETCURSEL, 0, 0);
    for (UINT id : {m_ids.shadowXSpin, m_ids.shadowYSpin})
        ::SendDlgItemMessageW(d, id, UDM_SETRANGE32, 0, kShadowOffsetMax);
    ::SendDlgItemMessageW(d, m_ids.opacity, EM_LIMITTEXT, 3, 0);
    for (UINT id : {m_ids.textColour, m_ids.outlineColour, m_ids.shadowColour, m_ids.backgroundColour})
        RemakeBrush(id);
}

void CStyleControls::Show(CWnd* dialog)
{
    HWND d = dialog->m_hWnd;
    const LOGFONTW& f = m_values.font;
    ::SendDlgItemMessageW(d, m_ids.face, CB_SETCURSEL,
                          ::SendDlgItemMessageW(d, m_ids.face, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                reinterpret_cast<LPARAM>(f.lfFaceName)),
                          0);
    SelectByData(dialog, m_ids.size, static_cast<DWORD_PTR>(f.lfHeight));
    ::CheckDlgButton(d, m_ids.bold, f.lfWeight == kWeightBold ? BST_CHECKED : BST_UNCHECKED);
    ::CheckDlgButton(d, m_ids.italic, f.lfItalic ? BST_CHECKED : BST_UNCHECKED);
    ::CheckDlgButton(d, m_ids.underline, f.lfUnderline ? BST_CHECKED : BST_UNCHECKED);
    ::CheckDlgButton(d, m_ids.outline, m_values.outline ? BST_CHECKED : BST_UNCHECKED);
    SelectByData(dialog, m_ids.outlineWidth, static_cast<DWORD_PTR>(m_values.outlineWidth));
    ::EnableWindow(::GetDlgItem(d, m_ids.outlineWidth), m_values.outline);
    SelectByData(dialog, m_ids.shadow, static_cast<DWORD_PTR>(m_values.shadowMode));
    ::SetDlgItemInt(d, m_ids.shadowX, static_cast<UINT>(m_values.shadowX), TRUE);
    ::SetDlgItemInt(d, m_ids.shadowY, static_cast<UINT>(m_values.shadowY), TRUE);
    ::CheckDlgButton(d, m_ids.background, m_values.background ? BST_CHECKED : BST_UNCHECKED);
    ::SetDlgItemInt(d, m_ids.opacity, static_cast<UINT>(m_values.opacity), TRUE);
    SelectByData(dialog, m_ids.direction, f.lfEscapement ? 2 : 1);
    SelectByData(dialog, m_ids.alignment, static_cast<DWORD_PTR>(m_values.alignment));
    SelectByData(dialog, m_ids.stretch, static_cast<DWORD_PTR>(m_values.stretch));
    SelectByData(dialog, m_ids.filter, static_cast<DWORD_PTR>(m_values.filter));
    for (UINT id : {m_ids.textColour, m_ids.outlineColour, m_ids.shadowColour, m_ids.backgroundColour}) {
        RemakeBrush(id);
        ::InvalidateRect(::GetDlgItem(d, id), nullptr, TRUE);
    }
}

bool CStyleControls::OnCommand(CWnd* dialog, UINT id, UINT code)
{
    HWND d = dialog->m_hWnd;
    LOGFONTW& f = m_values.font;
    const bool checked = ::IsDlgButtonChecked(d, id) == BST_CHECKED;
    if (code == BN_CLICKED) {
        if (id == m_ids.bold)
            f.lfWeight = checked ? kWeightBold : kWeightNormal;
        else if (id == m_ids.italic)
            f.lfItalic = checked ? 1 : 0;
        else if (id == m_ids.underline)
            f.lfUnderline = checked ? 1 : 0;
        else if (id == m_ids.outline) {
            m_values.outline = checked;
            ::EnableWindow(::GetDlgItem(d, m_ids.outlineWidth), checked);
            const DWORD_PTR width = SelectedData(dialog, m_ids.outlineWidth);
            if (width)
                m_values.outlineWidth = static_cast<int>(width);
        } else if (id == m_ids.background)
            m_values.background = checked;
        else if (COLORREF* colour = ColourOf(id)) {
            COLORREF chosen = *colour;
            if (!g_chooser(d, &chosen))
                return false;
            *colour = chosen;
            RemakeBrush(id);
            ::InvalidateRect(::GetDlgItem(d, id), nullptr, TRUE);
        } else
            return false;
        return true;
    }
    if (code != CBN_SELCHANGE)
        return false;
    const LRESULT at = ::SendDlgItemMessageW(d, id, CB_GETCURSEL, 0, 0);
    if (at == CB_ERR)
        return false;
    const DWORD_PTR data = SelectedData(dialog, id);
    if (id == m_ids.face) {
        wchar_t name[LF_FACESIZE] = {};
        const LRESULT length = ::SendDlgItemMessageW(d, id, CB_GETLBTEXTLEN, static_cast<WPARAM>(at), 0);
        if (length >= 0 && length < LF_FACESIZE)
            ::SendDlgItemMessageW(d, id, CB_GETLBTEXT, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(name));
        ZeroMemory(f.lfFaceName, sizeof(f.lfFaceName));
        wcsncpy(f.lfFaceName, name, LF_FACESIZE - 1);
        f.lfCharSet = static_cast<BYTE>(data >> 16);
        f.lfPitchAndFamily = static_cast<BYTE>(data & 0xFF);
    } else if (id == m_ids.size)
        f.lfHeight = static_cast<LONG>(data);
    else if (id == m_ids.direction) {
        const bool vertical = data == 2;
        f.lfEscapement = vertical ? kVerticalAngle : 0;
        f.lfOrientation = vertical ? kVerticalAngle : 0;
        f.lfClipPrecision = vertical ? kVerticalClip : 0;
    } else if (id == m_ids.alignment)
        m_values.alignment = static_cast<int>(data);
    else if (id == m_ids.shadow)
        m_values.shadowMode = static_cast<int>(data);
    else if (id == m_ids.stretch)
        m_values.stretch = static_cast<int>(data);
    else if (id == m_ids.outlineWidth)
        m_values.outlineWidth = static_cast<int>(data);
    else if (id == m_ids.filter)
        m_values.filter = static_cast<int>(data);
    else
        return false;
    return true;
}

bool CStyleControls::OnSpin(CWnd* dialog, UINT id, int delta)
{
    int* value = id == m_ids.shadowXSpin ? &m_values.shadowX : id == m_ids.shadowYSpin ? &m_values.shadowY : nullptr;
    if (!value)
        return false;
    // The edit may hold a typed value the spin has not seen.
    ReadEdits(dialog);
    *value = Clamp(*value + delta, 0, kShadowOffsetMax);
    ::SetDlgItemInt(dialog->m_hWnd, id == m_ids.shadowXSpin ? m_ids.shadowX : m_ids.shadowY, static_cast<UINT>(*value),
                    TRUE);
    return true;
}

void CStyleControls::ReadEdits(CWnd* dialog)
{
    HWND d = dialog->m_hWnd;
    BOOL ok = FALSE;
    int v = static_cast<int>(::GetDlgItemInt(d, m_ids.opacity, &ok, TRUE));
    if (ok)
        m_values.opacity = Clamp(v, 0, kOpacityMax);
    v = static_cast<int>(::GetDlgItemInt(d, m_ids.shadowX, &ok, TRUE));
    if (ok)
        m_values.shadowX = Clamp(v, 0, kShadowOffsetMax);
    v = static_cast<int>(::GetDlgItemInt(d, m_ids.shadowY, &ok, TRUE));
    if (ok)
        m_values.shadowY = Clamp(v, 0, kShadowOffsetMax);
    m_values.background = ::IsDlgButtonChecked(d, m_ids.background) == BST_CHECKED;
}

HBRUSH CStyleControls::ColourBrush(UINT id) const
{
    const UINT ids[4] = {m_ids.textColour, m_ids.outlineColour, m_ids.shadowColour, m_ids.backgroundColour};
    for (int i = 0; i < 4; ++i)
        if (ids[i] == id)
            return m_brushes[i];
    return nullptr;
}

bool CStyleControls::DrawColourButton(CWnd* dialog, UINT id, const DRAWITEMSTRUCT* item) const
{
    HBRUSH brush = ColourBrush(id);
    if (!brush || !item)
        return false;
    const COLORREF colour = *const_cast<CStyleControls*>(this)->ColourOf(id);
    ::FillRect(item->hDC, &item->rcItem, brush);
    wchar_t caption[64] = {};
    ::GetDlgItemTextW(dialog->m_hWnd, id, caption, 64);
    RECT r = item->rcItem;
    const int oldMode = ::SetBkMode(item->hDC, TRANSPARENT);
    const COLORREF oldColour = ::SetTextColor(item->hDC, captions::ColourButtonCaption(colour));
    ::DrawTextW(item->hDC, caption, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    ::SetTextColor(item->hDC, oldColour);
    ::SetBkMode(item->hDC, oldMode);
    return true;
}

COLORREF* CStyleControls::ColourOf(UINT id)
{
    if (id == m_ids.textColour)
        return &m_values.textColour;
    if (id == m_ids.outlineColour)
        return &m_values.outlineColour;
    if (id == m_ids.shadowColour)
        return &m_values.shadowColour;
    if (id == m_ids.backgroundColour)
        return &m_values.backgroundColour;
    return nullptr;
}

void CStyleControls::RemakeBrush(UINT id)
{
    const UINT ids[4] = {m_ids.textColour, m_ids.outlineColour, m_ids.shadowColour, m_ids.backgroundColour};
    for (int i = 0; i < 4; ++i) {
        if (ids[i] != id)
            continue;
        if (m_brushes[i])
            ::DeleteObject(m_brushes[i]);
        m_brushes[i] = ::CreateSolidBrush(*ColourOf(id));
    }
}

void CStyleControls::SelectByData(CWnd* dialog, UINT id, DWORD_PTR data)
{
    HWND list = ::GetDlgItem(dialog->m_hWnd, id);
    const LRESULT count = ::SendMessageW(list, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        if (static_cast<DWORD_PTR>(::SendMessageW(list, CB_GETITEMDATA, static_cast<WPARAM>(i), 0)) == data) {
            ::SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
            return;
        }
    }
    ::SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

DWORD_PTR CStyleControls::SelectedData(CWnd* dialog, UINT id) const
{
    HWND list = ::GetDlgItem(dialog->m_hWnd, id);
    const LRESULT at = ::SendMessageW(list, CB_GETCURSEL, 0, 0);
    if (at == CB_ERR)
        return 0;
    return static_cast<DWORD_PTR>(::SendMessageW(list, CB_GETITEMDATA, static_cast<WPARAM>(at), 0));
}
