#include "app/engine/EngineFolders.h"

#include "app/foundation/AppHelpers.h"

std::wstring FxFolder()
{
    return std::wstring(static_cast<LPCWSTR>(GetExeDirectory())) + L"\\fx";
}

void ShowEngineMessage(const char* text)
{
    const CString message(text);
    AfxShowMessageBox(nullptr, message, nullptr, MB_OK);
}
