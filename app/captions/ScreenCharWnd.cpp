#include "app/captions/ScreenCharWnd.h"

#include <algorithm>
#include <string>
#include <vector>

#include "app/core/DeskMessages.h"

namespace {

const UINT kLongestTimerMs = 0x7FFFFFFF;
const int kColumnMargin = 5;
// The width a WM_CAPTION_BITMAP can carry in its low 16 bits.
const int kWidestLine = 0xFFFF;

std::wstring Widen(const std::string& bytes, UINT codePage)
{
    if (bytes.empty())
        return std::wstring();
    const int n = ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (n <= 0)
        return std::wstring();
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), &out[0], n);
    return out;
}

} // namespace

BEGIN_MESSAGE_MAP(CScreenCharWnd, CWnd)
    ON_WM_CREATE()
    ON_WM_PAINT()
    ON_WM_SIZE()
    ON_WM_TIMER()
    ON_WM_DESTROY()
END_MESSAGE_MAP()

CScreenCharWnd::CScreenCharWnd() = default;

CScreenCharWnd::~CScreenCharWnd()
{
    if (m_hWnd)
        DestroyWindow();
}

BOOL CScreenCharWnd::Create(const RECT& rect, CWnd* parent, UINT id)
{
    return CWnd::Create(nullptr, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, rect, parent, id);
}

int CScreenCharWnd::OnCreate(LPCREATESTRUCT)
{
    RECT client;
    GetClientRect(&client);
    const RECT place = {0, kListTop, client.right, std::max<LONG>(client.bottom, kListTop)};
    if (!m_list.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_EDITLABELS |
                           LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                       place, this, kListId))
        return -1;
    m_list.ModifyStyleEx(0, WS_EX_CLIENTEDGE, SWP_FRAMECHANGED);
    m_list.SetExtendedStyle(LVS_EX_FULLROWSELECT);
    m_list.InsertColumn(0, L"char", LVCFMT_CENTER, std::max<int>(client.right - kColumnMargin, 0));
    return 0;
}

void CScreenCharWnd::OnSize(UINT, int cx, int cy)
{
    if (!m_list.m_hWnd)
        return;
    m_list.MoveWindow(0, kListTop, cx, std::max(cy - kListTop, 0));
    m_list.SetColumnWidth(0, std::max(cx - kColumnMargin, 0));
}

bool CScreenCharWnd::LoadTextFile(LPCWSTR path, UINT codePage)
{
    HANDLE file = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    m_list.DeleteAllItems();
    // Lines are cut from the bytes before they are converted, so a double-byte character is
    // never split (no trail byte of a double-byte code page is a line feed).
    std::string line;
    bool tooLong = false;
    auto finishLine = [&]() {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() > kLongestLine) {
            tooLong = true;
            return;
        }
        if (!line.empty()) {
            const std::wstring text = Widen(line, codePage);
            m_list.InsertItem(m_list.GetItemCount(), text.c_str());
        }
        line.clear();
    };
    std::vector<char> piece(64 * 1024);
    DWORD got = 0;
    while (!tooLong && ::ReadFile(file, piece.data(), static_cast<DWORD>(piece.size()), &got, nullptr) && got) {
        for (DWORD i = 0; i < got && !tooLong; ++i) {
            if (piece[i] == '\n')
                finishLine();
            else if (line.size() > kLongestLine + 1)
                tooLong = true; // longer than any kept line, with or without its '\r'
            else
                line += piece[i];
        }
    }
    if (!tooLong)
        finishLine();
    ::CloseHandle(file);
    return true;
}

void CScreenCharWnd::SetAutoMode(bool enable, double seconds)
{
    m_autoMode = enable;
    if (!enable) {
        StopTicker();
        return;
    }
    TakeLine(0);
    if (seconds > 0) {
        const double ms = seconds * 1000.0 + 0.5; // 0.29 s is 290 ms, not 289
        m_period = ms >= kLongestTimerMs ? kLongestTimerMs : std::max<UINT>(static_cast<UINT>(ms), 1);
    }
    StartTicker(m_period);
    m_manualMode = false;
}

void CScreenCharWnd::SetManualMode(bool enable)
{
    m_manualMode = enable;
    if (enable && m_autoMode) {
        StopTicker();
        m_autoMode = false;
    }
}

void CScreenCharWnd::TakeLine(int index)
{
    if ((!m_autoMode && !m_manualMode) || index < 0 || index >= m_list.GetItemCount()) {
        m_text.Empty();
    } else {
        m_text = m_list.GetItemText(index, 0);
        m_list.DeleteItem(index);
    }
    Invalidate();
    RenderLine();
}

