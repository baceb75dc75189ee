#include "metatrader/data_folders.h"

#include <shlobj.h>

#include "metatrader/terminal_conventions.h"
#include "win32/files.h"
#include "win32/impersonation.h"
#include "win32/shell_folders.h"

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
    // The folders and markers are the user's: read as the user, a link among them reaches no
    // more than that user could read, and no share is reached with the program's credentials.
    const UniqueHandle user = SignedInUserImpersonationToken();
    const Impersonation asUser(user.get());
    FindDataFoldersUnder(appData + terminal::kDataRoot, selected, found);
}
