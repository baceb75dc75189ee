#pragma once
#include <windows.h>
#include <objidl.h>
#include <oleauto.h>
#include <shellapi.h>
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
    HRESULT(WINAPI* getKnownFolderPath)(REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR*) = nullptr;
    BOOL(WINAPI* getPathFromIdList)(PCIDLIST_ABSOLUTE, LPWSTR) = nullptr;
    PIDLIST_ABSOLUTE(WINAPI* browseForFolder)(LPBROWSEINFOW) = nullptr;
    BOOL(WINAPI* shellExecuteEx)(SHELLEXECUTEINFOW*) = nullptr;
    HRESULT(WINAPI* oleInitialize)(LPVOID) = nullptr;
    HRESULT(WINAPI* coInitializeEx)(LPVOID, DWORD) = nullptr;
    void(WINAPI* coUninitialize)() = nullptr;
    HRESULT(WINAPI* coCreateInstance)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*) = nullptr;
    void(WINAPI* coTaskMemFree)(LPVOID) = nullptr;
    HRESULT(WINAPI* createStreamOnHGlobal)(HGLOBAL, BOOL, LPSTREAM*) = nullptr;
    BSTR(WINAPI* sysAllocString)(const OLECHAR*) = nullptr;
    void(WINAPI* sysFreeString)(BSTR) = nullptr;
};

const ShellFunctions& ShellApi();
