#include "app/engine/TransitionLoader.h"

#include "app/engine/DXSimpleRenderEffect.h"

namespace {

bool IsTransitionFile(const CString& name)
{
    if (name.IsEmpty() || name[0] == L'_') return false;
    const int n = name.GetLength();
    return n > 4 && name.Right(4).CompareNoCase(L".fxo") == 0;
}

// `relative` is the folder inside fx ("" or "sub\").
void LoadFolder(const CString& folder, const CString& relative, const EffectInitParams& params,
                std::map<int, CRenderEffect*>& effects)
{
    WIN32_FIND_DATAW found = {};
    HANDLE find = FindFirstFileW(folder + L"\\" + relative + L"*", &found);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        CString name = found.cFileName;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (name != L"." && name != L"..") LoadFolder(folder, relative + name + L"\\", params, effects);
            continue;
        }
        if (!IsTransitionFile(name)) continue;
        CDXSimpleRenderEffect* effect = new CDXSimpleRenderEffect(relative + name);
        if (FAILED(effect->Init(&params))) {
            delete effect;
            continue;
        }
        CRenderEffect*& slot = effects[effect->GetID()];
        delete slot;
        slot = effect;
    } while (FindNextFileW(find, &found));
    FindClose(find);
}

} // namespace

HRESULT LoadTransitionEffects(const EffectInitParams& params, std::map<int, CRenderEffect*>& effects)
{
    const CString folder = GetEffectFolder();
    const DWORD attributes = GetFileAttributesW(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return E_UNEXPECTED;
    LoadFolder(folder, CString(), params, effects);
    return S_OK;
}
