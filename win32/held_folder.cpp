#include "win32/held_folder.h"

#include <winternl.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>

#include "win32/embedded_resource.h"
#include "win32/folder_walk.h"
#include "win32/handles.h"
#include "win32/impersonation.h"
#include "win32/sha256.h"
#include "win32/system_functions.h"

namespace {

bool WriteAll(HANDLE file, std::span<const BYTE> bytes) {
    const size_t total = bytes.size();
    while (!bytes.empty()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 20));
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
        bytes = bytes.subspan(written);
    }
    ULONGLONG size = 0;
    if (!FlushFileBuffers(file) || !FileSizeOf(file, size)) return false;
    if (size == total) return true;
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

}  // namespace

std::wstring RandomFileName() {
    constexpr ULONG kSystemPreferredGenerator = 0x00000002;  // BCRYPT_USE_SYSTEM_PREFERRED_RNG
    const auto genRandom = CryptoApi().genRandom;
    unsigned char random[16];
    if (!genRandom || genRandom(nullptr, random, sizeof random, kSystemPreferredGenerator) < 0) return {};
    std::wstring name = kTemporaryPrefix;
    name += HexText(random);
    return name + kTemporarySuffix;
}

namespace {

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

}  // namespace

void PrepareWrites() {
    NativeApi();
    CryptoApi();
    PrepareDigests();
}

