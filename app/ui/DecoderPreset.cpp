#include "app/ui/DecoderPreset.h"

#include <shellapi.h>

namespace startup {

namespace {

const DWORD kFormatsBit = 0x100;

HKEY OpenPreset(HKEY root, LPCWSTR subKey)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, subKey, 0, KEY_READ | KEY_WRITE, &key) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

} // namespace

bool RunRegeditImport(const CString& regFile, DWORD timeoutMs)
{
    CString parameters;
    parameters.Format(L"/s \"%s\"", static_cast<LPCWSTR>(regFile));
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    // The process handle lets start-up wait for the import: without it the key would be
    // reopened before regedit had written it, and the first start would miss the preset.
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = L"regedit.exe";
    info.lpParameters = parameters;
    info.nShow = SW_SHOWNORMAL;
    if (!::ShellExecuteExW(&info))
        return false;
    if (info.hProcess == nullptr)
        return false;
    const bool ended = ::WaitForSingleObject(info.hProcess, timeoutMs) == WAIT_OBJECT_0;
    ::CloseHandle(info.hProcess);
    return ended;
}

DecoderPresetResult ApplyDecoderPreset(HKEY root, LPCWSTR subKey, const CString& regFile,
                                       const RegistryImportProc& import, DWORD importTimeoutMs)
{
    DecoderPresetResult result;
    HKEY key = OpenPreset(root, subKey);
    if (key == nullptr) {
        result.imported = true;
        if (import)
            import(regFile, importTimeoutMs);
        key = OpenPreset(root, subKey);
        if (key == nullptr)
            return result;
    }
    result.keyOpen = true;
    DWORD formats = 0;
    DWORD type = 0;
    DWORD size = sizeof(formats);
    if (::RegQueryValueExW(key, L"formats", nullptr, &type, reinterpret_cast<BYTE*>(&formats), &size) ==
            ERROR_SUCCESS &&
        type == REG_DWORD && size == sizeof(formats)) {
        // Only the one bit: the other format bits, the high word included, stay as they are.
        formats &= ~kFormatsBit;
        result.formatsCleared = ::RegSetValueExW(key, L"formats", 0, REG_DWORD,
                                                 reinterpret_cast<const BYTE*>(&formats),
                                                 sizeof(formats)) == ERROR_SUCCESS;
    }
    ::RegCloseKey(key);
    return result;
}

DecoderPresetResult ApplyDecoderPreset(const CString& programFolder)
{
    return ApplyDecoderPreset(HKEY_CURRENT_USER, L"Software\\AC3Filter\\preset\\Default",
                              programFolder + L"\\codecs\\ac3filter.reg", &RunRegeditImport,
                              kDecoderPresetImportTimeoutMs);
}

} // namespace startup
