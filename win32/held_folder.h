#pragma once
#include <windows.h>

#include <optional>
#include <span>
#include <string>

#include "win32/sha256.h"

// Why a write that the elevated program makes in its own right was refused: its folder's
// name leads elsewhere (a junction, symbolic link or mount point on the way). Bit 29 marks an
// application's own code, which no system error carries.
constexpr DWORD kErrorFolderLeadsElsewhere = 0x20000000 | 1;

// Replaces `path` by `bytes` in one step: a temporary file in the same folder is written
// whole and then renamed over the target, all through handles, so a failure half-way leaves
// the old file as it was and no temporary file behind, and nothing the user may change in
// the folder meanwhile redirects the write. No folder is created; a read-only target is
// refused; empty `bytes` are not written. True when the file was written; when not,
// GetLastError() says why.
//
// A thread that acts as the signed-in user (impersonation.h) writes wherever the folder's
// name leads, as far as that user's rights go. Any other write goes only into the folder
// named: when the held folder's final path is another, nothing is written, the error is
// kErrorFolderLeadsElsewhere, and `ledTo` (when given) receives that final path, or empty
// when it could not be read.
bool WriteFileReplacing(const std::wstring& path, std::span<const BYTE> bytes, std::wstring* ledTo = nullptr);

// "~mv4", 32 random hex digits and ".tmp": a name nobody can plant anything under in advance.
// Empty when the system's random numbers cannot be had.
std::wstring RandomFileName();

// Writes the embedded resource (type, name) of `module` (the program itself when null) into
// `path` as WriteFileReplacing does. False when there is no such resource, it is empty or
// cannot be loaded, or the write failed; GetLastError() then says why.
bool ExtractResourceToFile(HMODULE module, const wchar_t* type, const wchar_t* name, const std::wstring& path,
                           std::wstring* ledTo = nullptr);

// "~mv4", 32 random hex digits and ".tmp": a name nobody can plant anything under in advance.
// Empty when the system's random numbers cannot be had.
std::wstring RandomFileName();

// Loads what the writes need (ntdll's and bcrypt's functions) on the calling thread, as the
// program itself: once the thread acts as the user, no DLL may be loaded.
void PrepareWrites();

// What became of a file to be removed.
enum class Removal { Removed, NotThere, Kept, Failed };

// Deletes `path` through handles: its folder held and checked as WriteFileReplacing holds it
// (the same rule for links, and `ledTo` alike), the file opened inside it, shared with nobody
// and never followed through a link, and deleted through that handle; temporary files that
// killed writes left there go too. With `onlyIf`, only a file of exactly those bytes is
// deleted, any other is Kept. Failed leaves GetLastError() saying why.
Removal RemoveFileByHandle(const std::wstring& path, std::span<const BYTE> onlyIf = {}, std::wstring* ledTo = nullptr);

struct FileDigest {
    unsigned long long size;
    Sha256Digest sha256;
};
// The size and SHA-256 of the file `path`, read through its folder's handle under the same
// rule for links as the writes. Nothing when it cannot be read; GetLastError() then says
// why (ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND: there is no such file).
std::optional<FileDigest> DigestOfFile(const std::wstring& path, std::wstring* ledTo = nullptr);
