// The metadata page of the Windows Media sheet: the title, author, rating, copyright and
// description written into the stream. Kept in config\output.ini, [Encoding].
#pragma once

#include <afxdlgs.h>

#include "app/core/OutputSettings.h"
#include "app/settings/OutputPagesIds.h"

class CEncodeInfPage : public CPropertyPage {
public:
    enum { IDD = IDD_ENCODE_INF_PAGE };

    CEncodeInfPage();

    int LoadSettings();
    int LoadSettings(const CString& path);
    BOOL SaveSettings() const;
    BOOL SaveSettings(const CString& path) const;
    void CopyTo(CEncodeSettings& settings) const;

    CString m_strTitle;
    CString m_strAuthor;
    CString m_strRating;
    CString m_strCopyright;
    CString m_strDescription;

    BOOL m_bApplied = FALSE;

protected:
    BOOL OnInitDialog() override;
    BOOL OnApply() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnChanged();

    DECLARE_MESSAGE_MAP()
};
