// The desk's overlays on the program picture (two logos and the subtitle line) and the pager of
// effect categories.
#include "app/ui/RavelmixerDlg.h"

#include "app/captions/LISLayer.h"
#include "app/core/DeskMessages.h"
#include "app/engine/RenderEffect.h"
#include "app/engine/VideoMixer.h"

#include <afxdlgs.h>

namespace {

const COLORREF kWhite = RGB(255, 255, 255);
const UINT kCategoryControls[CRavelmixerDlg::kCategoryButtons] = {1035, 1036, 1051, 1053, 1052, 1059, 1060, 1061};

} // namespace

void CRavelmixerDlg::RemoveLayer(CLISLayer*& layer)
{
    if (!layer)
        return;
    m_director.GetOverlayScene()->RemoveLayer(layer);
    delete layer;
    layer = nullptr;
}

// --- logos ----------------------------------------------------------------------

BOOL CRavelmixerDlg::LoadLogo(int logo, const CString& path)
{
    if (logo != 1 && logo != 2)
        return FALSE;
    (logo == 1 ? m_strLogo1 : m_strLogo2) = path;
    CLISLayer*& layer = LogoLayer(logo);
    RemoveLayer(layer);

    int corner = -1;
    for (int c = 0; c < 4 && corner < 0; ++c)
        if (UI::SDrawBtn* button = GetButton(LogoCornerControl(logo, c)))
            if (button->GetCheck())
                corner = c;
    if (corner < 0) {
        corner = 0;
        if (UI::SDrawBtn* button = GetButton(LogoCornerControl(logo, 0)))
            button->SetCheck(TRUE);
    }

    CLISScene* scene = m_director.GetOverlayScene();
    layer = new CLISLayer(path, scene, CLISLayer::kKindPicture, 0, 0.0f, 0.0f, 0, 0, 0, 100, kWhite,
                          IsLogoKeyed(path) ? 1 : 0, 1);
    layer->SetZ(logo == 1 ? 2.0f : 3.0f);
    const LayerPlace place = LogoCornerPlace(corner, m_fLogoSL);
    layer->SetPosition(place.x, place.y, place.anchor);
    UI::SDrawBtn* toggle = GetButton(LogoSwitchControl(logo));
    if (toggle && toggle->GetCheck())
        scene->AddLayer(layer);
    return TRUE;
}

void CRavelmixerDlg::ToggleLogo(int logo)
{
    UI::SDrawBtn* toggle = GetButton(LogoSwitchControl(logo));
    if (!toggle)
        return;
    CLISLayer* layer = LogoLayer(logo);
    CLISScene* scene = m_director.GetOverlayScene();
    const BOOL on = !toggle->GetCheck();
    if (layer) {
        if (on)
            scene->AddLayer(layer);
        else
            scene->RemoveLayer(layer);
    }
    toggle->SetCheck(on);
}

void CRavelmixerDlg::SetLogoCorner(int logo, int corner)
{
    if ((logo != 1 && logo != 2) || corner < 0 || corner > 3)
        return;
    UI::SDrawBtn* chosen = GetButton(LogoCornerControl(logo, corner));
    if (!chosen || chosen->GetCheck())
        return;
    if (CLISLayer* layer = LogoLayer(logo)) {
        const LayerPlace place = LogoCornerPlace(corner, m_fLogoSL);
        layer->SetPosition(place.x, place.y, place.anchor);
    }
    for (int c = 0; c < 4; ++c)
        if (UI::SDrawBtn* button = GetButton(LogoCornerControl(logo, c)))
            button->SetCheck(c == corner);
}

void CRavelmixerDlg::OnLogoSwitch(UINT control)
{
    ToggleLogo(control == 1040 ? 1 : 2);
}

void CRavelmixerDlg::OnLogoLoad(UINT control)
{
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY,
                       L"Pictures|*.bmp;*.jpg;*.jpeg;*.gif;*.png;*.tga|All Files (*.*)|*.*||", this);
    if (dialog.DoModal() != IDOK)
        return;
    LoadLogo(control == 1025 ? 1 : 2, dialog.GetPathName());
}

void CRavelmixerDlg::OnLogoCorner(UINT control)
{
    const int logo = control < 1046 ? 1 : 2;
    SetLogoCorner(logo, static_cast<int>(control - (logo == 1 ? 1042 : 1046)));
}

void CRavelmixerDlg::OnCaptionSwitch()
{
    if (UI::SDrawBtn* button = GetButton(1038)) {
        button->SetCheck(!button->GetCheck());
        if (!button->GetCheck())
            RemoveLayer(m_pSubtitle);
    }
}

// --- the subtitle line -------------------------------------------------------------

