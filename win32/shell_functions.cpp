#include "win32/shell_functions.h"

#include "win32/system_libraries.h"

const ShellFunctions& ShellApi() {
    static const ShellFunctions functions = [] {
        ShellFunctions f;
        HMODULE shell = LoadSystemLibrary(L"shell32.dll");
        HMODULE ole = LoadSystemLibrary(L"ole32.dll");
        HMODULE automation = LoadSystemLibrary(L"oleaut32.dll");
        ResolveFunction(shell, f.getMalloc, "SHGetMalloc");
        ResolveFunction(shell, f.getSpecialFolderLocation, "SHGetSpecialFolderLocation");
        ResolveFunction(shell, f.getKnownFolderPath, "SHGetKnownFolderPath");
        ResolveFunction(shell, f.getPathFromIdList, "SHGetPathFromIDListW");
        ResolveFunction(shell, f.browseForFolder, "SHBrowseForFolderW");
        ResolveFunction(shell, f.shellExecuteEx, "ShellExecuteExW");
        ResolveFunction(ole, f.oleInitialize, "OleInitialize");
        ResolveFunction(ole, f.coInitializeEx, "CoInitializeEx");
        ResolveFunction(ole, f.coUninitialize, "CoUninitialize");
        ResolveFunction(ole, f.coCreateInstance, "CoCreateInstance");
        ResolveFunction(ole, f.coTaskMemFree, "CoTaskMemFree");
        ResolveFunction(ole, f.createStreamOnHGlobal, "CreateStreamOnHGlobal");
        ResolveFunction(automation, f.sysAllocString, "SysAllocString");
        ResolveFunction(automation, f.sysFreeString, "SysFreeString");
        return f;
    }();
    return functions;
}
