#include "win32/account.h"

#include <windows.h>
#include <sddl.h>

#include "win32/handles.h"
#include "win32/signed_in_user.h"

RunningAccount CurrentAccount() {
    RunningAccount account;
    ProcessIdToSessionId(GetCurrentProcessId(), &account.session);
    const UniqueHandle token = OwnProcessToken();
    BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    if (!token || !GetTokenInformation(token.get(), TokenUser, buffer, sizeof buffer, &size)) return account;
    PSID sid = reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid;
    account.localSystem = IsWellKnownSid(sid, WinLocalSystemSid);
    wchar_t* text = nullptr;
    if (ConvertSidToStringSidW(sid, &text)) account.sid = text;
    LocalFree(text);
    wchar_t name[256], domain[256];
    DWORD nameLength = 256, domainLength = 256;
    SID_NAME_USE use;
    if (LookupAccountSidW(nullptr, sid, name, &nameLength, domain, &domainLength, &use))
        account.name = (domainLength ? std::wstring(domain) + L"\\" : std::wstring()) + name;
    else
        account.name = account.sid;
    return account;
}

bool ImpliesAllUsers(const RunningAccount& account) { return account.localSystem || account.session == 0; }

bool SomeoneCanAnswer(unsigned long session, bool stationVisible) { return session != 0 && stationVisible; }

bool SomeoneCanAnswerHere() {
    USEROBJECTFLAGS flags{};
    // A station whose flags cannot be read is taken as it most often is: interactive.
    const bool visible = !GetUserObjectInformationW(GetProcessWindowStation(), UOI_FLAGS, &flags, sizeof flags, nullptr) ||
                         (flags.dwFlags & WSF_VISIBLE) != 0;
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    return SomeoneCanAnswer(session, visible);
}
