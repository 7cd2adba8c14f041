#include "app/settings/TemplateDialog.h"

#include <cmath>
#include <cstring>

namespace {

const int kMinWidth = 220;
const int kMinHeight = 135;
// Room for the caption and the frame below the cells.
const int kFrameHeight = 35;
const int kFrameWidth = 8;

bool ReadString(ID3DXEffect* effect, D3DXHANDLE parameter, LPCSTR annotation, LPCSTR* text)
{
    D3DXHANDLE h = effect->GetAnnotationByName(parameter, annotation);
    *text = nullptr;
    return h != nullptr && SUCCEEDED(effect->GetString(h, text)) && *text != nullptr;
}

bool ReadFloat(ID3DXEffect* effect, D3DXHANDLE parameter, LPCSTR annotation, float* value)
{
    D3DXHANDLE h = effect->GetAnnotationByName(parameter, annotation);
    return h != nullptr && SUCCEEDED(effect->GetFloat(h, value));
}

CString Widen(LPCSTR text)
{
    const int n = ::MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 1)
        return CString();
    std::vector<wchar_t> wide(static_cast<size_t>(n));
    ::MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), n);
    return CString(wide.data());
}

} // namespace

BEGIN_MESSAGE_MAP(CTemplateDialog, CDialog)
    ON_WM_HSCROLL()
    ON_WM_DESTROY()
END_MESSAGE_MAP()

CTemplateDialog::CTemplateDialog(ID3DXEffect* effect, CWnd* parent, ParameterSink sink)
    : CDialog(IDD, parent), m_pEffect(effect), m_sink(std::move(sink))
{
    if (m_pEffect != nullptr)
        m_pEffect->AddRef();
    BuildList();
}

CTemplateDialog::~CTemplateDialog()
{
    if (m_hWnd != nullptr)
        DestroyWindow();
    DestroyControls();
    m_list.clear();
    // The effect reference goes last.
    if (m_pEffect != nullptr)
        m_pEffect->Release();
}

const CTemplateDialog::CSldInfo* CTemplateDialog::GetSlider(int index) const
{
    if (index < 0 || index >= GetEntryCount() || m_list[static_cast<size_t>(index)]->nType != kTrackBar)
        return nullptr;
    return static_cast<const CSldInfo*>(m_list[static_cast<size_t>(index)].get());
}

void CTemplateDialog::BuildList()
{
    if (m_pEffect == nullptr)
        return;
    for (UINT i = 0;; ++i) {
        D3DXHANDLE parameter = m_pEffect->GetParameter(nullptr, i);
        if (parameter == nullptr)
            break;
        LPCSTR widget = nullptr;
        LPCSTR name = nullptr;
        if (!ReadString(m_pEffect, parameter, "UIWidget", &widget) || !ReadString(m_pEffect, parameter, "UIName", &name))
            continue;
        if (std::strcmp(widget, "slider") != 0)
            continue;
        auto info = std::make_unique<CSldInfo>();
        if (!ReadFloat(m_pEffect, parameter, "UIMin", &info->fMin) ||
            !ReadFloat(m_pEffect, parameter, "UIMax", &info->fMax) ||
            !ReadFloat(m_pEffect, parameter, "UIStep", &info->fStep) ||
            FAILED(m_pEffect->GetFloat(parameter, &info->fValue)))
            continue;
        info->nType = kTrackBar;
        info->hParameter = parameter;
        info->strName = Widen(name);
        m_list.push_back(std::move(info));
    }
}

int CTemplateDialog::TrackRange(const CSldInfo& info)
{
    if (info.fStep == 0.0f)
        return 0;
    const float range = (info.fMax - info.fMin) / info.fStep;
    if (!std::isfinite(range) || range < 1.0f)
        return 0;   // a reversed or empty range, a negative step: the bar cannot move
    return range >= static_cast<float>(kMaxTrackRange) ? kMaxTrackRange : static_cast<int>(range);
}

int CTemplateDialog::TrackPosition(const CSldInfo& info, int range)
{
    if (range <= 0 || info.fMax == info.fMin)
        return 0;
    const double p = (static_cast<double>(info.fValue) - info.fMin) * range / (static_cast<double>(info.fMax) - info.fMin);
    if (!std::isfinite(p) || p <= 0.0)
        return 0;
    // Rounded to the nearest step: a value set by this bar comes back to the same position.
    return p >= range ? range : static_cast<int>(std::lround(p));
}

float CTemplateDialog::TrackValue(const CSldInfo& info, int position, int range)
{
    if (range <= 0)
        return info.fValue;   // a bar without steps never writes (it would divide by zero)
    if (position < 0)
        position = 0;
    if (position > range)
        position = range;
    return static_cast<float>(position) * (info.fMax - info.fMin) / static_cast<float>(range) + info.fMin;
}

