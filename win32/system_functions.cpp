#include "win32/system_functions.h"

#include <cstddef>
#include <cstring>
#include <string>
#include <type_traits>

namespace {

// The one place where an address looked up by name becomes a typed function: the functions
// named in `names` (each name ending in a zero, an empty one after the last), looked up in
// `module`, stored in turn from `first` on: a member of one of the structures the header
// declares, followed by the other function pointers the names stand for. Each
// address is copied as bytes into its member, so no cast between function types is ever made:
// the members' types are the platform's declarations, calling convention included, which is
// all that keeps a wrong one from crashing the 32-bit build.
void ResolveEach(HMODULE module, void* first, const char* names) {
    for (auto* slot = static_cast<unsigned char*>(first); *names; slot += sizeof(void*)) {
        void* const address = module ? reinterpret_cast<void*>(GetProcAddress(module, names)) : nullptr;
        memcpy(slot, &address, sizeof address);
        while (*names++) {
        }
    }
}

// How many names a list for ResolveEach holds.
constexpr size_t NameCount(const char* names) {
    size_t count = 0;
    for (; *names; ++count)
        while (*names++) {
        }
    return count;
}

// Whether the names of a list fill the members from `offset` up to `end` exactly: its first
// member at `offset`, one name for each of them, and every member a pointer.
template <typename Functions>
constexpr bool Fills(size_t offset, const char* names, size_t end = sizeof(Functions)) {
    return std::is_standard_layout_v<Functions> && offset + NameCount(names) * sizeof(void*) == end;
}

// The names of the functions each structure holds, in the order of its members.
constexpr const char* kKernelNames =
    "SetDefaultDllDirectories\0"  // Windows 7 without KB2533623
    "IsWow64Process\0";
static_assert(Fills<KernelFunctions>(offsetof(KernelFunctions, setDefaultDllDirectories), kKernelNames));
constexpr const char* kAdvapiNames =
    "LookupAccountSidW\0"
    "RegGetValueW\0"
    "RegisterEventSourceW\0"
    "ReportEventW\0"
    "DeregisterEventSource\0";
static_assert(Fills<AdvapiFunctions>(offsetof(AdvapiFunctions, lookupAccountSid), kAdvapiNames));
constexpr const char* kUserNames =
    "GetDpiForWindow\0";  // Windows 10 1607
static_assert(Fills<UserFunctions>(offsetof(UserFunctions, getDpiForWindow), kUserNames));
constexpr const char* kNativeNames =
    "NtCreateFile\0"
    "NtSetInformationFile\0"
    "RtlNtStatusToDosError\0"
    "NtQuerySecurityObject\0"
    "NtAccessCheck\0"
    "RtlDecompressBuffer\0";
static_assert(Fills<NativeFunctions>(offsetof(NativeFunctions, createFile), kNativeNames));
constexpr const char* kCryptoNames =
    "BCryptGenRandom\0"
    "BCryptOpenAlgorithmProvider\0"
    "BCryptCloseAlgorithmProvider\0"
    "BCryptCreateHash\0"
    "BCryptHashData\0"
    "BCryptFinishHash\0"
    "BCryptDestroyHash\0";
static_assert(Fills<CryptoFunctions>(offsetof(CryptoFunctions, genRandom), kCryptoNames));
constexpr const char* kCommonControlsNames =
    "InitCommonControlsEx\0";
static_assert(Fills<CommonControlsFunctions>(offsetof(CommonControlsFunctions, initCommonControlsEx), kCommonControlsNames));
constexpr const char* kShellNames =
    "SHGetMalloc\0"
    "SHGetSpecialFolderLocation\0"
    "SHGetKnownFolderPath\0"
    "SHGetPathFromIDListW\0"
    "SHBrowseForFolderW\0"
    "ShellExecuteExW\0";
static_assert(Fills<ShellFunctions>(offsetof(ShellFunctions, getMalloc), kShellNames, offsetof(ShellFunctions, oleInitialize)));
constexpr const char* kOleNames =
    "OleInitialize\0"
    "RevokeDragDrop\0"
    "CoInitializeEx\0"
    "CoUninitialize\0"
    "CoCreateInstance\0"
    "CoTaskMemFree\0"
    "CreateStreamOnHGlobal\0";
static_assert(Fills<ShellFunctions>(offsetof(ShellFunctions, oleInitialize), kOleNames, offsetof(ShellFunctions, sysAllocString)));
constexpr const char* kAutomationNames =
    "SysAllocString\0"
    "SysFreeString\0";
static_assert(Fills<ShellFunctions>(offsetof(ShellFunctions, sysAllocString), kAutomationNames));
constexpr const char* kAccessibilityNames =
    "LresultFromObject\0"
    "CreateStdAccessibleObject\0"
    "AccessibleObjectFromWindow\0";
static_assert(Fills<AccessibilityFunctions>(offsetof(AccessibilityFunctions, lresultFromObject), kAccessibilityNames));
constexpr const char* kGdiplusNames =
    "GdiplusStartup\0"
    "GdiplusShutdown\0"
    "GdipCreateBitmapFromStream\0"
    "GdipDisposeImage\0"
    "GdipGetImageWidth\0"
    "GdipGetImageHeight\0"
    "GdipImageGetFrameCount\0"
    "GdipImageSelectActiveFrame\0"
    "GdipGetPropertyItemSize\0"
    "GdipGetPropertyItem\0"
    "GdipCreateHBITMAPFromBitmap\0";
static_assert(Fills<GdiplusFunctions>(offsetof(GdiplusFunctions, startup), kGdiplusNames));

}  // namespace

