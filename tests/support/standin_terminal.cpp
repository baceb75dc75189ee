// A stand-in for a running MetaTrader 4 terminal, for tests only: a visible top-level window
// of the terminal's class holding the Navigator container, panel and tree-view with their
// control ids. Group 2 of the tree lists the experts (*.ex4) of a folder; command 33310
// shows the panel, command 38234 (sent to the tree) rebuilds the tree from the folder.
//
// Options: --experts=<folder> --groups=<n> --filler=<n> --hidden-navigator --no-navigator
//          --hidden-window --class=<name> --title=<text> --hang=<ms> --log=<file>
//          --endless (the item after the last of group 2 is its first again: a walk never ends)
//          --windows=<n> (so many main windows, the first titled <text>, the others
//          "<text> #2" ...; their refreshes are logged with the number, "command 38234 #2")
//          --slow=<ms> (every message from another thread is answered so much later, while
//          the messages that come meanwhile are taken: a busy program, never a hung one)
//          --shell-window (a hidden window of its own becomes the shell window)
// WM_APP + 1 appends the tree's state to the log: the expanded state of every group, the
// selected item and whether the panel is visible. WM_APP + 2 appends the items of group 2.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kContainerId = 59420;
constexpr int kPanelId = 82;
constexpr int kTreeId = 35439;
constexpr int kShowNavigator = 33310;
constexpr int kRefreshNavigator = 38234;
constexpr UINT kReportState = WM_APP + 1;
constexpr UINT kReportExperts = WM_APP + 2;

struct Options {
    std::wstring experts, className = L"MetaQuotes::MetaTrader::4.00", title = L"Stand-in terminal", log;
    int groups = 5, filler = 0, hangMs = 0, windows = 1, slowMs = 0;
    bool hiddenNavigator = false, noNavigator = false, hiddenWindow = false, endless = false, shellWindow = false;
} options;

// The Navigator being worked on: the one of the window that the last message came to.
HWND panel = nullptr, tree = nullptr;
HTREEITEM expertGroup = nullptr;
WNDPROC treeProc = nullptr;

struct Navigator {
    HWND main, panel, tree;
    HTREEITEM expertGroup;
};
std::vector<Navigator> navigators;

// Points the globals above at the Navigator of main window or tree `window`; its number
// (1 for the first window), or 0.
size_t UseNavigatorOf(HWND window) {
    for (size_t i = 0; i < navigators.size(); ++i) {
        if (navigators[i].main != window && navigators[i].tree != window) continue;
        panel = navigators[i].panel;
        tree = navigators[i].tree;
        expertGroup = navigators[i].expertGroup;
        return i + 1;
    }
    return 0;
}

void Log(const std::wstring& line) {
    if (options.log.empty()) return;
    if (FILE* f = _wfopen(options.log.c_str(), L"ab")) {
        std::string utf8(WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr), '\0');
        WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr);
        utf8.pop_back();
        fprintf(f, "%s\n", utf8.c_str());
        fclose(f);
    }
}

HTREEITEM Insert(HTREEITEM parent, const std::wstring& text) {
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<wchar_t*>(text.c_str());
    return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

std::vector<std::wstring> ExpertNames() {
    std::vector<std::wstring> names;
    if (options.experts.empty()) return names;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((options.experts + L"\\*.ex4").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        std::wstring name = entry.cFileName;
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(name.substr(0, name.size() - 4));
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

void BuildTree() {
    SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    static const wchar_t* kGroupNames[] = {L"Accounts", L"Indicators", L"Expert Advisors", L"Scripts", L"Market"};
    HTREEITEM root = Insert(TVI_ROOT, L"MetaTrader 4");
    for (int g = 0; g < options.groups; ++g) {
        HTREEITEM group = Insert(root, g < 5 ? kGroupNames[g] : L"Group " + std::to_wstring(g));
        if (g == 2) {
            expertGroup = group;
            for (int i = 0; i < options.filler; ++i) {
                wchar_t name[32];
                swprintf(name, 32, L"Filler %04d", i);
                Insert(group, name);
            }
            for (const std::wstring& name : ExpertNames()) Insert(group, name);
        } else {
            Insert(group, L"Item of group " + std::to_wstring(g));
        }
        SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(group));
    }
    SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
}

std::wstring ItemText(HTREEITEM item) {
    wchar_t text[256] = L"";
    TVITEMW record{};
    record.mask = TVIF_TEXT;
    record.hItem = item;
    record.pszText = text;
    record.cchTextMax = 256;
    if (!item || !SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&record))) return L"";
    return text;
}

void ReportExperts() {
    std::wstring line = L"experts ";
    for (HTREEITEM item = TreeView_GetChild(tree, expertGroup); item; item = TreeView_GetNextSibling(tree, item))
        line += (line.size() > 8 ? L"," : L"") + ItemText(item);
    Log(line);
}

void ReportState() {
    std::wstring line = L"state groups=";
    HTREEITEM root = TreeView_GetRoot(tree);
    for (HTREEITEM g = TreeView_GetChild(tree, root); g; g = TreeView_GetNextSibling(tree, g))
        line += (TreeView_GetItemState(tree, g, TVIS_EXPANDED) & TVIS_EXPANDED) ? L'E' : L'C';
    HTREEITEM selected = TreeView_GetSelection(tree);
    HTREEITEM parent = selected ? TreeView_GetParent(tree, selected) : nullptr;
    line += L" selected=" + ItemText(parent) + L"/" + ItemText(selected);
    line += std::wstring(L" panel=") + (IsWindowVisible(panel) ? L"visible" : L"hidden");
    Log(line);
}

