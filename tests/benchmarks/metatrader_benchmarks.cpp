// Prints what the data-folder scan, the Navigator walk, the search below a scan root and the
// silent installation into many terminals cost, each beside a bare loop that does only the
// unavoidable system calls. Run through scripts/benchmark.sh.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "benchmarks/timing.h"
#include "file_helpers.h"
#include "metatrader/data_folders.h"
#include "machine.h"
#include "metatrader/navigator.h"
#include "metatrader/terminal_discovery.h"
#include "process_helpers.h"

namespace {

// The unavoidable part of the scan: list the data root and read every marker.
size_t BareScan(const std::wstring& root) {
    size_t bytes = 0;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((root + L"\\*.*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return 0;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || entry.cFileName[0] == L'.') continue;
        const std::wstring marker = root + L"\\" + entry.cFileName + L"\\origin.txt";
        HANDLE file = CreateFileW(marker.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) continue;
        char buffer[1024];
        DWORD read = 0;
        ReadFile(file, buffer, sizeof buffer, &read, nullptr);
        bytes += read;
        CloseHandle(file);
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return bytes;
}

void DataFolderScan() {
    std::printf("Data-folder scan (one of n data folders matches)\n");
    std::printf("%8s %14s %14s %8s\n", "folders", "scan us/folder", "bare us/folder", "ratio");
    TempTree tree;
    const std::wstring installation = MakeInstallation(tree, L"MetaTrader");
    const std::wstring other = MakeInstallation(tree, L"Other");
    const std::wstring root = tree.Folder(L"Terminal");
    int made = 0;
    for (int count : {1000, 2500, 5000}) {
        for (; made < count; ++made) {
            wchar_t name[40];
            swprintf(name, 40, L"%032X", made * 2654435761u);
            const bool match = made == count / 2;
            tree.File(L"Terminal\\" + std::wstring(name) + L"\\origin.txt",
                      Utf16Le(match ? installation : other, true));
        }
        FolderList found;
        const double scan = MedianSeconds(5, [&] { FindDataFoldersUnder(root, {installation}, found); });
        const double bare = MedianSeconds(5, [&] { BareScan(root); });
        std::printf("%8d %14.2f %14.2f %8.2f\n", count, scan * 1e6 / count, bare * 1e6 / count, scan / bare);
    }
}

void NavigatorWalk() {
    std::printf("\nNavigator walk in a stand-in terminal (expert last in its group)\n");
    TempTree tree;
    tree.File(L"Experts\\Mervane 4.ex4", "x");
    const std::wstring experts = L"\"--experts=" + tree.Path(L"Experts") + L"\"";
    // The walk's own cost: a whole refresh less the terminal's rebuilding of its tree.
    auto timeRefresh = [&](int filler, const wchar_t* title, double* bare, double* withStep) {
        TestProcess terminal(BuiltProgram(L"standin_terminal.exe"),
                             std::wstring(L"--title=") + title + L" --filler=" + std::to_wstring(filler) + L" " + experts);
        HWND window = terminal.WaitForWindow(title, 15000);
        HWND navigator = GetDlgItem(GetDlgItem(GetDlgItem(window, 59420), 82), 35439);
        const double rebuild = MedianSeconds(5, [&] { SendMessageW(navigator, WM_COMMAND, 38234, 0); });
        const double seconds = MedianSeconds(5, [&] { RefreshNavigator(window, 2, L"Mervane 4"); }) - rebuild;
        if (bare) {
            // Three bare cross-process calls per item: write the record, fetch, read the text.

            DWORD id = 0;
            GetWindowThreadProcessId(navigator, &id);
            HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, id);
            void* remote = VirtualAllocEx(process, nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
            const auto root = static_cast<std::uint64_t>(SendMessageW(navigator, TVM_GETNEXTITEM, TVGN_ROOT, 0));
            const std::vector<BYTE> record =
                EncodeItemRecord(sizeof(void*) == 8, root, reinterpret_cast<UINT_PTR>(remote) + 1024, 255);
            wchar_t text[256];
            *bare = MedianSeconds(5, [&] {
                for (int i = 0; i < filler; ++i) {
                    WriteProcessMemory(process, remote, record.data(), record.size(), nullptr);
                    SendMessageW(navigator, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote));
                    ReadProcessMemory(process, static_cast<BYTE*>(remote) + 1024, text, sizeof text, nullptr);
                }
            });
            // The same with the step to the next item, which a walk cannot do without.
            *withStep = MedianSeconds(5, [&] {
                for (int i = 0; i < filler; ++i) {
                    WriteProcessMemory(process, remote, record.data(), record.size(), nullptr);
                    SendMessageW(navigator, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote));
                    ReadProcessMemory(process, static_cast<BYTE*>(remote) + 1024, text, sizeof text, nullptr);
                    SendMessageW(navigator, TVM_GETNEXTITEM, TVGN_NEXT, static_cast<LPARAM>(root));
                }
            });
            VirtualFreeEx(process, remote, 0, MEM_RELEASE);
            CloseHandle(process);
        }
        return seconds;
    };
    const int items = 1000;
    double bare = 0, withStep = 0;
    const double empty = timeRefresh(0, L"bench-empty", nullptr, nullptr);
    const double full = timeRefresh(items, L"bench-full", &bare, &withStep);
    std::printf("refresh with an empty group: %.1f ms, with %d items: %.1f ms (terminal's rebuild excluded)\n",
                empty * 1e3, items, full * 1e3);
    const double perItem = (full - empty) / items;
    std::printf("%8s %14s %14s %8s %16s %8s\n", "items", "walk us/item", "3 calls us", "ratio", "3 calls+step us",
                "ratio");
    std::printf("%8d %14.2f %14.2f %8.2f %16.2f %8.2f\n", items, perItem * 1e6, bare * 1e6 / items,
                perItem / (bare / items), withStep * 1e6 / items, perItem / (withStep / items));
}

// The unavoidable part of a scan: the same listing, by name, to the same depth, a folder with
// terminal.exe taken as found and not looked into.
size_t BareWalk(const std::wstring& folder, unsigned depth) {
    size_t found = 0;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return 0;
    std::vector<std::wstring> children;
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && entry.cFileName[0] != L'.')
            children.push_back(folder + L"\\" + entry.cFileName);
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    for (const std::wstring& child : children) {
        if (GetFileAttributesW((child + L"\\terminal.exe").c_str()) != INVALID_FILE_ATTRIBUTES)
            ++found;
        else if (depth + 1 < 4)
            found += BareWalk(child, depth + 1);
    }
    return found;
}

