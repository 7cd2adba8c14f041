#include "app/captions/NotePadWnd.h"

#include <afxdlgs.h>
#include <richedit.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/captions/CaptionMessages.h"
#include "app/captions/NotePadGeometry.h"
#include "app/captions/image/ximage.h"
#include "app/foundation/AppHelpers.h"

using namespace captions;

namespace {

const UINT kStringMessageCaption = 141;
const UINT kStringNoClipboard = 134;
const UINT kStringNoEmptyClipboard = 135;
const UINT kStringNoMemory = 136;
const UINT kStringNoSetClipboard = 137;
const UINT kStringTextFilter = 138;
const int kNewTextBoxSize = 200;
const COLORREF kFrameColour = 0x808080;
const int kFeedbackFrame = 4;
// A text file for a caption is short; a larger one is refused rather than read whole.
const LONGLONG kLongestTextFile = 4 * 1024 * 1024;

LPCWSTR EditClass()
{
    static const bool rich = ::LoadLibraryW(L"riched20.dll") != nullptr;
    return rich ? RICHEDIT_CLASSW : L"EDIT";
}

RECT Inflated(const RECT& r, int by)
{
    RECT out = r;
    ::InflateRect(&out, by, by);
    return out;
}

bool SameTiming(const CCharObject& a, const CCharObject& b)
{
    return a.GetSpeed() == b.GetSpeed() && a.GetStay() == b.GetStay() && a.GetMotion() == b.GetMotion() &&
           a.GetStartDelay() == b.GetStartDelay() && a.GetRepeatCount() == b.GetRepeatCount() &&
           a.GetRepeatInterval() == b.GetRepeatInterval();
}

void CopyTiming(const CCharObject& from, CCharObject& to)
{
    to.SetSpeed(from.GetSpeed());
    to.SetStay(from.GetStay());
    to.SetMotion(from.GetMotion());
    to.SetStartDelay(from.GetStartDelay());
    to.SetRepeatCount(from.GetRepeatCount());
    to.SetRepeatInterval(from.GetRepeatInterval());
}

} // namespace

BEGIN_MESSAGE_MAP(CNotePadWnd, CWnd)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_LBUTTONDOWN()
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONUP()
    ON_WM_LBUTTONDBLCLK()
    ON_WM_RBUTTONDOWN()
    ON_WM_KEYDOWN()
    ON_WM_SETCURSOR()
END_MESSAGE_MAP()

CNotePadWnd::CNotePadWnd() = default;

CNotePadWnd::~CNotePadWnd()
{
    if (m_hWnd)
        DestroyWindow();
}

UINT CNotePadWnd::ClipboardFormat()
{
    // A private format: the number 16 the page's record once travelled under is CF_LOCALE,
    // which the system offers whenever text is on the clipboard.
    static const UINT format = ::RegisterClipboardFormatW(L"Ravelmixer caption object");
    return format;
}

LPCWSTR CNotePadWnd::RegisterClass()
{
    static const LPCWSTR className = [] {
        WNDCLASSW wc = {};
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = L"RvxCaptionCanvas";
        ::RegisterClassW(&wc);
        return L"RvxCaptionCanvas";
    }();
    return className;
}

BOOL CNotePadWnd::Create(const RECT& rect, CWnd* parent, UINT id)
{
    if (!CWnd::Create(RegisterClass(), L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_TABSTOP, rect, parent, id))
        return FALSE;
    Init();
    return TRUE;
}

BOOL CNotePadWnd::SubclassDlgItem(UINT id, CWnd* parent)
{
    if (!CWnd::SubclassDlgItem(id, parent))
        return FALSE;
    ModifyStyle(0, WS_CLIPCHILDREN);
    Init();
    return TRUE;
}

void CNotePadWnd::Init()
{
    RECT client;
    GetClientRect(&client);
    m_page.SetWidth(client.right);
    m_page.SetHeight(client.bottom);
    const RECT none = {0, 0, 0, 0};
    m_edit.CreateEx(0, EditClass(), L"", WS_CHILD | ES_MULTILINE | ES_WANTRETURN | WS_HSCROLL | WS_VSCROLL, none,
                    this, kEditId);
}

LRESULT CNotePadWnd::ToParent(UINT message, WPARAM wParam)
{
    HWND parent = ::GetParent(m_hWnd);
    return parent ? ::SendMessageW(parent, message, wParam, 0) : 0;
}

