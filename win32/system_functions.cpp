#include "win32/system_functions.h"

#include <string>

namespace {

// The one place where an address looked up by name becomes a typed function. It goes
// through void*, so no cast between function types is ever needed: the types above are the
// platform's declarations, calling convention included, which is all that keeps a wrong one
// from crashing the 32-bit build.
template <typename Function>
void Resolve(HMODULE module, Function& function, const char* name) {
    function = module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

}  // namespace

const KernelFunctions& KernelApi() {
    static const KernelFunctions functions = [] {
        KernelFunctions f;
        HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
        Resolve(kernel, f.setDefaultDllDirectories, "SetDefaultDllDirectories");  // Windows 7 without KB2533623
        Resolve(kernel, f.isWow64Process, "IsWow64Process");
        return f;
    }();
    return functions;
}

const AdvapiFunctions& AdvapiApi() {
    static const AdvapiFunctions functions = [] {
        AdvapiFunctions f;
        HMODULE advapi = GetModuleHandleW(L"advapi32.dll");
        Resolve(advapi, f.lookupAccountSid, "LookupAccountSidW");
        Resolve(advapi, f.regGetValue, "RegGetValueW");
        Resolve(advapi, f.registerEventSource, "RegisterEventSourceW");
        Resolve(advapi, f.reportEvent, "ReportEventW");
        Resolve(advapi, f.deregisterEventSource, "DeregisterEventSource");
        return f;
    }();
    return functions;
}

const UserFunctions& UserApi() {
    static const UserFunctions functions = [] {
        UserFunctions f;
        Resolve(GetModuleHandleW(L"user32.dll"), f.getDpiForWindow, "GetDpiForWindow");  // Windows 10 1607
        return f;
    }();
    return functions;
}

const NativeFunctions& NativeApi() {
    static const NativeFunctions functions = [] {
        NativeFunctions f;
        HMODULE native = GetModuleHandleW(L"ntdll.dll");
        Resolve(native, f.createFile, "NtCreateFile");
        Resolve(native, f.setInformationFile, "NtSetInformationFile");
        Resolve(native, f.statusToDosError, "RtlNtStatusToDosError");
        Resolve(native, f.querySecurityObject, "NtQuerySecurityObject");
        Resolve(native, f.accessCheck, "NtAccessCheck");
        Resolve(native, f.decompressBuffer, "RtlDecompressBuffer");
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
        Resolve(bcrypt, f.genRandom, "BCryptGenRandom");
        Resolve(bcrypt, f.openAlgorithmProvider, "BCryptOpenAlgorithmProvider");
        Resolve(bcrypt, f.closeAlgorithmProvider, "BCryptCloseAlgorithmProvider");
        Resolve(bcrypt, f.createHash, "BCryptCreateHash");
        Resolve(bcrypt, f.hashData, "BCryptHashData");
        Resolve(bcrypt, f.finishHash, "BCryptFinishHash");
        Resolve(bcrypt, f.destroyHash, "BCryptDestroyHash");
        return f;
    }();
    return functions;
}

const CommonControlsFunctions& CommonControlsApi() {
    static const CommonControlsFunctions functions = [] {
        CommonControlsFunctions f;
        Resolve(LoadSystemLibrary(L"comctl32.dll"), f.initCommonControlsEx, "InitCommonControlsEx");
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
        Resolve(shell, f.getMalloc, "SHGetMalloc");
        Resolve(shell, f.getSpecialFolderLocation, "SHGetSpecialFolderLocation");
        Resolve(shell, f.getKnownFolderPath, "SHGetKnownFolderPath");
        Resolve(shell, f.getPathFromIdList, "SHGetPathFromIDListW");
        Resolve(shell, f.browseForFolder, "SHBrowseForFolderW");
        Resolve(shell, f.shellExecuteEx, "ShellExecuteExW");
        Resolve(ole, f.oleInitialize, "OleInitialize");
        Resolve(ole, f.revokeDragDrop, "RevokeDragDrop");
        Resolve(ole, f.coInitializeEx, "CoInitializeEx");
        Resolve(ole, f.coUninitialize, "CoUninitialize");
        Resolve(ole, f.coCreateInstance, "CoCreateInstance");
        Resolve(ole, f.coTaskMemFree, "CoTaskMemFree");
        Resolve(ole, f.createStreamOnHGlobal, "CreateStreamOnHGlobal");
        Resolve(automation, f.sysAllocString, "SysAllocString");
        Resolve(automation, f.sysFreeString, "SysFreeString");
        return f;
    }();
    return functions;
}

const AccessibilityFunctions& AccessibilityApi() {
    static const AccessibilityFunctions functions = [] {
        AccessibilityFunctions f;
        HMODULE oleacc = LoadSystemLibrary(L"oleacc.dll");
        Resolve(oleacc, f.lresultFromObject, "LresultFromObject");
        Resolve(oleacc, f.createStdAccessibleObject, "CreateStdAccessibleObject");
        Resolve(oleacc, f.accessibleObjectFromWindow, "AccessibleObjectFromWindow");
        return f;
    }();
    return functions;
}

const GdiplusFunctions& GdiplusApi() {
    static const GdiplusFunctions functions = [] {
        GdiplusFunctions f;
        HMODULE gdiplus = LoadSystemLibrary(L"gdiplus.dll");
        Resolve(gdiplus, f.startup, "GdiplusStartup");
        Resolve(gdiplus, f.shutdown, "GdiplusShutdown");
        Resolve(gdiplus, f.createFromStream, "GdipCreateBitmapFromStream");
        Resolve(gdiplus, f.disposeImage, "GdipDisposeImage");
        Resolve(gdiplus, f.getWidth, "GdipGetImageWidth");
        Resolve(gdiplus, f.getHeight, "GdipGetImageHeight");
        Resolve(gdiplus, f.frameCount, "GdipImageGetFrameCount");
        Resolve(gdiplus, f.selectFrame, "GdipImageSelectActiveFrame");
        Resolve(gdiplus, f.propertySize, "GdipGetPropertyItemSize");
        Resolve(gdiplus, f.property, "GdipGetPropertyItem");
        Resolve(gdiplus, f.createHbitmap, "GdipCreateHBITMAPFromBitmap");
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
