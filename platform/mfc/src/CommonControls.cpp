// Common controls.
#include "AfxState.h"

#include <afxcmn.h>

#include <vector>

// ---------------------------------------------------------------------------------------------
// Image lists

namespace {
std::unordered_map<HIMAGELIST, std::unique_ptr<CImageList>>& TempImageLists()
{
    static thread_local std::unordered_map<HIMAGELIST, std::unique_ptr<CImageList>> map;
    return map;
}
} // namespace

BOOL CImageList::Create(int cx, int cy, UINT flags, int initial, int grow)
{
    return Attach(ImageList_Create(cx, cy, flags, initial, grow));
}

BOOL CImageList::Attach(HIMAGELIST h)
{
    if (h == nullptr || m_hImageList != nullptr)
        return FALSE;
    m_hImageList = h;
    return TRUE;
}

HIMAGELIST CImageList::Detach()
{
    HIMAGELIST h = m_hImageList;
    m_hImageList = nullptr;
    return h;
}

BOOL CImageList::DeleteImageList()
{
    if (m_hImageList == nullptr)
        return FALSE;
    return ImageList_Destroy(Detach());
}

CImageList* PASCAL CImageList::FromHandle(HIMAGELIST h)
{
    if (h == nullptr)
        return nullptr;
    auto& map = TempImageLists();
    auto it = map.find(h);
    if (it != map.end())
        return it->second.get();
    auto list = std::make_unique<CImageList>();
    list->m_hImageList = h;
    CImageList* raw = list.get();
    map.emplace(h, std::move(list));
    // Temporary wrappers never own the list.
    return raw;
}

// ---------------------------------------------------------------------------------------------
// Track bars

BOOL CSliderCtrl::Create(DWORD style, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return CWnd::Create(TRACKBAR_CLASSW, nullptr, style, rect, pParentWnd, nID);
}

// ---------------------------------------------------------------------------------------------
// Tool tips

BOOL CToolTipCtrl::Create(CWnd* pParentWnd, DWORD style)
{
    return CWnd::CreateEx(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | style,
                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                          pParentWnd->GetSafeHwnd(), nullptr);
}

void CToolTipCtrl::FillToolInfo(TTTOOLINFOW& ti, CWnd* pWnd, UINT_PTR nIDTool) const
{
    ti = TTTOOLINFOW();
    // The version-5 size: accepted by every common-controls version, with or without a manifest.
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    if (nIDTool == 0) {
        ti.hwnd = ::GetParent(pWnd->GetSafeHwnd());
        ti.uFlags = TTF_IDISHWND;
        ti.uId = reinterpret_cast<UINT_PTR>(pWnd->GetSafeHwnd());
        if (ti.hwnd == nullptr)
            ti.hwnd = pWnd->GetSafeHwnd();
    } else {
        ti.hwnd = pWnd->GetSafeHwnd();
        ti.uId = nIDTool;
    }
}

BOOL CToolTipCtrl::AddTool(CWnd* pWnd, LPCWSTR text, LPCRECT rcTool, UINT_PTR nIDTool)
{
    if (m_hWnd == nullptr || pWnd == nullptr)
        return FALSE;
    TTTOOLINFOW ti;
    FillToolInfo(ti, pWnd, nIDTool);
    if (rcTool != nullptr)
        ti.rect = *rcTool;
    ti.lpszText = const_cast<LPWSTR>(text ? text : LPSTR_TEXTCALLBACKW);
    return static_cast<BOOL>(SendMessage(TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti)));
}

void CToolTipCtrl::DelTool(CWnd* pWnd, UINT_PTR nIDTool)
{
    TTTOOLINFOW ti;
    FillToolInfo(ti, pWnd, nIDTool);
    SendMessage(TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

void CToolTipCtrl::UpdateTipText(LPCWSTR text, CWnd* pWnd, UINT_PTR nIDTool)
{
    TTTOOLINFOW ti;
    FillToolInfo(ti, pWnd, nIDTool);
    ti.lpszText = const_cast<LPWSTR>(text);
    SendMessage(TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
}

void CToolTipCtrl::SetToolRect(CWnd* pWnd, UINT_PTR nIDTool, LPCRECT rc)
{
    TTTOOLINFOW ti;
    FillToolInfo(ti, pWnd, nIDTool);
    ti.rect = *rc;
    SendMessage(TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&ti));
}

CString CToolTipCtrl::GetText(CWnd* pWnd, UINT_PTR nIDTool) const
{
    TTTOOLINFOW ti;
    FillToolInfo(ti, pWnd, nIDTool);
    std::vector<wchar_t> buffer(1024, L'\0');
    ti.lpszText = buffer.data();
    SendMessage(TTM_GETTEXTW, 1024, reinterpret_cast<LPARAM>(&ti));
    return CString(buffer.data());
}

// ---------------------------------------------------------------------------------------------
// List views

BOOL CListCtrl::Create(DWORD style, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return CWnd::Create(WC_LISTVIEWW, nullptr, style, rect, pParentWnd, nID);
}

int CListCtrl::InsertColumn(int col, LPCWSTR heading, int format, int width, int subItem)
{
    LVCOLUMNW c = {};
    c.mask = LVCF_FMT | LVCF_TEXT;
    c.fmt = format;
    c.pszText = const_cast<LPWSTR>(heading);
    if (width != -1) {
        c.mask |= LVCF_WIDTH;
        c.cx = width;
    }
    if (subItem != -1) {
        c.mask |= LVCF_SUBITEM;
        c.iSubItem = subItem;
    }
    return static_cast<int>(SendMessage(LVM_INSERTCOLUMNW, static_cast<WPARAM>(col), reinterpret_cast<LPARAM>(&c)));
}

int CListCtrl::InsertItem(int item, LPCWSTR text, int image)
{
    LVITEMW it = {};
    it.mask = LVIF_TEXT;
    it.iItem = item;
    it.pszText = const_cast<LPWSTR>(text);
    if (image != -1) {
        it.mask |= LVIF_IMAGE;
        it.iImage = image;
    }
    return InsertItem(&it);
}

BOOL CListCtrl::SetItemText(int item, int subItem, LPCWSTR text)
{
    LVITEMW it = {};
    it.iSubItem = subItem;
    it.pszText = const_cast<LPWSTR>(text);
    return static_cast<BOOL>(SendMessage(LVM_SETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&it)));
}

CString CListCtrl::GetItemText(int item, int subItem) const
{
    // Grown until the text fits: a text that fills the buffer may have been cut.
    for (size_t size = 256;; size *= 2) {
        std::vector<wchar_t> buffer(size, L'\0');
        LVITEMW it = {};
        it.iSubItem = subItem;
        it.pszText = buffer.data();
        it.cchTextMax = static_cast<int>(buffer.size());
        const LRESULT n = SendMessage(LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&it));
        if (static_cast<size_t>(n) + 1 < size || size >= 0x100000)
            return CString(buffer.data());
    }
}

