#include "app/graphs/input/SourceLocation.h"

#include <cwchar>
#include <cwctype>
#include <string>

// {3AE86B20-7BE8-11D1-ABE6-00A0C905F375}
const CLSID CLSID_Mpeg2SplitterFilter = {0x3AE86B20, 0x7BE8, 0x11D1, {0xAB, 0xE6, 0x00, 0xA0, 0xC9, 0x05, 0xF3, 0x75}};
// {E21BE468-5C18-43EB-B0CC-DB93A847D769}
const CLSID CLSID_RealMediaSplitter = {0xE21BE468, 0x5C18, 0x43EB, {0xB0, 0xCC, 0xDB, 0x93, 0xA8, 0x47, 0xD7, 0x69}};
// {6B6D0800-9ADA-11D0-A520-00A0D10129C0}
const CLSID CLSID_NetShowSource = {0x6B6D0800, 0x9ADA, 0x11D0, {0xA5, 0x20, 0x00, 0xA0, 0xD1, 0x01, 0x29, 0xC0}};

namespace {

// The extension with its dot, or an empty text: a dot inside a folder name is not one.
std::wstring Extension(const std::wstring& name)
{
    const std::wstring::size_type dot = name.find_last_of(L'.');
    const std::wstring::size_type sep = name.find_last_of(L"\\/");
    if (dot == std::wstring::npos || (sep != std::wstring::npos && dot < sep))
        return std::wstring();
    return name.substr(dot);
}

} // namespace

SourceLocationKind ClassifySourceLocation(const wchar_t* location)
{
    if (!location)
        return SourceLocationKind::PlainFile;
    const std::wstring text(location);
    const std::wstring::size_type mms = text.find(L"mms://");
    if (mms != std::wstring::npos) {
        const std::wstring rest = text.substr(mms + 6);
        const std::wstring::size_type slash = rest.find_last_of(L'/');
        // An address without a path (a bare host, dotted or not) names the server's
        // publishing point, never a file.
        if (slash == std::wstring::npos)
            return SourceLocationKind::NetworkSource;
        return rest.substr(slash + 1).find(L'.') != std::wstring::npos ? SourceLocationKind::WindowsMediaReader
                                                                      : SourceLocationKind::NetworkSource;
    }
    return Extension(text) == L".asx" ? SourceLocationKind::WindowsMediaReader : SourceLocationKind::PlainFile;
}

const CLSID* SplitterForFile(const wchar_t* name)
{
    if (!name)
        return nullptr;
    std::wstring ext = Extension(name);
    for (wchar_t& c : ext)
        c = static_cast<wchar_t>(std::towlower(c));
    if (ext == L".vob")
        return &CLSID_Mpeg2SplitterFilter;
    if (ext == L".rm" || ext == L".rmvb")
        return &CLSID_RealMediaSplitter;
    return nullptr;
}
