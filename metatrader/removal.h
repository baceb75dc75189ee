#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "win32/folder_list.h"
#include "win32/held_folder.h"

class InstallView;

// What became of one step of taking the expert off again.
struct RemovalOutcome {
    enum class Step { Expert, Terminal, Shortcut };
    Step step;
    // Expert and shortcut: the file, or the folder that is gone (empty: no desktop folder).
    std::wstring path;
    Removal removal = Removal::NotThere;
    DWORD error = 0;          // why a file could not be removed, as the platform said
    std::wstring ledTo;       // where the folder's name led when it led elsewhere
    HWND terminal = nullptr;  // Terminal: its main window and RefreshNavigator's result
    int result = 0;
};

// Deletes the expert file from the experts folder of every target the installation writes
// (the installations, then their data folders), under the same rules as the writes: the data
// folders and the desktop as the signed-in user where there is one (else, with a split token,
// only where that user could delete the file themselves), the installation folders
// by the program only where the folder is the one named, else as that user. Then every running
// terminal's Navigator is refreshed so that it no longer lists the expert, and the desktop
// shortcut (in `desktop`, empty when there is none) goes when its content is the one the
// program writes (resource "LINK" of `module`). Every step's outcome, in order. With a `view`,
// each expert's and the shortcut's path is shown there as it goes, over a range of one step a
// file. Without `asSignedInUser` (every user's profile) all of it is done with the program's
// rights.
std::vector<RemovalOutcome> RemoveFiles(HMODULE module, const FolderList& installations, const FolderList& dataFolders,
                                        const std::wstring& desktop, InstallView* view = nullptr,
                                        bool asSignedInUser = true);

// Whether every expert file that was there is gone.
bool EveryCopyRemoved(const std::vector<RemovalOutcome>& outcomes);
