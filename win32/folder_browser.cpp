#include "win32/folder_browser.h"

#include <shlobj.h>

#include <vector>

#include "win32/handles.h"
#include "win32/path_rules.h"
#include "win32/shell_folders.h"
#include "win32/system_functions.h"

namespace {

int CALLBACK SelectInitialFolder(HWND browser, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED && data) SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
}

BOOL CALLBACK CollectEnabledWindow(HWND window, LPARAM context) {
    if (IsWindowVisible(window) && IsWindowEnabled(window))
        reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
    return TRUE;
}

}  // namespace

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
    info.lpfn = SelectInitialFolder;
    info.lParam = folder.empty() ? 0 : reinterpret_cast<LPARAM>(folder.c_str());

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
