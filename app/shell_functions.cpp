#include "app/shell_functions.h"

#include "app/system_libraries.h"

namespace {

template <typename Function>
void Resolve(HMODULE module, Function& function, const char* name) {
    function = module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

}  // namespace

const ShellFunctions& ShellApi() {
    static const ShellFunctions functions = [] {
        ShellFunctions f;
        HMODULE shell = LoadSystemLibrary(L"shell32.dll");
        HMODULE ole = LoadSystemLibrary(L"ole32.dll");
        Resolve(shell, f.getMalloc, "SHGetMalloc");
        Resolve(shell, f.getSpecialFolderLocation, "SHGetSpecialFolderLocation");
        Resolve(shell, f.getPathFromIdList, "SHGetPathFromIDListW");
        Resolve(shell, f.browseForFolder, "SHBrowseForFolderW");
        Resolve(shell, f.shellExecute, "ShellExecuteW");
        Resolve(ole, f.oleInitialize, "OleInitialize");
        Resolve(ole, f.createStreamOnHGlobal, "CreateStreamOnHGlobal");
        return f;
    }();
    return functions;
}
