#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

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

// Whether a path, in the calling thread's view of the drive letters, is on a drive of this
// machine (fixed, removable or a RAM disk): not a share, not a mapped network drive.
bool OnLocalDrive(const std::wstring& path);

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
// `name` in `folder` (given without a trailing separator), made in one string.
std::wstring ChildPath(std::wstring folder, std::wstring_view name);