void CNotePadWnd::Box(UINT textId)
{
    AppMessageBox(m_hWnd, textId, kStringMessageCaption, MB_OK | MB_ICONEXCLAMATION);
}

// ---- the page ----

bool CNotePadWnd::LoadFile(LPCWSTR path)
{
    HideEdit();
    if (!m_page.LoadFromFile(path))
        return false;
    m_path = path;
    m_selected = -1;
    ::SetRectEmpty(&m_selection);
    if (m_page.GetCount() > 0) {
        Select(0);
    } else {
        CCharObject fresh;
        CharTextStyle style;
        style.SetDefault();
        fresh.SetStyle(style);
        ToParent(WM_NOTEPAD_SELECT, reinterpret_cast<WPARAM>(&fresh));
    }
    Invalidate();
    SetModified(false);
    return true;
}

bool CNotePadWnd::SaveFile(LPCWSTR path)
{
    if (!m_page.SaveToFile(path))
        return false;
    m_path = path;
    SetModified(false);
    return true;
}

bool CNotePadWnd::InsertImage(LPCWSTR path, int formatId)
{
    std::unique_ptr<CCharObject> object(new CCharObject);
    ToParent(WM_NOTEPAD_NEWOBJECT, reinterpret_cast<WPARAM>(object.get()));
    CharTextStyle style;
    if (!object->GetStyle(&style))
        style.SetDefault();
    if (!object->SetImage(path, formatId, style))
        return false;
    std::unique_ptr<CxImage> image(object->GetImage());
    const RECT rect = {0, 0, image ? LONG(image->GetWidth()) : 0, image ? LONG(image->GetHeight()) : 0};
    object->SetRect(rect);
    HideEdit();
    const int at = m_page.Add(object.release());
    m_selected = at;
    m_selection = rect;
    Invalidate();
    SetModified(true);
    return true;
}

void CNotePadWnd::Clear()
{
    HideEdit();
    m_path.Empty();
    m_page.Clear();
    m_selected = -1;
    ::SetRectEmpty(&m_selection);
    Invalidate();
    SetModified(false);
}

bool CNotePadWnd::IsModified(bool commit)
{
    if (commit)
        Commit(nullptr);
    return m_modified;
}

void CNotePadWnd::SetModified(bool modified)
{
    m_modified = modified;
    ToParent(WM_NOTEPAD_MODIFIED, modified ? 1 : 0);
}

CCharObject* CNotePadWnd::Selected() const
{
    CCharObject* object = nullptr;
    return m_selected >= 0 && m_page.GetAt(m_selected, &object) ? object : nullptr;
}

int CNotePadWnd::HitTop(POINT point) const
{
    for (int i = m_page.GetCount() - 1; i >= 0; --i) {
        CCharObject* object = nullptr;
        if (m_page.GetAt(i, &object) && ::PtInRect(&object->GetRect(), point))
            return i;
    }
    return -1;
}

void CNotePadWnd::Select(int index)
{
    CCharObject* object = nullptr;
    if (index < 0 || !m_page.GetAt(index, &object)) {
        m_selected = -1;
        return;
    }
    m_selection = object->GetRect();
    if (index != m_selected) {
        m_selected = index;
        ToParent(WM_NOTEPAD_SELECT, reinterpret_cast<WPARAM>(object));
    }
}

// ---- the in-place edit and the commit ----

void CNotePadWnd::ShowEdit(const RECT& rect, const wchar_t* text)
{
    m_edit.MoveWindow(&rect);
    m_edit.SetWindowText(text);
    m_edit.ShowWindow(SW_SHOW);
    m_edit.SetFocus();
    const int end = m_edit.GetWindowTextLength();
    m_edit.SendMessage(EM_SETSEL, static_cast<WPARAM>(std::max(end - 1, 0)), end);
}

void CNotePadWnd::HideEdit()
{
    if (!m_edit.m_hWnd)
        return;
    m_edit.SetWindowText(L"");
    m_edit.ShowWindow(SW_HIDE);
}

CString CNotePadWnd::EditText() const
{
    CString text;
    if (m_edit.m_hWnd)
        m_edit.GetWindowText(text);
    return text;
}

