#include "app/settings/WMVCredentialDlg.h"

BEGIN_MESSAGE_MAP(CWMVCredentialDlg, CDialog)
END_MESSAGE_MAP()

CWMVCredentialDlg::CWMVCredentialDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

void CWMVCredentialDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_WMV_CREDENTIAL_USER, m_user);
    DDX_Text(pDX, IDC_WMV_CREDENTIAL_PASSWORD, m_password);
    DDX_Check(pDX, IDC_WMV_CREDENTIAL_REMEMBER, m_remember);
}

BOOL CWMVCredentialDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    // The address is only shown: it is not read back.
    ::SetDlgItemTextW(m_hWnd, IDC_WMV_CREDENTIAL_ADDRESS, m_address);
    return TRUE;
}
