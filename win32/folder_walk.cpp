#include "win32/folder_walk.h"

#include <winternl.h>

#include <memory>
#include <string_view>

#include "win32/handles.h"
#include "win32/system_functions.h"

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
    const HANDLE folder = CreateFileW(path.c_str(), FILE_LIST_DIRECTORY | FILE_TRAVERSE | SYNCHRONIZE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    return UniqueHandle(folder == INVALID_HANDLE_VALUE ? nullptr : folder);
}

UniqueHandle OpenSubFolder(HANDLE parent, const std::wstring& name) {
    LONG result = 0;
    UniqueHandle folder(OpenFileIn(parent, name, FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES, FILE_OPEN,
                                   result, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   FILE_DIRECTORY_FILE));
    // Opened as the link itself, it shows as one, also where the system followed it anyway.
    // (The basic record: the whole one asks the volume for its serial number, which costs
    // Wine a good part of a millisecond.)
    FILE_BASIC_INFO information;
    if (!folder || !GetFileInformationByHandleEx(folder.get(), FileBasicInfo, &information, sizeof information) ||
        (information.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return {};
    return folder;
}

bool ListFolder(HANDLE folder, std::vector<FolderEntry>& entries) {
    entries.clear();
    // On the heap: a frame this large would skip the stack's guard page, the program being
    // built without stack probes.
    constexpr DWORD kBufferBytes = 16 * 1024;
    const std::unique_ptr<LONGLONG[]> buffer(new LONGLONG[kBufferBytes / sizeof(LONGLONG)]);
    bool listed = false;
    for (auto kind = FileIdBothDirectoryRestartInfo; GetFileInformationByHandleEx(folder, kind, buffer.get(), kBufferBytes);
         kind = FileIdBothDirectoryInfo) {
        listed = true;
        for (size_t offset = 0;;) {
            const auto* entry =
                reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(reinterpret_cast<const BYTE*>(buffer.get()) + offset);
            const std::wstring_view name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..") entries.push_back({std::wstring(name), entry->FileAttributes});
            if (!entry->NextEntryOffset) break;
            offset += entry->NextEntryOffset;
        }
    }
    return listed || GetLastError() == ERROR_NO_MORE_FILES;
}