void CNotePadWnd::Commit(const POINT* cursor)
{
    CCharObject current;
    ToParent(WM_NOTEPAD_NEWOBJECT, reinterpret_cast<WPARAM>(&current));
    CharTextStyle style;
    // A parent that gave no style leaves the objects as they are.
    const bool fromParent = current.GetStyle(&style);
    if (!fromParent)
        style.SetDefault();

    if (m_edit.m_hWnd && m_edit.IsWindowVisible() && m_edit.GetWindowTextLength() > 0) {
        const CString text = EditText();
        if (CCharObject* object = Selected()) {
            CharTextStyle had;
            CStringW hadText;
            object->GetText(&had, &hadText);
            if ((fromParent && (had.Compare(style) != 0 || !SameTiming(*object, current))) || hadText != text) {
                object->SetText(fromParent ? style : had, text);
                if (fromParent)
                    CopyTiming(current, *object);
                SetModified(true);
            }
        } else if (!::IsRectEmpty(&m_selection)) {
            std::unique_ptr<CCharObject> object(new CCharObject);
            if (fromParent)
                CopyTiming(current, *object);
            object->SetText(style, text);
            HDC dc = ::GetDC(m_hWnd);
            RECT size = {0, 0, 0, 0};
            style.Measure(dc, text, &size, false);
            ::ReleaseDC(m_hWnd, dc);
            m_selection.right = m_selection.left + (size.right - size.left);
            m_selection.bottom = m_selection.top + (size.bottom - size.top);
            object->SetRect(m_selection);
            m_page.Add(object.release());
            SetModified(true);
        }
        if (!cursor || !OnFrameBand(m_selection, *cursor)) {
            HideEdit();
            ::SetRectEmpty(&m_selection);
        }
        Invalidate();
    }
    CCharObject* object = Selected();
    if (!fromParent || !object)
        return;
    CharTextStyle had;
    if (!object->GetStyle(&had) || had.Compare(style) != 0 || !SameTiming(*object, current)) {
        object->SetStyle(style); // a text keeps its text, a picture its picture
        CopyTiming(current, *object);
        SetModified(true);
        Invalidate();
    }
}

// ---- painting ----

BOOL CNotePadWnd::OnEraseBkgnd(CDC*)
{
    return TRUE; // painted whole in OnPaint
}

void CNotePadWnd::OnPaint()
{
    CPaintDC paint(this);
    HDC dc = paint.m_hDC;
    RECT client;
    GetClientRect(&client);
    HBRUSH background = ::CreateSolidBrush(m_background);
    ::FillRect(dc, &client, background);
    ::DeleteObject(background);
    const int saved = ::SaveDC(dc);
    ::IntersectClipRect(dc, client.left, client.top, client.right, client.bottom);
    for (int i = 0; i < m_page.GetCount(); ++i) {
        CCharObject* object = nullptr;
        if (!m_page.GetAt(i, &object))
            continue;
        const RECT& r = object->GetRect();
        if (object->GetType() == CCharObject::kText) {
            CharTextStyle style;
            CStringW text;
            if (object->GetText(&style, &text))
                style.DrawText(dc, text, r, 0, false);
        } else {
            std::unique_ptr<CxImage> image(object->GetImage());
            if (image)
                image->Draw(dc, r.left, r.top, r.right - r.left, r.bottom - r.top);
        }
    }
    if (!::IsRectEmpty(&m_selection)) {
        const RECT frame = Inflated(m_selection, kFrameBand);
        ::ExcludeClipRect(dc, m_selection.left, m_selection.top, m_selection.right, m_selection.bottom);
        LOGBRUSH hatch = {BS_HATCHED, kFrameColour, HS_BDIAGONAL};
        HPEN pen = ::ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_SQUARE | PS_JOIN_MITER, kFrameBand, &hatch, 0,
                                  nullptr);
        HGDIOBJ oldPen = ::SelectObject(dc, pen);
        HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(NULL_BRUSH));
        const int half = kFrameBand / 2;
        ::Rectangle(dc, frame.left + half, frame.top + half, frame.right - half, frame.bottom - half);
        ::SelectObject(dc, oldBrush);
        ::SelectObject(dc, oldPen);
        ::DeleteObject(pen);
        for (int i = 0; i < 8; ++i) {
            const RECT h = HandleRect(m_selection, i);
            ::FillRect(dc, &h, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        }
    }
    ::RestoreDC(dc, saved);
}

