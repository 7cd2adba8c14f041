// Per-thread state of the window layer: handle maps (window objects belong to the thread that
// made them, as window handles do), the object being created, and the message being handled.
#pragma once

#include <afxwin.h>

#include <memory>
#include <unordered_map>
#include <vector>

namespace afx_detail {

template <typename Handle, typename Object>
struct TempMap {
    std::unordered_map<Handle, std::unique_ptr<Object>> objects;
    Object* Get(Handle h)
    {
        auto it = objects.find(h);
        if (it != objects.end())
            return it->second.get();
        auto obj = std::make_unique<Object>();
        Object* raw = obj.get();
        objects.emplace(h, std::move(obj));
        return raw;
    }
};

struct ThreadState {
    std::unordered_map<HWND, CWnd*> permanentWnds;
    std::unordered_map<HWND, std::unique_ptr<CWnd>> tempWnds;
    std::unordered_map<HMENU, std::unique_ptr<CMenu>> tempMenus;
    std::unordered_map<HDC, std::unique_ptr<CDC>> tempDCs;
    std::unordered_map<HGDIOBJ, std::unique_ptr<CGdiObject>> tempGdi;
    CWnd* pWndInit = nullptr;   // the object whose window CreateEx is creating
    HHOOK cbtHook = nullptr;
    MSG lastMsg = {};           // the message AfxWndProc is handling (for Default)
    MSG pumpMsg = {};           // the message the loop took last (for GetCurrentMessage)
    ~ThreadState();
};

ThreadState& State();

// Releases the temporary wrappers without touching their handles.
void DeleteTempObjects(ThreadState& state);

} // namespace afx_detail
