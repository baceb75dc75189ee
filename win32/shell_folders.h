#pragma once
#include <windows.h>

#include <string>

// The file-system path of a shell special folder (CSIDL), or empty when the platform cannot
// give one. `owner` is the main window on the main thread, nullptr on the worker.
std::wstring SpecialFolderPath(HWND owner, int csidl);

// The roaming application-data folder (CSIDL_APPDATA) or the desktop (CSIDL_DESKTOP) of the
// user signed in at this desktop. When the wizard runs as another account (an administrator
// typed the password at the elevation prompt), the folder is looked up with the shell's
// token, and only when it is on a local drive (OnLocalDrive); otherwise, and where there is
// no shell window or its token cannot be had, as SpecialFolderPath gives it, and with a split
// token and no shell again only on a local drive.
std::wstring SignedInUserFolderPath(HWND owner, int csidl);

// The folder CSIDL_APPDATA or CSIDL_DESKTOP of the user behind `token`, or empty.
std::wstring KnownFolderPathOf(HANDLE token, int csidl);
