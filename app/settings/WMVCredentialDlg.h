// The box that asks the operator for a user name and password when the streaming server a
// push goes to wants them. The caller sets the server's address and the prefilled values,
// runs it modally and, after OK, takes the three values.
#pragma once

#include <afxwin.h>

#include "app/settings/WMVCredentialDlgIds.h"

class CWMVCredentialDlg : public CDialog {
public:
    enum { IDD = IDD_WMV_CREDENTIAL };
    explicit CWMVCredentialDlg(CWnd* pParent = nullptr);
    ~CWMVCredentialDlg() override = default;

    void SetAddress(const CString& address) { m_address = address; }

    CString m_address;  // shown in 1184
    CString m_user;     // 1148
    CString m_password; // 1149
    int m_remember = 0; // 1185

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    DECLARE_MESSAGE_MAP()
};
