#include "app/ui/DVViewWnd.h"

#include "app/core/DeskMessages.h"
#include "app/ui/DBDisplayWnd.h"
#include "app/ui/MonitorList.h"

namespace {

const COLORREF kColorKey = RGB(255, 255, 255);
const COLORREF kElapsedText = RGB(0, 255, 0);

HBRUSH BlackBrush()
{
    return static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
}

} // namespace

const RECT CDVViewWnd::kVideoAreaRect = { 25, 22, 354, 267 };
const RECT CDVViewWnd::kLevel1Rect = { 75, 8, 304, 11 };
const RECT CDVViewWnd::kLevel2Rect = { 75, 13, 304, 16 };
const RECT CDVViewWnd::kElapsedRect = { 147, 270, 227, 287 };
const RECT CDVViewWnd::kButtonRect = { 328, 269, 349, 288 };

BEGIN_MESSAGE_MAP(CViewVideoArea, CWnd)
    ON_WM_ERASEBKGND()
    ON_WM_PAINT()
END_MESSAGE_MAP()

BOOL CViewVideoArea::OnEraseBkgnd(CDC* pDC)
{
    CRect rc;
    GetClientRect(&rc);
    pDC->FillRect(&rc, CBrush::FromHandle(BlackBrush()));
    return TRUE;
}

void CViewVideoArea::OnPaint()
{
    // Until the mixer presents a picture here the area is black; the presented frames are
    // drawn by the engine's device, not by this window.
    CPaintDC dc(this);
}

BEGIN_MESSAGE_MAP(CDVViewWnd, CWnd)
    ON_COMMAND(IDC_VIEW_VIDEO_BUTTON, OnVideoButton)
    ON_WM_TIMER()
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_MESSAGE(WM_ENABLE, OnEnable)
    ON_WM_DESTROY()
END_MESSAGE_MAP()

CDVViewWnd::CDVViewWnd() : m_strElapsed(L"00:00:00") {}

CDVViewWnd::~CDVViewWnd()
{
    if (m_hWnd != nullptr)
        DestroyWindow();
}

BOOL CDVViewWnd::Create(CWnd* pParent, const RECT& rc, UINT id)
{
    if (!CreateEx(0, nullptr, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, rc, pParent, id))
        return FALSE;
    if (pParent != nullptr && pParent->GetFont() != nullptr)
        SetFont(pParent->GetFont(), FALSE);
    return TRUE;
}

void CDVViewWnd::SetupControls(UI_Mgr::SBmpMapMgr* skin, UINT backgroundItem)
{
    if (m_hWnd == nullptr || skin == nullptr)
        return;
    m_pSkin = skin;
    m_nBackgroundItem = backgroundItem;
    // The picture is presented into the video area; painting the view must leave it alone.
    ModifyStyle(0, WS_CLIPCHILDREN);

    if (m_videoArea.GetSafeHwnd() == nullptr)
        m_videoArea.CreateEx(0, nullptr, L"", WS_CHILD | WS_VISIBLE, kVideoAreaRect, this, IDC_VIEW_VIDEO_AREA);
    if (!m_level1) {
        m_level1.reset(new CDBDisplayWnd);
        m_level1->Create(kLevel1Rect, this, IDC_VIEW_LEVEL1);
        m_level1->SetLevel(m_nLevel1);
    }
    if (!m_level2) {
        m_level2.reset(new CDBDisplayWnd);
        m_level2->Create(kLevel2Rect, this, IDC_VIEW_LEVEL2);
        m_level2->SetLevel(m_nLevel2);
    }
    if (m_button.GetSafeHwnd() == nullptr) {
        m_button.SetSkinMap(skin);
        m_button.SetStateImages(kButtonSkinBase);
        m_button.SetTransparent(TRUE, kColorKey);
        m_button.Create(L"", WS_CHILD | WS_VISIBLE | WS_DISABLED | BS_OWNERDRAW, kButtonRect, this,
                        IDC_VIEW_VIDEO_BUTTON);
        // There is no program to show yet: the view starts disabled, and the main window enables
        // it exactly while there is a program channel, which enables the button with it.
        EnableWindow(FALSE);
    }
    Invalidate();
}

void CDVViewWnd::SetOutputSize(int width, int height)
{
    if (width > 0 && height > 0) {
        m_nOutputWidth = width;
        m_nOutputHeight = height;
    }
    m_videoDlg.SetOutputSize(m_nOutputWidth, m_nOutputHeight);
}

void CDVViewWnd::SetAspect(double aspect)
{
    m_dAspect = aspect;
    m_videoDlg.SetAspect(aspect);
}

void CDVViewWnd::StartTimer()
{
    m_nElapsed = 0;
    if (m_hWnd != nullptr)
        m_bTimer = SetTimer(kElapsedTimer, kElapsedPeriodMs) != 0;
    if (m_videoDlg.GetSafeHwnd() != nullptr && m_videoDlg.IsWindowVisible())
        m_videoDlg.SetShownFlag(1);
}

void CDVViewWnd::StopTimer()
{
    if (m_hWnd != nullptr)
        KillTimer(kElapsedTimer);
    m_bTimer = FALSE;
    m_nElapsed = 0;
    m_strElapsed = FormatElapsed(0);
    RepaintElapsed();
}

