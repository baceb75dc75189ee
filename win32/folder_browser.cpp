#include "win32/folder_browser.h"

#include <shlobj.h>
#include <commctrl.h>

#include <string_view>
#include <vector>

#include "win32/handles.h"
#include "win32/path_rules.h"
#include "win32/shell_folders.h"
#include "win32/signed_in_user.h"
#include "win32/system_functions.h"

namespace {

struct BrowseContext {
    const wchar_t* initial;  // null: none
    bool closeVerbs;
};

constexpr wchar_t kOriginalProcedure[] = L"BrowserProcedure";

// Whether `message` asks for one of the shell's verbs: the shortcut menu (right button, the
// Apps key, Shift+F10), rename (F2, a slow second click), delete, Properties (Alt+Enter,
// Alt with a double click), cut, copy, paste and undo by key, dragging; `result` is then the
// answer that refuses it.
bool AsksForShellVerb(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    switch (message) {
        case WM_CONTEXTMENU:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
        case WM_RBUTTONDBLCLK:
            return true;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            return wParam == VK_APPS || wParam == VK_F2 || wParam == VK_DELETE ||
                   (wParam == VK_F10 && GetKeyState(VK_SHIFT) < 0) || (wParam == VK_RETURN && message == WM_SYSKEYDOWN) ||
                   (wParam == VK_INSERT && (GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_CONTROL) < 0)) ||
                   (GetKeyState(VK_CONTROL) < 0 && wParam >= 'A' && wParam <= 'Z');
        case WM_SYSCHAR:
            return wParam == L'\r';
        case WM_NOTIFY:
            switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
                case TVN_BEGINLABELEDITW:
                case TVN_BEGINLABELEDITA:
                case NM_RCLICK:
                    result = TRUE;
                    return true;
                case NM_DBLCLK:
                    result = GetKeyState(VK_MENU) < 0;
                    return result;
                case TVN_BEGINDRAGW:
                case TVN_BEGINDRAGA:
                case TVN_BEGINRDRAGW:
                case TVN_BEGINRDRAGA:
                    return true;
                default:
                    return false;
            }
        default:
            return false;
    }
}

LRESULT CALLBACK VerbsClosedProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto original = reinterpret_cast<WNDPROC>(GetPropW(window, kOriginalProcedure));
    LRESULT result = 0;
    if (AsksForShellVerb(message, wParam, lParam, result)) return result;
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        RemovePropW(window, kOriginalProcedure);
    }
    return CallWindowProcW(original, window, message, wParam, lParam);
}

BOOL CALLBACK FindTree(HWND window, LPARAM found) {
    wchar_t className[32];
    if (!GetClassNameW(window, className, 32) || std::wstring_view(className) != L"SysTreeView32") return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// Closes the shell's verbs in the browser: the tree may neither edit labels nor drag, takes
// no drop, and it and every window up to the dialog, where its notifications and shortcut
// menus go, refuse what asks for a verb.
void CloseShellVerbs(HWND dialog) {
    HWND tree = nullptr;
    EnumChildWindows(dialog, FindTree, reinterpret_cast<LPARAM>(&tree));
    if (tree) {
        const LONG_PTR style = GetWindowLongPtrW(tree, GWL_STYLE);
        SetWindowLongPtrW(tree, GWL_STYLE, (style & ~static_cast<LONG_PTR>(TVS_EDITLABELS)) | TVS_DISABLEDRAGDROP);
    }
    const auto revokeDragDrop = ShellApi().revokeDragDrop;
    for (HWND window = tree ? tree : dialog; window; window = window == dialog ? nullptr : GetParent(window)) {
        if (revokeDragDrop) revokeDragDrop(window);
        if (GetPropW(window, kOriginalProcedure)) continue;
        SetPropW(window, kOriginalProcedure, reinterpret_cast<HANDLE>(GetWindowLongPtrW(window, GWLP_WNDPROC)));
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(VerbsClosedProcedure));
    }
}

int CALLBACK OnBrowserEvent(HWND browser, UINT message, LPARAM, LPARAM data) {
    const auto* context = reinterpret_cast<const BrowseContext*>(data);
    if (message != BFFM_INITIALIZED) return 0;
    if (context->initial) SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(context->initial));
    if (context->closeVerbs) CloseShellVerbs(browser);
    return 0;
}

BrowserRoute RouteHere() {
    const UniqueHandle shell = ShellProcessToken(), own = OwnProcessToken();
    return ChooseBrowserRoute(ShellWindowOfAnotherProcess(nullptr) != nullptr, shell && own && SameUser(own.get(), shell.get()),
                              ElevationTypeOf(own.get()) != TokenElevationTypeDefault);
}

BOOL CALLBACK CollectEnabledWindow(HWND window, LPARAM context) {
    if (IsWindowVisible(window) && IsWindowEnabled(window))
        reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
    return TRUE;
}

}  // namespace

BrowserRoute ChooseBrowserRoute(bool shellPresent, bool shellRunsAsOwnAccount, bool tokenSplit) {
    const bool consentedAtKeyboard = shellPresent ? shellRunsAsOwnAccount : !tokenSplit;
    return consentedAtKeyboard ? BrowserRoute::VerbsOpen : BrowserRoute::VerbsClosed;
}

std::wstring InitialBrowseFolder(HWND owner) {
    return SpecialFolderPath(owner, RunningUnderWow64() ? CSIDL_PROGRAM_FILESX86 : CSIDL_PROGRAM_FILES);
}

bool BrowseForFolder(HWND owner, const std::wstring& title, std::wstring& folder) {
    if (!DirectoryExists(folder)) folder.clear();
    const ShellFunctions& shell = ShellApi();
    ComRef<IMalloc> allocator;
    if (!shell.getMalloc || !shell.browseForFolder || FAILED(shell.getMalloc(allocator.Out()))) return false;
    auto* displayName = static_cast<wchar_t*>(allocator->Alloc(MAX_PATH * sizeof(wchar_t)));
    if (!displayName) return false;
    if (shell.oleInitialize) shell.oleInitialize(nullptr);  // the new dialog style needs COM on this thread

    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.pszDisplayName = displayName;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_NONEWFOLDERBUTTON;
    const BrowseContext context{folder.empty() ? nullptr : folder.c_str(), RouteHere() == BrowserRoute::VerbsClosed};
    info.lpfn = OnBrowserEvent;
    info.lParam = reinterpret_cast<LPARAM>(&context);

    // Modal to the whole wizard: its other windows stay disabled while the browser is up.
    std::vector<HWND> disabled;
    EnumThreadWindows(GetCurrentThreadId(), CollectEnabledWindow, reinterpret_cast<LPARAM>(&disabled));
    for (HWND window : disabled)
        if (window != owner) EnableWindow(window, FALSE);
    PIDLIST_ABSOLUTE chosen = shell.browseForFolder(&info);
    for (HWND window : disabled) EnableWindow(window, TRUE);

    bool result = false;
    if (chosen) {
        if (shell.getPathFromIdList && shell.getPathFromIdList(chosen, displayName)) {
            folder = displayName;
            result = true;
        }
        allocator->Free(chosen);
    }
    allocator->Free(displayName);
    return result;
}
