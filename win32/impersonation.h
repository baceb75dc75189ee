#pragma once
#include <windows.h>

#include "win32/handles.h"

// Acting as the signed-in user on one thread. What the thread opens meanwhile is bound by that
// user's rights, not the elevated program's: a link or a registry value the user planted
// reaches only what the user could write anyway, and a share authenticates as the user.
// DLLs must be loaded before: a load made while acting as the user resolves the drive letters
// of that user's session, which the user may redefine.

// `token` (opened with TOKEN_DUPLICATE) duplicated for impersonation; empty when it cannot be.
UniqueHandle ImpersonationTokenOf(HANDLE token);

// The shell's token (see signed_in_user.h) duplicated for impersonation; empty where there is
// no shell window (a service, a scheduled task, Wine), its token cannot be had, or it is
// elevated (then its rights are an administrator's, and no user's).
UniqueHandle SignedInUserImpersonationToken();

// Where no shell window of another process shows who is signed in and the program runs with
// UAC's split token, the user's own folders come from that user's registry, which code running
// as them can point anywhere: the limited half of the token (identification level), whose
// rights a write there must stay within. Empty in every other case.
UniqueHandle LimitedTokenWithoutShell();

// The calling thread acts as `token` (an impersonation token) until the scope ends. A null
// token, or one the system refuses, leaves the thread as it was: Active() is false. Scopes do
// not nest: the end of one reverts the thread to the process's own token.
class Impersonation {
public:
    explicit Impersonation(HANDLE token);
    ~Impersonation();
    Impersonation(const Impersonation&) = delete;
    Impersonation& operator=(const Impersonation&) = delete;
    bool Active() const { return active_; }

private:
    const bool active_;
};

// Whether the calling thread acts as another token than its process's own.
bool ThreadImpersonates();