namespace {

// What `token` (an identification token is enough) is granted on what `object` (opened with
// READ_CONTROL) is: one read of its security answers every right asked of it. None when
// that cannot be told.
ACCESS_MASK GrantedTo(HANDLE token, HANDLE object) {
    constexpr SECURITY_INFORMATION kParts = OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    const NativeFunctions& native = NativeApi();
    ULONG size = 0;
    if (!native.querySecurityObject || !native.accessCheck) return 0;
    native.querySecurityObject(object, kParts, nullptr, 0, &size);
    std::vector<BYTE> security(size);
    static constexpr GENERIC_MAPPING kFileMapping{FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE,
                                                  FILE_ALL_ACCESS};
    PRIVILEGE_SET privileges;
    ULONG privilegesSize = sizeof privileges;
    ACCESS_MASK granted = 0;
    NTSTATUS allowed = -1;
    return size && native.querySecurityObject(object, kParts, security.data(), size, &size) >= 0 &&
                   native.accessCheck(security.data(), token, MAXIMUM_ALLOWED, const_cast<GENERIC_MAPPING*>(&kFileMapping),
                                      &privileges, &privilegesSize, &granted, &allowed) >= 0 &&
                   allowed >= 0
               ? granted
               : 0;
}

bool TokenMay(HANDLE token, HANDLE object, ACCESS_MASK wanted) { return (GrantedTo(token, object) & wanted) == wanted; }

// The folder of the file `path`, held open without delete sharing (it cannot be renamed or
// replaced meanwhile, and what is done inside it lands in this very folder whatever its name
// leads to by then), and the file's name. Acting as the user, a junction the user made to
// move the folder is followed, once; with the program's own rights the path is walked without
// links, and the held folder's final path must be the one the path names. With `user`, the
// folder is held for reading its security, and only when that token may do `wanted` (if any)
// in it; `granted` then receives all that token may do there. Null, with GetLastError(),
// when it cannot be held.
UniqueHandle HoldFolderOf(const std::wstring& path, std::wstring& name, std::wstring* ledTo, HANDLE user = nullptr,
                          ACCESS_MASK wanted = 0, ACCESS_MASK* granted = nullptr) {
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
    if (!ThreadImpersonates()) {
        folder = OpenWithoutLinks(folderPath, access, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_DIRECTORY_FILE, false, ledTo);
    } else {
        const HANDLE opened = CreateFileW(folderPath.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        folder.reset(opened == INVALID_HANDLE_VALUE ? nullptr : opened);
    }
    if (!folder) return {};
    const ACCESS_MASK userMay = user ? GrantedTo(user, folder.get()) : 0;
    if (granted) *granted = userMay;
    if (user && (userMay & wanted) != wanted) {
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

// Deletes the temporary files that runs killed half-way left in the folder behind `folder`,
// listed in `entries`. One that is open belongs to a run in another session, and cannot be
// opened unshared.
void RemoveLeftTemporaryFiles(HANDLE folder, std::vector<FolderEntry>& entries) {
    std::vector<std::wstring> left;
    for (FolderEntry& entry : entries)
        if (!(entry.attributes & FILE_ATTRIBUTE_DIRECTORY) && IsTemporaryFileName(entry.name))
            left.push_back(std::move(entry.name));
    const std::wstring folderPath = left.empty() ? std::wstring() : FinalPathOf(folder);
    for (const std::wstring& name : left) {
        LONG result = 0;
        UniqueHandle file(OpenFileIn(folder, name, DELETE | FILE_READ_ATTRIBUTES, FILE_OPEN, result));
        if (file && IsNamedFileIn(file.get(), folderPath, name, nullptr)) DeleteByHandle(file.get());
    }
}

void RemoveLeftTemporaryFiles(HANDLE folder) {
    std::vector<FolderEntry> entries;
    ListFolder(folder, entries);
    RemoveLeftTemporaryFiles(folder, entries);
}

bool IsNotThere(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

}  // namespace

bool WriteFileReplacing(const std::wstring& path, std::span<const BYTE> bytes, std::wstring* ledTo, HANDLE user) {
    if (bytes.empty()) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    std::wstring name;
    ACCESS_MASK userMay = 0;
    UniqueHandle folder = HoldFolderOf(path, name, ledTo, user, FILE_ADD_FILE, &userMay);
    if (!folder) return false;
    // Windows refuses to move over a read-only file; say so before writing anything, on
    // every system alike.
    LONG result = 0;
    const bool userMayDelete = !user || (userMay & FILE_DELETE_CHILD);
    // Where the temporary files left are looked for, the same listing tells the target's
    // attributes; a name it does not list as a file (a short name, say) is opened.
    std::vector<FolderEntry> entries;
    if (userMayDelete) ListFolder(folder.get(), entries, false);
    const FolderEntry* listed = ListedEntry(entries, name, false);
    DWORD attributes = listed ? listed->attributes : INVALID_FILE_ATTRIBUTES;
    bool userMayNot = false;
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const UniqueHandle existing(OpenFileIn(folder.get(), name, FILE_READ_ATTRIBUTES | (user ? READ_CONTROL : 0), FILE_OPEN,
                                               result, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE));
        const bool there = existing || !IsNotThere(GetLastError());
        attributes = AttributesOf(existing.get());
        // Replacing a file deletes it: the user must be able to do that too.
        userMayNot = there && !userMayDelete && !(existing && TokenMay(user, existing.get(), DELETE));
    }
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    if (userMayNot) {
        SetLastError(kErrorUserMayNot);
        return false;
    }

    if (userMayDelete) RemoveLeftTemporaryFiles(folder.get(), entries);

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
    // Checked below: a user who may not delete inside the folder may still delete the file itself.
    ACCESS_MASK userMay = 0;
    UniqueHandle folder = HoldFolderOf(path, name, ledTo, user, 0, &userMay);
    if (!folder) return IsNotThere(GetLastError()) ? Removal::NotThere : Removal::Failed;
    const bool userMayDelete = !user || (userMay & FILE_DELETE_CHILD);
    if (userMayDelete) RemoveLeftTemporaryFiles(folder.get());
    // Shared with nobody: a terminal that has the file open keeps it, and says so.
    LONG result = 0;
    UniqueHandle file(OpenFileIn(folder.get(), name,
                                 DELETE | FILE_READ_ATTRIBUTES | (onlyIf.empty() ? 0 : FILE_READ_DATA) | (user ? READ_CONTROL : 0),
                                 FILE_OPEN, result));
    if (!file) return IsNotThere(GetLastError()) ? Removal::NotThere : Removal::Failed;
    if (!IsNamedFileIn(file.get(), FinalPathOf(folder.get()), name, ledTo)) return Removal::Failed;
    if (!userMayDelete && !TokenMay(user, file.get(), DELETE)) {
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
