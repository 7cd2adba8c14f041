#include "app/captions/CaptionFolder.h"

#include <algorithm>

namespace captions {

bool SameText(const CString& a, const CString& b)
{
    return ::CompareStringOrdinal(a, a.GetLength(), b, b.GetLength(), TRUE) == CSTR_EQUAL;
}

std::vector<FolderEntry> ListCaptionFolder(const CString& folder)
{
    std::vector<FolderEntry> entries;
    WIN32_FIND_DATAW found;
    HANDLE find = ::FindFirstFileW(folder + L"\\*.*", &found);
    if (find == INVALID_HANDLE_VALUE)
        return entries;
    do {
        const CString name = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) || name == L".")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            entries.push_back({name, true});
        else if (name.GetLength() >= 4 && SameText(name.Right(4), L".rxf"))
            entries.push_back({name, false});
    } while (::FindNextFileW(find, &found));
    ::FindClose(find);
    std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) {
        if (a.folder != b.folder)
            return a.folder;
        return ::CompareStringOrdinal(a.name, a.name.GetLength(), b.name, b.name.GetLength(), TRUE) == CSTR_LESS_THAN;
    });
    return entries;
}

bool ParentFolder(const CString& folder, CString* parent)
{
    if (folder.IsEmpty() || folder.Right(1) == L"\\")
        return false;
    const int cut = folder.ReverseFind(L'\\');
    if (cut < 0)
        return false;
    CString up = folder.Left(cut);
    if (up.GetLength() == 2 && up[1] == L':')
        up += L"\\";
    *parent = up;
    return true;
}

CString FolderOf(const CString& path)
{
    const int cut = path.ReverseFind(L'\\');
    return cut < 0 ? CString() : path.Left(cut);
}

CString NameOf(const CString& path)
{
    const int cut = path.ReverseFind(L'\\');
    return cut < 0 ? path : path.Mid(cut + 1);
}

} // namespace captions