LRESULT CRavelmixerDlg::OnCaptionBitmap(WPARAM wParam, LPARAM lParam)
{
    HDC source = reinterpret_cast<HDC>(wParam);
    UI::SDrawBtn* captions = GetButton(1038);
    if (source && !(captions && captions->GetCheck()))
        return 1;
    RemoveLayer(m_pSubtitle);
    if (!source)
        return 1;
    const int width = LOWORD(lParam);
    const int height = HIWORD(lParam);
    if (width <= 0 || height <= 0)
        return 1;
    const LayerPlace place = SubtitlePlace(m_nWidth, m_nHeight, width, height, m_fSubSL, m_nSubtitleAlign);
    CLISScene* scene = m_director.GetOverlayScene();
    m_pSubtitle = new CLISLayer(scene, CLISLayer::kKindFromDC, 0, place.x, place.y, 0, 0, width, height, 10, 100,
                                kWhite, 0, 1);
    m_pSubtitle->CopyFromDC(source);
    m_pSubtitle->SetZ(1.0f);
    scene->AddLayer(m_pSubtitle);
    return 1;
}

// --- the effect-category pager -----------------------------------------------------

void CRavelmixerDlg::ShowCategoryPage()
{
    for (int slot = 0; slot < kCategoryButtons; ++slot) {
        UI::SDrawBtn* button = GetButton(kCategoryControls[slot]);
        if (!button || !button->GetSafeHwnd())
            continue;
        const int entry = m_pager.EntryAt(slot);
        if (entry < 0) {
            button->ShowWindow(SW_HIDE);
            continue;
        }
        for (int state = 0; state < 4; ++state)
            if (m_categories[static_cast<size_t>(entry)].images[state])
                button->SetStateBitmap(m_categories[static_cast<size_t>(entry)].images[state], state + 1);
        button->SetCheck(m_categories[static_cast<size_t>(entry)].id == m_nShownCategory);
        button->ShowWindow(SW_SHOW);
        button->Invalidate();
    }
    if (CWnd* previous = GetDlgItem(1065))
        previous->ShowWindow(m_pager.HasPrevious() ? SW_SHOW : SW_HIDE);
    if (CWnd* next = GetDlgItem(1066))
        next->ShowWindow(m_pager.HasNext() ? SW_SHOW : SW_HIDE);
}

void CRavelmixerDlg::TurnPage(int delta)
{
    if (m_pager.SetPage(m_pager.GetPage() + delta))
        ShowCategoryPage();
}

void CRavelmixerDlg::OnCategoryButton(UINT control)
{
    for (int slot = 0; slot < kCategoryButtons; ++slot) {
        if (kCategoryControls[slot] != control)
            continue;
        const int entry = m_pager.EntryAt(slot);
        if (entry >= 0)
            ShowCategory(m_categories[static_cast<size_t>(entry)].id);
    }
}

void CRavelmixerDlg::ShowCategory(int id)
{
    const auto found = m_categoryIndex.find(id);
    if (found == m_categoryIndex.end())
        return;
    if (m_effectName.GetSafeHwnd())
        m_effectName.SetWindowText(L"");
    m_nShownCategory = id;
    const int page = m_pager.PageOf(found->second);
    if (page != m_pager.GetPage())
        m_pager.SetPage(page);
    ShowCategoryPage();

    if (!m_effects.GetSafeHwnd())
        return;
    m_effects.DeleteAllItems();
    std::vector<CRenderEffect*> effects;
    if (CVideoMixer* mixer = m_director.GetVideoMixer())
        mixer->GetEffectList(effects);
    int row = 0;
    for (CRenderEffect* effect : effects) {
        if (!effect || effect->GetType() != id)
            continue;
        LVITEMW item = {};
        item.mask = LVIF_IMAGE | LVIF_PARAM | LVIF_TEXT;
        item.iItem = row++;
        item.pszText = const_cast<LPWSTR>(static_cast<LPCWSTR>(effect->GetName()));
        const auto image = m_effectImageIndex.find(effect->GetID());
        item.iImage = image == m_effectImageIndex.end() ? -1 : image->second;
        item.lParam = effect->GetID();
        m_effects.InsertItem(&item);
    }
    m_effects.Invalidate();
}

void CRavelmixerDlg::OnEffectClick(NMHDR* pNMHDR, LRESULT* pResult)
{
    *pResult = 0;
    CEffectList& list = pNMHDR->idFrom == 1031 ? m_quickEffects : m_effects;
    const int item = list.GetNextItem(-1, LVNI_SELECTED);
    if (item < 0)
        return;
    // Either list shows the effect's name and selects it in both: a click in the palette
    // marks the same effect on the quick list, a quick entry turns the palette to its category.
    SelectEffect(static_cast<int>(list.GetItemData(item)));
}

int CRavelmixerDlg::SelectedEffect() const
{
    if (!m_effects.GetSafeHwnd())
        return 1;
    const int item = m_effects.GetNextItem(-1, LVNI_SELECTED);
    return item < 0 ? 1 : static_cast<int>(m_effects.GetItemData(item));
}
