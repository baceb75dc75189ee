#include "process_helpers.h"

#include "wizard/wizard_ids.h"

#include <vector>

std::wstring BuiltProgram(const wchar_t* fileName) {
    wchar_t self[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, length);
    path.erase(path.find_last_of(L"\\/") + 1);
    return path + fileName;
}

HMODULE BuiltProgramResources() {
    static const HMODULE program = LoadLibraryExW(BuiltProgram(L"Mervane4Setup.exe").c_str(), nullptr,
                                                  LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    return program;
}

POINT ScreenCenterOf(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

TestProcess::TestProcess(const std::wstring& program, const std::wstring& arguments, bool suspended, int showCommand,
                         const wchar_t* desktop) {
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    STARTUPINFOW startup{sizeof startup};
    startup.lpDesktop = const_cast<wchar_t*>(desktop);
    if (showCommand != -1) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(showCommand);
    }
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        suspended ? CREATE_SUSPENDED : 0, nullptr, nullptr, &startup, &info_))
        info_ = {};
}

TestProcess::~TestProcess() {
    if (!info_.hProcess) return;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(info_.hProcess, 1);
        WaitForSingleObject(info_.hProcess, 5000);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
}

DWORD TestProcess::WaitForExit(DWORD milliseconds) {
    if (WaitForSingleObject(info_.hProcess, milliseconds) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

namespace {

struct WindowSearch {
    DWORD processId;
    const wchar_t* title;
    bool visibleOnly;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (search->processId && owner != search->processId) return TRUE;
    if (search->visibleOnly && !IsWindowVisible(window)) return TRUE;
    if (search->title) {
        wchar_t text[256] = L"";
        GetWindowTextW(window, text, 256);  // a top-level title is read without a message
        if (lstrcmpW(text, search->title) != 0) return TRUE;
    }
    search->found.push_back(window);
    return TRUE;
}

std::vector<HWND> FindWindows(DWORD processId, const wchar_t* title, bool visibleOnly) {
    WindowSearch search{processId, title, visibleOnly, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

HWND TestProcess::WaitForWindow(const wchar_t* title, DWORD milliseconds) const {
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    do {
        std::vector<HWND> windows = FindWindows(info_.dwProcessId, title, true);
        if (!windows.empty()) return windows.front();
        Sleep(20);
    } while (GetTickCount64() < deadline);
    return nullptr;
}

int CountTopLevelWindows(DWORD processId, bool visibleOnly) {
    return static_cast<int>(FindWindows(processId, nullptr, visibleOnly).size());
}

int CountWindowsTitled(const wchar_t* title) {
    return static_cast<int>(FindWindows(0, title, true).size());
}

std::wstring WindowText(HWND window) {
    // Across processes WM_GETTEXT is marshalled by the system. A program's first start on a
    // busy machine can keep its thread away for seconds: that is slow, not hung, and no
    // answer is no empty text.
    constexpr UINT kAnswerMs = 10000;
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kAnswerMs, &length)) return L"<no answer>";
    std::vector<wchar_t> buffer(length + 1, L'\0');
    if (!SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()), SMTO_NORMAL,
                             kAnswerMs, nullptr))
        return L"<no answer>";
    return buffer.data();
}

namespace {

struct DescendantSearch {
    int id;
    HWND found;
};

BOOL CALLBACK MatchId(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<DescendantSearch*>(context);
    if (GetDlgCtrlID(window) != search->id) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

HWND WaitForWizard(const TestProcess& process, DWORD milliseconds) {
    HWND form = process.WaitForWindow(L"FormMain", milliseconds);
    for (int i = 0; form && !GetDlgItem(form, kButtonClose) && i < 3000; ++i) Sleep(10);
    return form;
}

HWND FindDescendant(HWND root, int id) {
    DescendantSearch search{id, nullptr};
    EnumChildWindows(root, MatchId, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

LRESULT AnswerToLogoff(HWND window) {
    DWORD_PTR answer = 2;
    SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000, &answer);
    return static_cast<LRESULT>(answer);
}