void ScanRoot() {
    std::printf("\nSearch below a scan root: 200 terminal folders among 2,000 other folders\n");
    TempTree tree;
    for (int group = 0; group < 20; ++group) {
        const std::wstring base = L"Root\\Server " + std::to_wstring(group) + L"\\";
        for (int i = 0; i < 10; ++i) MakeInstallation(tree, base + L"Terminal " + std::to_wstring(i));
        for (int i = 0; i < 99; ++i) tree.Folder(base + L"Backup " + std::to_wstring(i));
    }
    const std::wstring root = tree.Path(L"Root");
    size_t found = 0;
    const double scan = MedianSeconds(7, [&] { found = ScanForInstallations(root).installations.size(); });
    size_t bareFound = 0;
    const double bare = MedianSeconds(7, [&] { bareFound = BareWalk(root, 0); });
    std::printf("%14s %14s %8s %8s\n", "scan ms", "bare ms", "ratio", "found");
    std::printf("%14.1f %14.1f %8.2f %4u/%u\n", scan * 1e3, bare * 1e3, scan / bare, static_cast<unsigned>(found),
                static_cast<unsigned>(bareFound));
}

// The unavoidable part of an installation: the same listing (the scan root's tree, and the
// data root with its markers), and per target a temporary file created, written, flushed and
// renamed over the expert.
void BareInstall(const std::wstring& root, const std::wstring& dataRoot, const std::vector<std::wstring>& targets,
                 const std::string& expert) {
    BareWalk(root, 0);
    BareScan(dataRoot);
    for (const std::wstring& target : targets) {
        const std::wstring file = target + L"\\MQL4\\Experts\\Mervane 4.ex4", temporary = file + L".tmp";
        HANDLE handle = CreateFileW(temporary.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW, 0, nullptr);
        DWORD written = 0;
        WriteFile(handle, expert.data(), static_cast<DWORD>(expert.size()), &written, nullptr);
        FlushFileBuffers(handle);
        CloseHandle(handle);
        MoveFileExW(temporary.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
}

void ManyTerminals() {
    std::printf("\nSilent installation found by /scan=, each terminal with its data folder (medians of 7, taken in turns)\n");
    std::printf("%10s %12s %10s %8s %22s %22s %8s\n", "terminals", "program ms", "bare ms", "ratio",
                "program ms per target", "bare ms per target", "ratio");
    std::printf("%10s %12s %10s %8s %22s %22s\n", "", "", "", "", "beyond the first's", "beyond the first's");
    const std::string expert = ResourceBytes(L"EXPERT");
    const std::wstring program = BuiltProgram(L"Mervane4Setup.exe");
    auto run = [&](const std::wstring& arguments) {
        TestProcess setup(program, arguments);
        setup.WaitForExit(120000);
    };
    double firstProgram = 0, firstBare = 0;
    for (int count : {1, 10, 25, 50}) {
        Machine machine;
        std::vector<std::wstring> targets;
        for (int i = 0; i < count; ++i) {
            const std::wstring folder = MakeInstallation(machine.Tree(), L"Root\\Terminal " + std::to_wstring(i));
            targets.push_back(folder);
            targets.push_back(machine.AddDataFolder(folder));
        }
        const std::wstring root = machine.Tree().Path(L"Root");
        const std::wstring dataRoot = targets[1].substr(0, targets[1].find_last_of(L'\\'));
        // The machine is shared: the two are taken in turns, so that a busy moment costs both.
        Figures installing, bare;
        bool everywhere = true;
        for (int i = 0; i < 7; ++i) {
            double start = Now();
            run(L"/silent /accept-agreement /skip-registry \"/scan=" + root + L"\"");
            installing.values.push_back(Now() - start);
            // Before the bare copies write the same file.
            if (i == 0) everywhere = std::all_of(targets.begin(), targets.end(), HasExpert);
            start = Now();
            BareInstall(root, dataRoot, targets, expert);
            bare.values.push_back(Now() - start);
        }
        if (!everywhere) std::printf("(not installed everywhere)\n");
        const double whole = installing.Median(), floor = bare.Median();
        std::printf("%10d %12.1f %10.1f %8.2f", count, whole * 1e3, floor * 1e3, whole / floor);
        if (count == 1) {
            firstProgram = whole;
            firstBare = floor;
            std::printf("\n");
            continue;
        }
        const double added = 2.0 * (count - 1);
        const double programPer = (whole - firstProgram) / added, barePer = (floor - firstBare) / added;
        std::printf(" %22.2f %22.2f %8.2f\n", programPer * 1e3, barePer * 1e3, programPer / barePer);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "many-terminals") {
        ManyTerminals();
        return 0;
    }
    DataFolderScan();
    NavigatorWalk();
    ScanRoot();
    ManyTerminals();
    return 0;
}
