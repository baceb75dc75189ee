#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "metatrader/terminal_discovery.h"

// Whose inventory it is: the account that ran it, and, for every user, each profile's data root
// (looked at with the program's rights); otherwise the signed-in user's data folders.
struct InventoryScope {
    std::wstring account;
    bool allUsers = false;
    std::vector<std::wstring> dataRoots;
};

// The inventory of a status run: the format's version, the machine, the time (UTC), the scope
// and a summary of the copies; the program's version and the embedded expert's digest;
// each installation folder found (and how), its data folder, and for each of their experts
// folders whether the expert file is there, its size and digest and whether it is the
// embedded one; each running terminal; each scan. JSON in UTF-8 without a byte-order mark.
// The data folders and their copies are read as the signed-in user, the installation folders
// under the same rule for links as the writes.
std::string InventoryJson(HMODULE module, const InstallationsFound& found, const InventoryScope& scope);

// A JSON string for `text`, quotes included: UTF-8, with the characters JSON must escape,
// every unpaired surrogate (which UTF-8 cannot carry) and every character the log blanks
// (control, format, line and paragraph separators) as \u escapes.
std::string JsonString(const std::wstring& text);
