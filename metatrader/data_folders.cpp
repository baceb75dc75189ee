#include "metatrader/data_folders.h"

#include <shlobj.h>

#include "app/handles.h"
#include "app/text_decoding.h"
#include "metatrader/installations.h"
#include "metatrader/terminal_conventions.h"

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

void FindDataFoldersUnder(const std::wstring& dataRoot, const FolderList& selected, FolderList& found) {
    found.clear();
    if (!DirectoryExists(dataRoot)) return;

    std::vector<std::wstring> names;
    ListSubFolders(dataRoot, names);
    std::vector<std::wstring> origins, candidates;
    for (const std::wstring& name : names) {
        const std::wstring folder = dataRoot + L"\\" + name;
        // A missing marker, a folder of that name, and an unreadable or undecodable marker
        // are all passed over: one stray file must not cost the user every other data folder.
        std::optional<std::wstring> origin = ReadTextFile(folder + terminal::kOriginFile);
        if (!origin) continue;
        origins.push_back(std::move(*origin));
        candidates.push_back(folder);
    }

    for (const std::wstring& installation : selected) {
        for (size_t i = 0; i < origins.size(); ++i) {
            if (!SameFolderExactly(origins[i], installation)) continue;
            // Only origins that name an existing folder count. Equal texts name the same
            // folder, so testing the first equal one decides for all of them, and the scan
            // above stays one file open per data folder.
            if (DirectoryExists(origins[i]) && IndexOfFolder(found, candidates[i]) < 0)
                found.push_back(candidates[i]);
            break;
        }
    }
}

void FindDataFolders(const FolderList& selected, FolderList& found) {
    const std::wstring appData = SignedInUserFolderPath(nullptr, CSIDL_APPDATA);
    if (appData.empty()) {
        found.clear();
        return;
    }
    FindDataFoldersUnder(appData + terminal::kDataRoot, selected, found);
}
