#include "win32/account.h"

#include <windows.h>

#include "win32/ascii_text.h"
#include "win32/decimal_text.h"
#include "win32/handles.h"
#include "win32/signed_in_user.h"
#include "win32/system_functions.h"

namespace {

// S-1-<authority>-<sub-authorities>, read from the SID itself: advapi32's own conversion
// forwards to another DLL.
std::wstring SidText(const SID& sid) {
    unsigned long long authority = 0;
    for (BYTE part : sid.IdentifierAuthority.Value) authority = authority << 8 | part;
    std::wstring text = L"S-";
    AppendDecimal(text, sid.Revision);
    for (int i = -1; i < sid.SubAuthorityCount; ++i) {
        text += L'-';
        AppendDecimal(text, i < 0 ? authority : sid.SubAuthority[i]);
    }
    return text;
}

}  // namespace

RunningAccount CurrentAccount() {
    RunningAccount account;
    ProcessIdToSessionId(GetCurrentProcessId(), &account.session);
    const UniqueHandle token = OwnProcessToken();
    BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    if (!token || !GetTokenInformation(token.get(), TokenUser, buffer, sizeof buffer, &size)) return account;
    PSID sid = reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid;
    account.sid = SidText(*static_cast<const SID*>(sid));
    account.localSystem = EqualsAscii(account.sid, "S-1-5-18");
    wchar_t name[256], domain[256];
    DWORD nameLength = 256, domainLength = 256;
    SID_NAME_USE use;
    const auto lookup = AdvapiApi().lookupAccountSid;
    if (lookup && lookup(nullptr, sid, name, &nameLength, domain, &domainLength, &use)) {
        if (domainLength) {
            account.name = domain;
            account.name += L'\\';
        }
        account.name += name;
    } else {
        account.name = account.sid;
    }
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
