#include "app/settings/OPConfigPage.h"

#include "app/foundation/AppHelpers.h"
#include "app/foundation/Ini.h"

#include <cwchar>

namespace {

const wchar_t kSection[] = L"Operation";
const wchar_t* const kLogoSafeLines[] = { L"0.00", L"0.05", L"0.10", L"0.15" };
const wchar_t* const kSubSafeLines[] = { L"0.0", L"0.05", L"0.10", L"0.15" };

void FillSafeLines(CComboBox* box, const wchar_t* const* texts, float value)
{
    box->ResetContent();
    for (int i = 0; i < 4; ++i)
        box->AddString(texts[i]);
    CString shown;
    shown.Format(L"%.2f", value);
    box->SetWindowText(shown);
}

CString TextOf(const CWnd* wnd)
{
    CString text;
    wnd->GetWindowText(text);
    return text;
}

} // namespace

BEGIN_MESSAGE_MAP(COPConfigPage, CPropertyPage)
    ON_BN_CLICKED(IDC_OP_SECPAUSE, OnChanged)
    ON_BN_CLICKED(IDC_OP_PRIRECORD, OnChanged)
    ON_CBN_SELCHANGE(IDC_OP_LOGO_SAFELINE, OnChanged)
    ON_CONTROL(CBN_EDITCHANGE, IDC_OP_LOGO_SAFELINE, OnChanged)
    ON_CBN_SELCHANGE(IDC_OP_SUB_SAFELINE, OnChanged)
    ON_CONTROL(CBN_EDITCHANGE, IDC_OP_SUB_SAFELINE, OnChanged)
END_MESSAGE_MAP()

COPConfigPage::COPConfigPage() : CPropertyPage(IDD) {}

CString COPConfigPage::SettingsPath()
{
    return GetExeDirectory() + L"\\config\\system.ini";
}

int COPConfigPage::LoadSettings()
{
    return LoadSettings(SettingsPath());
}

int COPConfigPage::LoadSettings(const CString& path)
{
    if (::GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES)
        return 0;
    util::CIni ini(path);
    // Flags read as the program reads every flag: "true"/"yes" in any case, or a non-zero number.
    m_nSecPause = ini.GetBool(kSection, L"SecPause", TRUE) ? 1 : 0;
    m_nPriRecord = ini.GetBool(kSection, L"PriRecord", FALSE) ? 1 : 0;
    m_fLogoSL = static_cast<float>(ini.GetDouble(kSection, L"LogoSL", 0.05));
    m_fSubSL = static_cast<float>(ini.GetDouble(kSection, L"SubSL", 0.05));
    m_nActionWhenOver = ini.GetInt(kSection, L"ActionWhenOver", kStayOnLast);
    // A value no radio stands for would leave the channel's end without any action.
    if (m_nActionWhenOver < kStayOnLast || m_nActionWhenOver > kPlayAgain)
        m_nActionWhenOver = kStayOnLast;
    return 1;
}

BOOL COPConfigPage::SaveSettings() const
{
    return SaveSettings(SettingsPath());
}

BOOL COPConfigPage::SaveSettings(const CString& path) const
{
    util::CIni ini(path);
    BOOL ok = ini.WriteInt(kSection, L"SecPause", m_nSecPause);
    ok = ini.WriteInt(kSection, L"PriRecord", m_nPriRecord) && ok;
    ok = ini.WriteDouble(kSection, L"LogoSL", m_fLogoSL) && ok;
    ok = ini.WriteDouble(kSection, L"SubSL", m_fSubSL) && ok;
    ok = ini.WriteInt(kSection, L"ActionWhenOver", m_nActionWhenOver) && ok;
    return ok;
}

float COPConfigPage::ParseSafeLine(const CString& text)
{
    const wchar_t* start = text;
    wchar_t* end = nullptr;
    double value = std::wcstod(start, &end);
    return end == start ? 0.0f : static_cast<float>(value);
}

BOOL COPConfigPage::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    LoadSettings();
    FillSafeLines(static_cast<CComboBox*>(GetDlgItem(IDC_OP_LOGO_SAFELINE)), kLogoSafeLines, m_fLogoSL);
    FillSafeLines(static_cast<CComboBox*>(GetDlgItem(IDC_OP_SUB_SAFELINE)), kSubSafeLines, m_fSubSL);
    CheckRadioButton(IDC_OP_OVER_LAST, IDC_OP_OVER_REPLAY, IDC_OP_OVER_LAST + m_nActionWhenOver);
    CheckDlgButton(IDC_OP_SECPAUSE, m_nSecPause ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_OP_PRIRECORD, m_nPriRecord ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

void COPConfigPage::OnChanged()
{
    SetModified(TRUE);
}

BOOL COPConfigPage::OnApply()
{
    m_nSecPause = IsDlgButtonChecked(IDC_OP_SECPAUSE) == BST_CHECKED ? 1 : 0;
    m_nPriRecord = IsDlgButtonChecked(IDC_OP_PRIRECORD) == BST_CHECKED ? 1 : 0;
    m_fLogoSL = ParseSafeLine(TextOf(GetDlgItem(IDC_OP_LOGO_SAFELINE)));
    m_fSubSL = ParseSafeLine(TextOf(GetDlgItem(IDC_OP_SUB_SAFELINE)));
    if (IsDlgButtonChecked(IDC_OP_OVER_FIRST) == BST_CHECKED)
        m_nActionWhenOver = kStayOnFirst;
    else if (IsDlgButtonChecked(IDC_OP_OVER_LAST) == BST_CHECKED)
        m_nActionWhenOver = kStayOnLast;
    else if (IsDlgButtonChecked(IDC_OP_OVER_REPLAY) == BST_CHECKED)
        m_nActionWhenOver = kPlayAgain;
    SaveSettings();
    return CPropertyPage::OnApply();
}
