#include "app/ui/AboutDlg.h"

BEGIN_MESSAGE_MAP(CAboutDlg, CDialog)
END_MESSAGE_MAP()

CAboutDlg::CAboutDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

void CAboutDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_ABOUT_WEB, m_linkWeb);
    DDX_Control(pDX, IDC_ABOUT_SUPPORT, m_linkSupport);
    DDX_Control(pDX, IDC_ABOUT_MAIL, m_linkMail);
    DDX_Control(pDX, IDC_ABOUT_MAIL2, m_linkMail2);
}

BOOL CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    CString text;
    m_linkWeb.GetWindowText(text);
    m_linkWeb.SetTarget(text);
    m_linkSupport.GetWindowText(text);
    if (!text.IsEmpty())
        m_linkSupport.SetTarget(text);
    m_linkMail.GetWindowText(text);
    m_linkMail.SetTarget(CString(L"mailto:") + text);
    m_linkMail2.GetWindowText(text);
    if (!text.IsEmpty())
        m_linkMail2.SetTarget(CString(L"mailto:") + text);
    return TRUE;
}
