#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "metatrader/folder_list.h"

// Empties `found` and fills it with the data folders, under the user's roaming application
// data, whose marker names one of `selected` exactly. Runs on the worker thread.
void FindDataFolders(const FolderList& selected, FolderList& found);

// The same over a given data root ("...\MetaQuotes\Terminal").
void FindDataFoldersUnder(const std::wstring& dataRoot, const FolderList& selected, FolderList& found);

// Empties `names` and fills it with the names of the immediate sub-folders of `folder`.
void ListSubFolders(const std::wstring& folder, std::vector<std::wstring>& names);

// The whole text of a file, decoded by its byte-order mark (UTF-8, UTF-16LE, UTF-16BE) or
// else in the ANSI code page, nothing trimmed. Nothing when the file cannot be read, is
// larger than `maxBytes`, or its text cannot be decoded.
std::optional<std::wstring> ReadTextFile(const std::wstring& path, DWORD maxBytes = 64 * 1024);