void CScreenCharWnd::RenderLine()
{
    if (!m_style || !m_hWnd)
        return;
    HWND parent = ::GetParent(m_hWnd);
    if (m_text.IsEmpty()) {
        ::SendMessageW(parent, WM_CAPTION_BITMAP, 0, 0);
        return;
    }
    HDC windowDc = ::GetDC(m_hWnd);
    RECT size = {0, 0, 0, 0};
    m_style->Measure(windowDc, m_text, &size, true);
    // The message carries the size in 16 bits each: a longer line is cut at the right.
    const int width = std::min<int>(size.right - size.left, kWidestLine);
    const int height = std::min<int>(size.bottom - size.top, kWidestLine);
    HDC memory = width > 0 && height > 0 ? ::CreateCompatibleDC(windowDc) : nullptr;
    HBITMAP bitmap = memory ? ::CreateCompatibleBitmap(windowDc, width, height) : nullptr;
    ::ReleaseDC(m_hWnd, windowDc);
    if (!bitmap) {
        // Nothing to show rather than a stale line.
        if (memory)
            ::DeleteDC(memory);
        ::SendMessageW(parent, WM_CAPTION_BITMAP, 0, 0);
        return;
    }
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    const RECT box = {0, 0, width, height};
    m_style->DrawText(memory, m_text, box, CharTextStyle::kLineFormat, true);
    ::SendMessageW(parent, WM_CAPTION_BITMAP, reinterpret_cast<WPARAM>(memory),
                   static_cast<LPARAM>((static_cast<DWORD>(height) << 16) | static_cast<DWORD>(width)));
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
}

void CScreenCharWnd::StartTicker(UINT periodMs)
{
    m_ticking = SetTimer(kAutoTimer, periodMs) != 0;
}

void CScreenCharWnd::StopTicker()
{
    if (m_ticking && m_hWnd)
        KillTimer(kAutoTimer);
    m_ticking = false;
}

void CScreenCharWnd::OnTimer(UINT_PTR id)
{
    if (id == kAutoTimer)
        Tick();
}

void CScreenCharWnd::Tick()
{
    if (!m_autoMode)
        return; // a tick already queued when the mode ended
    if (m_list.GetItemCount() == 0)
        EndAutoMode();
    TakeLine(0);
}

void CScreenCharWnd::EndAutoMode()
{
    m_autoMode = false;
    StopTicker();
    // The main window's automatic-publishing switch follows the window, not the other way.
    ::SendMessageW(::GetParent(m_hWnd), WM_SUBTITLE_AUTO_ENDED, 0, 0);
}

void CScreenCharWnd::OnPaint()
{
    CPaintDC dc(this);
    RECT client;
    GetClientRect(&client);
    ::FillRect(dc.m_hDC, &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    if ((m_autoMode || m_manualMode) && m_style && !m_text.IsEmpty()) {
        const RECT band = {0, 0, client.right, kTextBand};
        m_style->DrawText(dc.m_hDC, m_text, band, CharTextStyle::kLineFormat, true);
    }
}

void CScreenCharWnd::OnDestroy()
{
    StopTicker();
    CWnd::OnDestroy();
}

BOOL CScreenCharWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!header || header->idFrom != kListId)
        return CWnd::OnNotify(wParam, lParam, pResult);
    LRESULT result = 0;
    switch (header->code) {
    case NM_DBLCLK: {
        const NMITEMACTIVATE* click = reinterpret_cast<const NMITEMACTIVATE*>(lParam);
        if (m_manualMode && m_list.GetItemCount() > 0 && click->iItem >= 0)
            TakeLine(click->iItem);
        break;
    }
    case NM_CLICK:
        OnListClick(reinterpret_cast<const NMITEMACTIVATE*>(lParam));
        break;
    case LVN_BEGINLABELEDITW:
        result = m_autoMode ? TRUE : FALSE; // lines are not edited while they are being published
        break;
    case LVN_ENDLABELEDITW:
        result = OnEndEdit(reinterpret_cast<const NMLVDISPINFOW*>(lParam)) ? TRUE : FALSE;
        break;
    default:
        return CWnd::OnNotify(wParam, lParam, pResult);
    }
    if (pResult)
        *pResult = result;
    return TRUE;
}

void CScreenCharWnd::OnListClick(const NMITEMACTIVATE* click)
{
    LVHITTESTINFO hit = {};
    hit.pt = click->ptAction;
    if (m_list.SendMessage(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)) >= 0)
        return;
    // An edit the window would refuse adds no line that nobody can fill.
    if (m_autoMode)
        return;
    const int at = m_list.InsertItem(m_list.GetItemCount(), L"");
    if (at < 0)
        return;
    m_list.SetFocus();
    if (!m_list.EditLabel(at) && m_list.GetItemText(at, 0).IsEmpty())
        m_list.DeleteItem(at);
}

bool CScreenCharWnd::OnEndEdit(const NMLVDISPINFOW* info)
{
    const int item = info->item.iItem;
    if (info->item.pszText && info->item.pszText[0])
        return true;
    // Cancelled, or left empty: an empty line does not stay behind.
    if (item >= 0 && m_list.GetItemText(item, 0).IsEmpty())
        m_list.PostMessage(LVM_DELETEITEM, static_cast<WPARAM>(item), 0);
    return false;
}
