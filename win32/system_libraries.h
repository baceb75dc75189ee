#pragma once
#include <windows.h>

// The first act of the program: no DLL is ever taken from the program's own folder or the
// current directory, where a planted DLL would run with administrator rights.
void RestrictDllSearchToSystem32();

// Loads a DLL from System32 only. Returns nullptr when it is not there.
HMODULE LoadSystemLibrary(const wchar_t* fileName);

// True when the wizard runs as a 32-bit process on 64-bit Windows.
bool RunningUnderWow64();
