#include "app/captions/CaptionStrings.h"

#include <windows.h>

namespace captions {

std::wstring LoadCaptionString(unsigned id)
{
    // LoadStringW with a zero length hands out a pointer into the resource itself.
    const wchar_t* text = nullptr;
    const int n = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    if (n > 0 && text) return std::wstring(text, size_t(n));
    switch (id) {
    case kStringDefaultFace: return L"\u9ED1\u4F53"; // 黑体
    default: return std::wstring();
    }
}

} // namespace captions