void CNotePadWnd::DrawFeedback(const RECT* rect)
{
    // XOR frames: drawing one again erases it.
    HDC dc = ::GetDC(m_hWnd);
    auto frame = [dc](const RECT& r) {
        ::PatBlt(dc, r.left, r.top, r.right - r.left, kFeedbackFrame, DSTINVERT);
        ::PatBlt(dc, r.left, r.bottom - kFeedbackFrame, r.right - r.left, kFeedbackFrame, DSTINVERT);
        ::PatBlt(dc, r.left, r.top + kFeedbackFrame, kFeedbackFrame, r.bottom - r.top - 2 * kFeedbackFrame, DSTINVERT);
        ::PatBlt(dc, r.right - kFeedbackFrame, r.top + kFeedbackFrame, kFeedbackFrame,
                 r.bottom - r.top - 2 * kFeedbackFrame, DSTINVERT);
    };
    if (m_feedbackShown)
        frame(m_tracked);
    m_feedbackShown = rect != nullptr;
    if (rect) {
        m_tracked = *rect;
        frame(m_tracked);
    }
    ::ReleaseDC(m_hWnd, dc);
}

// ---- the mouse ----

void CNotePadWnd::OnLButtonDown(UINT, CPoint point)
{
    const int handle = HandleAt(m_selection, point);
    if (handle < 0) {
        const bool onBand = OnFrameBand(m_selection, point);
        Commit(&point);
        const int hit = HitTop(point);
        if (hit >= 0)
            Select(hit);
        else if (!(onBand && m_selected >= 0)) {
            // A click on the band moves what is selected; elsewhere the selection goes,
            // unless a new text box is being typed.
            m_selected = -1;
            if (!m_edit.IsWindowVisible())
                ::SetRectEmpty(&m_selection);
        }
    } else {
        m_resizing = true;
        m_handle = handle;
    }
    Invalidate();
    m_dragging = true;
    m_down = point;
    SetFocus();
    SetCapture();
}

void CNotePadWnd::OnMouseMove(UINT, CPoint point)
{
    if (::GetCapture() == m_hWnd) {
        RECT client;
        GetClientRect(&client);
        ::InflateRect(&client, -kFrameBand, -kFrameBand);
        if (!::PtInRect(&client, point)) {
            POINT clamped = {std::min(std::max(point.x, client.left), client.right - 1),
                             std::min(std::max(point.y, client.top), client.bottom - 1)};
            ClientToScreen(&clamped);
            ::SetCursorPos(clamped.x, clamped.y);
        }
    }
    if (m_resizing) {
        const RECT r = Inflated(ResizedRect(m_selection, m_handle, point), kFrameBand);
        DrawFeedback(&r);
    } else if (m_dragging) {
        RECT r;
        if (::IsRectEmpty(&m_selection))
            r = Span(m_down, point);
        else {
            r = m_selection;
            ::OffsetRect(&r, point.x - m_down.x, point.y - m_down.y);
        }
        DrawFeedback(&r);
    }
}

BOOL CNotePadWnd::OnSetCursor(CWnd* wnd, UINT hitTest, UINT message)
{
    POINT p;
    ::GetCursorPos(&p);
    ScreenToClient(&p);
    if (hitTest != HTCLIENT || m_dragging || !OnFrameBand(m_selection, p))
        return static_cast<BOOL>(Default());
    const int handle = HandleAt(m_selection, p);
    ::SetCursor(::LoadCursorW(nullptr, handle >= 0 ? HandleCursor(handle) : IDC_SIZEALL));
    (void)wnd;
    (void)message;
    return TRUE;
}

