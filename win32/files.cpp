#include "win32/files.h"

#include <winternl.h>

#include <cstddef>
#include <algorithm>
#include <cstring>
#include <string_view>

#include "win32/ascii_case.h"
#include "win32/embedded_resource.h"
#include "win32/handles.h"
#include "win32/impersonation.h"
#include "win32/sha256.h"
#include "win32/system_functions.h"
#include "win32/text_decoding.h"

bool IsAbsolutePath(const std::wstring& path) {
    auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    const bool drive = path.size() >= 3 && ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
                       path[1] == L':' && separator(path[2]);
    if (drive) return true;
    if (path.size() < 5 || !separator(path[0]) || !separator(path[1]) || separator(path[2])) return false;
    const size_t share = path.find_first_of(L"\\/", 2) + 1;  // "\\server" alone is the current drive's root
    return share > 0 && share < path.size() && !separator(path[share]);
}

std::optional<std::wstring> ReadTextFile(const std::wstring& path, DWORD maxBytes) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > maxBytes) return std::nullopt;
    std::vector<BYTE> bytes(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() && (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                           read != bytes.size()))
        return std::nullopt;
    return DecodeText(bytes, GetACP());
}

void ListSubFolders(const std::wstring& folder, std::vector<std::wstring>& names) {
    names.clear();
    std::wstring pattern = folder;
    if (!pattern.empty() && pattern.back() == L'\\') pattern.pop_back();
    pattern += L"\\*.*";
    WIN32_FIND_DATAW entry;
    UniqueFind search(FindFirstFileW(pattern.c_str(), &entry));
    if (!search) return;
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) names.push_back(name);
    } while (FindNextFileW(search.get(), &entry));
}

namespace {

bool WriteAll(HANDLE file, std::span<const BYTE> bytes) {
    const size_t total = bytes.size();
    while (!bytes.empty()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 20));
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
        bytes = bytes.subspan(written);
    }
    LARGE_INTEGER size{};
    if (!FlushFileBuffers(file) || !GetFileSizeEx(file, &size)) return false;
    if (static_cast<unsigned long long>(size.QuadPart) == total) return true;
    SetLastError(ERROR_WRITE_FAULT);
    return false;
}

// "~mv4", 32 random hex digits and ".tmp": a name nobody can plant anything under in advance,
// and one that tells a file left by a run that was killed from anything else in the folder.
constexpr wchar_t kTemporaryPrefix[] = L"~mv4", kTemporarySuffix[] = L".tmp";
constexpr size_t kTemporaryNameLength = 4 + 32 + 4;

