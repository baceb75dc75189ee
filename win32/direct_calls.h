#pragma once
// Included before every source of the program (the build's -include), after <windows.h>.
//
// A call to a function declared dllimport reads the import table at the call site: on 32-bit
// Windows each such site carries a relocation. The functions below, called from many places,
// are declared again without it, so that their call sites are direct calls to the import
// library's one stub. A function called from a few places keeps its import, which costs less
// than a stub. 64-bit calls through the table need no relocation and keep it.
#include <windows.h>

#if defined(__GNUC__) && defined(__i386__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattributes"  // "previous dllimport ignored" is the purpose
extern "C" {
LRESULT WINAPI SendMessageW(HWND, UINT, WPARAM, LPARAM);
DWORD WINAPI GetLastError(void);
HMODULE WINAPI GetModuleHandleW(LPCWSTR);
LONG WINAPI SetWindowLongW(HWND, int, LONG);
void WINAPI SetLastError(DWORD);
LRESULT WINAPI DefWindowProcW(HWND, UINT, WPARAM, LPARAM);
HWND WINAPI GetFocus(void);
WINBOOL WINAPI IsWindowEnabled(HWND);
LONG WINAPI GetWindowLongW(HWND, int);
HANDLE WINAPI GetPropW(HWND, LPCWSTR);
HWND WINAPI CreateWindowExW(DWORD, LPCWSTR, LPCWSTR, DWORD, int, int, int, int, HWND, HMENU, HINSTANCE, LPVOID);
WINBOOL WINAPI IsWindowVisible(HWND);
WINBOOL WINAPI GetClientRect(HWND, LPRECT);
LRESULT WINAPI CallWindowProcW(WNDPROC, HWND, UINT, WPARAM, LPARAM);
WINBOOL WINAPI SetPropW(HWND, LPCWSTR, HANDLE);
WINBOOL WINAPI InvalidateRect(HWND, const RECT*, WINBOOL);
int WINAPI FillRect(HDC, const RECT*, HBRUSH);
COLORREF WINAPI SetTextColor(HDC, COLORREF);
HWND WINAPI SetFocus(HWND);
DWORD WINAPI GetWindowThreadProcessId(HWND, LPDWORD);
HANDLE WINAPI CreateFileW(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
WINBOOL WINAPI IsWindow(HWND);
LPWSTR WINAPI GetCommandLineW(void);
int WINAPI DrawTextW(HDC, LPCWSTR, int, LPRECT, UINT);
WINBOOL WINAPI DeleteObject(HGDIOBJ);
WINBOOL WINAPI PeekMessageW(LPMSG, HWND, UINT, UINT, UINT);
HWND WINAPI GetParent(HWND);
HANDLE WINAPI GetCurrentProcess(void);
HWND WINAPI GetActiveWindow(void);
WINBOOL WINAPI EndPaint(HWND, const PAINTSTRUCT*);
WINBOOL WINAPI EnableWindow(HWND, WINBOOL);
WINBOOL WINAPI CloseHandle(HANDLE);
HDC WINAPI BeginPaint(HWND, LPPAINTSTRUCT);
int WINAPI SetBkMode(HDC, int);
COLORREF WINAPI SetBkColor(HDC, COLORREF);
WINBOOL WINAPI RemoveDirectoryW(LPCWSTR);
LSTATUS WINAPI RegOpenKeyExW(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY);
WINBOOL WINAPI ReadFile(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
WINBOOL WINAPI ProcessIdToSessionId(DWORD, DWORD*);
HANDLE WINAPI OpenProcess(DWORD, WINBOOL, DWORD);
DWORD WINAPI MsgWaitForMultipleObjects(DWORD, const HANDLE*, WINBOOL, DWORD, DWORD);
WINBOOL WINAPI IsChild(HWND, HWND);
WINBOOL WINAPI GetTokenInformation(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD);
ULONGLONG WINAPI GetTickCount64(void);
DWORD WINAPI GetCurrentProcessId(void);
WINBOOL WINAPI EnumChildWindows(HWND, WNDENUMPROC, LPARAM);
int WINAPI CompareStringOrdinal(LPCWCH, int, LPCWCH, int, WINBOOL);
}
#pragma GCC diagnostic pop
#endif