SIZE CTemplateDialog::WindowSize(int n)
{
    if (n < 1)
        return SIZE{ kMinWidth, kMinHeight };
    const int height = ((n - 1) / kColumns + 1) * (kTrackHeight + kLabelHeight);
    const int width = (n < kColumns ? n : kColumns) * kCellWidth + kFrameWidth;
    return SIZE{ width > kMinWidth ? width : kMinWidth,
                 height + kFrameHeight > kMinHeight ? height + kFrameHeight : kMinHeight };
}

BOOL CTemplateDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    LayOut();
    return TRUE;
}

void CTemplateDialog::LayOut()
{
    DestroyControls();
    CFont* font = GetFont();
    int cell = 0;
    for (size_t index = 0; index < m_list.size(); ++index) {
        if (m_list[index]->nType != kTrackBar)
            continue;
        const CSldInfo& info = *static_cast<const CSldInfo*>(m_list[index].get());
        const int x = (cell % kColumns) * kCellWidth;
        const int y = (cell / kColumns) * (kTrackHeight + kLabelHeight);
        ++cell;

        Controls controls;
        controls.track = std::make_unique<CSliderCtrl>();
        controls.label = std::make_unique<CStatic>();
        const RECT trackRect = { x, y, x + kCellWidth, y + kTrackHeight };
        const RECT labelRect = { x, y + kTrackHeight, x + kCellWidth, y + kTrackHeight + kLabelHeight };
        if (!controls.track->Create(WS_CHILD | WS_VISIBLE | WS_TABSTOP | TBS_HORZ, trackRect, this,
                                    IDC_TEMPLATE_TRACK_BASE + static_cast<UINT>(index)) ||
            !controls.label->Create(L"", WS_CHILD | WS_VISIBLE | SS_CENTER | SS_NOPREFIX, labelRect, this,
                                    IDC_TEMPLATE_LABEL_BASE + static_cast<UINT>(index))) {
            if (controls.track->m_hWnd != nullptr)
                controls.track->DestroyWindow();
            continue;   // this entry stays without controls
        }
        controls.label->SetFont(font);
        const int range = TrackRange(info);
        controls.track->SetRange(0, range);
        controls.track->SetPos(TrackPosition(info, range));
        controls.track->EnableWindow(range > 0);
        m_controls[static_cast<int>(index)] = std::move(controls);
        ShowLabel(static_cast<int>(index));
    }
    const SIZE size = WindowSize(cell);
    SetWindowPos(nullptr, 0, 0, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    CenterWindow();
}

void CTemplateDialog::ShowLabel(int index)
{
    auto it = m_controls.find(index);
    const CSldInfo* info = GetSlider(index);
    if (it == m_controls.end() || info == nullptr)
        return;
    CString text;
    text.Format(L"%s %0.2f", static_cast<LPCWSTR>(info->strName), info->fValue);
    it->second.label->SetWindowText(text);
}

void CTemplateDialog::OnHScroll(UINT code, UINT position, CScrollBar* bar)
{
    (void)code;
    (void)position;
    if (bar == nullptr)
        return;
    const int index = bar->GetDlgCtrlID() - IDC_TEMPLATE_TRACK_BASE;
    auto it = m_controls.find(index);
    if (it == m_controls.end() || it->second.track->m_hWnd != bar->m_hWnd)
        return;
    CSldInfo* info = static_cast<CSldInfo*>(m_list[static_cast<size_t>(index)].get());
    const int range = it->second.track->GetRangeMax();
    if (range <= 0)
        return;
    info->fValue = TrackValue(*info, it->second.track->GetPos(), range);
    ShowLabel(index);
    if (m_sink)
        m_sink(info->hParameter, info->fValue);
    else if (m_pEffect != nullptr)
        m_pEffect->SetFloat(info->hParameter, info->fValue);
}

void CTemplateDialog::OnOK()
{
}

void CTemplateDialog::OnCancel()
{
    // The close box: the window goes, the object stays with the effect that owns it.
    DestroyWindow();
}

void CTemplateDialog::OnDestroy()
{
    DestroyControls();
    Default();
}

void CTemplateDialog::DestroyControls()
{
    for (auto& entry : m_controls) {
        if (entry.second.track && entry.second.track->m_hWnd != nullptr)
            entry.second.track->DestroyWindow();
        if (entry.second.label && entry.second.label->m_hWnd != nullptr)
            entry.second.label->DestroyWindow();
    }
    m_controls.clear();
}