bool IsTemporaryFileName(std::wstring_view name) {
    if (name.size() != kTemporaryNameLength || !name.starts_with(kTemporaryPrefix) || !name.ends_with(kTemporarySuffix))
        return false;
    for (wchar_t c : name.substr(4, 32))
        if (!((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f'))) return false;
    return true;
}

std::wstring RandomFileName() {
    constexpr ULONG kSystemPreferredGenerator = 0x00000002;  // BCRYPT_USE_SYSTEM_PREFERRED_RNG
    const auto genRandom = CryptoApi().genRandom;
    unsigned char random[16];
    if (!genRandom || genRandom(nullptr, random, sizeof random, kSystemPreferredGenerator) < 0) return {};
    std::wstring name = kTemporaryPrefix;
    for (unsigned char b : random) {
        name += L"0123456789abcdef"[b >> 4];
        name += L"0123456789abcdef"[b & 15];
    }
    return name + kTemporarySuffix;
}

constexpr LONG kNameCollision = static_cast<LONG>(0xC0000035);  // STATUS_OBJECT_NAME_COLLISION

// Opens the file `name` inside the folder behind `folder`, shared with nobody unless asked, for
// `access` and waiting on it: found through the folder's handle, not its path, and never
// followed through a link. Null with the native status in `result` when it cannot be opened;
// GetLastError() then says why.
HANDLE OpenFileIn(HANDLE folder, const std::wstring& name, ACCESS_MASK access, ULONG disposition, LONG& result,
                  ULONG share = 0, ULONG options = FILE_NON_DIRECTORY_FILE) {
    const auto create = NativeApi().createFile;
    const auto toWin32Error = NativeApi().statusToDosError;
    if (!create || !toWin32Error) {
        result = -1;
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    UNICODE_STRING relative{static_cast<USHORT>(name.size() * sizeof(wchar_t)),
                            static_cast<USHORT>(name.size() * sizeof(wchar_t)), const_cast<wchar_t*>(name.c_str())};
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &relative, OBJ_CASE_INSENSITIVE, folder, nullptr);
    IO_STATUS_BLOCK status{};
    HANDLE file = nullptr;
    // Synchronous file operations need SYNCHRONIZE: without it Windows refuses the open
    // outright (Wine does not).
    result = create(&file, access | SYNCHRONIZE, &attributes, &status, nullptr, FILE_ATTRIBUTE_NORMAL, share, disposition,
                    options | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT, nullptr, 0);
    if (result >= 0) return file;
    SetLastError(result == kNameCollision ? ERROR_FILE_EXISTS : toWin32Error(result));  // as CreateFileW would say
    return nullptr;
}

bool DeleteByHandle(HANDLE file) {
    FILE_DISPOSITION_INFO remove{TRUE};
    return SetFileInformationByHandle(file, FileDispositionInfo, &remove, sizeof remove);
}

// Renames `file` to `name` inside the folder behind `folder`, replacing what stands there.
// The native call: the Win32 one turns a bare name into a path from the current folder,
// and a rename by path would be resolved through the folder's name once more.
bool RenameInto(HANDLE file, HANDLE folder, const std::wstring& name) {
    constexpr int kFileRenameInformation = 10;
    const auto setInformation = NativeApi().setInformationFile;
    const auto toWin32Error = NativeApi().statusToDosError;
    if (!setInformation || !toWin32Error) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return false;
    }
    const size_t nameBytes = name.size() * sizeof(wchar_t);
    std::vector<BYTE> buffer(offsetof(FILE_RENAME_INFO, FileName) + nameBytes + sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = TRUE;
    rename->RootDirectory = folder;
    rename->FileNameLength = static_cast<DWORD>(nameBytes);
    std::memcpy(rename->FileName, name.data(), nameBytes);
    IO_STATUS_BLOCK status{};
    const LONG result = setInformation(file, &status, rename, static_cast<ULONG>(buffer.size()), kFileRenameInformation);
    if (result >= 0) return true;
    SetLastError(toWin32Error(result));  // the native call leaves the thread's last error alone
    return false;
}

// "\\?\C:\..." as "C:\..." and "\\?\UNC\server\share..." as "\\server\share...".
std::wstring WithoutLongPathPrefix(std::wstring path) {
    if (path.starts_with(L"\\\\?\\UNC\\"))
        path.replace(0, 8, L"\\\\");
    else if (path.starts_with(L"\\\\?\\"))
        path.erase(0, 4);
    return path;
}

// The path of what `file` is, after every link, as a path is given: no "\\?\" prefix, a share
// as \\server\share. Empty when the system cannot say.
std::wstring FinalPathOf(HANDLE file) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()),
                                                       FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) return {};
        const bool fitted = length < path.size();
        path.resize(length);
        if (fitted) break;
    }
    return WithoutLongPathPrefix(std::move(path));
}

// A named folder as a full path (no long-path prefix); empty when it cannot be made one.
std::wstring FullPathOf(const std::wstring& path) {
    std::wstring full(GetFullPathNameW(path.c_str(), 0, nullptr, nullptr), L'\0');
    const DWORD length =
        full.empty() ? 0 : GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0 || length >= full.size()) return {};
    full.resize(length);
    return WithoutLongPathPrefix(std::move(full));
}

// A named folder spelt as its final path would spell it: full, short names expanded, no long-
// path prefix. Empty when a part cannot be found.
std::wstring LongPathOf(const std::wstring& path) {
    std::wstring full(GetFullPathNameW(path.c_str(), 0, nullptr, nullptr), L'\0');
    DWORD length =
        full.empty() ? 0 : GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0 || length >= full.size()) return {};
    full.resize(length);
    std::wstring result(GetLongPathNameW(full.c_str(), nullptr, 0), L'\0');
    length = result.empty() ? 0 : GetLongPathNameW(full.c_str(), result.data(), static_cast<DWORD>(result.size()));
    if (length == 0 || length >= result.size()) return {};
    result.resize(length);
    return WithoutLongPathPrefix(std::move(result));
}

