#include "app/captions/PreViewDlg.h"

#include "app/captions/CaptionMessages.h"

BEGIN_MESSAGE_MAP(CPreViewDlg, CDialog)
    ON_WM_PAINT()
    ON_WM_SIZE()
    ON_WM_CLOSE()
END_MESSAGE_MAP()

CPreViewDlg::CPreViewDlg(int outputWidth, int outputHeight, CWnd* pParent)
    : CDialog(IDD, pParent), m_width(outputWidth > 0 ? outputWidth : 720), m_height(outputHeight > 0 ? outputHeight : 576)
{
}

CPreViewDlg::~CPreViewDlg()
{
    if (m_hWnd)
        DestroyWindow();
}

BOOL CPreViewDlg::Create(CWnd* pParent, HWND notify)
{
    m_notify = notify;
    return CDialog::Create(IDD, pParent);
}

BOOL CPreViewDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    const RECT view = {0, 0, m_width, m_height};
    m_view.Create(nullptr, L"", WS_CHILD | WS_VISIBLE, view, this, IDC_CAPTION_PREVIEW_VIEW);
    RECT frame = view;
    ::AdjustWindowRectEx(&frame, GetStyle(), FALSE, GetExStyle());
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    CenterWindow();
    return TRUE;
}

void CPreViewDlg::OnPaint()
{
    CPaintDC dc(this);
    RECT client;
    GetClientRect(&client);
    ::FillRect(dc.m_hDC, &client, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
}

void CPreViewDlg::OnSize(UINT, int cx, int cy)
{
    if (m_view.m_hWnd)
        m_view.MoveWindow(0, 0, cx, cy);
}

void CPreViewDlg::OnClose()
{
    if (m_notify && ::IsWindow(m_notify))
        ::SendMessageW(m_notify, WM_PREVIEW_CLOSED, 0, 0);
    ShowWindow(SW_HIDE);
}

void CPreViewDlg::OnCancel()
{
    OnClose(); // Escape closes it like the close box: hidden, never destroyed
}

void CPreViewDlg::OnOK() {}
