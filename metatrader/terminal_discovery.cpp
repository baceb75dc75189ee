#include "metatrader/terminal_discovery.h"

#include <tlhelp32.h>

#include <algorithm>

#include "metatrader/installations.h"
#include "metatrader/terminal_conventions.h"
#include "win32/folder_walk.h"
#include "win32/handles.h"
#include "win32/path_rules.h"
#include "win32/signed_in_user.h"

namespace {

bool IsProgramName(std::wstring_view name) {
    const std::wstring_view program = terminal::kProgramFile + 1;  // without its backslash
    return CompareStringOrdinal(name.data(), static_cast<int>(name.size()), program.data(),
                                static_cast<int>(program.size()), TRUE) == CSTR_EQUAL;
}

// Whether a later entry names a folder already listed, ignoring letter case and, unless
// `exactSpelling`, trailing separators.
bool Listed(const std::vector<FoundInstallation>& found, const std::wstring& folder, bool exactSpelling) {
    const std::wstring wanted = exactSpelling ? folder : WithoutTrailingSeparator(folder);
    for (const FoundInstallation& entry : found)
        if (SameFolderIgnoringCase(exactSpelling ? entry.folder : WithoutTrailingSeparator(entry.folder), wanted))
            return true;
    return false;
}

struct Walk {
    const ScanBounds& bounds;
    ScanResult& result;