bool SameFolderPath(std::wstring a, std::wstring b) {
    if (a.empty() || b.empty()) return false;  // a failed lookup is another folder
    for (std::wstring* path : {&a, &b})
        if (path->back() == L'\\') path->pop_back();
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// The attributes of what `handle` is, or INVALID_FILE_ATTRIBUTES. (The basic record: the whole
// one asks the volume for its serial number, which costs Wine a good part of a millisecond.)
DWORD AttributesOf(HANDLE handle) {
    FILE_BASIC_INFO information;
    return handle && GetFileInformationByHandleEx(handle, FileBasicInfo, &information, sizeof information)
               ? information.FileAttributes
               : INVALID_FILE_ATTRIBUTES;
}

// Opens `path` from its drive's root (or its share) one name at a time, each through the
// handle of the folder above and as itself, never through a link: a junction or symbolic link
// below the root is refused before anything behind it is opened, so no link a user planted
// sends the program, with its own rights and credentials, to another folder or host. The last
// name is opened for `access`, `share` and `options`, and may be a link itself when
// `lastMayBeLink` (it is opened as the link, not followed). Null when it cannot be opened,
// GetLastError() saying why: kErrorFolderLeadsElsewhere for a link, with `ledTo` (when given)
// where it leads where the system tells, else empty.
UniqueHandle OpenWithoutLinks(const std::wstring& path, ACCESS_MASK access, ULONG share, ULONG options,
                              bool lastMayBeLink, std::wstring* ledTo) {
    const std::wstring full = FullPathOf(path);
    size_t root = 0;
    if (full.size() >= 3 && full[1] == L':' && full[2] == L'\\') {
        root = 3;
    } else if (full.starts_with(L"\\\\") && !full.starts_with(L"\\\\.\\") && !full.starts_with(L"\\\\?\\")) {
        const size_t server = full.find(L'\\', 2);
        root = server == std::wstring::npos ? 0 : std::min(full.find(L'\\', server + 1), full.size());
    }
    if (root == 0) {
        SetLastError(ERROR_BAD_PATHNAME);  // a device's namespace: no drive to walk from
        return {};
    }
    const bool rootOnly = full.find_first_not_of(L'\\', root) == std::wstring::npos;
    const HANDLE opened = CreateFileW((full.substr(0, root) + (full[root - 1] == L'\\' ? L"" : L"\\")).c_str(),
                                      rootOnly ? access : FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                      rootOnly ? share : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    UniqueHandle folder(opened == INVALID_HANDLE_VALUE ? nullptr : opened);
    // Windows opens a link as itself and says it is one. Wine follows it all the same: the
    // final path then tells that the folder reached is not the one named.
    auto leadsElsewhere = [&](HANDLE handle, size_t end) {
        std::wstring finalPath = FinalPathOf(handle);
        const std::wstring named = full.substr(0, end);
        if (SameFolderPath(finalPath, named) || SameFolderPath(finalPath, LongPathOf(named))) return false;
        if (ledTo) *ledTo = finalPath.empty() ? finalPath : finalPath + full.substr(end);
        SetLastError(kErrorFolderLeadsElsewhere);
        return true;
    };
    for (size_t start = root; folder && start < full.size();) {
        const size_t end = std::min(full.find(L'\\', start), full.size());
        const bool last = full.find_first_not_of(L'\\', end) == std::wstring::npos;
        if (end > start) {
            if (last && lastMayBeLink && leadsElsewhere(folder.get(), start)) return {};
            LONG result = 0;
            UniqueHandle next(last ? OpenFileIn(folder.get(), full.substr(start, end - start), access | FILE_READ_ATTRIBUTES,
                                                FILE_OPEN, result, share, options)
                                   : OpenFileIn(folder.get(), full.substr(start, end - start),
                                                FILE_TRAVERSE | FILE_READ_ATTRIBUTES, FILE_OPEN, result,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_DIRECTORY_FILE));
            if (!next && !last && GetLastError() == ERROR_FILE_NOT_FOUND) SetLastError(ERROR_PATH_NOT_FOUND);
            const DWORD attributes = AttributesOf(next.get());
            if (attributes == INVALID_FILE_ATTRIBUTES) return {};
            if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) && !(last && lastMayBeLink)) {
                if (ledTo) ledTo->clear();  // not followed, so not known
                SetLastError(kErrorFolderLeadsElsewhere);
                return {};
            }
            folder = std::move(next);
        }
        start = end + 1;
    }
    if (folder && !lastMayBeLink && leadsElsewhere(folder.get(), full.size())) return {};
    return folder;
}