BOOL CListCtrl::SetItemData(int item, DWORD_PTR data)
{
    LVITEMW it = {};
    it.mask = LVIF_PARAM;
    it.iItem = item;
    it.lParam = static_cast<LPARAM>(data);
    return static_cast<BOOL>(SendMessage(LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&it)));
}

DWORD_PTR CListCtrl::GetItemData(int item) const
{
    LVITEMW it = {};
    it.mask = LVIF_PARAM;
    it.iItem = item;
    SendMessage(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
    return static_cast<DWORD_PTR>(it.lParam);
}

BOOL CListCtrl::SetItemState(int item, UINT state, UINT mask)
{
    LVITEMW it = {};
    it.state = state;
    it.stateMask = mask;
    return static_cast<BOOL>(SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&it)));
}

CImageList* CListCtrl::SetImageList(CImageList* list, int which)
{
    return CImageList::FromHandle(reinterpret_cast<HIMAGELIST>(
        SendMessage(LVM_SETIMAGELIST, static_cast<WPARAM>(which), reinterpret_cast<LPARAM>(list->GetSafeHandle()))));
}

CImageList* CListCtrl::GetImageList(int which) const
{
    return CImageList::FromHandle(reinterpret_cast<HIMAGELIST>(SendMessage(LVM_GETIMAGELIST, static_cast<WPARAM>(which))));
}

int CListCtrl::HitTest(CPoint pt, UINT* flags) const
{
    LVHITTESTINFO info = {};
    info.pt = pt;
    int item = static_cast<int>(SendMessage(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
    if (flags)
        *flags = info.flags;
    return item;
}

BOOL CListCtrl::GetItemRect(int item, LPRECT rc, UINT code) const
{
    rc->left = static_cast<LONG>(code);
    return static_cast<BOOL>(SendMessage(LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(rc)));
}

CImageList* CListCtrl::CreateDragImage(int item, LPPOINT pt)
{
    HIMAGELIST h = reinterpret_cast<HIMAGELIST>(
        SendMessage(LVM_CREATEDRAGIMAGE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(pt)));
    if (h == nullptr)
        return nullptr;
    // The caller owns the new list, as with the framework.
    CImageList* list = new CImageList;
    list->Attach(h);
    return list;
}

// ---------------------------------------------------------------------------------------------
// Hot-key boxes

BOOL CHotKeyCtrl::Create(DWORD style, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return CWnd::Create(HOTKEY_CLASSW, nullptr, style, rect, pParentWnd, nID);
}

void CHotKeyCtrl::GetHotKey(WORD& virtualKeyCode, WORD& modifiers) const
{
    DWORD value = GetHotKey();
    virtualKeyCode = LOBYTE(LOWORD(value));
    modifiers = HIBYTE(LOWORD(value));
}

CString PASCAL CHotKeyCtrl::GetKeyName(UINT virtualKey, BOOL extended)
{
    LONG scan = static_cast<LONG>(::MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC)) << 16;
    if (extended)
        scan |= 0x01000000L;
    wchar_t buffer[64] = {};
    int n = ::GetKeyNameTextW(scan, buffer, 64);
    return CString(buffer, n);
}

CString CHotKeyCtrl::GetHotKeyName() const
{
    WORD key = 0;
    WORD mods = 0;
    GetHotKey(key, mods);
    CString name;
    if (mods & HOTKEYF_CONTROL) {
        name += GetKeyName(VK_CONTROL, FALSE);
        name += L"+";
    }
    if (mods & HOTKEYF_SHIFT) {
        name += GetKeyName(VK_SHIFT, FALSE);
        name += L"+";
    }
    if (mods & HOTKEYF_ALT) {
        name += GetKeyName(VK_MENU, FALSE);
        name += L"+";
    }
    name += GetKeyName(key, (mods & HOTKEYF_EXT) != 0);
    return name;
}
