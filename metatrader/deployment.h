#pragma once
#include <windows.h>

#include <string>

#include "win32/folder_list.h"

// The folders to install into: the selected installations, then the found data folders,
// nothing filtered.
FolderList InstallTargets(const FolderList& selectedInstallations, const FolderList& foundDataFolders);

// "<folder>\MQL4\Experts" for an existing folder (one trailing backslash dropped), or empty
// when the folder itself does not exist. The experts folder need not exist.
std::wstring ExpertsFolder(std::wstring folder);

// What became of one step of the installing run.
struct InstallOutcome {
    enum class Step { Expert, Terminal, Shortcut };
    Step step;
    // Expert and shortcut: the file, or the folder that is gone (empty: no desktop folder).
    std::wstring path;
    bool done = false;        // the file written; the terminal refreshed (result 0)
    DWORD error = 0;          // why a file was not written, as the platform said
    HWND terminal = nullptr;  // Terminal: its main window and RefreshNavigator's result
    int result = 0;
    // Where the folder's name led when it led elsewhere (empty: not known, or it did not).
    std::wstring ledTo;
};

// What the installing run needs of the Installing page, or of a run without a window.
class InstallView {
public:
    virtual void SetProgressRange(int maximum) = 0;  // minimum 0, position 0
    // Shows `text` alone on the status line and `position` on the progress bar, lets the
    // window paint, and pauses 200 ms.
    virtual void ShowInstallStep(const std::wstring& text, int position) = 0;
    // The desktop folder, or empty.
    virtual std::wstring DesktopFolder() = 0;
    // Whether the data folders and the desktop are written as the signed-in user (the default)
    // or, for every user's profile, with the program's rights under the rule for links.
    virtual bool ActsAsSignedInUser() { return true; }
    // Every step's outcome, after its ShowInstallStep; the wizard shows only the path.
    virtual void StepOutcome(const InstallOutcome&) {}
    // Holds a logoff or shutdown (true) while files are written, and lets it go (false).
    virtual void HoldEndSession(bool) {}
    // Asked before each file is begun, and told once it is written or not: a file refused is
    // not written (ERROR_SHUTDOWN_IN_PROGRESS).
    virtual bool BeginWrite() { return true; }
    virtual void EndWrite() {}

protected:
    ~InstallView() = default;
};

// Writes the expert (resource "EXPERT" of `module`) into the experts folder of every target,
// refreshes every running terminal, then writes the user-guide shortcut (resource "LINK")
// onto the desktop, holding a logoff over each write but not over the refresh. True when
// every expert copy was written. The data folders and the desktop are written as the
// signed-in user where there is one (impersonation.h), else, with a split token, only where
// that user could add the file themselves (LimitedTokenWithoutShell); the installation folders by the
// program itself, only into the folder named, and as that user where a link of theirs leads
// elsewhere, so that a terminal they moved still gets its copy.
bool InstallFiles(HMODULE module, const FolderList& selectedInstallations, const FolderList& foundDataFolders,
                  InstallView& view);