// Whether the program looks at `path` with its own rights, and so only without links.
bool OwnRights() { return !ThreadImpersonates(); }

DWORD AttributesAt(const std::wstring& path) {
    if (!OwnRights()) return GetFileAttributesW(path.c_str());
    return AttributesOf(OpenWithoutLinks(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         0, true, nullptr)
                            .get());
}

}  // namespace

void PrepareWrites() {
    NativeApi();
    CryptoApi();
    PrepareDigests();
}

bool FileExists(const std::wstring& path) {
    const DWORD attributes = AttributesAt(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::wstring& path) {
    const DWORD attributes = AttributesAt(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<FileIdentity> IdentityOf(const std::wstring& path) {
    constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    UniqueHandle file;
    if (OwnRights()) {
        file = OpenWithoutLinks(path, FILE_READ_ATTRIBUTES, kShareAll, 0, true, nullptr);
    } else {
        // A pipe at that name learns nothing it could act on as the elevated program.
        const HANDLE opened = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_BACKUP_SEMANTICS | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION,
                                          nullptr);
        file.reset(opened == INVALID_HANDLE_VALUE ? nullptr : opened);
    }
    BY_HANDLE_FILE_INFORMATION information;
    if (!file || !GetFileInformationByHandle(file.get(), &information)) return std::nullopt;
    return FileIdentity{information.dwVolumeSerialNumber,
                        (static_cast<unsigned long long>(information.nFileIndexHigh) << 32) | information.nFileIndexLow};
}

bool OnLocalDrive(const std::wstring& path) {
    if (path.size() < 3 || path[1] != L':' || path[2] != L'\\') return false;
    const wchar_t root[] = {path[0], L':', L'\\', L'\0'};
    const UINT type = GetDriveTypeW(root);
    return type == DRIVE_FIXED || type == DRIVE_REMOVABLE || type == DRIVE_RAMDISK;
}

namespace {

// Whether `token` (an identification token is enough) is granted `wanted` on what `object`
// (opened with READ_CONTROL) is.
bool TokenMay(HANDLE token, HANDLE object, ACCESS_MASK wanted) {
    constexpr SECURITY_INFORMATION kParts = OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    DWORD size = 0;
    GetKernelObjectSecurity(object, kParts, nullptr, 0, &size);
    std::vector<BYTE> security(size);
    GENERIC_MAPPING mapping{FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
    PRIVILEGE_SET privileges;
    DWORD privilegesSize = sizeof privileges, granted = 0;
    BOOL allowed = FALSE;
    return size && GetKernelObjectSecurity(object, kParts, security.data(), size, &size) &&
           AccessCheck(security.data(), token, wanted, &mapping, &privileges, &privilegesSize, &granted, &allowed) &&
           allowed;
}

// The folder of the file `path`, held open without delete sharing (it cannot be renamed or
// replaced meanwhile, and what is done inside it lands in this very folder whatever its name
// leads to by then), and the file's name. Acting as the user, a junction the user made to
// move the folder is followed, once; with the program's own rights the path is walked without
// links, and the held folder's final path must be the one the path names. With `user`, the
// folder is held only when that token may do `wanted` in it. Null, with GetLastError(), when
// it cannot be held.
UniqueHandle HoldFolderOf(const std::wstring& path, std::wstring& name, std::wstring* ledTo, HANDLE user = nullptr,
                          ACCESS_MASK wanted = 0) {
    const size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos || slash + 1 == path.size()) {
        SetLastError(ERROR_INVALID_NAME);
        return {};
    }
    // "C:" alone is the current folder on that drive, not its root: a file at a drive's root
    // keeps the root's separator, or it would land in the elevated program's current folder.
    const bool driveRoot = slash > 0 && path[slash - 1] == L':';
    const std::wstring folderPath = path.substr(0, driveRoot ? slash + 1 : slash);
    name = path.substr(slash + 1);
    const ACCESS_MASK access = FILE_LIST_DIRECTORY | FILE_TRAVERSE | SYNCHRONIZE | (user ? READ_CONTROL : 0);
    UniqueHandle folder;
    if (OwnRights()) {
        folder = OpenWithoutLinks(folderPath, access, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_DIRECTORY_FILE, false, ledTo);
    } else {
        const HANDLE opened = CreateFileW(folderPath.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        folder.reset(opened == INVALID_HANDLE_VALUE ? nullptr : opened);
    }
    if (!folder) return {};
    if (user && !TokenMay(user, folder.get(), wanted)) {
        SetLastError(kErrorUserMayNot);
        return {};
    }
    return folder;
}

// Whether `file`, opened as itself inside the folder behind `folder`, is the file `name` there
// and no link: Wine follows a Unix link even where asked not to, and a deletion through that
// handle would remove the file it leads to. A final path that cannot be read is no proof.
bool IsNamedFileIn(HANDLE file, const std::wstring& folderPath, const std::wstring& name, std::wstring* ledTo) {
    const DWORD attributes = AttributesOf(file);
    std::wstring finalPath = FinalPathOf(file);
    const bool named = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
                       !folderPath.empty() &&
                       SameFolderPath(finalPath, folderPath + (folderPath.back() == L'\\' ? L"" : L"\\") + name);
    if (!named) {
        if (ledTo) *ledTo = std::move(finalPath);
        SetLastError(kErrorFileLeadsElsewhere);
    }
    return named;
}

// Deletes the temporary files that runs killed half-way left in the folder behind `folder`.
// One that is open belongs to a run in another session, and cannot be opened unshared.
void RemoveLeftTemporaryFiles(HANDLE folder) {
    std::vector<std::wstring> left;
    alignas(LONGLONG) BYTE buffer[16 * 1024];
    for (auto kind = FileIdBothDirectoryRestartInfo;
         GetFileInformationByHandleEx(folder, kind, buffer, sizeof buffer); kind = FileIdBothDirectoryInfo) {
        for (size_t offset = 0;;) {
            const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer + offset);
            const std::wstring_view name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
            if (!(entry->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsTemporaryFileName(name)) left.emplace_back(name);
            if (!entry->NextEntryOffset) break;
            offset += entry->NextEntryOffset;
        }
    }
    const std::wstring folderPath = left.empty() ? std::wstring() : FinalPathOf(folder);
    for (const std::wstring& name : left) {
        LONG result = 0;
        UniqueHandle file(OpenFileIn(folder, name, DELETE | FILE_READ_ATTRIBUTES, FILE_OPEN, result));
        if (file && IsNamedFileIn(file.get(), folderPath, name, nullptr)) DeleteByHandle(file.get());
    }
}

bool IsNotThere(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

}  // namespace

bool WriteFileReplacing(const std::wstring& path, std::span<const BYTE> bytes, std::wstring* ledTo, HANDLE user) {
    if (bytes.empty()) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    std::wstring name;
    UniqueHandle folder = HoldFolderOf(path, name, ledTo, user, FILE_ADD_FILE);
    if (!folder) return false;
    // Windows refuses to move over a read-only file; say so before writing anything, on
    // every system alike.
    LONG result = 0;
    const DWORD attributes = AttributesOf(UniqueHandle(OpenFileIn(folder.get(), name, FILE_READ_ATTRIBUTES, FILE_OPEN,
                                                                  result, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE))
                                              .get());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }

    RemoveLeftTemporaryFiles(folder.get());

    // A new file under a random name, made in the held folder itself, not through its path
    // once more (the path's other folders may have been swapped meanwhile, and the longer
    // name could push a path that fits past the platform's limit). From here on the file is
    // reached through its handle only.
    UniqueHandle temporary;
    for (int attempt = 0; attempt < 3 && !temporary; ++attempt) {
        const std::wstring candidate = RandomFileName();
        if (candidate.empty()) {
            SetLastError(ERROR_GEN_FAILURE);
            return false;
        }
        temporary.reset(OpenFileIn(folder.get(), candidate, FILE_GENERIC_WRITE | DELETE, FILE_CREATE, result));
        if (!temporary && result != kNameCollision) return false;
    }
    if (!temporary) return false;

    // The rename replaces the directory entry: a hard link planted at the target is
    // unlinked, never written through.
    if (WriteAll(temporary.get(), bytes) && RenameInto(temporary.get(), folder.get(), name)) return true;
    const DWORD error = GetLastError();
    DeleteByHandle(temporary.get());
    SetLastError(error);
    return false;
}

bool ExtractResourceToFile(HMODULE module, const wchar_t* type, const wchar_t* name, const std::wstring& path,
                           std::wstring* ledTo, HANDLE user) {
    // A missing or unloadable resource is an empty payload, which is never written.
    return WriteFileReplacing(path, EmbeddedResource(module, type, name), ledTo, user);
}

Removal RemoveFileByHandle(const std::wstring& path, std::span<const BYTE> onlyIf, std::wstring* ledTo, HANDLE user) {
    std::wstring name;
    UniqueHandle folder = HoldFolderOf(path, name, ledTo, user, FILE_DELETE_CHILD);
    // A user who may not delete inside the folder may still delete the file itself.
    if (!folder && GetLastError() == kErrorUserMayNot) folder = HoldFolderOf(path, name, ledTo, user, 0);
    if (!folder) return IsNotThere(GetLastError()) ? Removal::NotThere : Removal::Failed;
    RemoveLeftTemporaryFiles(folder.get());
    // Shared with nobody: a terminal that has the file open keeps it, and says so.
    LONG result = 0;
    UniqueHandle file(OpenFileIn(folder.get(), name,
                                 DELETE | FILE_READ_ATTRIBUTES | (onlyIf.empty() ? 0 : FILE_READ_DATA) | (user ? READ_CONTROL : 0),
                                 FILE_OPEN, result));
    if (!file) return IsNotThere(GetLastError()) ? Removal::NotThere : Removal::Failed;
    if (!IsNamedFileIn(file.get(), FinalPathOf(folder.get()), name, ledTo)) return Removal::Failed;
    if (user && !TokenMay(user, folder.get(), FILE_DELETE_CHILD) && !TokenMay(user, file.get(), DELETE)) {
        SetLastError(kErrorUserMayNot);
        return Removal::Failed;
    }
    if (!onlyIf.empty()) {
        // One byte more than expected tells a longer file from the one meant.
        std::vector<BYTE> content(onlyIf.size() + 1);
        DWORD read = 0;
        if (!ReadFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &read, nullptr)) return Removal::Failed;
        if (read != onlyIf.size() || !std::equal(onlyIf.begin(), onlyIf.end(), content.begin())) return Removal::Kept;
    }
    return DeleteByHandle(file.get()) ? Removal::Removed : Removal::Failed;
}

std::optional<FileDigest> DigestOfFile(const std::wstring& path, std::wstring* ledTo) {
    std::wstring name;
    UniqueHandle folder = HoldFolderOf(path, name, ledTo);
    if (!folder) return std::nullopt;
    LONG result = 0;
    UniqueHandle file(OpenFileIn(folder.get(), name, FILE_READ_DATA | FILE_READ_ATTRIBUTES, FILE_OPEN, result,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE));
    if (!file) return std::nullopt;
    // A hard link may name a file its planter cannot read, and a link or device is not the
    // copy named: their size and digest are not told.
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(file.get(), &information)) return std::nullopt;
    if (information.nNumberOfLinks > 1) {
        SetLastError(kErrorFileHasOtherNames);
        return std::nullopt;
    }
    if ((information.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) || GetFileType(file.get()) != FILE_TYPE_DISK ||
        !IsNamedFileIn(file.get(), FinalPathOf(folder.get()), name, nullptr)) {
        SetLastError(kErrorNotAPlainFile);
        return std::nullopt;
    }
    Sha256 hash;
    FileDigest digest{};
    std::vector<BYTE> buffer(64 * 1024);
    for (DWORD read = 0;; digest.size += read) {
        if (!ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) return std::nullopt;
        if (read == 0) break;
        hash.Add({buffer.data(), read});
    }
    const std::optional<Sha256Digest> sha256 = hash.Finish();
    if (!sha256) {
        SetLastError(ERROR_GEN_FAILURE);
        return std::nullopt;
    }
    digest.sha256 = *sha256;
    return digest;
}

UniqueHandle OpenFolderForListing(const std::wstring& path) {
    constexpr ACCESS_MASK kAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | SYNCHRONIZE;
    constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    if (OwnRights()) return OpenWithoutLinks(path, kAccess, kShareAll, 0, false, nullptr);
    const HANDLE folder =
        CreateFileW(path.c_str(), kAccess, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    return UniqueHandle(folder == INVALID_HANDLE_VALUE ? nullptr : folder);
}

UniqueHandle OpenSubFolder(HANDLE parent, const std::wstring& name) {
    LONG result = 0;
    UniqueHandle folder(OpenFileIn(parent, name, FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES, FILE_OPEN,
                                   result, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   FILE_DIRECTORY_FILE));
    // Opened as the link itself, it shows as one, also where the system followed it anyway.
    const DWORD attributes = AttributesOf(folder.get());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return {};
    return folder;
}

bool ListFolder(HANDLE folder, std::vector<FolderEntry>& entries) {
    entries.clear();
    alignas(LONGLONG) BYTE buffer[16 * 1024];
    bool listed = false;
    for (auto kind = FileIdBothDirectoryRestartInfo; GetFileInformationByHandleEx(folder, kind, buffer, sizeof buffer);
         kind = FileIdBothDirectoryInfo) {
        listed = true;
        for (size_t offset = 0;;) {
            const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer + offset);
            const std::wstring_view name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..") entries.push_back({std::wstring(name), entry->FileAttributes});
            if (!entry->NextEntryOffset) break;
            offset += entry->NextEntryOffset;
        }
    }
    return listed || GetLastError() == ERROR_NO_MORE_FILES;
}

std::wstring FolderAsOnDisk(const std::wstring& given) {
    // The search below opens each folder on the way by its path.
    if (OwnRights() && !OpenWithoutLinks(given, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         0, true, nullptr) &&
        GetLastError() == kErrorFolderLeadsElsewhere)
        return given;
    std::wstring path(GetFullPathNameW(given.c_str(), 0, nullptr, nullptr), L'\0');
    const DWORD length =
        path.empty() ? 0 : GetFullPathNameW(given.c_str(), static_cast<DWORD>(path.size()), path.data(), nullptr);
    if (length < 3 || length >= path.size()) return given;
    path.resize(length);
    size_t root = 3;  // "C:\", or "\\server\share"
    if (path[1] == L':') {
        if (path[0] >= L'a' && path[0] <= L'z') path[0] = static_cast<wchar_t>(path[0] - L'a' + L'A');
    } else {
        const size_t server = path.find(L'\\', 2);
        root = server == std::wstring::npos ? path.size() : std::min(path.find(L'\\', server + 1), path.size());
    }
    while (path.size() > root && path.back() == L'\\') path.pop_back();
    for (size_t start = root; start < path.size(); ++start) {
        if (path[start] == L'\\') continue;
        const size_t end = std::min(path.find(L'\\', start), path.size());
        WIN32_FIND_DATAW found;
        // Without wildcards the search finds this one entry, also by its short name.
        const HANDLE search = path.find_first_of(L"*?", start) < end
                                  ? INVALID_HANDLE_VALUE
                                  : FindFirstFileW(path.substr(0, end).c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) break;  // the rest is not there: left as given
        FindClose(search);
        path.replace(start, end - start, found.cFileName);
        start = path.find(L'\\', start);
        if (start == std::wstring::npos) break;
    }
    return path;
}

std::wstring WithoutTrailingSeparator(std::wstring path) {
    while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    return path;
}

bool IsDeviceName(std::wstring name) {
    name = AsciiLower(name.substr(0, name.find(L'.')));
    while (!name.empty() && name.back() == L' ') name.pop_back();
    for (const wchar_t* device : {L"con", L"prn", L"aux", L"nul", L"conin$", L"conout$"})
        if (name == device) return true;
    const bool numbered = name.size() == 4 && (name.starts_with(L"com") || name.starts_with(L"lpt"));
    return numbered && ((name[3] >= L'1' && name[3] <= L'9') || name[3] == L'\u00B9' || name[3] == L'\u00B2' ||
                        name[3] == L'\u00B3');
}

bool NameOpensAsAnother(const std::wstring& name) {
    return name.empty() || name.back() == L'.' || name.back() == L' ' || IsDeviceName(name);
}
