#include "metatrader/data_folders.h"

#include <shlobj.h>

#include "metatrader/terminal_conventions.h"
#include "win32/folder_walk.h"
#include "win32/impersonation.h"
#include "win32/path_rules.h"
#include "win32/shell_folders.h"
#include "win32/text_decoding.h"

namespace {

// Every data folder below `dataRoot` with the text of its marker, at the same positions.
struct Origins {
    std::vector<std::wstring> texts, folders;
};

Origins ReadOrigins(const std::wstring& dataRoot) {
    Origins origins;
    // With the program's own rights (every profile's data) the folders are walked by handle:
    // a link a user planted among them reaches no other folder and no other host. As the user,
    // the user's rights bound it.
    const bool asUser = ThreadImpersonates();
    const UniqueHandle root = OpenFolderForListing(dataRoot);
    std::vector<FolderEntry> entries;
    if (!root || !ListFolder(root.get(), entries)) return origins;
    for (const FolderEntry& entry : entries) {
        // Wine opens a Unix link as its target: the listing is what tells it.
        if (!(entry.attributes & FILE_ATTRIBUTE_DIRECTORY) || (!asUser && (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT)))
            continue;
        const std::wstring folder = ChildPath(dataRoot, entry.name);
        // A missing marker, a folder of that name, and an unreadable or undecodable marker
        // are all passed over: one stray file must not cost the user every other data folder.
        std::optional<std::wstring> origin;
        if (asUser) {
            origin = ReadTextFile(folder + terminal::kOriginFile);
        } else if (UniqueHandle held = OpenSubFolder(root.get(), entry.name)) {
            LONG result = 0;
            const UniqueHandle file(OpenFileIn(held.get(), terminal::kOriginFile + 1, FILE_READ_DATA, FILE_OPEN, result,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_NON_DIRECTORY_FILE));
            if (file) origin = ReadText(file.get());
            // A copy may go below it.
            if (origin) KeepWalkedFolder(folder, std::move(held));
        }
        if (!origin) continue;
        origins.texts.push_back(std::move(*origin));
        origins.folders.push_back(folder);
    }
    return origins;
}

// The data folder of `installation`: the first whose marker names it exactly, when that
// names an existing folder; else empty. Equal texts name the same folder, so testing the
// first equal one decides for all of them, and the scan stays one file open per data folder.
std::wstring DataFolderOf(const Origins& origins, const std::wstring& installation, bool installationExists = false) {
    for (size_t i = 0; i < origins.texts.size(); ++i)
        if (SameFolderExactly(origins.texts[i], installation))
            return installationExists || DirectoryExists(origins.texts[i]) ? origins.folders[i] : std::wstring();
    return {};
}

std::wstring UsersDataRoot() {
    const std::wstring appData = SignedInUserFolderPath(nullptr, CSIDL_APPDATA);
    return appData.empty() ? appData : appData + terminal::kDataRoot;
}

}  // namespace

void FindDataFoldersUnder(const std::wstring& dataRoot, const FolderList& selected, FolderList& found,
                          bool selectedExist) {
    found.clear();
    const Origins origins = ReadOrigins(dataRoot);
    for (const std::wstring& installation : selected) {
        const std::wstring folder = DataFolderOf(origins, installation, selectedExist);
        if (!folder.empty() && IndexOfFolder(found, folder) < 0) found.push_back(folder);
    }
}

std::vector<std::wstring> DataFolderOfEach(const FolderList& installations) {
    const std::wstring dataRoot = UsersDataRoot();
    std::vector<std::wstring> each(installations.size());
    if (dataRoot.empty()) return each;
    const UniqueHandle user = SignedInUserImpersonationToken();
    const Impersonation asUser(user.get());
    const Origins origins = ReadOrigins(dataRoot);
    for (size_t i = 0; i < installations.size(); ++i) each[i] = DataFolderOf(origins, installations[i]);
    return each;
}

std::vector<FolderList> DataFoldersOfEachUnder(const std::vector<std::wstring>& dataRoots,
                                               const FolderList& installations) {
    std::vector<FolderList> each(installations.size());
    for (const std::wstring& dataRoot : dataRoots) {
        const Origins origins = ReadOrigins(dataRoot);
        for (size_t i = 0; i < installations.size(); ++i) {
            const std::wstring folder = DataFolderOf(origins, installations[i]);
            if (!folder.empty()) each[i].push_back(folder);
        }
    }
    return each;
}

void FindDataFolders(const FolderList& selected, FolderList& found, bool selectedExist) {
    const std::wstring dataRoot = UsersDataRoot();
    if (dataRoot.empty()) {
        found.clear();
        return;
    }
    // The folders and markers are the user's: read as the user, a link among them reaches no
    // more than that user could read, and no share is reached with the program's credentials.
    const UniqueHandle user = SignedInUserImpersonationToken();
    const Impersonation asUser(user.get());
    FindDataFoldersUnder(dataRoot, selected, found, selectedExist);
}
