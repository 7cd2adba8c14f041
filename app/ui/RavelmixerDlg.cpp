#include "app/ui/RavelmixerDlg.h"

BEGIN_MESSAGE_MAP(CRavelmixerDlg, CDialog)
END_MESSAGE_MAP()

CRavelmixerDlg::CRavelmixerDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

CRavelmixerDlg::~CRavelmixerDlg() = default;

BOOL CRavelmixerDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    return TRUE;
}