    // Looks into the folder behind `folder` (at `path`, `depth` below the root), listed in
    // `entries`. Each sub-folder is listed once: the listing tells a candidate (it holds
    // terminal.exe, then the add-folder button's check is made through its handle) and serves
    // the walk below it.
    void Into(HANDLE folder, const std::wstring& path, unsigned depth, const std::vector<FolderEntry>& entries) {
        for (const FolderEntry& entry : entries) {
            const bool isFolder = entry.attributes & FILE_ATTRIBUTE_DIRECTORY;
            const bool isLink = entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT;
            // A name Windows would open as another (a trailing dot or blank, a device's) is no
            // folder to name.
            if (!isFolder || isLink || NameOpensAsAnother(entry.name)) continue;
            if (result.visited >= bounds.folders) {
                result.capped = true;
                return;
            }
            UniqueHandle child = OpenSubFolder(folder, entry.name);
            std::vector<FolderEntry> childEntries;
            if (!child || !ListFolder(child.get(), childEntries)) continue;
            ++result.visited;
            const std::wstring childPath = ChildPath(path, entry.name);
            if (HasTerminalLayout(child.get(), childEntries, childPath)) {
                result.installations.push_back(childPath);
                // The copies go below it.
                KeepWalkedFolder(childPath, std::move(child));
                continue;
            }
            if (depth + 1 < bounds.depth) Into(child.get(), childPath, depth + 1, childEntries);
            if (result.capped) return;
        }
    }
};

std::wstring ProgramOf(HANDLE process) {
    std::wstring path(32768, L'\0');
    DWORD size = static_cast<DWORD>(path.size());
    if (!process || !QueryFullProcessImageNameW(process, 0, path.data(), &size)) return {};
    path.resize(size);
    return path;
}

// Limited rights suffice for the path, and a process of another user or a protected one
// grants them where it would refuse more.
UniqueHandle OpenForQuery(DWORD processId) {
    return UniqueHandle(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
}

// Whether every name of `folder` below its root opens as spelt: a program run from "C:\T."
// would otherwise be taken for the one in "C:\T".
bool EveryNameAsSpelt(const std::wstring& folder) {
    for (size_t start = folder.size() > 1 && folder[1] == L':' ? 3 : 2; start < folder.size();) {
        const size_t end = std::min(folder.find(L'\\', start), folder.size());
        if (end > start && NameOpensAsAnother(folder.substr(start, end - start))) return false;
        start = end + 1;
    }
    return true;
}

}  // namespace

std::wstring ProgramOfProcess(DWORD processId) { return ProgramOf(OpenForQuery(processId).get()); }

std::vector<RunningTerminal> FindRunningTerminals() {
    std::vector<RunningTerminal> found;
    DWORD ownSession = 0;
    if (!ProcessIdToSessionId(GetCurrentProcessId(), &ownSession) || ownSession == 0) return found;
    UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{sizeof entry};
    if (!snapshot || !Process32FirstW(snapshot.get(), &entry)) return found;
    // Started by another account than the program's, a terminal on a share would have the
    // elevated program reach a host of that user's choosing with the administrator's
    // credentials, as another account's folders would.
    const UniqueHandle shellToken = ShellProcessToken(), ownToken = OwnProcessToken();
    const bool anotherUser = shellToken && ownToken && DifferentUsers(ownToken.get(), shellToken.get());
    do {
        if (!IsProgramName(entry.szExeFile)) continue;
        // Held open, the id names this process while its session and program are asked for:
        // one that ended meanwhile cannot pass its id on to another.
        const UniqueHandle process = OpenForQuery(entry.th32ProcessID);
        DWORD session = 0;
        if (!process || !ProcessIdToSessionId(entry.th32ProcessID, &session) || session != ownSession) continue;
        std::wstring program = ProgramOf(process.get());
        const size_t slash = program.find_last_of(L'\\');
        if (slash == std::wstring::npos || !IsProgramName(std::wstring_view(program).substr(slash + 1))) continue;
        // "C:" alone is the current folder on that drive: a program at a drive's root keeps
        // the root's separator.
        const bool driveRoot = slash == 2 && program[1] == L':';
        const std::wstring given = program.substr(0, driveRoot ? slash + 1 : slash);
        const bool reachable = !anotherUser || OnLocalDrive(given);
        std::wstring folder = reachable && EveryNameAsSpelt(given) ? FolderAsOnDisk(given) : std::wstring();
        if (!folder.empty() && !IsTerminalFolder(folder)) folder.clear();
        found.push_back({entry.th32ProcessID, std::move(program), std::move(folder)});
    } while (Process32NextW(snapshot.get(), &entry));
    return found;
}

ScanResult ScanForInstallations(const std::wstring& root, const ScanBounds& bounds) {
    ScanResult result;
    result.root = WithoutTrailingSeparator(FolderAsOnDisk(root));
    UniqueHandle folder = OpenFolderForListing(result.root);
    std::vector<FolderEntry> entries;
    // A file opens too, but lists nothing: a root that cannot be listed was not looked into.
    result.rootOpened = folder && ListFolder(folder.get(), entries);
    if (!result.rootOpened) result.error = GetLastError();
    if (!result.rootOpened || bounds.depth == 0) return result;
    result.visited = 1;
    // A drive's root keeps its separator; its children are named without a second one.
    const std::wstring base = result.root.back() == L'\\' ? result.root.substr(0, result.root.size() - 1) : result.root;
    Walk{bounds, result}.Into(folder.get(), base, 0, entries);
    return result;
}

InstallationsFound FindAllInstallations(const InstallationSearch& search) {
    InstallationsFound found;
    found.running = FindRunningTerminals();
    if (search.registry) {
        FolderList registered;
        FindInstallations(registered);
        for (std::wstring& folder : registered) found.installations.push_back({std::move(folder), FoundBy::Registry});
        for (const RunningTerminal& terminal : found.running)
            if (!terminal.folder.empty() && !Listed(found.installations, terminal.folder, false))
                found.installations.push_back({terminal.folder, FoundBy::Running});
    }
    for (const std::wstring& given : search.folders) {
        const std::wstring folder = FolderAsOnDisk(given);
        if (!IsTerminalFolder(folder))
            found.notInstallations.push_back(given);
        else if (!Listed(found.installations, folder, true))
            found.installations.push_back({folder, FoundBy::Named});
    }
    for (const std::wstring& root : search.scanRoots) {
        found.scans.push_back(ScanForInstallations(root, search.scanBounds));
        for (const std::wstring& folder : found.scans.back().installations)
            if (!Listed(found.installations, folder, false)) found.installations.push_back({folder, FoundBy::Scan});
    }
    return found;
}

FolderList FoldersOf(const std::vector<FoundInstallation>& found) {
    FolderList folders;
    for (const FoundInstallation& entry : found) folders.push_back(entry.folder);
    return folders;
}
