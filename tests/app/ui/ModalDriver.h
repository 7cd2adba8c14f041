// Test helper: drives modal dialogs that code under test creates itself (start-up runs its
// dialogs inside the application object). While it lives, every dialog that finishes
// WM_INITDIALOG on this thread is handed, once its modal loop runs, to the driver function with
// its caption; a dialog still open when the driver returns is cancelled, so a dialog the test
// did not expect cannot hang it.
#pragma once

#include <windows.h>
#include <prsht.h>

#include <functional>
#include <string>
#include <vector>

class CModalDriver {
public:
    std::function<void(HWND dialog, const std::wstring& caption)> driver;
    std::vector<std::wstring> shown;   // captions, in the order the dialogs came up

    CModalDriver()
    {
        Instance() = this;
        WNDCLASSW wc = {};
        wc.lpfnWndProc = &CModalDriver::PostBoxProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"RvxModalDriver";
        ::RegisterClassW(&wc);
        m_box = ::CreateWindowW(L"RvxModalDriver", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        m_hook = ::SetWindowsHookExW(WH_CALLWNDPROCRET, &CModalDriver::Hook, nullptr, ::GetCurrentThreadId());
    }
    ~CModalDriver()
    {
        ::UnhookWindowsHookEx(m_hook);
        ::DestroyWindow(m_box);
        Instance() = nullptr;
    }
    CModalDriver(const CModalDriver&) = delete;
    CModalDriver& operator=(const CModalDriver&) = delete;

    static std::wstring Caption(HWND hwnd)
    {
        wchar_t text[256] = {};
        ::GetWindowTextW(hwnd, text, 256);
        return text;
    }
    static void Command(HWND dialog, UINT id, UINT code = BN_CLICKED)
    {
        ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
    }

private:
    static const UINT kDrive = WM_APP + 0x3D2;

    static CModalDriver*& Instance()
    {
        static CModalDriver* instance = nullptr;
        return instance;
    }
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        CModalDriver* self = Instance();
        if (code == HC_ACTION && self != nullptr) {
            const CWPRETSTRUCT* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
            // Posted, so the driver runs from the dialog's own modal loop once it is shown.
            if (call->message == WM_INITDIALOG && !(::GetWindowLongPtrW(call->hwnd, GWL_STYLE) & WS_CHILD))
                ::PostMessageW(self->m_box, kDrive, reinterpret_cast<WPARAM>(call->hwnd), 0);
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static LRESULT CALLBACK PostBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        CModalDriver* self = Instance();
        if (msg != kDrive || self == nullptr)
            return ::DefWindowProcW(hwnd, msg, wParam, lParam);
        HWND dialog = reinterpret_cast<HWND>(wParam);
        if (!::IsWindow(dialog))
            return 0;
        const std::wstring caption = Caption(dialog);
        self->shown.push_back(caption);
        if (self->driver)
            self->driver(dialog, caption);
        if (::IsWindow(dialog) && ::IsWindowVisible(dialog))
            ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        return 0;
    }

    HWND m_box = nullptr;
    HHOOK m_hook = nullptr;
};

// The page a property sheet shows: its current page, or its first child dialog.
inline HWND SheetPage(HWND sheet)
{
    HWND page = reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    return page ? page : ::FindWindowExW(sheet, nullptr, L"#32770", nullptr);
}
