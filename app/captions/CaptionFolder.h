// The caption folder the editor browses: its entries (folders, then caption page files, each
// by name without regard to case) and the way up.
#pragma once

#include <afx.h>

#include <vector>

namespace captions {

struct FolderEntry {
    CString name;
    bool folder;
};

// The visible entries of a folder: sub-folders (".." included, "." not) and ".rxf" files.
std::vector<FolderEntry> ListCaptionFolder(const CString& folder);
// The folder above: up to the last "\", with the "\" kept after a bare drive. False when
// the folder already ends in "\" (a drive's root) or has no "\".
bool ParentFolder(const CString& folder, CString* parent);
// The folder part of a path (before its last "\").
CString FolderOf(const CString& path);
// The file name of a path (after its last "\").
CString NameOf(const CString& path);
bool SameText(const CString& a, const CString& b);

} // namespace captions
