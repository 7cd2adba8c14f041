#include "afx.h"

#include <mutex>

namespace {

HINSTANCE g_resourceHandle = nullptr;

std::mutex g_boxLock;
AFX_MESSAGEBOX_PROC g_boxProc;
CString g_boxCaption;
HWND (*g_ownerProc)() = nullptr;

} // namespace

HINSTANCE AFXAPI AfxGetResourceHandle()
{
    return g_resourceHandle ? g_resourceHandle : ::GetModuleHandleW(nullptr);
}

void AFXAPI AfxSetResourceHandle(HINSTANCE module) { g_resourceHandle = module; }

AFX_MESSAGEBOX_PROC AFXAPI AfxSetMessageBoxProc(AFX_MESSAGEBOX_PROC proc)
{
    std::lock_guard<std::mutex> lock(g_boxLock);
    AFX_MESSAGEBOX_PROC old = std::move(g_boxProc);
    g_boxProc = std::move(proc);
    return old;
}

int AFXAPI AfxShowMessageBox(HWND owner, LPCTSTR text, LPCTSTR caption, UINT type)
{
    AFX_MESSAGEBOX_PROC proc;
    {
        std::lock_guard<std::mutex> lock(g_boxLock);
        proc = g_boxProc;
    }
    // The lock is not held while the box is up: boxes may be shown from several threads.
    if (proc)
        return proc(owner, text ? text : L"", caption ? caption : L"", type);
    return ::MessageBoxW(owner, text, caption, type);
}

void AFXAPI AfxSetMessageBoxCaption(LPCTSTR caption)
{
    std::lock_guard<std::mutex> lock(g_boxLock);
    g_boxCaption = caption;
}

void AFXAPI AfxSetMessageBoxOwnerProc(HWND (*ownerProc)()) { g_ownerProc = ownerProc; }

int AFXAPI AfxMessageBox(LPCTSTR text, UINT type, UINT)
{
    CString caption;
    {
        std::lock_guard<std::mutex> lock(g_boxLock);
        caption = g_boxCaption;
    }
    if (caption.IsEmpty()) {
        WCHAR path[MAX_PATH] = {};
        ::GetModuleFileNameW(nullptr, path, MAX_PATH);
        CString name(path);
        name = name.Mid(name.ReverseFind(L'\\') + 1);
        int dot = name.ReverseFind(L'.');
        caption = dot > 0 ? name.Left(dot) : name;
    }
    if ((type & MB_ICONMASK) == 0) {
        switch (type & MB_TYPEMASK) {
        case MB_OK:
        case MB_OKCANCEL: type |= MB_ICONEXCLAMATION; break;
        case MB_YESNO:
        case MB_YESNOCANCEL: type |= MB_ICONQUESTION; break;
        default: break;
        }
    }
    HWND owner = g_ownerProc ? g_ownerProc() : nullptr;
    return AfxShowMessageBox(owner, text, caption, type);
}

int AFXAPI AfxMessageBox(UINT textId, UINT type, UINT)
{
    CString text;
    text.LoadString(textId);
    return AfxMessageBox(text, type, 0);
}
