#include "app/settings/MoreHotKeyCtl.h"

BEGIN_MESSAGE_MAP(CMoreHotKeyCtl, CHotKeyCtrl)
    ON_WM_KEYDOWN()
    ON_WM_CHAR()
END_MESSAGE_MAP()

WORD CMoreHotKeyCtl::HeldModifiers()
{
    WORD modifiers = 0;
    if (::GetKeyState(VK_SHIFT) < 0)
        modifiers |= HOTKEYF_SHIFT;
    if (::GetKeyState(VK_CONTROL) < 0)
        modifiers |= HOTKEYF_CONTROL;
    if (::GetKeyState(VK_MENU) < 0)
        modifiers |= HOTKEYF_ALT;
    return modifiers;
}

void CMoreHotKeyCtl::OnKeyDown(UINT key, UINT repeat, UINT flags)
{
    CHotKeyCtrl::OnKeyDown(key, repeat, flags);
    if (key != VK_SPACE)
        return;
    // The control reports no modifiers while it holds no key of its own (Wine's does not),
    // so the modifiers come from the keyboard itself.
    SetHotKey(VK_SPACE, HeldModifiers());
    SetWindowText(GetHotKeyName());
}

void CMoreHotKeyCtl::OnChar(UINT ch, UINT repeat, UINT flags)
{
    // The Space character that follows a Space key press is not a key of its own: Wine's
    // control took it for one and replaced the Space hot key with another key.
    if (ch == L' ')
        return;
    CHotKeyCtrl::OnChar(ch, repeat, flags);
}
