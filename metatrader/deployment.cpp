#include "metatrader/deployment.h"

#include "metatrader/navigator.h"
#include "metatrader/terminal_conventions.h"
#include "resources/resource_names.h"
#include "win32/files.h"

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
    // Writes one file and shows its step; false when it was not written.
    auto install = [&](Step kind, const wchar_t* resource, const std::wstring& file, int position) {
        const bool written = ExtractResourceToFile(module, RESOURCE_STRING(RESOURCE_FILE_TYPE), resource, file);
        const DWORD error = written ? 0 : GetLastError();
        view.ShowInstallStep(file, position);
        view.StepOutcome({kind, file, written, error});
        return written;
    };
    const FolderList targets = InstallTargets(selectedInstallations, foundDataFolders);
    view.SetProgressRange(static_cast<int>(targets.size()) + 1);
    int step = 1;
    bool everyCopyWritten = true;
    view.HoldEndSession(true);
    for (const std::wstring& target : targets) {
        const std::wstring experts = ExpertsFolder(target);
        if (experts.empty()) {
            everyCopyWritten = false;
            view.ShowInstallStep(target, step);  // the folder that is gone
            view.StepOutcome({Step::Expert, target, false, ERROR_PATH_NOT_FOUND});
        } else if (!install(Step::Expert, RESOURCE_STRING(RESOURCE_EXPERT), experts + L"\\" + kExpertFileName, step)) {
            everyCopyWritten = false;
        }
        ++step;
    }

    // Every running terminal lists and selects the new expert, before the shortcut. The
    // copies are in place by then: the refresh, which may take its whole deadline, holds no
    // logoff.
    view.HoldEndSession(false);
    for (const TerminalRefresh& refresh : RefreshRunningTerminals(kExpertItemName))
        view.StepOutcome({Step::Terminal, {}, refresh.result == kNavigatorDone, 0, refresh.window, refresh.result});
    view.HoldEndSession(true);

    const std::wstring desktop = view.DesktopFolder();
    if (desktop.empty()) {
        view.ShowInstallStep(kShortcutFileName, step);
        view.StepOutcome({Step::Shortcut, {}, false, ERROR_PATH_NOT_FOUND});
    } else {
        install(Step::Shortcut, RESOURCE_STRING(RESOURCE_LINK), desktop + L"\\" + kShortcutFileName, step);
    }
    view.HoldEndSession(false);
    return everyCopyWritten;
}
