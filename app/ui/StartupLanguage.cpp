#include "app/ui/StartupLanguage.h"

#include "app/foundation/Ini.h"

namespace startup {

namespace {

const wchar_t kSection[] = L"language";
const wchar_t kKey[] = L"current";

HINSTANCE g_modules[4] = {};
int g_current = kSpChinese;

} // namespace

int LanguageFromSetting(const CString& value, LANGID systemLanguage)
{
    if (value.IsEmpty()) {
        if (PRIMARYLANGID(systemLanguage) != LANG_CHINESE)
            return kEnglish;
        // Sub-language 1 is Chinese (Taiwan); Hong Kong, Singapore and Macau read simplified.
        return SUBLANGID(systemLanguage) == SUBLANG_CHINESE_TRADITIONAL ? kTdChinese : kSpChinese;
    }
    if (value.CompareNoCase(L"english") == 0)
        return kEnglish;
    if (value.CompareNoCase(L"tdchinese") == 0)
        return kTdChinese;
    return kSpChinese;
}

LPCWSTR LanguageName(int language)
{
    switch (language) {
    case kEnglish: return L"english";
    case kTdChinese: return L"tdchinese";
    default: return L"spchinese";
    }
}

LPCWSTR LanguageLibrary(int language)
{
    switch (language) {
    case kEnglish: return L"uirc_en.dll";
    case kTdChinese: return L"uirc_td.dll";
    default: return nullptr;
    }
}

HINSTANCE ResourceModule(int language)
{
    return language >= 0 && language < 4 ? g_modules[language] : nullptr;
}

int CurrentLanguage()
{
    return g_current;
}

int ChooseLanguage(const CString& programFolder, LANGID systemLanguage)
{
    HINSTANCE own = ::GetModuleHandleW(nullptr);
    g_modules[0] = own;
    g_modules[1] = own;

    const CString configFolder = programFolder + L"\\config";
    util::CIni ini(configFolder + L"\\lang.ini");
    const int language = LanguageFromSetting(ini.GetString(kSection, kKey, L""), systemLanguage);

    if (LPCWSTR library = LanguageLibrary(language)) {
        HINSTANCE module = ::LoadLibraryW(programFolder + L"\\" + library);
        if (module != nullptr) {
            g_modules[language] = module;
            AfxSetResourceHandle(module);
            g_current = language;
        }
    }

    // The profile API creates the file but not its folder; a fresh install may lack both.
    ::CreateDirectoryW(configFolder, nullptr);
    ini.WriteString(kSection, kKey, LanguageName(language));
    return language;
}

} // namespace startup
