#include "app/shell_functions.h"

#include "app/system_libraries.h"

const ShellFunctions& ShellApi() {
    static const ShellFunctions functions = [] {
        ShellFunctions f;
        HMODULE shell = LoadSystemLibrary(L"shell32.dll");
        HMODULE ole = LoadSystemLibrary(L"ole32.dll");
        ResolveFunction(shell, f.getMalloc, "SHGetMalloc");
        ResolveFunction(shell, f.getSpecialFolderLocation, "SHGetSpecialFolderLocation");
        ResolveFunction(shell, f.getPathFromIdList, "SHGetPathFromIDListW");
        ResolveFunction(shell, f.browseForFolder, "SHBrowseForFolderW");
        ResolveFunction(shell, f.shellExecute, "ShellExecuteW");
        ResolveFunction(ole, f.oleInitialize, "OleInitialize");
        ResolveFunction(ole, f.createStreamOnHGlobal, "CreateStreamOnHGlobal");
        return f;
    }();
    return functions;
}
