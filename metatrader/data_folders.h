#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "win32/folder_list.h"

// Empties `found` and fills it with the data folders, under the user's roaming application
// data, whose marker names one of `selected` exactly, read while acting as the signed-in user
// where there is one. Runs on the worker thread. With `selectedExist` (installations found
// just now), a marker that names one of them is not looked after once more.
void FindDataFolders(const FolderList& selected, FolderList& found, bool selectedExist = false);

// The same over a given data root ("...\MetaQuotes\Terminal").
void FindDataFoldersUnder(const std::wstring& dataRoot, const FolderList& selected, FolderList& found,
                          bool selectedExist = false);

// For each installation, at the same position, the data folder that FindDataFolders would find
// for it, also when an earlier one has it too; empty where there is none.
std::vector<std::wstring> DataFolderOfEach(const FolderList& installations);

// The same below each of `dataRoots` (every user's), read with the program's rights: for each
// installation its data folders, in the order of the roots.
std::vector<FolderList> DataFoldersOfEachUnder(const std::vector<std::wstring>& dataRoots,
                                               const FolderList& installations);
