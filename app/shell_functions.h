#pragma once
#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

// The shell and COM functions the wizard uses, loaded from System32 on first use rather
// than imported: the Welcome page needs none of them, and loading shell32 and ole32 costs
// the start-up a good part of its time. Each is nullptr where the system lacks it.
//
// The first call must come from the user-interface thread before any other thread starts
// (the build has no guards for function-local statics); the wizard makes it where it starts
// its threads.
struct ShellFunctions {
    HRESULT(WINAPI* getMalloc)(IMalloc**) = nullptr;
    HRESULT(WINAPI* getSpecialFolderLocation)(HWND, int, PIDLIST_ABSOLUTE*) = nullptr;
    BOOL(WINAPI* getPathFromIdList)(PCIDLIST_ABSOLUTE, LPWSTR) = nullptr;
    PIDLIST_ABSOLUTE(WINAPI* browseForFolder)(LPBROWSEINFOW) = nullptr;
    HINSTANCE(WINAPI* shellExecute)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT) = nullptr;
    HRESULT(WINAPI* oleInitialize)(LPVOID) = nullptr;
    HRESULT(WINAPI* createStreamOnHGlobal)(HGLOBAL, BOOL, LPSTREAM*) = nullptr;
};

const ShellFunctions& ShellApi();
