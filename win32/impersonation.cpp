#include "win32/impersonation.h"

#include "win32/signed_in_user.h"

UniqueHandle ImpersonationTokenOf(HANDLE token) {
    HANDLE duplicate = nullptr;
    if (!token || !DuplicateTokenEx(token, TOKEN_IMPERSONATE | TOKEN_QUERY, nullptr, SecurityImpersonation,
                                    TokenImpersonation, &duplicate))
        return {};
    return UniqueHandle(duplicate);
}

UniqueHandle SignedInUserImpersonationToken() {
    // Another account's token may grant the folder lookup (query, impersonate) but not this.
    const UniqueHandle shell = ShellProcessToken(TOKEN_QUERY | TOKEN_DUPLICATE);
    // A shell with an administrator's full token (UAC off, the built-in administrator, a shell
    // started elevated) is no user to act as: acting as it would skip the checks of the
    // program's own writes with the program's own rights. So is one whose elevation is unread.
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    if (!shell || !GetTokenInformation(shell.get(), TokenElevation, &elevation, sizeof elevation, &size) ||
        elevation.TokenIsElevated)
        return {};
    return ImpersonationTokenOf(shell.get());
}

UniqueHandle LimitedTokenWithoutShell() {
    const UniqueHandle own = OwnProcessToken();
    TOKEN_LINKED_TOKEN linked{};
    DWORD size = 0;
    if (ShellWindowOfAnotherProcess(nullptr) || ElevationTypeOf(own.get()) != TokenElevationTypeFull ||
        !GetTokenInformation(own.get(), TokenLinkedToken, &linked, sizeof linked, &size))
        return {};
    return UniqueHandle(linked.LinkedToken);
}

namespace {

// How many Impersonation scopes are active in the process: the program acts as another token
// through them alone.
volatile LONG activeImpersonations = 0;

}  // namespace

Impersonation::Impersonation(HANDLE token) : active_(token && SetThreadToken(nullptr, token)) {
    if (active_) InterlockedIncrement(&activeImpersonations);
}

Impersonation::~Impersonation() {
    if (!active_) return;
    RevertToSelf();
    InterlockedDecrement(&activeImpersonations);
}

bool ThreadImpersonates() {
    // Asked before every file the program opens: with no scope active, no system call.
    if (activeImpersonations == 0) return false;
    HANDLE token = nullptr;
    if (OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) {
        CloseHandle(token);
        return true;
    }
    // Any other refusal means a token is there that this process may not open.
    return GetLastError() != ERROR_NO_TOKEN;
}
