// What the two control panes share: skinning a pane button from four consecutive skin items,
// the playback speed table, and the thread mouse hook that hides a pane when the operator
// clicks anywhere else.
#pragma once

#include <afxwin.h>

#include "app/ui/BmpMapMgr.h"
#include "app/ui/DrawBtn.h"

struct PaneButtonLook {
    UINT control;
    UINT skinBase;       // four states: base .. base + 3
    bool transparent;    // drawn with the white colour key
    UINT tooltip;        // string id, 0 for none
};

// A rectangle of `size` centred on `slot`: half the difference on each side, the odd pixel
// right and bottom.
CRect CentreInSlot(const CRect& slot, CSize size);

// Skins a pane button that is already subclassed: owner drawn, the four state items, the size
// of its first item centred on its place in the pane, transparency and tool tip.
void SkinPaneButton(CWnd& pane, UI::SDrawBtn& button, UI_Mgr::SBmpMapMgr* skin, const PaneButtonLook& look);

// A round-rectangle window region over the whole window (one pixel wider and higher, since a
// region's right and bottom edges are outside it).
void SetRoundWindowRegion(CWnd& wnd, int ellipse);

// The playback speeds of the clip pane, in menu order.
namespace PlaybackSpeed {
const int kCount = 7;
// The first index whose rate is at least `rate`; the last one above 8.
int IndexOf(double rate);
// The table's rate; 1.0 for an index outside the table.
double RateOf(int index);
} // namespace PlaybackSpeed

// Whether a mouse message seen by a pane's hook closes the pane: a button press, release,
// double click or wheel turn (not a move) aimed at another window, with the cursor outside
// the pane and outside its companion window (when it has one).
bool IsOutsideClick(UINT message, HWND target, HWND pane, POINT cursor, const RECT& paneRect,
                    const RECT* companionRect);

// A pane that closes on an outside click.
class IOutsideClickPane {
public:
    virtual HWND GetPaneWindow() const = 0;
    // The window whose clicks do not close the pane (null for none).
    virtual HWND GetCompanionWindow() const = 0;
    virtual void OnOutsideClick() = 0;

protected:
    ~IOutsideClickPane() = default;
};

// The thread mouse hook of one pane class: at most one is installed at a time, for the one
// pane of that class that is visible. Hook procedures have no context, so each class keeps
// its own static hook through its own instantiation.
template <class PaneClass>
class CPaneMouseHook {
public:
    static void Install(IOutsideClickPane* pane)
    {
        s_pane = pane;
        if (s_hook == nullptr)
            s_hook = ::SetWindowsHookExW(WH_MOUSE, &Proc, nullptr, ::GetCurrentThreadId());
    }
    // Only the pane that installed the hook removes it.
    static void Remove(IOutsideClickPane* pane)
    {
        if (pane != s_pane)
            return;
        if (s_hook != nullptr)
            ::UnhookWindowsHookEx(s_hook);
        s_hook = nullptr;
        s_pane = nullptr;
    }
    static bool IsInstalled() { return s_hook != nullptr; }

private:
    static LRESULT CALLBACK Proc(int code, WPARAM wParam, LPARAM lParam)
    {
        IOutsideClickPane* pane = s_pane;
        bool close = false;
        if (code == HC_ACTION && pane != nullptr) {
            const auto* info = reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam);
            HWND paneWnd = pane->GetPaneWindow();
            RECT paneRect = {};
            ::GetWindowRect(paneWnd, &paneRect);
            RECT companionRect = {};
            HWND companion = pane->GetCompanionWindow();
            bool hasCompanion = companion != nullptr && ::GetWindowRect(companion, &companionRect);
            close = IsOutsideClick(static_cast<UINT>(wParam), info->hwnd, paneWnd, info->pt, paneRect,
                                   hasCompanion ? &companionRect : nullptr);
        }
        // The message always goes on; the pane is hidden afterwards, which removes this hook.
        LRESULT result = ::CallNextHookEx(s_hook, code, wParam, lParam);
        if (close)
            pane->OnOutsideClick();
        return result;
    }

    static HHOOK s_hook;
    static IOutsideClickPane* s_pane;
};

template <class PaneClass>
HHOOK CPaneMouseHook<PaneClass>::s_hook = nullptr;
template <class PaneClass>
IOutsideClickPane* CPaneMouseHook<PaneClass>::s_pane = nullptr;
