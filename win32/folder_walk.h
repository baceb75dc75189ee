#pragma once
#include <windows.h>
#include <winternl.h>

#include <string>
#include <string_view>
#include <vector>

#include "win32/handles.h"

// Empties `names` and fills it with the names of the immediate sub-folders of `folder`.
void ListSubFolders(const std::wstring& folder, std::vector<std::wstring>& names);

// Walking a tree without following its links: a folder opened by path (with the program's own
// rights, walked as OpenWithoutLinks walks it), then each sub-folder opened through its
// parent's handle.
struct FolderEntry {
    std::wstring name;
    DWORD attributes;
};
UniqueHandle OpenFolderForListing(const std::wstring& path);
// Null for a junction, a symbolic link or a mount point, and for what is no folder.
UniqueHandle OpenSubFolder(HANDLE parent, const std::wstring& name);
// The entries of the folder behind `folder`, "." and ".." left out; false when it cannot be read.
// Not `whole`: a batch that left room for another entry is taken as the last one, which saves
// a call where an entry missed costs no more than a later open.
bool ListFolder(HANDLE folder, std::vector<FolderEntry>& entries, bool whole = true);
// The entry named `name` (letter case aside) that is a folder, or with `folder` false a file;
// null when `entries` list none.
const FolderEntry* ListedEntry(const std::vector<FolderEntry>& entries, std::wstring_view name, bool folder);

constexpr LONG kNameCollision = static_cast<LONG>(0xC0000035);  // STATUS_OBJECT_NAME_COLLISION

// Opens the file `name` inside the folder behind `folder`, shared with nobody unless asked, for
// `access` and waiting on it: found through the folder's handle, not its path, and never
// followed through a link. Null with the native status in `result` when it cannot be opened;
// GetLastError() then says why.
HANDLE OpenFileIn(HANDLE folder, const std::wstring& name, ACCESS_MASK access, ULONG disposition, LONG& result,
                  ULONG share = 0, ULONG options = FILE_NON_DIRECTORY_FILE);

// Why what the elevated program does in its own right was refused: the name leads elsewhere
// (a junction, symbolic link or mount point on the way). Bit 29 marks an application's own
// code, which no system error carries.
constexpr DWORD kErrorFolderLeadsElsewhere = 0x20000000 | 1;

// Opens `path` from its drive's root (or its share) one name at a time, each through the
// handle of the folder above and as itself, never through a link: a junction or symbolic link
// below the root is refused before anything behind it is opened, so no link a user planted
// sends the program, with its own rights and credentials, to another folder or host. The last
// name is opened for `access`, `share` and `options`, and may be a link itself when
// `lastMayBeLink` (it is opened as the link, not followed). Null when it cannot be opened,
// GetLastError() saying why: kErrorFolderLeadsElsewhere for a link, with `ledTo` (when given)
// where it leads where the system tells, else empty.
UniqueHandle OpenWithoutLinks(const std::wstring& path, ACCESS_MASK access, ULONG share, ULONG options,
                              bool lastMayBeLink, std::wstring* ledTo);

// While one lives, OpenWithoutLinks keeps the folders each walk opened on its way, and a walk
// starts below the deepest kept folder on its own path rather than at the drive's root: a run
// that reaches many folders of one tree opens each folder above them once, not once per
// file. Every walk still ends with the final-path check, which a kept folder moved since
// fails as a link would. The kept folders are shared with everyone and let go when the
// outermost one ends. For one thread; a walk is only ever made with the program's own
// rights, so the kept folders are the program's too.
class ReusedWalks {
public:
    ReusedWalks();
    ~ReusedWalks();
    ReusedWalks(const ReusedWalks&) = delete;
    ReusedWalks& operator=(const ReusedWalks&) = delete;

private:
    bool owner_;
};
// Hands `folder`, opened at the full path `path` as OpenWithoutLinks or OpenSubFolder open
// (as itself, no link on the way, with the program's own rights), to the walks of the living
// ReusedWalks; else, or while the thread acts as another user, lets it go.
void KeepWalkedFolder(const std::wstring& path, UniqueHandle folder);

// The path of what `file` is, after every link, as a path is given: no "\\?\" prefix, a share
// as \\server\share. Empty when the system cannot say.
std::wstring FinalPathOf(HANDLE file);
// Whether two paths name the same folder, letter case and a trailing separator aside; a failed
// lookup (empty) is another folder.
bool SameFolderPath(std::wstring a, std::wstring b);
// The attributes of what `handle` is, or INVALID_FILE_ATTRIBUTES.
DWORD AttributesOf(HANDLE handle);