void CNotePadWnd::OnLButtonUp(UINT, CPoint point)
{
    if (::GetCapture() == m_hWnd)
        ::ReleaseCapture();
    DrawFeedback(nullptr);
    const int dx = point.x - m_down.x;
    const int dy = point.y - m_down.y;
    if (m_resizing) {
        const RECT r = ResizedRect(m_selection, m_handle, point);
        if (ResizeAccepted(r)) {
            m_selection = r;
            if (CCharObject* object = Selected()) {
                object->SetRect(r);
                SetModified(true);
            }
            if (m_edit.IsWindowVisible())
                m_edit.MoveWindow(&r);
        }
    } else if (m_dragging) {
        if (CCharObject* object = Selected()) {
            if (dx || dy) {
                ::OffsetRect(&m_selection, dx, dy);
                object->SetRect(m_selection);
                SetModified(true);
            }
        } else if (::IsRectEmpty(&m_selection)) {
            const RECT band = Span(m_down, point);
            if (MakesTextBox(band)) {
                m_selection = band;
                ShowEdit(band, L"");
            } else {
                HideEdit();
            }
        } else if (dx || dy) {
            ::OffsetRect(&m_selection, dx, dy);
            m_edit.MoveWindow(&m_selection);
        }
    }
    m_dragging = false;
    m_resizing = false;
    m_handle = -1;
    Invalidate();
}

void CNotePadWnd::OnLButtonDblClk(UINT, CPoint point)
{
    CCharObject* object = Selected();
    if (!object || object->GetType() != CCharObject::kText || !::PtInRect(&object->GetRect(), point))
        return;
    CharTextStyle style;
    CStringW text;
    if (object->GetText(&style, &text))
        ShowEdit(object->GetRect(), text);
}

void CNotePadWnd::OnRButtonDown(UINT, CPoint point)
{
    SetFocus();
    const RECT around = Inflated(m_selection, kFrameBand);
    if (!(m_selected >= 0 && ::PtInRect(&around, point))) {
        // The object on top, as a left click picks it.
        const int hit = HitTop(point);
        if (hit >= 0)
            Select(hit);
        else {
            m_selected = -1;
            if (!m_edit.IsWindowVisible())
                ::SetRectEmpty(&m_selection);
        }
        Invalidate();
    }
    HMENU menu = ::LoadMenuW(AfxGetResourceHandle(), MAKEINTRESOURCEW(kMenuId));
    if (!menu)
        return;
    HMENU popup = ::GetSubMenu(menu, m_selected >= 0 ? 0 : 1);
    ::EnableMenuItem(popup, kCmdPaste,
                     MF_BYCOMMAND | (::IsClipboardFormatAvailable(ClipboardFormat()) ? MF_ENABLED : MF_GRAYED));
    POINT screen = point;
    ClientToScreen(&screen);
    const UINT command = popup ? TrackMenu(popup, screen) : 0;
    ::DestroyMenu(menu);
    if (command)
        SendMessage(WM_COMMAND, command, 0);
}

UINT CNotePadWnd::TrackMenu(HMENU menu, POINT screen)
{
    return static_cast<UINT>(
        ::TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, screen.x, screen.y, 0, m_hWnd, nullptr));
}

void CNotePadWnd::OnKeyDown(UINT key, UINT, UINT)
{
    if (key == VK_DELETE)
        DeleteSelected();
}

// ---- the commands ----

BOOL CNotePadWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const UINT id = LOWORD(wParam);
    if (lParam != 0)
        return CWnd::OnCommand(wParam, lParam); // the edit's notifications
    switch (id) {
    case kCmdCut: Cut(); return TRUE;
    case kCmdCopy: Copy(); return TRUE;
    case kCmdPaste: Paste(); return TRUE;
    case kCmdDelete: DeleteSelected(); return TRUE;
    case kCmdTop:
    case kCmdBottom:
    case kCmdUp:
    case kCmdDown: Reorder(id); return TRUE;
    case kCmdNewText: NewTextBox(); return TRUE;
    case kCmdImportText: {
        CString filter;
        filter.LoadString(kStringTextFilter);
        CFileDialog pick(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, filter, this);
        if (pick.DoModal() == IDOK)
            ImportText(pick.GetPathName());
        return TRUE;
    }
    case kCmdImportPicture:
        ToParent(WM_COMMAND, kParentImageCommand);
        return TRUE;
    default: return CWnd::OnCommand(wParam, lParam);
    }
}

