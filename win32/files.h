#pragma once
#include <windows.h>

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "win32/handles.h"
#include "win32/sha256.h"

// With the program's own rights, a path with a junction, symbolic link or mount point below its
// drive's root (or share) names nothing: it is walked from there by handle and never followed.
// A thread acting as the user looks wherever the path leads.
bool FileExists(const std::wstring& path);       // a file, not a directory
bool DirectoryExists(const std::wstring& path);

// A drive letter with its root (C:\...) or a UNC path with its server and share
// (\\server\share...). Anything else would be resolved against the elevated program's current
// folder or drive, which is not the user's.
bool IsAbsolutePath(const std::wstring& path);

// What tells one file from every other: its volume and its number there. Two paths with the
// same identity name the same file, whatever their spelling (a short name, another link).
struct FileIdentity {
    DWORD volume;
    unsigned long long file;
    bool operator==(const FileIdentity&) const = default;
};
// The identity of what `path` names now, under the rule for links of DirectoryExists; nothing
// when nothing can be opened there.
std::optional<FileIdentity> IdentityOf(const std::wstring& path);

// Empties `names` and fills it with the names of the immediate sub-folders of `folder`.
void ListSubFolders(const std::wstring& folder, std::vector<std::wstring>& names);

// The whole text of a file, decoded by its byte-order mark (UTF-8, UTF-16LE, UTF-16BE) or
// else in the ANSI code page, nothing trimmed. Nothing when the file cannot be read, is
// larger than `maxBytes`, or its text cannot be decoded.
std::optional<std::wstring> ReadTextFile(const std::wstring& path, DWORD maxBytes = 64 * 1024);

// Why a write that the elevated program makes in its own right was refused: its folder's
// name leads elsewhere (a junction, symbolic link or mount point on the way). Bit 29 marks an
// application's own code, which no system error carries.
constexpr DWORD kErrorFolderLeadsElsewhere = 0x20000000 | 1;
// A file to delete that is a link, or is another than the one named in the held folder.
constexpr DWORD kErrorFileLeadsElsewhere = 0x20000000 | 2;
// The user whose folder it is could not add (or delete) the file there themselves.
constexpr DWORD kErrorUserMayNot = 0x20000000 | 3;
// A file not read because it has other names (hard links), or is no plain file.
constexpr DWORD kErrorFileHasOtherNames = 0x20000000 | 4;
constexpr DWORD kErrorNotAPlainFile = 0x20000000 | 5;

// Replaces `path` by `bytes` in one step: a temporary file in the same folder is written
// whole and then renamed over the target, all through handles, so a failure half-way leaves
// the old file as it was and no temporary file behind, and nothing the user may change in
// the folder meanwhile redirects the write. No folder is created; a read-only target is
// refused; empty `bytes` are not written. True when the file was written; when not,
// GetLastError() says why.
//
// A thread that acts as the signed-in user (impersonation.h) writes wherever the folder's
// name leads, as far as that user's rights go. Any other write goes only into the folder
// named, its path walked from the drive's root without links: when a link is on the way or
// the held folder's final path is another, nothing is written, the error is
// kErrorFolderLeadsElsewhere, and `ledTo` (when given) receives where it leads, or empty when
// that could not be read. With `user` (a token of the user whose folder it is; an
// identification token will do), nothing is written where that user could not add a file
// (kErrorUserMayNot).
bool WriteFileReplacing(const std::wstring& path, std::span<const BYTE> bytes, std::wstring* ledTo = nullptr,
                        HANDLE user = nullptr);

// Writes the embedded resource (type, name) of `module` (the program itself when null) into
// `path` as WriteFileReplacing does. False when there is no such resource, it is empty or
// cannot be loaded, or the write failed; GetLastError() then says why.
bool ExtractResourceToFile(HMODULE module, const wchar_t* type, const wchar_t* name, const std::wstring& path,
                           std::wstring* ledTo = nullptr, HANDLE user = nullptr);

// Loads what the writes need (ntdll's and bcrypt's functions) on the calling thread, as the
// program itself: once the thread acts as the user, no DLL may be loaded.
void PrepareWrites();

// Whether a path, in the calling thread's view of the drive letters, is on a drive of this
// machine (fixed, removable or a RAM disk): not a share, not a mapped network drive.
bool OnLocalDrive(const std::wstring& path);

// What became of a file to be removed.
enum class Removal { Removed, NotThere, Kept, Failed };

// Deletes `path` through handles: its folder held and checked as WriteFileReplacing holds it
// (the same rules for links and for `user`, who must be able to delete the file, and `ledTo`
// alike), the file opened inside it, shared with nobody, and deleted through that handle only
// when it is the file named there and no link (else kErrorFileLeadsElsewhere, `ledTo` where
// it leads); temporary files that killed writes left there go too, under the same rule. With
// `onlyIf`, only a file of exactly those bytes is deleted, any other is Kept. Failed leaves
// GetLastError() saying why.
Removal RemoveFileByHandle(const std::wstring& path, std::span<const BYTE> onlyIf = {}, std::wstring* ledTo = nullptr,
                           HANDLE user = nullptr);

struct FileDigest {
    unsigned long long size;
    Sha256Digest sha256;
};
// The size and SHA-256 of the file `path`, read through its folder's handle under the same
// rule for links as the writes. Nothing when it cannot be read; GetLastError() then says
// why (ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND: there is no such file). A file with
// other names (kErrorFileHasOtherNames) or no plain file (kErrorNotAPlainFile) is not read.
std::optional<FileDigest> DigestOfFile(const std::wstring& path, std::wstring* ledTo = nullptr);

// Walking a tree without following its links: a folder opened by path (under the rule for
// links of DirectoryExists), then each sub-folder opened through its parent's handle.
struct FolderEntry {
    std::wstring name;
    DWORD attributes;
};
UniqueHandle OpenFolderForListing(const std::wstring& path);
// Null for a junction, a symbolic link or a mount point, and for what is no folder.
UniqueHandle OpenSubFolder(HANDLE parent, const std::wstring& name);
// The entries of the folder behind `folder`, "." and ".." left out; false when it cannot be read.
bool ListFolder(HANDLE folder, std::vector<FolderEntry>& entries);

// A folder as the shell's folder browser gives it: full, backslashes only, no "." or "..",
// no trailing backslash but at a drive's root, the drive letter and every name as the
// folder above lists it. What is not there is left as given.
std::wstring FolderAsOnDisk(const std::wstring& given);

// Whether `name` is one Windows keeps for a device in every folder, with or without an
// extension.
bool IsDeviceName(std::wstring name);
// Whether a path ending in `name` would open something else: Windows drops a trailing dot or
// blank, and opens a device for a reserved name.
bool NameOpensAsAnother(const std::wstring& name);

// The path without its trailing separators, a drive's root aside.
std::wstring WithoutTrailingSeparator(std::wstring path);
