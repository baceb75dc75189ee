#pragma once
#include <windows.h>
#include <commctrl.h>
#include <objidl.h>
#include <oleauto.h>
#include <shellapi.h>
#include <shlobj.h>
#include <winternl.h>

// The first act of the program: no DLL is ever taken from the program's own folder or the
// current directory, where a planted DLL would run with administrator rights.
void RestrictDllSearchToSystem32();

// Loads a DLL from System32 only. Returns nullptr when it is not there.
HMODULE LoadSystemLibrary(const wchar_t* fileName);

// True when the wizard runs as a 32-bit process on 64-bit Windows.
bool RunningUnderWow64();

// Every function the program takes from a DLL at run time instead of importing it, by DLL.
// DLLs that are no KnownDLL (comctl32, gdiplus) must never be found by name beside the
// program; shell32 and ole32 would cost the start-up a good part of its time; and some
// systems lack a function (SetDefaultDllDirectories, GetDpiForWindow). A function the
// system lacks is nullptr.
//
// Each group is looked up on its first use. The build has no guards for function-local
// statics, so a group that another thread reaches is first reached on the user-interface
// thread before that thread starts (the shell, ntdll and bcrypt groups, where the wizard makes
// its worker, whose jobs find the data folders and install); the GDI+ group is reached only
// where the wait animation is decoded, on the user-interface thread, and the
// oleacc group only where a window answers a screen reader, on that thread too.

// kernel32 and user32, which every process has loaded.
struct KernelFunctions {
    BOOL(WINAPI* setDefaultDllDirectories)(DWORD) = nullptr;
    BOOL(WINAPI* isWow64Process)(HANDLE, PBOOL) = nullptr;
};
const KernelFunctions& KernelApi();

// advapi32's exports that forward to another DLL, which an import would bind by the default
// search order at start-up: the account's name, registry values, the event log.
struct AdvapiFunctions {
    decltype(&LookupAccountSidW) lookupAccountSid = nullptr;
    decltype(&RegGetValueW) regGetValue = nullptr;
    decltype(&RegisterEventSourceW) registerEventSource = nullptr;
    decltype(&ReportEventW) reportEvent = nullptr;
    decltype(&DeregisterEventSource) deregisterEventSource = nullptr;
};
const AdvapiFunctions& AdvapiApi();

struct UserFunctions {
    UINT(WINAPI* getDpiForWindow)(HWND) = nullptr;
};
const UserFunctions& UserApi();

// ntdll, for writes made relative to a held folder's handle, and for expanding the resources
// the build stores compressed.
struct NativeFunctions {
    decltype(&NtCreateFile) createFile = nullptr;
    NTSTATUS(NTAPI* setInformationFile)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, int) = nullptr;
    decltype(&RtlNtStatusToDosError) statusToDosError = nullptr;
    // ADVAPI32's AccessCheck and GetKernelObjectSecurity, without importing them.
    NTSTATUS(NTAPI* querySecurityObject)(HANDLE, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR, ULONG, PULONG) = nullptr;
    NTSTATUS(NTAPI* accessCheck)(PSECURITY_DESCRIPTOR, HANDLE, ACCESS_MASK, PGENERIC_MAPPING, PPRIVILEGE_SET, PULONG,
                                 PACCESS_MASK, PNTSTATUS) = nullptr;
    NTSTATUS(NTAPI* decompressBuffer)(USHORT format, PUCHAR out, ULONG outSize, PUCHAR in, ULONG inSize,
                                      PULONG expanded) = nullptr;
};
const NativeFunctions& NativeApi();

// bcrypt, for random bytes and digests. ADVAPI32's random function forwards to CRYPTBASE,
// which is no KnownDLL: imported, or looked up there, it would be found beside the program
// first. The digest calls are the ones Windows 7 has (BCryptHash came with Windows 10).
struct CryptoFunctions {
    LONG(WINAPI* genRandom)(void* algorithm, UCHAR* buffer, ULONG size, ULONG flags) = nullptr;
    LONG(WINAPI* openAlgorithmProvider)(void** algorithm, LPCWSTR id, LPCWSTR implementation, ULONG flags) = nullptr;
    LONG(WINAPI* closeAlgorithmProvider)(void* algorithm, ULONG flags) = nullptr;
    LONG(WINAPI* createHash)(void* algorithm, void** hash, UCHAR* object, ULONG objectSize, UCHAR* secret,
                             ULONG secretSize, ULONG flags) = nullptr;
    LONG(WINAPI* hashData)(void* hash, UCHAR* input, ULONG size, ULONG flags) = nullptr;
    LONG(WINAPI* finishHash)(void* hash, UCHAR* output, ULONG size, ULONG flags) = nullptr;
    LONG(WINAPI* destroyHash)(void* hash) = nullptr;
};
const CryptoFunctions& CryptoApi();

