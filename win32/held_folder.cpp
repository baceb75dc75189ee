#include "win32/held_folder.h"

#include <winternl.h>

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

}  // namespace

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

namespace {

bool DeleteByHandle(HANDLE file) {
    FILE_DISPOSITION_INFO remove{TRUE};
    return SetFileInformationByHandle(file, FileDispositionInfo, &remove, sizeof remove);
}

// Deletes the temporary files that runs killed half-way left in the folder behind `folder`.
// One that is open belongs to a run in another session, and cannot be opened unshared.
void RemoveLeftTemporaryFiles(HANDLE folder) {
    std::vector<FolderEntry> entries;
    ListFolder(folder, entries);
    for (const FolderEntry& entry : entries) {
        if ((entry.attributes & FILE_ATTRIBUTE_DIRECTORY) || !IsTemporaryFileName(entry.name)) continue;
        LONG result = 0;
        UniqueHandle file(OpenFileIn(folder, entry.name, DELETE, FILE_OPEN, result));
        if (file) DeleteByHandle(file.get());
    }
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
        path.erase(2, 6);  // "?\UNC\" out, the leading "\\" kept
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

}  // namespace

void PrepareWrites() {
    NativeApi();
    CryptoApi();
    PrepareDigests();
}

namespace {

// The folder of the file `path`, held open without delete sharing (it cannot be renamed or
// replaced meanwhile, and what is done inside it lands in this very folder whatever its name
// leads to by then), and the file's name. A junction the user made to move the folder is
// followed here, once. Null, with GetLastError(), when it cannot be opened, and for the
// program's own rights when its final path is another one than the path names.
UniqueFile HoldFolderOf(const std::wstring& path, std::wstring& name, std::wstring* ledTo) {
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
    UniqueFile folder(CreateFileW(folderPath.c_str(), FILE_LIST_DIRECTORY | FILE_TRAVERSE | SYNCHRONIZE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder) return {};
    // CreateFileW follows links in every part of the path: with the program's own rights, a
    // link a user made would act wherever the user chose. As the user, the user's rights
    // bound it.
    if (!ThreadImpersonates()) {
        std::wstring finalPath = FinalPathOf(folder.get());
        // The full path as named usually is the final one already; short names are looked up
        // (a search per part of the path) only where it is not.
        if (!SameFolderPath(finalPath, FullPathOf(folderPath)) && !SameFolderPath(finalPath, LongPathOf(folderPath))) {
            if (ledTo) *ledTo = std::move(finalPath);
            SetLastError(kErrorFolderLeadsElsewhere);
            return {};
        }
    }
    return folder;
}

bool IsNotThere(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

}  // namespace

bool WriteFileReplacing(const std::wstring& path, std::span<const BYTE> bytes, std::wstring* ledTo) {
    if (bytes.empty()) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    // Windows refuses to move over a read-only file; say so before writing anything, on
    // every system alike.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    std::wstring name;
    UniqueFile folder = HoldFolderOf(path, name, ledTo);
    if (!folder) return false;

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
        LONG result = 0;
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
                           std::wstring* ledTo) {
    // A missing or unloadable resource is an empty payload, which is never written.
    return WriteFileReplacing(path, EmbeddedResource(module, type, name), ledTo);
}

Removal RemoveFileByHandle(const std::wstring& path, std::span<const BYTE> onlyIf, std::wstring* ledTo) {
    std::wstring name;
    UniqueFile folder = HoldFolderOf(path, name, ledTo);
    if (!folder) return IsNotThere(GetLastError()) ? Removal::NotThere : Removal::Failed;
    RemoveLeftTemporaryFiles(folder.get());
    // Shared with nobody: a terminal that has the file open keeps it, and says so.
    LONG result = 0;
    UniqueHandle file(OpenFileIn(folder.get(), name, DELETE | (onlyIf.empty() ? 0 : FILE_READ_DATA), FILE_OPEN, result));
    if (!file) return IsNotThere(GetLastError()) ? Removal::NotThere : Removal::Failed;
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
    UniqueFile folder = HoldFolderOf(path, name, ledTo);
    if (!folder) return std::nullopt;
    LONG result = 0;
    UniqueHandle file(OpenFileIn(folder.get(), name, FILE_READ_DATA, FILE_OPEN, result,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE));
    if (!file) return std::nullopt;
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
