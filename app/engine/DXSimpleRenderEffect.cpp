#include "app/engine/DXSimpleRenderEffect.h"

namespace {

LANGID g_languageOverride = 0;

// Effect files hold their strings in the ANSI code page of the system they are meant for.
CString FromAnsi(LPCSTR text)
{
    CString out;
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 1) return out;
    std::vector<wchar_t> wide(static_cast<size_t>(n));
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), n);
    out = wide.data();
    return out;
}

} // namespace

LANGID CDXSimpleRenderEffect::DescriptionLanguage()
{
    return g_languageOverride ? g_languageOverride : GetSystemDefaultLangID();
}

void CDXSimpleRenderEffect::SetDescriptionLanguageOverride(LANGID language)
{
    g_languageOverride = language;
}

HRESULT CDXSimpleRenderEffect::CreateGeometry() { return S_FALSE; }

void CDXSimpleRenderEffect::ReleaseGeometry() {}

HRESULT CDXSimpleRenderEffect::ReadProperties()
{
    if (!m_pEffect) return E_UNEXPECTED;
    INT type = 0, id = 0;
    HRESULT hr = m_pEffect->GetInt("_Type", &type);
    if (FAILED(hr)) return hr;
    if (FAILED(hr = m_pEffect->GetInt("_ID", &id))) return hr;

    LPCSTR text = nullptr;
    if (FAILED(hr = m_pEffect->GetString("_Name", &text))) return hr;
    if (!text) return E_FAIL;
    CString name = FromAnsi(text);

    LPCSTR descriptionName = "_Description_us";
    switch (DescriptionLanguage()) {
    case 2052: descriptionName = "_Description_cn"; break;
    case 1028: case 3076: descriptionName = "_Description_td"; break;
    default: break;
    }
    text = nullptr;
    if (FAILED(hr = m_pEffect->GetString(descriptionName, &text))) return hr;
    if (!text) return E_FAIL;
    CString description = FromAnsi(text);
    description.Replace(L"|", L"\r\n");

    BOOL timeSensitive = FALSE;
    if (FAILED(hr = m_pEffect->GetBool("_TimeSensitivity", &timeSensitive))) return hr;
    BOOL swap = TRUE;
    if (m_pEffect->GetParameterByName(nullptr, "_SwapWhenOver")) {
        if (FAILED(hr = m_pEffect->GetBool("_SwapWhenOver", &swap))) return hr;
    }

    m_nType = type;
    m_nID = id;
    m_strName = name;
    m_strDescription = description;
    m_bTimeSensitivity = timeSensitive ? 1 : 0;
    m_bSwapWhenOver = swap ? 1 : 0;
    return S_OK;
}
