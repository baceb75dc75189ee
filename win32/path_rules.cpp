#include "win32/path_rules.h"

#include <algorithm>

#include "win32/ascii_case.h"
#include "win32/folder_walk.h"
#include "win32/handles.h"
#include "win32/impersonation.h"

namespace {

DWORD AttributesAt(const std::wstring& path) {
    if (ThreadImpersonates()) return GetFileAttributesW(path.c_str());
    return AttributesOf(OpenWithoutLinks(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         0, true, nullptr)
                            .get());
}

}  // namespace

bool FileExists(const std::wstring& path) {
    const DWORD attributes = AttributesAt(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::wstring& path) {
    const DWORD attributes = AttributesAt(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsAbsolutePath(const std::wstring& path) {
    auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    const bool drive = path.size() >= 3 && ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
                       path[1] == L':' && separator(path[2]);
    if (drive) return true;
    if (path.size() < 5 || !separator(path[0]) || !separator(path[1]) || separator(path[2])) return false;
    const size_t share = path.find_first_of(L"\\/", 2) + 1;  // "\\server" alone is the current drive's root
    return share > 0 && share < path.size() && !separator(path[share]);
}

std::optional<FileIdentity> IdentityOf(const std::wstring& path) {
    constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    UniqueHandle file;
    if (!ThreadImpersonates()) {
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

std::wstring FolderAsOnDisk(const std::wstring& given) {
    // The search below opens each folder on the way by its path.
    if (!ThreadImpersonates() &&
        !OpenWithoutLinks(given, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0, true,
                          nullptr) &&
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

std::wstring ChildPath(std::wstring folder, std::wstring_view name) {
    folder += L'\\';
    folder += name;
    return folder;
}

bool IsDeviceName(std::wstring name) {
    name = AsciiLower(name.substr(0, name.find(L'.')));
    while (!name.empty() && name.back() == L' ') name.pop_back();
    static constexpr const wchar_t* kDevices[] = {L"con", L"prn", L"aux", L"nul", L"conin$", L"conout$"};
    for (const wchar_t* device : kDevices)
        if (name == device) return true;
    const bool numbered = name.size() == 4 && (name.starts_with(L"com") || name.starts_with(L"lpt"));
    return numbered && ((name[3] >= L'1' && name[3] <= L'9') || name[3] == L'\u00B9' || name[3] == L'\u00B2' ||
                        name[3] == L'\u00B3');
}

bool NameOpensAsAnother(const std::wstring& name) {
    return name.empty() || name.back() == L'.' || name.back() == L' ' || IsDeviceName(name);
}
