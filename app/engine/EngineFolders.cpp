#include "app/engine/EngineFolders.h"

#include <windows.h>

std::wstring FxFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    const size_t slash = folder.find_last_of(L"\\/");
    if (slash != std::wstring::npos)
        folder.resize(slash);
    return folder + L"\\fx";
}

void ShowEngineMessage(const char* text)
{
    MessageBoxA(nullptr, text, nullptr, MB_OK);
}
