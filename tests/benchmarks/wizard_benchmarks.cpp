// Start-up time, memory and installation time of the wizard, each beside its references,
// in one run: medians and spreads over several runs. Run through scripts/benchmark.sh.
// Usage: wizard_benchmarks.exe [peer installer | start-up]
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "benchmarks/timing.h"
#include "file_helpers.h"
#include "process_helpers.h"
#include "wizard_driver.h"

namespace {

BOOL CALLBACK FindVisible(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<std::pair<DWORD, HWND>*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->first && IsWindowVisible(window)) {
        search->second = window;
        return FALSE;
    }
    return TRUE;
}

// Seconds from process start to its first window shown and painted: the window is visible
// and the program waits for input, which a thread only does with no paint pending. `output`,
// when given, is the program's standard output.
double TimeToFirstWindow(const std::wstring& program, const std::wstring& arguments, HANDLE* keep = nullptr,
                         HANDLE output = nullptr) {
    STARTUPINFOW startup{sizeof startup};
    if (output) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = output;
    }
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    const double start = Now();
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, output != nullptr, 0, nullptr, nullptr,
                        &startup, &info))
        return -1;
    std::pair<DWORD, HWND> search{info.dwProcessId, nullptr};
    double shown = -1;
    for (int i = 0; i < 20000 && shown < 0; ++i) {
        search.second = nullptr;
        EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&search));
        if (search.second && WaitForInputIdle(info.hProcess, 0) == 0) shown = Now() - start;
        else Sleep(1);
    }
    if (keep) {
        *keep = info.hProcess;
    } else {
        if (search.second) PostMessageW(search.second, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(info.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(info.hProcess, 0);
        CloseHandle(info.hProcess);
    }
    CloseHandle(info.hThread);
    return shown;
}

constexpr int kStartUpRuns = 15;

// Where the time goes before the first paint: the traced twin of a program writes its marks
// (milliseconds since its process was created), and each mark's median is printed.
void StartUpTrace(const wchar_t* program) {
    const std::wstring traced = BuiltProgram(program);
    std::vector<std::string> order;
    std::vector<Figures> times;
    std::string loaded;  // the modules at the first idle moment, of the last run
    for (int run = 0; run < kStartUpRuns; ++run) {
        TempTree folder;
        const std::wstring path = folder.Path(L"trace.txt");
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE output = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
        TimeToFirstWindow(traced, L"/en", nullptr, output);
        CloseHandle(output);
        std::istringstream lines(ReadBytes(path));
        std::string line;
        while (std::getline(lines, line)) {
            if (line.rfind("loaded:", 0) == 0) loaded = line;
            const size_t tab = line.find('\t');
            if (tab == std::string::npos) continue;
            const std::string mark = line.substr(tab + 1);
            const size_t index = static_cast<size_t>(std::find(order.begin(), order.end(), mark) - order.begin());
            if (index == order.size()) {
                order.push_back(mark);
                times.emplace_back();
            }
            times[index].values.push_back(std::stod(line.substr(0, tab)));
        }
    }
    std::printf("\nStart-up trace of %ls: ms since the process was created, medians of %d runs\n", program,
                kStartUpRuns);
    double previous = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        const double at = times[i].Median();
        std::printf("%8.1f %+8.1f  %s\n", at, at - previous, order[i].c_str());
        previous = at;
    }
    std::printf("%s\n", loaded.c_str());
}

void StartUp(const std::wstring& peer) {
    const std::wstring wizard = BuiltProgram(L"Mervane4Setup.exe"), bare = BuiltProgram(L"bare_window.exe");
    Figures wizardTimes, bareTimes, peerTimes;
    // One start of each first, not counted: the first start after the Wine server came up
    // pays for what later starts find in the caches.
    TimeToFirstWindow(bare, L"");
    TimeToFirstWindow(wizard, L"/en");
    for (int run = 0; run < kStartUpRuns; ++run) {
        bareTimes.values.push_back(TimeToFirstWindow(bare, L"") * 1e3);
        wizardTimes.values.push_back(TimeToFirstWindow(wizard, L"/en") * 1e3);
        if (!peer.empty()) peerTimes.values.push_back(TimeToFirstWindow(peer, L"") * 1e3);
    }
    std::printf("Start-up: process start to first window painted, %d runs, ms (target: within 1.2 times bare)\n",
                kStartUpRuns);
    std::printf("%-24s %10s %10s %10s\n", "program", "median", "spread", "vs bare");
    auto row = [&](const char* name, const Figures& f) {
        std::printf("%-24s %10.1f %10.1f %10.2f\n", name, f.Median(), f.Spread(), f.Median() / bareTimes.Median());
    };
    row("bare 459x533 window", bareTimes);
    row("Mervane4Setup", wizardTimes);
    if (!peer.empty()) row("NSIS peer", peerTimes);
    else std::printf("%-24s %10s\n", "NSIS peer", "not run (no 32-bit Wine here)");
}

