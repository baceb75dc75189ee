#include "win32/signed_in_user.h"

#include <shellapi.h>
#include <exdisp.h>
#include <shldisp.h>
#include <shobjidl.h>
#include <servprov.h>

#include <vector>

#include "win32/system_functions.h"

HWND ShellWindowOfAnotherProcess(DWORD* processId) {
    DWORD owner = 0;
    HWND shell = GetShellWindow();
    if (!shell || !GetWindowThreadProcessId(shell, &owner) || owner == GetCurrentProcessId()) return nullptr;
    if (processId) *processId = owner;
    return shell;
}

UniqueHandle ShellProcessToken(DWORD access) {
    DWORD processId = 0;
    const HWND shell = ShellWindowOfAnotherProcess(&processId);
    if (!shell) return {};
    UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    // The process opened is the shell window's still, not another that took its number.
    DWORD stillOwner = 0;
    if (!process || GetShellWindow() != shell || !GetWindowThreadProcessId(shell, &stillOwner) ||
        stillOwner != processId)
        return {};
    HANDLE token = nullptr;
    if (!OpenProcessToken(process.get(), access, &token)) return {};
    return UniqueHandle(token);
}

UniqueHandle OwnProcessToken() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    return UniqueHandle(token);
}

namespace {

std::vector<BYTE> TokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind) {
    DWORD size = 0;
    GetTokenInformation(token, kind, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !GetTokenInformation(token, kind, buffer.data(), size, &size)) buffer.clear();
    return buffer;
}

// The integrity level's RID (0x2000 medium, 0x3000 high, ...), or 0 when unreadable.
DWORD IntegrityLevel(HANDLE token) {
    const std::vector<BYTE> label = TokenInformation(token, TokenIntegrityLevel);
    if (label.empty()) return 0;
    PSID sid = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(label.data())->Label.Sid;
    const UCHAR count = *GetSidSubAuthorityCount(sid);
    return count ? *GetSidSubAuthority(sid, count - 1u) : 0;
}

}  // namespace

bool SameElevation(HANDLE a, HANDLE b) {
    const DWORD level = IntegrityLevel(a);
    return level != 0 && level == IntegrityLevel(b);
}

bool DifferentUsers(HANDLE a, HANDLE b) {
    const std::vector<BYTE> userA = TokenInformation(a, TokenUser), userB = TokenInformation(b, TokenUser);
    if (userA.empty() || userB.empty()) return false;
    return !EqualSid(reinterpret_cast<const TOKEN_USER*>(userA.data())->User.Sid,
                     reinterpret_cast<const TOKEN_USER*>(userB.data())->User.Sid);
}

bool SameUser(HANDLE a, HANDLE b) {
    const std::vector<BYTE> userA = TokenInformation(a, TokenUser), userB = TokenInformation(b, TokenUser);
    return !userA.empty() && !userB.empty() &&
           EqualSid(reinterpret_cast<const TOKEN_USER*>(userA.data())->User.Sid,
                    reinterpret_cast<const TOKEN_USER*>(userB.data())->User.Sid);
}

TOKEN_ELEVATION_TYPE ElevationTypeOf(HANDLE token) {
    TOKEN_ELEVATION_TYPE type{};
    DWORD size = 0;
    if (!token || !GetTokenInformation(token, TokenElevationType, &type, sizeof type, &size))
        return TOKEN_ELEVATION_TYPE{};
    return type;
}

AddressRoute ChooseAddressRoute(TOKEN_ELEVATION_TYPE ownElevation, bool shellWindowPresent, bool shellRunsAsOwnUser,
                                bool shellAtOwnLevel) {
    const bool noSplitToken = ownElevation == TokenElevationTypeDefault;
    if (!shellWindowPresent) return noSplitToken ? AddressRoute::Direct : AddressRoute::Nothing;
    return shellRunsAsOwnUser && (shellAtOwnLevel || noSplitToken) ? AddressRoute::Direct : AddressRoute::ThroughShell;
}

