#include "app/ui/DeskHotKeys.h"

#include <cwchar>
#include <cwctype>

DeskHotKeyState& DeskHotKeys()
{
    static DeskHotKeyState state;
    return state;
}

bool IsTextEntryWindow(HWND hwnd)
{
    wchar_t name[261] = {};
    if (hwnd == nullptr || ::GetClassNameW(hwnd, name, 260) == 0)
        return false;
    for (wchar_t* p = name; *p; ++p)
        *p = static_cast<wchar_t>(std::towlower(*p));
    // Plain keys (Space, letters) may be hot keys, so a picker's typed time or a hot-key
    // control's new key must not cut the program either.
    return std::wcsstr(name, L"edit") != nullptr || std::wcscmp(name, L"sysdatetimepick32") == 0 ||
           std::wcscmp(name, L"sysipaddress32") == 0 || std::wcscmp(name, L"msctls_hotkey32") == 0;
}

bool TranslateDeskHotKey(const DeskHotKeyState& state, MSG* msg)
{
    if (msg == nullptr || state.mainWindow == nullptr || state.table == nullptr || !state.enabled)
        return false;
    if (IsTextEntryWindow(msg->hwnd))
        return false;
    return ::TranslateAcceleratorW(state.mainWindow, state.table, msg) != 0;
}
