#include "win32/folder_walk.h"

#include <winternl.h>

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string_view>

#include "win32/handles.h"
#include "win32/impersonation.h"
#include "win32/system_functions.h"

namespace {

// "\\?\C:\..." as "C:\..." and "\\?\UNC\server\share..." as "\\server\share...".
std::wstring WithoutLongPathPrefix(std::wstring path) {
    if (path.starts_with(L"\\\\?\\UNC\\"))
        path.erase(2, 6);  // "?\UNC\" out, the leading "\\" kept
    else if (path.starts_with(L"\\\\?\\"))
        path.erase(0, 4);
    return path;
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

// A full path without the long-path prefix spelt as its final path would spell it: short
// names expanded. Empty when a part cannot be found.
std::wstring LongPathOf(const std::wstring& full) {
    std::wstring result(GetLongPathNameW(full.c_str(), nullptr, 0), L'\0');
    const DWORD length = result.empty() ? 0 : GetLongPathNameW(full.c_str(), result.data(), static_cast<DWORD>(result.size()));
    if (length == 0 || length >= result.size()) return {};
    result.resize(length);
    return WithoutLongPathPrefix(std::move(result));
}

}  // namespace

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

bool SameFolderPath(std::wstring a, std::wstring b) {
    if (a.empty() || b.empty()) return false;  // a failed lookup is another folder
    for (std::wstring* path : {&a, &b})
        if (path->back() == L'\\') path->pop_back();
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// The basic record: the whole one asks the volume for its serial number, which costs Wine a
// good part of a millisecond.
DWORD AttributesOf(HANDLE handle) {
    FILE_BASIC_INFO information;
    return handle && GetFileInformationByHandleEx(handle, FileBasicInfo, &information, sizeof information)
               ? information.FileAttributes
               : INVALID_FILE_ATTRIBUTES;
}

namespace {

// The folders that walks inside a ReusedWalks opened on their way, and those handed over by
// code that opened them the same way, each as itself and no link with the program's own
// rights: `ways[i]` is the full path that reached `folders[i]`, with a separator after its name.
constexpr size_t kMostKept = 4096;
struct KeptFolders {
    std::vector<std::wstring> ways;
    HANDLE folders[kMostKept];
};
KeptFolders* keptFolders = nullptr;

// Whether `way` leads to a folder above a name of `full`.
bool LeadsAbove(const std::wstring& way, const std::wstring& full) {
    const size_t length = way.size();
    if (length >= full.size() || full[length - 1] != L'\\' || full.find_first_not_of(L'\\', length) == std::wstring::npos)
        return false;
    return CompareStringOrdinal(way.c_str(), static_cast<int>(length), full.c_str(), static_cast<int>(length), TRUE) ==
           CSTR_EQUAL;
}

// The index of the deepest kept folder above the last name of `full`, or -1.
int KeptAbove(const std::wstring& full) {
    int deepest = -1;
    if (keptFolders)
        for (size_t i = 0; i < keptFolders->ways.size(); ++i)
            if ((deepest < 0 || keptFolders->ways[i].size() > keptFolders->ways[deepest].size()) &&
                LeadsAbove(keptFolders->ways[i], full))
                deepest = static_cast<int>(i);
    return deepest;
}

// Keeps `folder`, reached by `way`, while a ReusedWalks lives; else lets it go. A folder kept
// twice costs a handle, no more: either serves. The kept folders are the program's own: none
// is kept while the thread acts as another user.
void Keep(std::wstring way, UniqueHandle& folder) {
    if (!keptFolders || keptFolders->ways.size() >= kMostKept || !folder || ThreadImpersonates()) return;
    keptFolders->folders[keptFolders->ways.size()] = folder.release();
    keptFolders->ways.push_back(std::move(way));
}

}  // namespace

ReusedWalks::ReusedWalks() : owner_(!keptFolders) {
    if (owner_) keptFolders = new KeptFolders;
}

ReusedWalks::~ReusedWalks() {
    if (!owner_) return;
    for (size_t i = 0; i < keptFolders->ways.size(); ++i) CloseHandle(keptFolders->folders[i]);
    delete keptFolders;
    keptFolders = nullptr;
}

void KeepWalkedFolder(const std::wstring& path, UniqueHandle folder) {
    if (!keptFolders || path.empty()) return;
    Keep(path.back() == L'\\' ? path : path + L'\\', folder);
}

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
    // The folder reached so far: a kept one, or `owned`; and the one named.
    UniqueHandle owned, target;
    HANDLE folder = nullptr;
    size_t start = root;
    if (const int kept = KeptAbove(full); kept >= 0) {
        folder = keptFolders->folders[kept];
        start = keptFolders->ways[kept].size();
    } else {
        const std::wstring rootWay = full.substr(0, root) + (full[root - 1] == L'\\' ? L"" : L"\\");
        const HANDLE opened = CreateFileW(rootWay.c_str(), rootOnly ? access : FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                          rootOnly ? share : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        owned.reset(opened == INVALID_HANDLE_VALUE ? nullptr : opened);
        folder = owned.get();
        if (rootOnly) {
            target = std::move(owned);
        } else {
            Keep(rootWay, owned);
        }
    }
    // Windows opens a link as itself and says it is one. Wine follows it all the same: the
    // final path then tells that the folder reached is not the one named, as it tells of a
    // kept folder moved since.
    auto leadsElsewhere = [&](HANDLE handle, size_t end) {
        std::wstring finalPath = FinalPathOf(handle);
        const std::wstring named = full.substr(0, end);
        if (SameFolderPath(finalPath, named) || SameFolderPath(finalPath, LongPathOf(named))) return false;
        if (ledTo) *ledTo = finalPath.empty() ? finalPath : finalPath + full.substr(end);
        SetLastError(kErrorFolderLeadsElsewhere);
        return true;
    };
    while (folder && !target && start < full.size()) {
        const size_t end = std::min(full.find(L'\\', start), full.size());
        const bool last = full.find_first_not_of(L'\\', end) == std::wstring::npos;
        if (end > start) {
            if (last && lastMayBeLink && leadsElsewhere(folder, start)) return {};
            LONG result = 0;
            UniqueHandle next(last ? OpenFileIn(folder, full.substr(start, end - start), access | FILE_READ_ATTRIBUTES,
                                                FILE_OPEN, result, share, options)
                                   : OpenFileIn(folder, full.substr(start, end - start), FILE_READ_ATTRIBUTES,
                                                FILE_OPEN, result,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_DIRECTORY_FILE));
            if (!next && !last && GetLastError() == ERROR_FILE_NOT_FOUND) SetLastError(ERROR_PATH_NOT_FOUND);
            const DWORD attributes = AttributesOf(next.get());
            if (attributes == INVALID_FILE_ATTRIBUTES) return {};
            if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) && !(last && lastMayBeLink)) {
                if (ledTo) ledTo->clear();  // not followed, so not known
                SetLastError(kErrorFolderLeadsElsewhere);
                return {};
            }
            folder = next.get();
            if (last) {
                target = std::move(next);
            } else {
                if (keptFolders) Keep(full.substr(0, end + 1), next);
                if (next) owned = std::move(next);
            }
        }
        start = end + 1;
    }
    if (target && !lastMayBeLink && leadsElsewhere(target.get(), full.size())) return {};
    return target;
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

HANDLE OpenFileIn(HANDLE folder, const std::wstring& name, ACCESS_MASK access, ULONG disposition, LONG& result,
                  ULONG share, ULONG options) {
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

UniqueHandle OpenFolderForListing(const std::wstring& path) {
    constexpr ACCESS_MASK kAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | SYNCHRONIZE;
    constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    if (!ThreadImpersonates()) return OpenWithoutLinks(path, kAccess, kShareAll, 0, false, nullptr);
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

bool ListFolder(HANDLE folder, std::vector<FolderEntry>& entries, bool whole) {
    entries.clear();
    // On the heap: a frame this large would skip the stack's guard page, the program being
    // built without stack probes.
    constexpr DWORD kBufferBytes = 16 * 1024;
    const std::unique_ptr<LONGLONG[]> buffer(new LONGLONG[kBufferBytes / sizeof(LONGLONG)]);
    bool listed = false;
    for (auto kind = FileIdBothDirectoryRestartInfo; GetFileInformationByHandleEx(folder, kind, buffer.get(), kBufferBytes);
         kind = FileIdBothDirectoryInfo) {
        listed = true;
        size_t used = 0;
        for (size_t offset = 0;;) {
            const auto* entry =
                reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(reinterpret_cast<const BYTE*>(buffer.get()) + offset);
            const std::wstring_view name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..") entries.push_back({std::wstring(name), entry->FileAttributes});
            used = offset + offsetof(FILE_ID_BOTH_DIR_INFO, FileName) + entry->FileNameLength;
            if (!entry->NextEntryOffset) break;
            offset += entry->NextEntryOffset;
        }
        // The system fills the buffer as far as the entries go: room left for the longest
        // entry means there was none more, and asking once more would cost a call.
        if (!whole && used + offsetof(FILE_ID_BOTH_DIR_INFO, FileName) + MAX_PATH * sizeof(wchar_t) <= kBufferBytes) break;
    }
    return listed || GetLastError() == ERROR_NO_MORE_FILES;
}

const FolderEntry* ListedEntry(const std::vector<FolderEntry>& entries, std::wstring_view name, bool folder) {
    for (const FolderEntry& entry : entries)
        if (!(entry.attributes & FILE_ATTRIBUTE_DIRECTORY) != folder &&
            CompareStringOrdinal(entry.name.data(), static_cast<int>(entry.name.size()), name.data(),
                                 static_cast<int>(name.size()), TRUE) == CSTR_EQUAL)
            return &entry;
    return nullptr;
}
