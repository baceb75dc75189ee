#include "win32/system_libraries.h"

#include <string>

#include "win32/system_functions.h"

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
