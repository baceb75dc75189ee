#include "unattended/unattended_run.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <optional>
#include <string_view>

#include "metatrader/data_folders.h"
#include "metatrader/deployment.h"
#include "metatrader/installations.h"
#include "metatrader/navigator.h"
#include "metatrader/product_registration.h"
#include "metatrader/removal.h"
#include "metatrader/terminal_conventions.h"
#include "metatrader/terminal_discovery.h"
#include "resources/resource_names.h"
#include "texts/agreement.h"
#include "unattended/inventory.h"
#include "unattended/log_header.h"
#include "unattended/run_log.h"
#include "unattended/switches.h"
#include "win32/ascii_text.h"
#include "win32/decimal_text.h"
#include "win32/end_session_hold.h"
#include "win32/folder_walk.h"
#include "win32/handles.h"
#include "win32/held_folder.h"
#include "win32/impersonation.h"
#include "win32/path_rules.h"
#include "win32/shell_folders.h"
#include "win32/system_functions.h"
#include "win32/text_decoding.h"
#include "win32/user_profiles.h"
#include "win32/window.h"

namespace {

std::wstring ErrorText(DWORD error) {
    std::wstring text = Widened("error ");
    AppendDecimal(text, error);
    wchar_t* message = nullptr;
    constexpr DWORD kFlags =
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    DWORD length = FormatMessageW(kFlags, nullptr, error, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                                  reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    if (!length) length = FormatMessageW(kFlags, nullptr, error, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    if (!message) length = 0;
    while (length && message[length - 1] <= L' ') --length;
    if (length) {
        AppendWidened(text, ": ");
        text.append(message, length);
    }
    LocalFree(message);
    return text;
}

// The program file of the process that owns `window`, or empty.
std::wstring ProgramOf(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return ProgramOfProcess(processId);
}

// `ascii` widened, then `text`: the start of most log lines.
[[gnu::noinline]] std::wstring LineStart(const char* ascii, std::wstring_view text) {
    std::wstring line;
    AppendWidened(line, ascii);
    line += text;
    return line;
}

const char* RefreshMeaning(int result) {
    switch (result) {
        case kNavigatorDone: return "refreshed";
        case kNavigatorMissing: return "it has no Navigator, nothing was sent";
        case kNavigatorNoAccess: return "refreshed, but its memory could not be opened to select the expert";
        case kNavigatorItemNotFound: return "refreshed, but the expert is not in its Navigator";
        case kNavigatorNotAnswering: return "not answering, passed over";
        default: return "unknown result";
    }
}

// Why a file was not written. A refused link names where it led, so that whoever reads the
// log finds the link, not only the folder they named.
std::wstring WhyNotWritten(DWORD error, const std::wstring& ledTo) {
    std::wstring why;
    if (error == kErrorFolderLeadsElsewhere || error == kErrorFileLeadsElsewhere) {
        const bool folder = error == kErrorFolderLeadsElsewhere;
        if (ledTo.empty()) {
            AppendWidened(why, folder ? "the folder is not the one named, and where it leads cannot be read"
                                      : "the file is a link, or not the one named, and where it leads cannot be read");
        } else {
            AppendWidened(why, folder ? "the folder leads to " : "the file leads to ");
            why += ledTo;
            AppendWidened(why, folder ? ", not the folder named" : ", not the file named");
        }
        return why;
    }
    if (error == kErrorUserMayNot) {
        AppendWidened(why, "the user whose folder it is may not do this there, so the program does not either");
        return why;
    }
    // Refused by the program, then not written as the user either.
    if (!ledTo.empty()) {
        AppendWidened(why, "the folder leads to ");
        why += ledTo;
        AppendWidened(why, ", ");
    }
    why += ErrorText(error);
    return why;
}

// A terminal's refresh, the same line for an installation and a removal.
std::wstring TerminalLine(bool refreshed, HWND terminal, int result, const char* meaning) {
    const std::wstring program = ProgramOf(terminal);
    std::wstring line;
    AppendWidened(line, refreshed ? "terminal refreshed: " : "terminal not refreshed: ");
    if (program.empty()) AppendWidened(line, "(program unknown)");
    line += program;
    AppendWidened(line, ", window ");
    line += TerminalWindowEntry(terminal);
    AppendWidened(line, ", code ");
    AppendDecimal(line, static_cast<unsigned>(result));
    AppendWidened(line, ": ");
    AppendWidened(line, meaning);
    return line;
}

// A file's line: `what`, `outcome` and the path, then ": " and `why` where there is one. Only
// a shortcut has no path, when there is no desktop folder.
std::wstring FileLine(const char* what, const char* outcome, const std::wstring& path, std::wstring_view why = {}) {
    std::wstring line = LineStart(what, {});
    AppendWidened(line, outcome);
    if (path.empty()) AppendWidened(line, "(no desktop folder)");
    line += path;
    if (!why.empty()) {
        AppendWidened(line, ": ");
        line += why;
    }
    return line;
}

std::wstring LineOf(const InstallOutcome& outcome) {
    using Step = InstallOutcome::Step;
    if (outcome.step == Step::Terminal)
        return TerminalLine(outcome.done, outcome.terminal, outcome.result, RefreshMeaning(outcome.result));
    const char* what = outcome.step == Step::Expert ? "expert" : "shortcut";
    if (outcome.done) return FileLine(what, " written: ", outcome.path);
    return FileLine(what, " not written: ", outcome.path, WhyNotWritten(outcome.error, outcome.ledTo));
}

// UTF-8 with a byte-order mark, through the same replacing write as the expert.
bool WriteUtf8WithMark(const std::wstring& path, const std::wstring& text, std::wstring* ledTo = nullptr) {
    std::string bytes = "\xEF\xBB\xBF";
    if (!AppendUtf8(bytes, text)) return false;
    return WriteFileReplacing(path, {reinterpret_cast<const BYTE*>(bytes.data()), bytes.size()}, ledTo);
}

// A top-level window that is never shown: a logoff or shutdown asks the top-level windows
// whether it may go on, and this one says no while files are written.
class SessionWindow {
public:
    SessionWindow() {
        WNDCLASSEXW windowClass{};
        windowClass.lpszClassName = kUnattendedWindowClass;
        OwnWindow<SessionWindow>::Create(this, windowClass, 0, kSetupTitle, WS_POPUP, 0, 0, nullptr, 0);
    }
    ~SessionWindow() {
        if (handle_) DestroyWindow(handle_);
    }
    SessionWindow(const SessionWindow&) = delete;
    SessionWindow& operator=(const SessionWindow&) = delete;
    HWND Handle() const { return handle_; }

private:
    friend class OwnWindow<SessionWindow>;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_QUERYENDSESSION) return EndSessionHold::QueryEndSessionAnswer();
        if (message == WM_ENDSESSION) EndSessionHold::NoteEndSession(wParam);
        return DefWindowProcW(handle_, message, wParam, lParam);
    }
    HWND handle_ = nullptr;
};

// The installing run's view when there is no window: every step goes to the log.
class SilentView final : public InstallView {
public:
    SilentView(RunLog& log, const std::wstring& desktop, HWND sessionWindow, const std::wstring& holdReason,
               bool allUsers, InstallView* shown)
        : log_(log),
          desktop_(desktop),
          sessionWindow_(sessionWindow),
          holdReason_(holdReason),
          allUsers_(allUsers),
          shown_(shown) {}
    void SetProgressRange(int maximum) override {
        if (shown_) shown_->SetProgressRange(maximum);
    }
    // No pause, but the windows answer what waits, at least every 50 ms (a look at the queue
    // costs as much as opening a file): a logoff asks the session window between files.
    void ShowInstallStep(const std::wstring& text, int position) override {
        if (shown_) shown_->ShowInstallStep(text, position);
        const ULONGLONG now = GetTickCount64();
        if (now - lastLook_ < 50) return;
        lastLook_ = now;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    std::wstring DesktopFolder() override { return desktop_; }
    bool ActsAsSignedInUser() override { return !allUsers_; }
    void StepOutcome(const InstallOutcome& outcome) override {
        log_.Add(LineOf(outcome));
        if (outcome.step == InstallOutcome::Step::Expert && outcome.done) ++copiesWritten;
    }
    unsigned copiesWritten = 0;
    void HoldEndSession(bool held) override {
        if (held)
            hold_.emplace(sessionWindow_, holdReason_);
        else
            hold_.reset();
    }

private:
    RunLog& log_;
    const std::wstring& desktop_;
    const HWND sessionWindow_;
    const std::wstring& holdReason_;
    const bool allUsers_;
    InstallView* const shown_;
    std::optional<EndSessionHold> hold_;
    ULONGLONG lastLook_ = 0;
};

int ExportAgreement(const std::wstring& path, Language language, RunLog& log) {
    const std::optional<std::wstring> text = AgreementTextIn(nullptr, kAgreementResources, language);
    std::wstring ledTo;
    if (text && WriteUtf8WithMark(path, *text, &ledTo)) {
        log.Add(FileLine("agreement", " written: ", path));
        return kExitAllWritten;
    }
    log.Add(FileLine("agreement", " not written: ", path, WhyNotWritten(GetLastError(), ledTo)));
    return kExitUsage;
}

// What an installation on these switches writes into: the Folders page's list with every
// entry ticked (the registry's folders and the running terminals', then each named folder
// that passes the add-folder button's check, then each found below a scan root, each not
// listed yet), their data folders, and the desktop.
// For every user: each profile's data folders (`profileData`, at the profile's position), all
// of them in `dataFolders`, and the public desktop.
struct Targets {
    InstallationsFound found;
    FolderList selected, dataFolders;
    std::wstring desktop;
    bool allUsers = false;
    UserProfiles profiles;
    std::vector<FolderList> profileData;
};

Targets FindTargets(const UnattendedSwitches& switches, bool registry) {
    Targets targets{.found = FindAllInstallations({registry, switches.folders, switches.scanRoots}),
                    .allUsers = switches.allUsers,
                    .profiles = switches.allUsers ? ListUserProfiles() : UserProfiles()};
    targets.selected = FoldersOf(targets.found.installations);
    if (!switches.allUsers) {
        FindDataFolders(targets.selected, targets.dataFolders, true);
        targets.desktop = SignedInUserFolderPath(nullptr, CSIDL_DESKTOP);
        return targets;
    }
    // Each profile's data folders, at the profile's position.
    std::vector<FolderList>(targets.profiles.profiles.size()).swap(targets.profileData);  // smaller than resize
    for (size_t i = 0; i < targets.profileData.size(); ++i) {
        FolderList& found = targets.profileData[i];
        FindDataFoldersUnder(targets.profiles.profiles[i].appData + terminal::kDataRoot, targets.selected, found, true);
        for (const std::wstring& folder : found)
            if (IndexOfFolder(targets.dataFolders, folder) < 0) targets.dataFolders.push_back(folder);
    }
    targets.desktop = PublicDesktopFolder();
    return targets;
}

// Refuses a log, agreement or status file (`given`, their identities in that order) that is,
// whatever its spelling (a short name, a link), a file that an installation writes into
// `targets`: the log, written first and last, would replace it, in any run, also one that
// installs nothing.
void RefuseInstalledFiles(UnattendedSwitches& switches, const Targets& targets,
                          const std::optional<FileIdentity> (&given)[3]) {
    std::wstring* const paths[] = {&switches.logPath, &switches.agreementPath, &switches.statusPath};
    bool installed[3] = {};
    auto note = [&](const std::wstring& folder, const wchar_t* name) {
        const std::optional<FileIdentity> identity = IdentityOf(ChildPath(folder, name));
        for (int i = 0; i < 3; ++i) installed[i] |= identity && identity == given[i];
    };
    for (const std::wstring& folder : targets.selected) note(ExpertsFolder(folder), kExpertFileName);
    {
        // The user's own files are looked at as the user, as they are written.
        const UniqueHandle user = targets.allUsers ? UniqueHandle() : SignedInUserImpersonationToken();
        const Impersonation asUser(user.get());
        for (const std::wstring& folder : targets.dataFolders) note(ExpertsFolder(folder), kExpertFileName);
        if (!targets.desktop.empty()) note(targets.desktop, kShortcutFileName);
    }
    // The log's refusal comes first: it is never written, not even its first line.
    static constexpr const char* kQuotedSwitches[] = {"\"/log=", "\"/agreement=", "\"/status="};
    for (int i = 0; i < 3; ++i) {
        if (!installed[i] || (i && !switches.usageError.empty())) continue;
        switches.usageError = LineStart(kQuotedSwitches[i], *paths[i]);
        AppendWidened(switches.usageError, "\": the file would replace one that the installation writes");
        if (!i) paths[0]->clear();
        return;
    }
}

const char* FoundByText(FoundBy how) {
    switch (how) {
        case FoundBy::Registry: return "registered";
        case FoundBy::Running: return "a running terminal's";
        case FoundBy::Named: return "named with /folder=";
        case FoundBy::Scan: return "found by /scan=";
    }
    return "";
}

// The folders found, what each scan saw, and each named folder that is none, as an expert
// `notDone` ("not written") there; false when a named folder is none or a scan root could not
// be looked into, which a script must hear of as a target not reached.
bool LogFound(const Targets& targets, RunLog& log, const char* notDone) {
    bool everyTargetReached = targets.found.notInstallations.empty();
    for (const std::wstring& given : targets.found.notInstallations) {
        std::wstring line = LineStart("expert ", {});
        AppendWidened(line, notDone);
        AppendWidened(line, ": ");
        line += given;
        AppendWidened(line, ": not a MetaTrader 4 installation folder (terminal.exe, MQL4\\Experts, MQL4\\Files)");
        log.Add(line);
    }
    for (const ScanResult& scan : targets.found.scans) {
        std::wstring line = LineStart(scan.rootOpened ? "scanned: " : "scan not made: ", scan.root);
        AppendWidened(line, ": ");
        if (!scan.rootOpened) {
            log.Add(line += ErrorText(scan.error));
            everyTargetReached = false;
            continue;
        }
        AppendDecimal(line, scan.visited);
        AppendWidened(line, " folders looked at, ");
        AppendDecimal(line, scan.installations.size());
        AppendWidened(line, " installation folders found");
        log.Add(line);
        if (scan.capped) {
            line = LineStart("scan stopped: ", scan.root);
            AppendWidened(line, ": at most ");
            AppendDecimal(line, ScanBounds{}.folders);
            AppendWidened(line, " folders are looked at below a root; name a folder further down with another /scan=");
            log.Add(line);
        }
    }
    for (const FoundInstallation& found : targets.found.installations) {
        std::wstring line = LineStart("installation folder, ", {});
        AppendWidened(line, FoundByText(found.foundBy));
        AppendWidened(line, ": ");
        log.Add(line += found.folder);
    }
    for (const PassedOverProfile& profile : targets.profiles.passedOver) {
        std::wstring line = LineStart("profile passed over: ", profile.sid);
        if (!profile.folder.empty()) {
            AppendWidened(line, ", ");
            line += profile.folder;
        }
        AppendWidened(line, ": ");
        log.Add(line += profile.why);
    }
    for (size_t i = 0; i < targets.profiles.profiles.size(); ++i) {
        const UserProfile& profile = targets.profiles.profiles[i];
        std::wstring line = LineStart("profile: ", profile.sid);
        AppendWidened(line, ", ");
        line += profile.folder;
        AppendWidened(line, ", data folders: ");
        for (const std::wstring& folder : targets.profileData[i]) {
            if (&folder != &targets.profileData[i].front()) AppendWidened(line, "; ");
            line += folder;
        }
        if (targets.profileData[i].empty()) AppendWidened(line, "none");
        log.Add(line);
    }
    return everyTargetReached;
}

// Registering the product, or taking it off, step by step. Neither changes the exit code: the
// expert's copies are what a script asked for.
void LogRegistration(const std::vector<RegistrationOutcome>& outcomes, bool removing, RunLog& log) {
    for (const RegistrationOutcome& outcome : outcomes) {
        // In the order of the steps.
        static constexpr const char* kWhat[] = {"program copy", "uninstall entry", "detection values", "program folder"};
        static_assert(static_cast<int>(RegistrationOutcome::Step::ProgramFolder) == 3);
        std::wstring line = LineStart(kWhat[static_cast<int>(outcome.step)], {});
        if (outcome.done) {
            AppendWidened(line, !removing           ? " written: "
                                : outcome.afterExit ? " removed once this run has ended: "
                                                    : " removed: ");
            line += outcome.where;
            log.Add(line);
            continue;
        }
        AppendWidened(line, removing ? " not removed: " : " not written: ");
        line += outcome.where;
        AppendWidened(line, ": ");
        line += WhyNotWritten(outcome.error, outcome.ledTo);
        if (outcome.afterExit) AppendWidened(line, "; Windows removes it at the next restart");
        log.Add(line);
    }
}

int Install(const Targets& targets, Language language, InstallView* shown, RunLog& log) {
    bool everyTargetWritten = LogFound(targets, log, "not written");
    if (targets.selected.empty()) {
        // Nothing installed is no success, whatever else the run did.
        log.Add("nothing installed: no MetaTrader 4 installation folder to install into");
        return kExitNotAllWritten;
    }

    const SessionWindow window;
    const std::wstring holdReason = Text(TextId::Installing, language);
    SilentView view(log, targets.desktop, window.Handle(), holdReason, targets.allUsers, shown);
    if (!InstallFiles(nullptr, targets.selected, targets.dataFolders, view)) everyTargetWritten = false;
    if (view.copiesWritten) {
        view.HoldEndSession(true);
        LogRegistration(RegisterProduct(view.copiesWritten), false, log);
        view.HoldEndSession(false);
    }
    return everyTargetWritten ? kExitAllWritten : kExitNotAllWritten;
}

std::wstring LineOf(const RemovalOutcome& outcome) {
    using Step = RemovalOutcome::Step;
    if (outcome.step == Step::Terminal)
        return TerminalLine(outcome.result == kNavigatorDone, outcome.terminal, outcome.result,
                            outcome.result == kNavigatorDone          ? "the expert is no longer listed"
                            : outcome.result == kNavigatorStillListed ? "refreshed, but it still lists the expert"
                                                                      : RefreshMeaning(outcome.result));
    const char* what = outcome.step == Step::Expert ? "expert" : "shortcut";
    switch (outcome.removal) {
        case Removal::Removed: return FileLine(what, " removed: ", outcome.path);
        case Removal::NotThere: return FileLine(what, " not there: ", outcome.path);
        case Removal::Kept: return FileLine(what, " kept: ", outcome.path, Widened("it is not the one this program writes"));
        case Removal::Failed: break;
    }
    return FileLine(what, " not removed: ", outcome.path, WhyNotWritten(outcome.error, outcome.ledTo));
}

int Remove(const Targets& targets, bool skipRegistry, RunLog& log) {
    const bool everyCopyRemoved = LogFound(targets, log, "not removed");
    if (targets.selected.empty()) {
        log.Add("nothing removed: no MetaTrader 4 installation folder to remove from");
        return kExitNotAllWritten;
    }
    const std::vector<RemovalOutcome> outcomes = RemoveFiles(nullptr, targets.selected, targets.dataFolders, targets.desktop, nullptr, !targets.allUsers);
    for (const RemovalOutcome& outcome : outcomes) log.Add(LineOf(outcome));
    // The product stays listed while a copy is left, so that its removal can be tried again;
    // and a run that left the registered terminals out did not remove the product.
    const bool removed = EveryCopyRemoved(outcomes);
    if (!removed)
        log.Add("uninstall entry kept: a copy of the expert is left");
    else if (!skipRegistry)
        LogRegistration(UnregisterProduct(), true, log);
    return everyCopyRemoved && removed ? kExitAllWritten : kExitNotAllWritten;
}

int WriteStatus(const std::wstring& path, const Targets& targets, const RunningAccount& account, RunLog& log) {
    LogFound(targets, log, "not looked at");
    // A scan root that could not be looked into leaves the inventory short: written, but no success.
    bool everyRootOpened = true;
    for (const ScanResult& scan : targets.found.scans) everyRootOpened &= scan.rootOpened;
    InventoryScope scope{account.name, targets.allUsers};
    for (const UserProfile& profile : targets.profiles.profiles) scope.dataRoots.push_back(profile.appData + terminal::kDataRoot);
    const std::string json = InventoryJson(nullptr, targets.found, scope);
    std::wstring ledTo;
    if (WriteFileReplacing(path, {reinterpret_cast<const BYTE*>(json.data()), json.size()}, &ledTo)) {
        log.Add(FileLine("status", " written: ", path));
        return everyRootOpened ? kExitAllWritten : kExitNotAllWritten;
    }
    log.Add(FileLine("status", " not written: ", path, WhyNotWritten(GetLastError(), ledTo)));
    return kExitNotAllWritten;
}

int Run(const UnattendedSwitches& switches, const Targets& targets, const RunningAccount& account, Language language,
        InstallView* shown, RunLog& log) {
    if (!switches.usageError.empty()) {
        log.Add(LineStart("usage error: ", switches.usageError));
        return kExitUsage;
    }
    if (!switches.agreementPath.empty()) return ExportAgreement(switches.agreementPath, language, log);
    if (!switches.statusPath.empty()) return WriteStatus(switches.statusPath, targets, account, log);
    if (switches.remove) return Remove(targets, switches.skipRegistry, log);
    if (!switches.acceptAgreement) {
        log.Add("nothing installed: /accept-agreement was not given");
        return kExitUsage;
    }
    return Install(targets, language, shown, log);
}

void AddExitCode(RunLog& log, int code) {
    std::wstring line = LineStart("exit code ", {});
    AppendDecimal(line, static_cast<unsigned>(code));
    log.Add(line);
}

}  // namespace

int RefuseWindowNobodyCanSee(const std::vector<std::wstring>& arguments, Language language) {
    const UnattendedSwitches switches = ReadSwitches(arguments);
    // A removal given the agreement's switch would be refused as a usage error in its turn.
    std::wstring why = Widened("no window opened: nobody can answer one here (session 0, or a window station that is not "
                               "interactive); ");
    AppendWidened(why, switches.remove ? "add /silent to the command line to remove"
                                       : "add /silent /accept-agreement to the command line to install");
    const std::wstring& logPath = switches.logPath;
    const RunningAccount account = CurrentAccount();
    RunLog log;
    AddLogHeader(log, language, account, ImpliesAllUsers(account));
    log.Add(why);
    AddExitCode(log, kExitUsage);
    if (logPath.empty() || !WriteUtf8WithMark(logPath, log.Text())) {
        // Where an engine's administrator looks when a run ends with 2 and left no log.
        const AdvapiFunctions& advapi = AdvapiApi();
        HANDLE source = advapi.registerEventSource ? advapi.registerEventSource(nullptr, kSetupTitle) : nullptr;
        if (source && advapi.reportEvent && advapi.deregisterEventSource) {
            std::wstring text = kSetupTitle;
            AppendWidened(text, ": ");
            text += why;
            AppendWidened(text, ". Command line: ");
            text += GetCommandLineW();
            const wchar_t* strings[] = {text.c_str()};
            advapi.reportEvent(source, EVENTLOG_ERROR_TYPE, 0, 1, nullptr, 1, 0, strings, nullptr);
            advapi.deregisterEventSource(source);
        }
    }
    return kExitUsage;
}

int RunUnattended(const std::vector<std::wstring>& arguments, Language language, InstallView* shown) {
    UnattendedSwitches switches = ReadSwitches(arguments);
    const RunningAccount account = CurrentAccount();
    if (ImpliesAllUsers(account)) switches.allUsers = true;
    // Each folder on the way to the targets is opened once for the run, by the search or the
    // first write below it, not once per file.
    const ReusedWalks walks;
    // Before the log's first line is written: what stands installed anywhere, also where
    // this run does not install. Only a file that is there can be one of them: with none
    // there, nothing is looked for.
    const std::optional<FileIdentity> given[] = {IdentityOf(switches.logPath), IdentityOf(switches.agreementPath),
                                                 IdentityOf(switches.statusPath)};
    const bool foundAlready = given[0] || given[1] || given[2];
    const Targets installed = foundAlready ? FindTargets(switches, true) : Targets();
    if (foundAlready) RefuseInstalledFiles(switches, installed, given);
    RunLog log;
    AddLogHeader(log, language, account, switches.allUsers);
    // A run that never ends (ended by force, the session ended) leaves a log without its exit
    // code, not an earlier run's log that reads as its own.
    if (!switches.logPath.empty()) WriteUtf8WithMark(switches.logPath, log.Text());
    // Now that the log is there, an agreement or status file that is the log by another
    // spelling shows.
    if (const auto logFile = IdentityOf(switches.logPath); logFile && switches.usageError.empty()) {
        if (logFile == IdentityOf(switches.agreementPath))
            switches.usageError = Widened("/log= and /agreement= name the same file");
        else if (logFile == IdentityOf(switches.statusPath))
            switches.usageError = Widened("/log= and /status= name the same file");
    }

    // Only a run that acts on targets finds them; where it found them already, it uses those.
    const bool findsTargets = switches.acceptAgreement || switches.remove || !switches.statusPath.empty();
    const bool findsAgain = switches.usageError.empty() && findsTargets && switches.agreementPath.empty() &&
                            (switches.skipRegistry || !foundAlready);
    const Targets found = findsAgain ? FindTargets(switches, !switches.skipRegistry) : Targets();
    int code = Run(switches, findsAgain ? found : installed, account, language, shown, log);
    AddExitCode(log, code);
    if (!switches.logPath.empty() && !WriteUtf8WithMark(switches.logPath, log.Text()) && code == kExitAllWritten)
        code = kExitLogNotWritten;
    return code;
}
