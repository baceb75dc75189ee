#pragma once
#include <string>
#include <vector>

// Folder paths in insertion order: never sorted, duplicates kept, each path stored exactly
// as it was obtained.
using FolderList = std::vector<std::wstring>;

// Whole paths compared code unit by code unit, ignoring letter case as the file system does.
bool SameFolderIgnoringCase(const std::wstring& a, const std::wstring& b);

// The one exact comparison of the program: an installation and a data folder's marker
// text match only when they are the same code units, letter case included.
inline bool SameFolderExactly(const std::wstring& a, const std::wstring& b) { return a == b; }

// Index of the first entry equal to `folder` ignoring letter case, or -1.
int IndexOfFolder(const FolderList& list, const std::wstring& folder);
