#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "win32/folder_list.h"

// Every installation folder on the machine that the wizard and the silent run know of, in one
// order: the uninstall entries, the folders of the running terminals, the folders named, the
// folders found below the scan roots.

enum class FoundBy { Registry, Running, Named, Scan };

struct FoundInstallation {
    std::wstring folder;
    FoundBy foundBy;
};

// A process of this session whose program is terminal.exe.
struct RunningTerminal {
    DWORD processId;
    std::wstring program;  // its full path
    std::wstring folder;   // its folder as on disk, when that has a terminal's layout; else empty
};

// The full path of a process's program, or empty where limited query rights are refused.
std::wstring ProgramOfProcess(DWORD processId);

// The running terminals of the calling process's own session, in the system's order. A
// process whose program cannot be read with limited query rights is passed over; in
// session 0 (services, SYSTEM) no terminal runs for anybody to see.
std::vector<RunningTerminal> FindRunningTerminals();

// How far a scan looks: children of the root are depth 1.
struct ScanBounds {
    unsigned depth = 4;
    unsigned folders = 20000;  // folders visited, the root included
};

struct ScanResult {
    std::wstring root;       // as on disk
    FolderList installations;
    unsigned visited = 0;
    bool capped = false;     // stopped at ScanBounds::folders
    bool rootOpened = false;  // opened and listed
    DWORD error = 0;         // why the root could not be opened or listed
};

// The folders below `root` with a terminal's layout, not looked into further. Links below
// the root (junctions, symbolic links, mount points) are never followed: every folder is
// opened through its parent's handle, and one that is a link is passed over.
ScanResult ScanForInstallations(const std::wstring& root, const ScanBounds& bounds = {});

struct InstallationSearch {
    bool registry = true;                  // the uninstall entries and the running terminals
    std::vector<std::wstring> folders;     // named, each checked as the add-folder button does
    std::vector<std::wstring> scanRoots;
    ScanBounds scanBounds;
};

struct InstallationsFound {
    std::vector<FoundInstallation> installations;
    std::vector<std::wstring> notInstallations;  // named folders without a terminal's layout, as given
    std::vector<RunningTerminal> running;        // every running terminal, also those not listed
    std::vector<ScanResult> scans;
};

// The uninstall entries' folders as stored, duplicates kept; then each running terminal's
// folder, each named folder as the add-folder button gives it, each scanned one, unless one
// before it names the same folder: ignoring letter case and, but for a named folder (which
// counts as the same only in the same spelling), a trailing separator.
InstallationsFound FindAllInstallations(const InstallationSearch& search);

FolderList FoldersOf(const std::vector<FoundInstallation>& found);
