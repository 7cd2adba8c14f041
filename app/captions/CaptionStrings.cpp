#include "app/captions/CaptionStrings.h"

#include <afx.h>

namespace captions {

std::wstring LoadCaptionString(unsigned id)
{
    // LoadStringW with a zero length hands out a pointer into the resource itself; the
    // resource module is the language library the program chose at start-up.
    const wchar_t* text = nullptr;
    const int n = LoadStringW(AfxGetResourceHandle(), id, reinterpret_cast<LPWSTR>(&text), 0);
    if (n > 0 && text) return std::wstring(text, size_t(n));
    switch (id) {
    case kStringDefaultFace: return L"\u9ED1\u4F53"; // 黑体
    default: return std::wstring();
    }
}

} // namespace captions