SIZE_T PeakWorkingSet(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters{sizeof counters};
    return GetProcessMemoryInfo(process, &counters, sizeof counters) ? counters.PeakWorkingSetSize : 0;
}

// A registered terminal, for the pages that need one.
struct Terminals {
    TempTree tree;
    std::vector<std::wstring> keys;
    std::vector<std::wstring> folders;
    explicit Terminals(int count) {
        for (int i = 0; i < count; ++i) {
            const std::wstring folder = MakeInstallation(tree, L"Terminal " + std::to_wstring(i));
            keys.push_back(RegisterTerminal(L"Mervane benchmark " + std::to_wstring(i), folder));
            folders.push_back(folder);
        }
    }
    ~Terminals() {
        for (const std::wstring& key : keys) UnregisterTerminal(key);
    }
};

void Memory() {
    Terminals terminals(1);
    Figures bare, welcome, wait, toWait;
    for (int run = 0; run < 3; ++run) {
        {
            TestProcess reference(BuiltProgram(L"bare_window.exe"), L"");
            HWND window = reference.WaitForWindow(L"BareWindow", 15000);
            HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, reference.Id());
            Sleep(300);
            bare.values.push_back(PeakWorkingSet(process) / 1024.0);
            CloseHandle(process);
            PostMessageW(window, WM_CLOSE, 0, 0);
            reference.WaitForExit(5000);
        }
        WizardDriver wizard(L"/en");
        DWORD id = wizard.ProcessId();
        HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id);
        Sleep(300);  // what the Welcome page sets up once it shows, the wait animation among it
        welcome.values.push_back(PeakWorkingSet(process) / 1024.0);
        HWND next = wizard.Button(kButtonNext);
        wizard.ToFolders(1);
        wizard.ClickListRow(0);
        WizardDriver::WaitUntil([&] { return IsWindowEnabled(next) != FALSE; }, 5000);
        const double clicked = Now();
        wizard.Click(next);
        WizardDriver::WaitUntil([&] { return wizard.Showing(WizardPage::Wait); }, 5000);
        toWait.values.push_back((Now() - clicked) * 1e3);
        wizard.WaitFor(WizardPage::Agreement);
        wait.values.push_back(PeakWorkingSet(process) / 1024.0);
        CloseHandle(process);
    }
    std::printf("\nPeak working set, 3 runs, KiB (target: Welcome page within 4096 of bare)\n");
    std::printf("%-24s %10s %10s %10s\n", "program", "median", "spread", "over bare");
    auto row = [&](const char* name, const Figures& f) {
        std::printf("%-24s %10.0f %10.0f %10.0f\n", name, f.Median(), f.Spread(), f.Median() - bare.Median());
    };
    row("bare 459x533 window", bare);
    row("Welcome page", welcome);
    row("through the Wait page", wait);
    std::printf("Next on the Folders page to the Wait page showing, its animation decoded: %.0f ms (spread %.0f)\n",
                toWait.Median(), toWait.Spread());
}

void Installation() {
    std::printf("\nInstallation into n targets: Next on the Agreement page to the Finished page, ms\n");
    std::printf("%4s %10s %10s %12s %8s\n", "n", "median", "spread", "(n+1)x200", "ratio");
    for (int n : {1, 4, 9}) {
        Terminals terminals(n);
        Figures times;
        for (int run = 0; run < 3; ++run) {
            WizardDriver wizard(L"/en");
            HWND next = wizard.Button(kButtonNext);
            wizard.ToFolders(n);
            for (int row = 0; row < wizard.ListCount(); ++row) wizard.ClickListRow(row);
            WizardDriver::WaitUntil([&] { return IsWindowEnabled(next) != FALSE; }, 5000);
            wizard.Click(next);
            wizard.WaitFor(WizardPage::Agreement);
            PostMessageW(wizard.AgreementBox(kAcceptBox), BM_CLICK, 0, 0);
            WizardDriver::WaitUntil([&] { return IsWindowEnabled(next) != FALSE; }, 5000);
            const double start = Now();
            wizard.Click(next);
            WizardDriver::WaitUntil([&] { return wizard.Showing(WizardPage::Finished); }, 60000);
            times.values.push_back((Now() - start) * 1e3);
        }
        const double mandated = (n + 1) * 200.0;
        std::printf("%4d %10.0f %10.0f %12.0f %8.3f\n", n, times.Median(), times.Spread(), mandated,
                    times.Median() / mandated);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // "start-up" alone leaves the installation times out.
    const bool startUpOnly = argc > 1 && std::wstring(argv[1]) == L"start-up";
    const std::wstring peer = argc > 1 && !startUpOnly ? argv[1] : L"";
    StartUp(peer);
    StartUpTrace(L"bare_window_trace.exe");
    StartUpTrace(L"startup_trace.exe");
    Memory();
    if (startUpOnly) return 0;
    Installation();
    return 0;
}
