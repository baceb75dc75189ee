#pragma once
#include <windows.h>

#include <optional>
#include <span>
#include <string>

#include "win32/folder_walk.h"
#include "win32/sha256.h"

// Why a file was not written, deleted or read, beside kErrorFolderLeadsElsewhere: a file to
// delete that is a link, or another than the one named in the held folder; the user whose
// folder it is could not add (or delete) the file there themselves; a file not read because
// it has other names (hard links), or is no plain file.
constexpr DWORD kErrorFileLeadsElsewhere = 0x20000000 | 2;
constexpr DWORD kErrorUserMayNot = 0x20000000 | 3;
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
// named, its path walked from the drive's root without links (OpenWithoutLinks): when a link
// is on the way or the held folder's final path is another, nothing is written, the error is
// kErrorFolderLeadsElsewhere, and `ledTo` (when given) receives where it leads, or empty when
// that could not be read. With `user` (a token of the user whose folder it is; an
// identification token will do), nothing is written where that user could not add a file
// (kErrorUserMayNot).
bool WriteFileReplacing(const std::wstring& path, std::span<const BYTE> bytes, std::wstring* ledTo = nullptr,
                        HANDLE user = nullptr);

// "~mv4", 32 random hex digits and ".tmp": a name nobody can plant anything under in advance.
// Empty when the system's random numbers cannot be had.
std::wstring RandomFileName();

// Writes the embedded resource (type, name) of `module` (the program itself when null) into
// `path` as WriteFileReplacing does. False when there is no such resource, it is empty or
// cannot be loaded, or the write failed; GetLastError() then says why.
bool ExtractResourceToFile(HMODULE module, const wchar_t* type, const wchar_t* name, const std::wstring& path,
                           std::wstring* ledTo = nullptr, HANDLE user = nullptr);

// "~mv4", 32 random hex digits and ".tmp": a name nobody can plant anything under in advance.
// Empty when the system's random numbers cannot be had.
std::wstring RandomFileName();

// Loads what the writes need (ntdll's and bcrypt's functions) on the calling thread, as the
// program itself: once the thread acts as the user, no DLL may be loaded.
void PrepareWrites();

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
