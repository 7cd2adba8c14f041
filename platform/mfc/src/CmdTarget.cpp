// Command targets: message-map lookup along the class chain, and command routing.
#include <afxwin.h>

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

namespace afx_detail {

bool IsObject(const void* object)
{
    return object != nullptr;
}

} // namespace afx_detail

const AFX_MSGMAP* PASCAL CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = { { 0, 0, 0, 0, nullptr } };
    static const AFX_MSGMAP map = { nullptr, &entries[0] };
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT nMessage, UINT nCode, UINT nID) const
{
    const bool notify = nMessage == WM_NOTIFY || nMessage == WM_REFLECT_BASE + WM_NOTIFY;
    for (const AFX_MSGMAP* map = GetMessageMap(); map != nullptr;
         map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->pfn != nullptr; ++e) {
            if (e->nMessage != nMessage)
                continue;
            // Notification codes are negative numbers that travel as 16 or 32 bits.
            const bool codeMatches = notify ? static_cast<WORD>(e->nCode) == static_cast<WORD>(nCode)
                                            : e->nCode == nCode;
            if (codeMatches && nID >= e->nID && nID <= e->nLastID)
                return e;
        }
        if (map->pfnGetBaseMap == nullptr)
            break;
    }
    return nullptr;
}

BOOL CCmdTarget::DispatchEntry(const AFX_MSGMAP_ENTRY* entry, AFX_MSGCALL& call)
{
    return entry->pfn(this, call);
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    UINT message = WM_COMMAND;
    UINT code = static_cast<UINT>(nCode);
    if (nCode != static_cast<int>(CN_UPDATE_COMMAND_UI) && HIWORD(nCode) == WM_NOTIFY) {
        message = WM_NOTIFY;
        code = LOWORD(nCode);
    }
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(message, code, nID);
    if (entry == nullptr)
        return FALSE;
    if (pHandlerInfo != nullptr) {
        // Only asking whether a handler exists.
        pHandlerInfo->pTarget = this;
        return TRUE;
    }
    AFX_MSGCALL call = {};
    call.message = message;
    call.nID = nID;
    call.nCode = code;
    if (message == WM_NOTIFY) {
        AFX_NOTIFY* notify = static_cast<AFX_NOTIFY*>(pExtra);
        call.lParam = reinterpret_cast<LPARAM>(notify->pNMHDR);
        call.wParam = nID;
        call.result = *notify->pResult;
        BOOL handled = DispatchEntry(entry, call);
        *notify->pResult = call.result;
        return handled;
    }
    call.pExtra = pExtra;
    if (code == CN_UPDATE_COMMAND_UI) {
        CCmdUI* cmdUI = static_cast<CCmdUI*>(pExtra);
        cmdUI->m_bContinueRouting = FALSE;
        DispatchEntry(entry, call);
        return !cmdUI->m_bContinueRouting;
    }
    return DispatchEntry(entry, call);
}