void CDVViewWnd::OnTimer(UINT_PTR id)
{
    if (id != kElapsedTimer) {
        CWnd::OnTimer(id);
        return;
    }
    ++m_nElapsed;
    m_strElapsed = FormatElapsed(m_nElapsed);
    RepaintElapsed();
}

CString CDVViewWnd::FormatElapsed(LONGLONG seconds)
{
    const CTimeSpan span(static_cast<__time64_t>(seconds));
    return span.Format(span.GetHours() != 0 ? L"%H:%M:%S" : L"%M:%S");
}

void CDVViewWnd::RepaintElapsed()
{
    if (m_hWnd != nullptr)
        InvalidateRect(&kElapsedRect, FALSE);
}

void CDVViewWnd::SetLevels(short level1, short level2)
{
    m_nLevel1 = level1;
    m_nLevel2 = level2;
    if (m_level1)
        m_level1->SetLevel(level1);
    if (m_level2)
        m_level2->SetLevel(level2);
}

HWND CDVViewWnd::MainWindow() const
{
    CWnd* main = AfxGetMainWnd();
    return main != nullptr ? main->GetSafeHwnd() : nullptr;
}

void CDVViewWnd::OnVideoButton()
{
    if (m_videoDlg.GetSafeHwnd() != nullptr && m_videoDlg.IsWindowVisible()) {
        m_videoDlg.ShowWindow(SW_HIDE);
        if (HWND main = MainWindow()) {
            ::SendMessageW(main, WM_REMOVE_VIDEO_WINDOW, reinterpret_cast<WPARAM>(m_videoDlg.GetVideoWindow()), 0);
            m_videoDlg.SetShownFlag(0);
        }
        return;
    }
    if (m_videoDlg.GetSafeHwnd() != nullptr) {
        m_videoDlg.ShowWindow(SW_SHOW);
    } else {
        m_videoDlg.SetOutputSize(m_nOutputWidth, m_nOutputHeight);
        m_videoDlg.SetAspect(m_dAspect);
        if (!m_videoDlg.Create(nullptr))
            return;
        m_videoDlg.ShowWindow(SW_SHOW);
    }
    if (HWND main = MainWindow()) {
        ::SendMessageW(main, WM_ADD_VIDEO_WINDOW, reinterpret_cast<WPARAM>(m_videoDlg.GetVideoWindow()), 0);
        m_videoDlg.SetShownFlag(1);
        if (!m_rcPlacement.IsRectEmpty())
            m_videoDlg.PlaceOnRect(m_rcPlacement);
    }
}

void CDVViewWnd::ShowOnRect(const RECT& rc)
{
    m_rcPlacement = rc;
    SendMessage(WM_COMMAND, IDC_VIEW_VIDEO_BUTTON);
    m_rcPlacement.SetRectEmpty();
}

BOOL CDVViewWnd::ShowOnMonitor(int number)
{
    RECT rc;
    if (!ChooseMonitorRect(ListMonitorRects(), number, &rc))
        return FALSE;
    // Already shown (and registered): only moved there, not hidden by a second toggle.
    if (IsVideoWindowVisible())
        return m_videoDlg.PlaceOnRect(rc);
    ShowOnRect(rc);
    return IsVideoWindowVisible();
}

void CDVViewWnd::HideVideoWindow()
{
    if (IsVideoWindowVisible())
        SendMessage(WM_COMMAND, IDC_VIEW_VIDEO_BUTTON);
}

BOOL CDVViewWnd::IsVideoWindowVisible() const
{
    return m_videoDlg.GetSafeHwnd() != nullptr && m_videoDlg.IsWindowVisible();
}

LRESULT CDVViewWnd::OnEnable(WPARAM wParam, LPARAM)
{
    // The main window enables the view exactly while there is a program channel; the video
    // window's button follows it.
    if (m_button.GetSafeHwnd() != nullptr)
        m_button.EnableWindow(wParam != 0);
    return 0;
}

BOOL CDVViewWnd::OnEraseBkgnd(CDC*)
{
    return TRUE;
}

void CDVViewWnd::OnPaint()
{
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    if (m_pSkin == nullptr || !m_pSkin->DrawItem(&dc, client, m_nBackgroundItem, true))
        dc.FillRect(&client, CBrush::FromHandle(BlackBrush()));

    CRect text(kElapsedRect);
    dc.FillRect(&text, CBrush::FromHandle(BlackBrush()));
    CFont* font = GetFont();
    CFont* old = font != nullptr ? dc.SelectObject(font) : nullptr;
    dc.SetTextColor(kElapsedText);
    dc.SetBkMode(TRANSPARENT);
    dc.DrawText(m_strElapsed, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (old != nullptr)
        dc.SelectObject(old);
}

void CDVViewWnd::OnDestroy()
{
    KillTimer(kElapsedTimer);
    if (m_videoDlg.GetSafeHwnd() != nullptr)
        m_videoDlg.DestroyWindow();
    if (m_level1 && m_level1->GetSafeHwnd() != nullptr)
        m_level1->DestroyWindow();
    if (m_level2 && m_level2->GetSafeHwnd() != nullptr)
        m_level2->DestroyWindow();
    CWnd::OnDestroy();
}
