#pragma once
#include <windows.h>

#include <string>

#include "win32/folder_list.h"
#include "win32/folder_walk.h"

// Empties `list` and fills it with the installation folders of the MetaTrader 4 terminals
// registered in the uninstall keys, in sub-key order, exactly as stored.
void FindInstallations(FolderList& list);

// The same, under another root than HKEY_LOCAL_MACHINE (tests use a private key).
void FindInstallationsUnder(HKEY root, FolderList& list);

// Whether `folder` has the layout of an installation folder: terminal.exe, and MQL4 (no
// link) with the folders Experts and Files.
bool IsTerminalFolder(const std::wstring& folder);
// The same of the folder behind `folder`, listed in `entries`, looked into through its handle.
// With `keptAs` (the folder's full path), its MQL4 folder goes to the walks (KeepWalkedFolder).
bool HasTerminalLayout(HANDLE folder, const std::vector<FolderEntry>& entries, const std::wstring& keptAs = {});
