// The dialog a scheduled caption is made or edited in: a name, a caption page file, the time
// it is shown and how long it stays.
#pragma once

#include <afxwin.h>

#include "app/captions/AddCharDlgIds.h"
#include "app/captions/PlayItem.h"

class CAddCharDlg : public CDialog {
public:
    enum { IDD = IDD_ADD_CHAR };
    explicit CAddCharDlg(CWnd* pParent = nullptr);
    ~CAddCharDlg() override = default;

    // Before DoModal, to edit a caption.
    void SetItem(const CaptionItem& item);
    // After OK: name, page file, time and duration (the enabled flag stays as it was).
    void GetItem(CaptionItem& item) const;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnBrowse();

    DECLARE_MESSAGE_MAP()

private:
    void ShowTimes();
    void ReadTimes();

    CString m_name;
    CString m_file;
    __time64_t m_displayTime = 0;
    __time64_t m_displayDuration = 0;
};