void CNotePadWnd::Copy()
{
    CCharObject* object = Selected();
    if (!object)
        return;
    std::vector<BYTE> record;
    try {
        CMemFile memory;
        {
            CArchive ar(&memory, CArchive::store);
            object->Serialize(ar);
            ar.Close();
        }
        record.resize(static_cast<size_t>(memory.GetLength()));
        memory.SeekToBegin();
        if (!record.empty())
            memory.Read(record.data(), static_cast<UINT>(record.size()));
    } catch (CException* e) {
        e->Delete();
        Box(kStringNoMemory);
        return;
    }
    if (!::OpenClipboard(m_hWnd)) {
        Box(kStringNoClipboard);
        return;
    }
    if (!::EmptyClipboard()) {
        ::CloseClipboard();
        Box(kStringNoEmptyClipboard);
        return;
    }
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, record.size());
    void* at = block ? ::GlobalLock(block) : nullptr;
    if (!at) {
        if (block)
            ::GlobalFree(block);
        ::CloseClipboard();
        Box(kStringNoMemory);
        return;
    }
    memcpy(at, record.data(), record.size());
    ::GlobalUnlock(block);
    if (!::SetClipboardData(ClipboardFormat(), block)) {
        ::GlobalFree(block);
        ::CloseClipboard();
        Box(kStringNoSetClipboard);
        return;
    }
    ::CloseClipboard();
}

void CNotePadWnd::Cut()
{
    if (!Selected())
        return;
    Copy();
    HideEdit();
    m_page.RemoveAt(m_selected);
    m_selected = -1;
    ::SetRectEmpty(&m_selection);
    Invalidate();
    SetModified(true);
}

bool CNotePadWnd::Paste()
{
    if (!::OpenClipboard(m_hWnd)) {
        Box(kStringNoClipboard);
        return false;
    }
    std::vector<BYTE> record;
    if (HANDLE block = ::GetClipboardData(ClipboardFormat())) {
        const SIZE_T size = ::GlobalSize(block);
        if (const void* at = size ? ::GlobalLock(block) : nullptr) {
            record.assign(static_cast<const BYTE*>(at), static_cast<const BYTE*>(at) + size);
            ::GlobalUnlock(block);
        }
    }
    ::CloseClipboard();
    if (record.empty())
        return false;
    std::unique_ptr<CCharObject> object(new CCharObject);
    try {
        // The record's lengths are checked against the block before anything is allocated.
        CMemFile memory(record.data(), static_cast<UINT>(record.size()));
        CArchive ar(&memory, CArchive::load);
        object->Serialize(ar);
    } catch (CException* e) {
        e->Delete();
        return false;
    }
    RECT r = object->GetRect();
    ::OffsetRect(&r, r.left, r.top);
    object->SetRect(r);
    HideEdit();
    const int at = m_page.Add(object.release());
    m_selected = -1;
    Select(at);
    Invalidate();
    SetModified(true);
    return true;
}

void CNotePadWnd::DeleteSelected()
{
    if (m_selected >= 0 && m_page.RemoveAt(m_selected))
        SetModified(true);
    m_selected = -1;
    ::SetRectEmpty(&m_selection);
    HideEdit();
    if (m_path.IsEmpty() && m_page.GetCount() == 0)
        SetModified(false);
    Invalidate();
}

void CNotePadWnd::Reorder(UINT command)
{
    if (m_selected < 0)
        return;
    int at = m_selected;
    switch (command) {
    case kCmdTop: at = m_page.BringToTop(m_selected); break;
    case kCmdBottom: at = m_page.SendToBottom(m_selected); break;
    case kCmdUp: at = m_page.MoveUp(m_selected); break;
    case kCmdDown: at = m_page.MoveDown(m_selected); break;
    default: return;
    }
    if (at >= 0)
        m_selected = at;
    Invalidate();
    SetModified(true);
}

void CNotePadWnd::NewTextBox()
{
    m_selected = -1;
    m_selection = RECT{0, 0, kNewTextBoxSize, kNewTextBoxSize};
    ShowEdit(m_selection, L"");
    Invalidate();
}

bool CNotePadWnd::ImportText(LPCWSTR path, UINT codePage)
{
    HANDLE file = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size = {};
    std::string bytes;
    if (::GetFileSizeEx(file, &size) && size.QuadPart <= kLongestTextFile) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        if (!bytes.empty() && (!::ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr) ||
                               got != bytes.size()))
            bytes.clear();
    }
    ::CloseHandle(file);
    // Converted whole: a double-byte character is never cut in two.
    std::wstring text;
    if (!bytes.empty()) {
        const int n = ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
        if (n > 0) {
            text.resize(static_cast<size_t>(n));
            ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], n);
        }
    }
    NewTextBox();
    ShowEdit(m_selection, text.c_str());
    return true;
}
