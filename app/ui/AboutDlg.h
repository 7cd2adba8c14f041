// The about box: program icon, product name with the build version, and the maker's contact
// data as links.
#pragma once

#include <afxwin.h>

#include "app/ui/HyperLink.h"
#include "app/ui/UiResourceIds.h"

class CAboutDlg : public CDialog {
public:
    enum { IDD = IDD_ABOUTBOX };
    explicit CAboutDlg(CWnd* pParent = nullptr);
    ~CAboutDlg() override = default;

    CHyperLink m_linkWeb;       // 1187: the web address
    CHyperLink m_linkSupport;   // 1234: optional
    CHyperLink m_linkMail;      // 1186: the e-mail address
    CHyperLink m_linkMail2;     // 1188: optional e-mail address

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    DECLARE_MESSAGE_MAP()
};