const KernelFunctions& KernelApi() {
    static const KernelFunctions functions = [] {
        KernelFunctions f;
        HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
        ResolveEach(kernel, &f.setDefaultDllDirectories, kKernelNames);
        return f;
    }();
    return functions;
}

const AdvapiFunctions& AdvapiApi() {
    static const AdvapiFunctions functions = [] {
        AdvapiFunctions f;
        HMODULE advapi = GetModuleHandleW(L"advapi32.dll");
        ResolveEach(advapi, &f.lookupAccountSid, kAdvapiNames);
        return f;
    }();
    return functions;
}

const UserFunctions& UserApi() {
    static const UserFunctions functions = [] {
        UserFunctions f;
        ResolveEach(GetModuleHandleW(L"user32.dll"), &f.getDpiForWindow, kUserNames);
        return f;
    }();
    return functions;
}

const NativeFunctions& NativeApi() {
    static const NativeFunctions functions = [] {
        NativeFunctions f;
        HMODULE native = GetModuleHandleW(L"ntdll.dll");
        ResolveEach(native, &f.createFile, kNativeNames);
        return f;
    }();
    return functions;
}

const CryptoFunctions& CryptoApi() {
    static const CryptoFunctions functions = [] {
        CryptoFunctions f;
        // The generator's provider, which bcrypt loads by name on its first call: loaded here
        // from System32, so that a system without the restricted search cannot take it from
        // beside the program.
        LoadSystemLibrary(L"bcryptprimitives.dll");
        HMODULE bcrypt = LoadSystemLibrary(L"bcrypt.dll");
        ResolveEach(bcrypt, &f.genRandom, kCryptoNames);
        return f;
    }();
    return functions;
}

const CommonControlsFunctions& CommonControlsApi() {
    static const CommonControlsFunctions functions = [] {
        CommonControlsFunctions f;
        ResolveEach(LoadSystemLibrary(L"comctl32.dll"), &f.initCommonControlsEx, kCommonControlsNames);
        return f;
    }();
    return functions;
}

const ShellFunctions& ShellApi() {
    static const ShellFunctions functions = [] {
        ShellFunctions f;
        HMODULE shell = LoadSystemLibrary(L"shell32.dll");
        HMODULE ole = LoadSystemLibrary(L"ole32.dll");
        HMODULE automation = LoadSystemLibrary(L"oleaut32.dll");
        ResolveEach(shell, &f.getMalloc, kShellNames);
        ResolveEach(ole, &f.oleInitialize, kOleNames);
        ResolveEach(automation, &f.sysAllocString, kAutomationNames);
        return f;
    }();
    return functions;
}

const AccessibilityFunctions& AccessibilityApi() {
    static const AccessibilityFunctions functions = [] {
        AccessibilityFunctions f;
        HMODULE oleacc = LoadSystemLibrary(L"oleacc.dll");
        ResolveEach(oleacc, &f.lresultFromObject, kAccessibilityNames);
        return f;
    }();
    return functions;
}

const GdiplusFunctions& GdiplusApi() {
    static const GdiplusFunctions functions = [] {
        GdiplusFunctions f;
        HMODULE gdiplus = LoadSystemLibrary(L"gdiplus.dll");
        ResolveEach(gdiplus, &f.startup, kGdiplusNames);
        return f;
    }();
    return functions;
}

void RestrictDllSearchToSystem32() {
    if (const auto setDefault = KernelApi().setDefaultDllDirectories) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetDllDirectoryW(L"");
}

HMODULE LoadSystemLibrary(const wchar_t* fileName) {
    HMODULE module = LoadLibraryExW(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || GetLastError() != ERROR_INVALID_PARAMETER) return module;
    // Systems without the search flags refuse it: spell out the System32 path instead.
    wchar_t system[MAX_PATH];
    UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    std::wstring path(system, length);
    path += L'\\';
    path += fileName;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

bool RunningUnderWow64() {
    // Looked up, not imported, so that the wizard also starts where it is missing.
    const auto isWow64Process = KernelApi().isWow64Process;
    BOOL wow64 = FALSE;
    return isWow64Process && isWow64Process(GetCurrentProcess(), &wow64) && wow64;
}
