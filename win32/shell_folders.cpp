#include "win32/shell_folders.h"

#include <shlobj.h>

#include "win32/handles.h"
#include "win32/impersonation.h"
#include "win32/path_rules.h"
#include "win32/signed_in_user.h"
#include "win32/system_functions.h"

std::wstring SpecialFolderPath(HWND owner, int csidl) {
    const ShellFunctions& shell = ShellApi();
    ComRef<IMalloc> allocator;
    if (!shell.getMalloc || !shell.getSpecialFolderLocation || !shell.getPathFromIdList ||
        FAILED(shell.getMalloc(allocator.Out())))
        return {};
    std::wstring result;
    PIDLIST_ABSOLUTE items = nullptr;
    if (SUCCEEDED(shell.getSpecialFolderLocation(owner, csidl, &items)) && items) {
        wchar_t path[MAX_PATH] = L"";
        if (shell.getPathFromIdList(items, path)) result = path;
        allocator->Free(items);
    }
    return result;
}

namespace {

constexpr KNOWNFOLDERID kRoamingAppData = {0x3eb685db, 0x65f9, 0x4cf6, {0xa0, 0x3a, 0xe3, 0xef, 0x65, 0x72, 0x9f, 0x3d}};
constexpr KNOWNFOLDERID kDesktop = {0xb4bfcc3a, 0xdb2c, 0x424c, {0xb0, 0x29, 0x7f, 0xe9, 0x9a, 0x87, 0xc6, 0x41}};

}  // namespace

std::wstring KnownFolderPathOf(HANDLE token, int csidl) {
    const KNOWNFOLDERID* id = csidl == CSIDL_APPDATA ? &kRoamingAppData : csidl == CSIDL_DESKTOP ? &kDesktop : nullptr;
    const ShellFunctions& shell = ShellApi();
    if (!id || !shell.getKnownFolderPath || !shell.coTaskMemFree) return {};
    PWSTR path = nullptr;
    std::wstring result;
    // Not verified: another account's folder may be on a share, which the elevated program
    // would reach with its own credentials; the caller looks at where it is first.
    if (SUCCEEDED(shell.getKnownFolderPath(*id, KF_FLAG_DONT_VERIFY, token, &path)) && path) result = path;
    shell.coTaskMemFree(path);
    return result;
}

std::wstring SignedInUserFolderPath(HWND owner, int csidl) {
    const UniqueHandle shellToken = ShellProcessToken(), ownToken = OwnProcessToken();
    if (shellToken && ownToken && DifferentUsers(ownToken.get(), shellToken.get())) {
        // Another account's registry names the folder: a share there would have the elevated
        // program reach a host of that user's choosing with the administrator's credentials.
        std::wstring path = KnownFolderPathOf(shellToken.get(), csidl);
        return OnLocalDrive(path) ? path : std::wstring();
    }
    std::wstring path = SpecialFolderPath(owner, csidl);
    // With a split token and no shell, the user's registry names the folder just as well.
    if (!OnLocalDrive(path) && LimitedTokenWithoutShell()) path.clear();
    return path;
}
