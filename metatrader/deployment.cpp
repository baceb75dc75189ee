#include "metatrader/deployment.h"

#include "metatrader/navigator.h"
#include "metatrader/terminal_conventions.h"
#include "resources/resource_names.h"
#include "win32/end_session_hold.h"
#include "win32/held_folder.h"
#include "win32/impersonation.h"
#include "win32/path_rules.h"

FolderList InstallTargets(const FolderList& selectedInstallations, const FolderList& foundDataFolders) {
    FolderList targets = selectedInstallations;
    targets.insert(targets.end(), foundDataFolders.begin(), foundDataFolders.end());
    return targets;
}

std::wstring ExpertsFolder(std::wstring folder) {
    if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    if (!DirectoryExists(folder)) return {};
    return folder + terminal::kExpertsFolder;
}

bool InstallFiles(HMODULE module, const FolderList& selectedInstallations, const FolderList& foundDataFolders,
                  InstallView& view) {
    using Step = InstallOutcome::Step;
    PrepareWrites();
    const UniqueHandle user = view.ActsAsSignedInUser() ? SignedInUserImpersonationToken() : UniqueHandle();
    const UniqueHandle limited = user || !view.ActsAsSignedInUser() ? UniqueHandle() : LimitedTokenWithoutShell();
    // Writes one file and shows its step; false when it was not written. Acting as the user
    // lasts for the write alone: the view's steps let the window work meanwhile. An expert's
    // target folder is looked for only once its copy failed: the write walks the same names,
    // and a copy written proves the folder is there.
    auto install = [&](Step kind, const wchar_t* resource, const std::wstring& file, bool usersOwn, int position,
                       const std::wstring* target = nullptr) {
        InstallOutcome outcome{kind, file};
        auto write = [&](bool asUser) {
            const Impersonation as(asUser ? user.get() : nullptr);
            outcome.done = ExtractResourceToFile(module, RESOURCE_STRING(RESOURCE_FILE_TYPE), resource, file,
                                                 &outcome.ledTo, usersOwn ? limited.get() : nullptr);
            outcome.error = outcome.done ? 0 : GetLastError();
        };
        auto gone = [&] {
            if (!target) return false;
            const Impersonation as(usersOwn ? user.get() : nullptr);
            return ExpertsFolder(*target).empty();
        };
        const bool begun = view.BeginWrite();
        if (!begun) {
            outcome.error = ERROR_SHUTDOWN_IN_PROGRESS;
        } else {
            write(usersOwn);
        }
        if (!outcome.done && gone()) {
            outcome.path = *target;  // the folder that is gone
            outcome.error = ERROR_PATH_NOT_FOUND;
            outcome.ledTo.clear();
        } else if (begun && !outcome.done && outcome.error == kErrorFolderLeadsElsewhere && !usersOwn && user) {
            write(true);
        }
        if (begun) view.EndWrite();
        view.ShowInstallStep(outcome.path, position);
        view.StepOutcome(outcome);
        return outcome.done;
    };
    const FolderList targets = InstallTargets(selectedInstallations, foundDataFolders);
    view.SetProgressRange(static_cast<int>(targets.size()) + 1);
    int step = 1;
    bool everyCopyWritten = true;
    view.HoldEndSession(true);
    for (const std::wstring& target : targets) {
        const bool usersOwn = step > static_cast<int>(selectedInstallations.size());  // a data folder
        std::wstring folder = target;
        if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
        // No folder is no name at all: its experts folder would be the current drive's.
        const std::wstring file = folder.empty() ? folder : ChildPath(folder + terminal::kExpertsFolder, kExpertFileName);
        if (!install(Step::Expert, RESOURCE_STRING(RESOURCE_EXPERT), file, usersOwn, step, &target)) everyCopyWritten = false;
        ++step;
    }

    // Every running terminal lists and selects the new expert, before the shortcut. The
    // copies are in place by then: the refresh, which may take its whole deadline, holds no
    // logoff.
    view.HoldEndSession(false);
    for (const TerminalRefresh& refresh : RefreshRunningTerminals(kExpertItemName))
        view.StepOutcome({Step::Terminal, {}, refresh.result == kNavigatorDone, 0, refresh.window, refresh.result});
    view.HoldEndSession(true);

    // A logoff let go during the refresh ends the process at any moment: no shortcut is begun
    // then, which could be left as a temporary file on the desktop.
    const std::wstring desktop = view.DesktopFolder();
    if (desktop.empty()) {
        view.ShowInstallStep(kShortcutFileName, step);
        view.StepOutcome({Step::Shortcut, {}, false, ERROR_PATH_NOT_FOUND});
    } else if (EndSessionHold::SessionEnding()) {
        const std::wstring shortcut = ChildPath(desktop, kShortcutFileName);
        view.ShowInstallStep(shortcut, step);
        view.StepOutcome({Step::Shortcut, shortcut, false, ERROR_SHUTDOWN_IN_PROGRESS});
    } else {
        install(Step::Shortcut, RESOURCE_STRING(RESOURCE_LINK), ChildPath(desktop, kShortcutFileName), true, step);
    }
    view.HoldEndSession(false);
    return everyCopyWritten;
}
