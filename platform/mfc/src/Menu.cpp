// Menus and the update-UI protocol over pop-up menu items.
#include "AfxState.h"

using afx_detail::State;

BOOL CMenu::Attach(HMENU hMenu)
{
    if (hMenu == nullptr || m_hMenu != nullptr)
        return FALSE;
    m_hMenu = hMenu;
    return TRUE;
}

HMENU CMenu::Detach()
{
    HMENU h = m_hMenu;
    m_hMenu = nullptr;
    return h;
}

BOOL CMenu::DestroyMenu()
{
    if (m_hMenu == nullptr)
        return FALSE;
    return ::DestroyMenu(Detach());
}

CMenu* PASCAL CMenu::FromHandle(HMENU hMenu)
{
    if (hMenu == nullptr)
        return nullptr;
    auto& map = State().tempMenus;
    auto it = map.find(hMenu);
    if (it != map.end())
        return it->second.get();
    auto menu = std::make_unique<CMenu>();
    menu->m_hMenu = hMenu;
    CMenu* raw = menu.get();
    map.emplace(hMenu, std::move(menu));
    return raw;
}

BOOL CMenu::LoadMenu(UINT nIDResource)
{
    LPCWSTR name = MAKEINTRESOURCEW(nIDResource);
    return Attach(::LoadMenuW(AfxFindResourceHandle(name, RT_MENU), name));
}

CMenu* CMenu::GetSubMenu(int pos) const
{
    return FromHandle(::GetSubMenu(m_hMenu, pos));
}

int CMenu::GetMenuString(UINT id, CString& text, UINT flags) const
{
    wchar_t buffer[512] = {};
    int n = ::GetMenuStringW(m_hMenu, id, buffer, 512, flags);
    text = CString(buffer, n);
    return n;
}

BOOL CMenu::TrackPopupMenu(UINT flags, int x, int y, CWnd* pWnd, LPCRECT rc)
{
    return ::TrackPopupMenu(m_hMenu, flags, x, y, 0, pWnd->GetSafeHwnd(), rc);
}

// ---------------------------------------------------------------------------------------------

CCmdUI::CCmdUI()
    : m_nID(0), m_nIndex(0), m_nIndexMax(0), m_pMenu(nullptr), m_pSubMenu(nullptr), m_pOther(nullptr),
      m_bEnableChanged(FALSE), m_bContinueRouting(FALSE)
{
}

void CCmdUI::Enable(BOOL on)
{
    if (m_pMenu != nullptr) {
        if (m_pSubMenu == nullptr)
            m_pMenu->EnableMenuItem(m_nIndex, MF_BYPOSITION | (on ? MF_ENABLED : (MF_DISABLED | MF_GRAYED)));
    } else if (m_pOther != nullptr) {
        // A control that loses the focus while being disabled hands it on first.
        if (!on && ::GetFocus() == m_pOther->m_hWnd)
            ::SendMessageW(::GetParent(m_pOther->m_hWnd), WM_NEXTDLGCTL, 0, FALSE);
        m_pOther->EnableWindow(on);
    }
    m_bEnableChanged = TRUE;
}

void CCmdUI::SetCheck(int check)
{
    if (m_pMenu != nullptr) {
        if (m_pSubMenu == nullptr)
            m_pMenu->CheckMenuItem(m_nIndex, MF_BYPOSITION | (check ? MF_CHECKED : MF_UNCHECKED));
    } else if (m_pOther != nullptr) {
        if (m_pOther->SendMessage(WM_GETDLGCODE) & DLGC_BUTTON)
            m_pOther->SendMessage(BM_SETCHECK, static_cast<WPARAM>(check));
    }
}

void CCmdUI::SetRadio(BOOL on)
{
    SetCheck(on ? 1 : 0);
}

void CCmdUI::SetText(LPCWSTR text)
{
    if (m_pMenu != nullptr) {
        if (m_pSubMenu == nullptr) {
            UINT state = m_pMenu->GetMenuState(m_nIndex, MF_BYPOSITION);
            state &= ~(MF_BITMAP | MF_OWNERDRAW | MF_SEPARATOR | MF_POPUP);
            m_pMenu->ModifyMenu(m_nIndex, MF_BYPOSITION | MF_STRING | state, m_nID, text);
        }
    } else if (m_pOther != nullptr) {
        m_pOther->SetWindowText(text);
    }
}

BOOL CCmdUI::DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHandler)
{
    if (m_nID == 0 || LOWORD(m_nID) == 0xFFFF)
        return TRUE;
    m_bEnableChanged = FALSE;
    BOOL handled = pTarget->OnCmdMsg(m_nID, static_cast<int>(CN_UPDATE_COMMAND_UI), this, nullptr);
    if (bDisableIfNoHandler && !m_bEnableChanged) {
        AFX_CMDHANDLERINFO info = { nullptr };
        BOOL hasHandler = pTarget->OnCmdMsg(m_nID, CN_COMMAND, this, &info);
        Enable(hasHandler);
    }
    return handled;
}

void AFXAPI AfxUpdateMenuCmdUI(CCmdTarget* pTarget, CMenu* pPopupMenu, BOOL bDisableIfNoHandler)
{
    if (pTarget == nullptr || pPopupMenu == nullptr)
        return;
    CCmdUI state;
    state.m_pMenu = pPopupMenu;
    state.m_nIndexMax = pPopupMenu->GetMenuItemCount();
    for (state.m_nIndex = 0; state.m_nIndex < state.m_nIndexMax; ++state.m_nIndex) {
        state.m_nID = pPopupMenu->GetMenuItemID(state.m_nIndex);
        if (state.m_nID == 0)
            continue;   // separator
        if (state.m_nID == static_cast<UINT>(-1)) {
            state.m_pSubMenu = pPopupMenu->GetSubMenu(state.m_nIndex);
            state.m_pSubMenu = nullptr;
            continue;   // sub-menus update when they open
        }
        state.m_pSubMenu = nullptr;
        state.DoUpdate(pTarget, bDisableIfNoHandler);
        // A handler may have added or removed items.
        UINT count = pPopupMenu->GetMenuItemCount();
        if (count < state.m_nIndexMax) {
            state.m_nIndex -= (state.m_nIndexMax - count);
            while (state.m_nIndex < count && pPopupMenu->GetMenuItemID(state.m_nIndex) == state.m_nID)
                ++state.m_nIndex;
        }
        state.m_nIndexMax = count;
    }
}
