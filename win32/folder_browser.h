#pragma once
#include <windows.h>

#include <string>

// Shows the shell's folder browser (file-system folders only, new dialog style, no
// new-folder button) modal to every window of the wizard, with `folder` selected at first
// when it exists. True when the user chose a folder; `folder` is then the chosen path.
bool BrowseForFolder(HWND owner, const std::wstring& title, std::wstring& folder);

// The folder the browser starts in: the program-files folder that 32-bit programs use.
std::wstring InitialBrowseFolder(HWND owner);
