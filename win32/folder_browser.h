#pragma once
#include <windows.h>

#include <string>

// Shows the shell's folder browser (file-system folders only, new dialog style, no
// new-folder button) modal to every window of the wizard, with `folder` selected at first
// when it exists. True when the user chose a folder; `folder` is then the chosen path.
// Where ChooseBrowserRoute says so, the shell's verbs in its folder tree are closed.
bool BrowseForFolder(HWND owner, const std::wstring& title, std::wstring& folder);

// The folder the browser starts in: the program-files folder that 32-bit programs use.
std::wstring InitialBrowseFolder(HWND owner);

// The browser's folder tree offers the shell's own verbs (shortcut menu, rename, delete, drag
// and drop, Properties with its Security page), which in the elevated wizard act with the
// administrator's rights. Open, as the shell offers them, where the person at the keyboard is
// the one whose rights the wizard runs with: the shell runs as the wizard's account (at any
// level), or there is no shell and no split token. Closed where the shell runs as another
// account (an administrator typed the password for a standard user) or as one that cannot be
// told, and where there is no shell but a split token: the person left at the keyboard must
// not change what only an administrator may.
enum class BrowserRoute { VerbsOpen, VerbsClosed };
BrowserRoute ChooseBrowserRoute(bool shellPresent, bool shellRunsAsOwnAccount, bool tokenSplit);
