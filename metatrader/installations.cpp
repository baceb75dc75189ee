#include "metatrader/installations.h"

#include <vector>

#include "metatrader/terminal_conventions.h"
#include "win32/ascii_text.h"
#include "win32/folder_walk.h"
#include "win32/handles.h"
#include "win32/path_rules.h"
#include "win32/system_functions.h"

namespace {

// Reading the uninstall keys, both widths see the 32-bit program's view: the terminal is a
// 32-bit program, and the shipping build is one.
#ifdef _WIN64
constexpr REGSAM kUninstallAccess = KEY_READ | KEY_WOW64_32KEY;
#else
constexpr REGSAM kUninstallAccess = KEY_READ;
#endif

std::vector<std::wstring> SubKeyNames(HKEY key) {
    std::vector<std::wstring> names;
    DWORD count = 0, longest = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return names;
    std::vector<wchar_t> name(longest + 1);
    for (DWORD i = 0; i < count; ++i) {
        DWORD length = static_cast<DWORD>(name.size());
        if (RegEnumKeyExW(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
            names.emplace_back(name.data(), length);
    }
    return names;
}

// The data of the REG_SZ value whose name equals `valueName` exactly (letter case
// included, unlike the registry's own lookup), or nothing.
bool ReadExactStringValue(HKEY key, const wchar_t* valueName, std::wstring& data) {
    DWORD count = 0, longestName = 0, longestData = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longestName,
                         &longestData, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    std::vector<wchar_t> name(longestName + 1);
    std::vector<BYTE> bytes(longestData + sizeof(wchar_t));
    for (DWORD i = 0; i < count; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(bytes.size());
        if (RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, bytes.data(), &size) !=
            ERROR_SUCCESS)
            continue;
        if (std::wstring_view(name.data(), nameLength) != valueName) continue;
        if (type != REG_SZ) return false;
        std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), size / sizeof(wchar_t));
        // Stored data usually carries its terminating NUL; the text ends at the first one.
        data = text.substr(0, text.find(L'\0'));
        return true;
    }
    return false;
}

}  // namespace

void FindInstallationsUnder(HKEY root, FolderList& list) {
    list.clear();
    const std::wstring keyPath = Widened(RunningUnderWow64() ? terminal::kUninstallKeyWow64 : terminal::kUninstallKey);
    UniqueKey uninstall;
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, keyPath.c_str(), 0, kUninstallAccess, &opened) != ERROR_SUCCESS) return;
    uninstall.reset(opened);

    for (const std::wstring& subKeyName : SubKeyNames(uninstall.get())) {
        UniqueKey entry;
        if (RegOpenKeyExW(root, (keyPath + subKeyName).c_str(), 0, kUninstallAccess, &opened) != ERROR_SUCCESS)
            continue;
        entry.reset(opened);
        std::wstring version, location;
        if (!ReadExactStringValue(entry.get(), terminal::kMajorVersionValue, version) ||
            version != terminal::kMajorVersion)
            continue;
        if (!ReadExactStringValue(entry.get(), terminal::kInstallLocationValue, location) || !IsAbsolutePath(location))
            continue;
        if (FileExists(location + terminal::kProgramFile)) list.push_back(location);
    }
}

void FindInstallations(FolderList& list) { FindInstallationsUnder(HKEY_LOCAL_MACHINE, list); }

bool HasTerminalLayout(HANDLE folder, const std::vector<FolderEntry>& entries, const std::wstring& keptAs) {
    // Wine opens a link as its target: the listing tells that MQL4 is one.
    const FolderEntry* mql4 = ListedEntry(entries, terminal::kMql4Folder + 1, true);
    if (!ListedEntry(entries, terminal::kProgramFile + 1, false) || !mql4 || (mql4->attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    const std::wstring_view experts = terminal::kExpertsFolder, files = terminal::kFilesFolder;
    const size_t inside = std::wstring_view(terminal::kMql4Folder).size() + 1;  // past "\\MQL4\\"
    UniqueHandle inner = OpenSubFolder(folder, mql4->name);
    std::vector<FolderEntry> innerEntries;
    const bool layout = inner && ListFolder(inner.get(), innerEntries) &&
                        ListedEntry(innerEntries, experts.substr(inside), true) &&
                        ListedEntry(innerEntries, files.substr(inside), true);
    if (layout && !keptAs.empty()) KeepWalkedFolder(ChildPath(keptAs, mql4->name), std::move(inner));
    return layout;
}

bool IsTerminalFolder(const std::wstring& folder) {
    UniqueHandle held = OpenFolderForListing(folder);
    std::vector<FolderEntry> entries;
    if (!held || !ListFolder(held.get(), entries) || !HasTerminalLayout(held.get(), entries, folder)) return false;
    KeepWalkedFolder(folder, std::move(held));
    return true;
}