// A thread that takes no message for 5 s counts as hung, and SMTO_ABORTIFHUNG gives up on
// it at once: this one goes on taking messages (each answered late in its turn).
void AnswerLate() {
    if (options.slowMs <= 0 || !InSendMessage()) return;
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(options.slowMs);
    for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(end - now, 50)),
                                  QS_SENDMESSAGE);
    }
}

// Set while a message is handled. The messages that the handling sends to the stand-in's own
// windows are not late, and keep the Navigator being worked on (or rebuilt).
bool working = false;

class Working {
public:
    Working() : was_(working) { working = true; }
    ~Working() { working = was_; }

private:
    bool was_;
};

// A message that comes from outside the handling of another: answered late where asked, and
// points the globals at its window's Navigator. The window's number, or 0.
size_t TakeMessage(HWND window) {
    if (working) return 0;
    AnswerLate();
    return UseNavigatorOf(window);
}

LRESULT CALLBACK TreeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const size_t number = TakeMessage(window);
    const Working busy;
    if (message == WM_COMMAND && LOWORD(wParam) == kRefreshNavigator) {
        Log(number > 1 ? L"command 38234 #" + std::to_wstring(number) : L"command 38234");
        BuildTree();
        if (number) navigators[number - 1].expertGroup = expertGroup;
        return 0;
    }
    const LRESULT result = CallWindowProcW(treeProc, window, message, wParam, lParam);
    if (options.endless && message == TVM_GETNEXTITEM && wParam == TVGN_NEXT && !result &&
        TreeView_GetParent(tree, reinterpret_cast<HTREEITEM>(lParam)) == expertGroup)
        return reinterpret_cast<LRESULT>(TreeView_GetChild(tree, expertGroup));
    return result;
}

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TakeMessage(window);
    const Working busy;
    switch (message) {
        case WM_COMMAND:
            if (LOWORD(wParam) == kShowNavigator) {
                Log(L"command 33310");
                if (panel) ShowWindow(panel, SW_SHOW);
                return 0;
            }
            break;
        case kReportState:
            ReportState();
            return 1;
        case kReportExperts:
            ReportExperts();
            return 1;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// "--name=value": true with the value when `argument` is that option.
bool Take(const std::wstring& argument, const wchar_t* name, std::wstring& value) {
    const std::wstring prefix = std::wstring(name) + L"=";
    if (argument.rfind(prefix, 0) != 0) return false;
    value = argument.substr(prefix.size());
    return true;
}

void ParseOptions() {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; i < count; ++i) {
        const std::wstring a = arguments[i];
        std::wstring v;
        if (Take(a, L"--experts", v)) options.experts = v;
        else if (Take(a, L"--groups", v)) options.groups = _wtoi(v.c_str());
        else if (Take(a, L"--filler", v)) options.filler = _wtoi(v.c_str());
        else if (Take(a, L"--class", v)) options.className = v;
        else if (Take(a, L"--title", v)) options.title = v;
        else if (Take(a, L"--hang", v)) options.hangMs = _wtoi(v.c_str());
        else if (Take(a, L"--log", v)) options.log = v;
        else if (Take(a, L"--windows", v)) options.windows = _wtoi(v.c_str());
        else if (Take(a, L"--slow", v)) options.slowMs = _wtoi(v.c_str());
        else if (a == L"--hidden-navigator") options.hiddenNavigator = true;
        else if (a == L"--no-navigator") options.noNavigator = true;
        else if (a == L"--hidden-window") options.hiddenWindow = true;
        else if (a == L"--endless") options.endless = true;
        else if (a == L"--shell-window") options.shellWindow = true;
    }
    LocalFree(arguments);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    ParseOptions();
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);

    WNDCLASSW mainClass{};
    mainClass.lpfnWndProc = MainProc;
    mainClass.hInstance = instance;
    mainClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    mainClass.lpszClassName = options.className.c_str();
    RegisterClassW(&mainClass);
    for (int number = 1; number <= options.windows; ++number) {
        const std::wstring title = number == 1 ? options.title : options.title + L" #" + std::to_wstring(number);
        HWND main = CreateWindowExW(0, options.className.c_str(), title.c_str(), WS_OVERLAPPEDWINDOW, 20, 20, 400,
                                    300, nullptr, nullptr, instance, nullptr);
        if (!options.noNavigator) {
            HWND container = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 200, 260, main,
                                             reinterpret_cast<HMENU>(kContainerId), instance, nullptr);
            panel = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | (options.hiddenNavigator ? 0 : WS_VISIBLE), 0, 0,
                                    200, 260, container, reinterpret_cast<HMENU>(kPanelId), instance, nullptr);
            tree = CreateWindowExW(0, WC_TREEVIEWW, L"", WS_CHILD | WS_VISIBLE | TVS_HASLINES | TVS_HASBUTTONS |
                                                            TVS_SHOWSELALWAYS,
                                   0, 0, 200, 260, panel, reinterpret_cast<HMENU>(kTreeId), instance, nullptr);
            treeProc = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrW(tree, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TreeProc)));
            BuildTree();
            navigators.push_back({main, panel, tree, expertGroup});
        }
        if (!options.hiddenWindow) ShowWindow(main, SW_SHOWNOACTIVATE);
    }
    if (options.shellWindow) {
        // The MinGW headers do not declare it.
        using SetShellWindowFunction = BOOL(WINAPI*)(HWND);
        const auto setShellWindow = reinterpret_cast<SetShellWindowFunction>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetShellWindow")));
        HWND shell = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
        Log(setShellWindow && setShellWindow(shell) ? L"shell window set" : L"shell window refused");
    }
    Log(L"ready");
    if (options.hangMs > 0) Sleep(static_cast<DWORD>(options.hangMs));  // stops answering

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