namespace {

const CLSID kShellWindows = {0x9ba05972, 0xf6a8, 0x11cf, {0xa4, 0x42, 0x00, 0xa0, 0xc9, 0x0a, 0x8f, 0x39}};
const GUID kTopLevelBrowser = {0x4c96be40, 0x915c, 0x11cf, {0x99, 0xd3, 0x00, 0xaa, 0x00, 0x4a, 0xe8, 0x37}};

class Bstr {
public:
    Bstr(const ShellFunctions& api, const wchar_t* text) : api_(api), text_(api.sysAllocString(text)) {}
    ~Bstr() { api_.sysFreeString(text_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR get() const { return text_; }

private:
    const ShellFunctions& api_;
    BSTR text_;
};

// The desktop's shell view hands the address to the shell's own ShellExecute, which runs in
// the shell's process, with the signed-in user's token and the user's own browser.
bool OpenThroughShell(const ShellFunctions& api, const wchar_t* address) {
    if (!api.coCreateInstance || !api.sysAllocString || !api.sysFreeString) return false;
    ComRef<IShellWindows> windows;
    if (FAILED(api.coCreateInstance(kShellWindows, nullptr, CLSCTX_LOCAL_SERVER, __uuidof(IShellWindows),
                                    windows.OutVoid())))
        return false;
    VARIANT desktop{}, noRoot{};
    desktop.vt = VT_I4;
    desktop.lVal = CSIDL_DESKTOP;
    long window = 0;
    ComRef<IDispatch> found;
    if (windows->FindWindowSW(&desktop, &noRoot, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, found.Out()) != S_OK ||
        !found)
        return false;
    ComRef<IServiceProvider> services;
    ComRef<IShellBrowser> browser;
    ComRef<IShellView> view;
    ComRef<IDispatch> background, application;
    ComRef<IShellFolderViewDual> folderView;
    ComRef<IShellDispatch2> shell;
    if (FAILED(found->QueryInterface(__uuidof(IServiceProvider), services.OutVoid())) ||
        FAILED(services->QueryService(kTopLevelBrowser, __uuidof(IShellBrowser), browser.OutVoid())) ||
        FAILED(browser->QueryActiveShellView(view.Out())) ||
        FAILED(view->GetItemObject(SVGIO_BACKGROUND, __uuidof(IDispatch), background.OutVoid())) ||
        FAILED(background->QueryInterface(__uuidof(IShellFolderViewDual), folderView.OutVoid())) ||
        FAILED(folderView->get_Application(application.Out())) ||
        FAILED(application->QueryInterface(__uuidof(IShellDispatch2), shell.OutVoid())))
        return false;
    const Bstr file(api, address), verb(api, L"open");
    if (!file.get() || !verb.get()) return false;
    VARIANT none{}, operation{}, show{};
    operation.vt = VT_BSTR;
    operation.bstrVal = verb.get();
    show.vt = VT_I4;
    show.lVal = SW_SHOWNORMAL;
    return SUCCEEDED(shell->ShellExecute(file.get(), none, none, operation, show));
}

void OpenDirectly(const ShellFunctions& api, HWND owner, const wchar_t* address) {
    if (!api.shellExecuteEx) return;
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    // The process ends right after: the call must not return before the start is done. A
    // failure shows no system dialog.
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.hwnd = owner;
    info.lpVerb = L"open";
    info.lpFile = address;
    info.nShow = SW_SHOWNORMAL;
    api.shellExecuteEx(&info);
}

}  // namespace

void OpenAddressAsSignedInUser(HWND owner, const wchar_t* address) {
    const ShellFunctions& api = ShellApi();
    if (!api.coInitializeEx || !api.coUninitialize) return;
    const HRESULT com = api.coInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

    const bool shellWindowPresent = ShellWindowOfAnotherProcess(nullptr) != nullptr;
    const UniqueHandle shellToken = ShellProcessToken(), ownToken = OwnProcessToken();
    const bool known = shellToken && ownToken;
    switch (ChooseAddressRoute(ElevationTypeOf(ownToken.get()), shellWindowPresent,
                               known && SameUser(ownToken.get(), shellToken.get()),
                               known && SameElevation(ownToken.get(), shellToken.get()))) {
        case AddressRoute::Direct:
            OpenDirectly(api, owner, address);
            break;
        case AddressRoute::ThroughShell:
            OpenThroughShell(api, address);  // a failure leaves the desktop shortcut to lead there
            break;
        case AddressRoute::Nothing:
            break;  // the desktop shortcut leads there
    }

    if (SUCCEEDED(com)) api.coUninitialize();
}
