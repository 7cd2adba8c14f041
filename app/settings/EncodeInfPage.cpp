#include "app/settings/EncodeInfPage.h"

#include "app/settings/OutputDeviceLists.h"
#include "app/settings/OutputSettingsIni.h"

BEGIN_MESSAGE_MAP(CEncodeInfPage, CPropertyPage)
    ON_EN_CHANGE(IDC_EI_TITLE, OnChanged)
    ON_EN_CHANGE(IDC_EI_AUTHOR, OnChanged)
    ON_EN_CHANGE(IDC_EI_RATING, OnChanged)
    ON_EN_CHANGE(IDC_EI_COPYRIGHT, OnChanged)
    ON_EN_CHANGE(IDC_EI_DESCRIPTION, OnChanged)
END_MESSAGE_MAP()

CEncodeInfPage::CEncodeInfPage() : CPropertyPage(IDD) {}

int CEncodeInfPage::LoadSettings()
{
    return LoadSettings(OutputIniPath());
}

int CEncodeInfPage::LoadSettings(const CString& path)
{
    CEncodeSettings settings;
    if (!LoadEncodeInfoSettings(path, settings))
        return 0;
    m_strTitle = settings.Title;
    m_strAuthor = settings.Author;
    m_strRating = settings.Rating;
    m_strCopyright = settings.Copyright;
    m_strDescription = settings.Description;
    return 1;
}

BOOL CEncodeInfPage::SaveSettings() const
{
    return SaveSettings(OutputIniPath());
}

BOOL CEncodeInfPage::SaveSettings(const CString& path) const
{
    CEncodeSettings settings;
    CopyTo(settings);
    return SaveEncodeInfoSettings(path, settings);
}

void CEncodeInfPage::CopyTo(CEncodeSettings& settings) const
{
    settings.Title = OneLine(m_strTitle);
    settings.Author = OneLine(m_strAuthor);
    settings.Rating = OneLine(m_strRating);
    settings.Copyright = OneLine(m_strCopyright);
    settings.Description = OneLine(m_strDescription);
}

void CEncodeInfPage::DoDataExchange(CDataExchange* pDX)
{
    CPropertyPage::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_EI_TITLE, m_strTitle);
    DDX_Text(pDX, IDC_EI_AUTHOR, m_strAuthor);
    DDX_Text(pDX, IDC_EI_RATING, m_strRating);
    DDX_Text(pDX, IDC_EI_COPYRIGHT, m_strCopyright);
    DDX_Text(pDX, IDC_EI_DESCRIPTION, m_strDescription);
}

BOOL CEncodeInfPage::OnInitDialog()
{
    LoadSettings();
    return CPropertyPage::OnInitDialog();   // shows the loaded values
}

void CEncodeInfPage::OnChanged()
{
    SetModified(TRUE);
}

BOOL CEncodeInfPage::OnApply()
{
    if (!UpdateData(TRUE))
        return FALSE;
    SaveSettings();
    m_bApplied = TRUE;
    return CPropertyPage::OnApply();
}
