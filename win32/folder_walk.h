#pragma once
#include <windows.h>
#include <winternl.h>

#include <string>
#include <vector>

#include "win32/handles.h"

// Empties `names` and fills it with the names of the immediate sub-folders of `folder`.
void ListSubFolders(const std::wstring& folder, std::vector<std::wstring>& names);

// Walking a tree without following its links: a folder opened by path (links in the path
// followed, the caller named it), then each sub-folder opened through its parent's handle.
struct FolderEntry {
    std::wstring name;
    DWORD attributes;
};
UniqueHandle OpenFolderForListing(const std::wstring& path);
// Null for a junction, a symbolic link or a mount point, and for what is no folder.
UniqueHandle OpenSubFolder(HANDLE parent, const std::wstring& name);
// The entries of the folder behind `folder`, "." and ".." left out; false when it cannot be read.
bool ListFolder(HANDLE folder, std::vector<FolderEntry>& entries);

constexpr LONG kNameCollision = static_cast<LONG>(0xC0000035);  // STATUS_OBJECT_NAME_COLLISION

// Opens the file `name` inside the folder behind `folder`, shared with nobody unless asked, for
// `access` and waiting on it: found through the folder's handle, not its path, and never
// followed through a link. Null with the native status in `result` when it cannot be opened;
// GetLastError() then says why.
HANDLE OpenFileIn(HANDLE folder, const std::wstring& name, ACCESS_MASK access, ULONG disposition, LONG& result,
                  ULONG share = 0, ULONG options = FILE_NON_DIRECTORY_FILE);
