// Prints what the data-folder scan and the Navigator walk cost, each beside a bare loop that
// does only the unavoidable system calls. Run through scripts/benchmark.sh.
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
#include "metatrader/navigator.h"
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

}  // namespace

int main() {
    DataFolderScan();
    NavigatorWalk();
    return 0;
}
