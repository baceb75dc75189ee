#include "metatrader/removal.h"

#include "metatrader/deployment.h"
#include "metatrader/navigator.h"
#include "metatrader/terminal_conventions.h"
#include "resources/resource_names.h"
#include "win32/embedded_resource.h"
#include "win32/impersonation.h"
#include "win32/path_rules.h"

std::vector<RemovalOutcome> RemoveFiles(HMODULE module, const FolderList& installations, const FolderList& dataFolders,
                                        const std::wstring& desktop, InstallView* view, bool asSignedInUser) {
    using Step = RemovalOutcome::Step;
    PrepareWrites();
    const UniqueHandle user = asSignedInUser ? SignedInUserImpersonationToken() : UniqueHandle();
    const UniqueHandle limited = user || !asSignedInUser ? UniqueHandle() : LimitedTokenWithoutShell();
    std::vector<RemovalOutcome> outcomes;
    auto remove = [&](Step kind, const std::wstring& file, bool usersOwn, std::span<const BYTE> onlyIf) {
        RemovalOutcome outcome{kind, file};
        auto attempt = [&](bool asUser) {
            const Impersonation as(asUser ? user.get() : nullptr);
            outcome.removal = RemoveFileByHandle(file, onlyIf, &outcome.ledTo, usersOwn ? limited.get() : nullptr);
            outcome.error = outcome.removal == Removal::Failed ? GetLastError() : 0;
        };
        attempt(usersOwn);
        // A terminal the user moved through a link of theirs loses its copy as the user.
        if (outcome.error == kErrorFolderLeadsElsewhere && !usersOwn && user) attempt(true);
        outcomes.push_back(std::move(outcome));
    };

    const FolderList targets = InstallTargets(installations, dataFolders);
    if (view) view->SetProgressRange(static_cast<int>(targets.size()) + 1);
    auto show = [&](int step) {
        if (view) view->ShowInstallStep(outcomes.back().path.empty() ? kShortcutFileName : outcomes.back().path, step);
    };
    for (size_t i = 0; i < targets.size(); ++i) {
        const bool usersOwn = i >= installations.size();
        std::wstring experts;
        {
            const Impersonation as(usersOwn ? user.get() : nullptr);
            experts = ExpertsFolder(targets[i]);
        }
        if (experts.empty())
            outcomes.push_back({Step::Expert, targets[i], Removal::NotThere});  // the folder is gone
        else
            remove(Step::Expert, ChildPath(experts, kExpertFileName), usersOwn, {});
        show(static_cast<int>(i) + 1);
    }

    for (const TerminalRefresh& refresh : RefreshRunningTerminals(kExpertItemName, kRefreshDeadlineMs, NavigatorAim::Forget))
        outcomes.push_back({Step::Terminal, {}, Removal::NotThere, 0, {}, refresh.window, refresh.result});

    const std::span<const BYTE> link = EmbeddedResource(module, RESOURCE_STRING(RESOURCE_FILE_TYPE), RESOURCE_STRING(RESOURCE_LINK));
    if (desktop.empty() || link.empty())
        outcomes.push_back({Step::Shortcut, {}, Removal::Failed, ERROR_PATH_NOT_FOUND});
    else
        remove(Step::Shortcut, ChildPath(desktop, kShortcutFileName), true, link);
    show(static_cast<int>(targets.size()) + 1);
    return outcomes;
}

bool EveryCopyRemoved(const std::vector<RemovalOutcome>& outcomes) {
    for (const RemovalOutcome& outcome : outcomes)
        if (outcome.step == RemovalOutcome::Step::Expert && outcome.removal == Removal::Failed) return false;
    return true;
}