// comctl32, from System32 or the side-by-side store the manifest names.
struct CommonControlsFunctions {
    BOOL(WINAPI* initCommonControlsEx)(const INITCOMMONCONTROLSEX*) = nullptr;
};
const CommonControlsFunctions& CommonControlsApi();

// shell32, ole32 and oleaut32: shell folders, the folder browser, COM, opening addresses.
struct ShellFunctions {
    HRESULT(WINAPI* getMalloc)(IMalloc**) = nullptr;
    HRESULT(WINAPI* getSpecialFolderLocation)(HWND, int, PIDLIST_ABSOLUTE*) = nullptr;
    HRESULT(WINAPI* getKnownFolderPath)(REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR*) = nullptr;
    BOOL(WINAPI* getPathFromIdList)(PCIDLIST_ABSOLUTE, LPWSTR) = nullptr;
    PIDLIST_ABSOLUTE(WINAPI* browseForFolder)(LPBROWSEINFOW) = nullptr;
    BOOL(WINAPI* shellExecuteEx)(SHELLEXECUTEINFOW*) = nullptr;
    HRESULT(WINAPI* oleInitialize)(LPVOID) = nullptr;
    HRESULT(WINAPI* revokeDragDrop)(HWND) = nullptr;
    HRESULT(WINAPI* coInitializeEx)(LPVOID, DWORD) = nullptr;
    void(WINAPI* coUninitialize)() = nullptr;
    HRESULT(WINAPI* coCreateInstance)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*) = nullptr;
    void(WINAPI* coTaskMemFree)(LPVOID) = nullptr;
    HRESULT(WINAPI* createStreamOnHGlobal)(HGLOBAL, BOOL, LPSTREAM*) = nullptr;
    BSTR(WINAPI* sysAllocString)(const OLECHAR*) = nullptr;
    void(WINAPI* sysFreeString)(BSTR) = nullptr;
};
const ShellFunctions& ShellApi();

// oleacc, for the objects that answer screen readers.
struct AccessibilityFunctions {
    LRESULT(WINAPI* lresultFromObject)(REFIID, WPARAM, LPUNKNOWN) = nullptr;
    HRESULT(WINAPI* createStdAccessibleObject)(HWND, LONG, REFIID, void**) = nullptr;
    HRESULT(WINAPI* accessibleObjectFromWindow)(HWND, DWORD, REFIID, void**) = nullptr;
};
const AccessibilityFunctions& AccessibilityApi();

// The GDI+ flat API, for decoding the wait animation.
namespace gdiplus {
using Status = int;  // 0 is Ok
using Image = void;
struct StartupInput {
    UINT32 version = 1;
    void* debugCallback = nullptr;
    BOOL suppressBackgroundThread = FALSE;
    BOOL suppressExternalCodecs = FALSE;
};
struct PropertyItem {
    ULONG id;
    ULONG length;
    WORD type;
    void* value;
};
}  // namespace gdiplus

struct GdiplusFunctions {
    gdiplus::Status(WINAPI* startup)(ULONG_PTR*, const gdiplus::StartupInput*, void*) = nullptr;
    void(WINAPI* shutdown)(ULONG_PTR) = nullptr;
    gdiplus::Status(WINAPI* createFromStream)(IStream*, gdiplus::Image**) = nullptr;
    gdiplus::Status(WINAPI* disposeImage)(gdiplus::Image*) = nullptr;
    gdiplus::Status(WINAPI* getWidth)(gdiplus::Image*, UINT*) = nullptr;
    gdiplus::Status(WINAPI* getHeight)(gdiplus::Image*, UINT*) = nullptr;
    gdiplus::Status(WINAPI* frameCount)(gdiplus::Image*, const GUID*, UINT*) = nullptr;
    gdiplus::Status(WINAPI* selectFrame)(gdiplus::Image*, const GUID*, UINT) = nullptr;
    gdiplus::Status(WINAPI* propertySize)(gdiplus::Image*, ULONG, UINT*) = nullptr;
    gdiplus::Status(WINAPI* property)(gdiplus::Image*, ULONG, UINT, gdiplus::PropertyItem*) = nullptr;
    gdiplus::Status(WINAPI* createHbitmap)(gdiplus::Image*, HBITMAP*, DWORD) = nullptr;
};
const GdiplusFunctions& GdiplusApi();
