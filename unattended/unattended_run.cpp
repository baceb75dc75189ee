#include "unattended/unattended_run.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <optional>

#include "metatrader/data_folders.h"
#include "metatrader/deployment.h"
#include "metatrader/installations.h"
#include "metatrader/navigator.h"
#include "metatrader/terminal_conventions.h"
#include "resources/resource_names.h"
#include "texts/agreement.h"
#include "unattended/run_log.h"
#include "unattended/switches.h"
#include "win32/decimal_text.h"
#include "win32/end_session_hold.h"
#include "win32/files.h"
#include "win32/handles.h"
#include "win32/impersonation.h"
#include "win32/shell_folders.h"
#include "win32/window.h"

namespace {

// The log speaks English whatever the language of the run: support staff read and search it.
const wchar_t* const kLanguageNames[] = {L"English", L"German", L"Russian"};

std::wstring ErrorText(DWORD error) {
    std::wstring text = L"error " + DecimalText(error);
    wchar_t* message = nullptr;
    constexpr DWORD kFlags =
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    DWORD length = FormatMessageW(kFlags, nullptr, error, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                                  reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    if (!length) length = FormatMessageW(kFlags, nullptr, error, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    if (length && message) {
        std::wstring said(message, length);
        while (!said.empty() && said.back() <= L' ') said.pop_back();
        if (!said.empty()) text += L": " + said;
    }
    LocalFree(message);
    return text;
}

// The program file of the process that owns `window`, or empty.
std::wstring ProgramOf(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    std::wstring path(32768, L'\0');
    DWORD size = static_cast<DWORD>(path.size());
    if (!process || !QueryFullProcessImageNameW(process.get(), 0, path.data(), &size)) return {};
    path.resize(size);
    return path;
}

std::wstring RefreshMeaning(int result) {
    switch (result) {
        case kNavigatorDone: return L"refreshed";
        case kNavigatorMissing: return L"it has no Navigator, nothing was sent";
        case kNavigatorNoAccess: return L"refreshed, but its memory could not be opened to select the expert";
        case kNavigatorItemNotFound: return L"refreshed, but the expert is not in its Navigator";
        case kNavigatorNotAnswering: return L"not answering, passed over";
        default: return L"unknown result";
    }
}

// Why a file was not written. A refused link names where it led, so that whoever reads the
// log finds the link, not only the folder they named.
std::wstring WhyNotWritten(DWORD error, const std::wstring& ledTo) {
    if (error == kErrorFolderLeadsElsewhere)
        return ledTo.empty() ? L"the folder is not the one named, and where it leads cannot be read"
                             : L"the folder leads to " + ledTo + L", not the folder named";
    // Refused by the program, then not written as the user either.
    return (ledTo.empty() ? std::wstring() : L"the folder leads to " + ledTo + L", ") + ErrorText(error);
}

std::wstring LineOf(const InstallOutcome& outcome) {
    using Step = InstallOutcome::Step;
    if (outcome.step == Step::Terminal) {
        std::wstring program = ProgramOf(outcome.terminal);
        return std::wstring(outcome.done ? L"terminal refreshed: " : L"terminal not refreshed: ") +
               (program.empty() ? L"(program unknown)" : program) + L", window " + TerminalWindowEntry(outcome.terminal) +
               L", code " + DecimalText(static_cast<unsigned>(outcome.result)) + L": " + RefreshMeaning(outcome.result);
    }
    const std::wstring what = outcome.step == Step::Expert ? L"expert" : L"shortcut";
    if (outcome.done) return what + L" written: " + outcome.path;
    const std::wstring where = outcome.path.empty() ? L"(no desktop folder)" : outcome.path;
    return what + L" not written: " + where + L": " + WhyNotWritten(outcome.error, outcome.ledTo);
}

// UTF-8 with a byte-order mark, through the same replacing write as the expert.
bool WriteUtf8WithMark(const std::wstring& path, const std::wstring& text, std::wstring* ledTo = nullptr) {
    std::string bytes = "\xEF\xBB\xBF";
    if (!text.empty()) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                             nullptr, nullptr);
        if (size <= 0) return false;
        const size_t start = bytes.size();
        bytes.resize(start + static_cast<size_t>(size));
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data() + start, size,
                            nullptr, nullptr);
    }
    return WriteFileReplacing(path, {reinterpret_cast<const BYTE*>(bytes.data()), bytes.size()}, ledTo);
}

// A top-level window that is never shown: a logoff or shutdown asks the top-level windows
// whether it may go on, and this one says no while files are written.
class SessionWindow {
public:
    SessionWindow() {
        WNDCLASSEXW windowClass{};
        windowClass.lpszClassName = kUnattendedWindowClass;
        OwnWindow<SessionWindow>::Create(this, windowClass, 0, L"Mervane 4 Setup", WS_POPUP, 0, 0, nullptr, 0);
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
    SilentView(RunLog& log, std::wstring desktop, HWND sessionWindow, std::wstring holdReason)
        : log_(log), desktop_(std::move(desktop)), sessionWindow_(sessionWindow), holdReason_(std::move(holdReason)) {}
    void SetProgressRange(int) override {}
    // No pause, but the session window answers what waits: a logoff asks it between files.
    void ShowInstallStep(const std::wstring&, int) override {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    std::wstring DesktopFolder() override { return desktop_; }
    void StepOutcome(const InstallOutcome& outcome) override { log_.Add(LineOf(outcome)); }
    void HoldEndSession(bool held) override {
        if (held)
            hold_.emplace(sessionWindow_, holdReason_);
        else
            hold_.reset();
    }

private:
    RunLog& log_;
    const std::wstring desktop_;
    const HWND sessionWindow_;
    const std::wstring holdReason_;
    std::optional<EndSessionHold> hold_;
};

int ExportAgreement(const std::wstring& path, Language language, RunLog& log) {
    const std::optional<std::wstring> text = AgreementTextIn(nullptr, kAgreementResources, language);
    std::wstring ledTo;
    if (text && WriteUtf8WithMark(path, *text, &ledTo)) {
        log.Add(L"agreement written: " + path);
        return kExitAllWritten;
    }
    log.Add(L"agreement not written: " + path + L": " + WhyNotWritten(GetLastError(), ledTo));
    return kExitUsage;
}

// A folder named on the command line as the add-folder button would give it: backslashes
// only, no "." or "..", no trailing backslash but at a drive's root, the drive letter and
// every name as the folder above lists it. A data folder's marker names its installation
// exactly, letter case included: "c:\mt4\" would find no data folder where "C:\MT4" does.
std::wstring FolderAsBrowsed(const std::wstring& given) {
    std::wstring path(GetFullPathNameW(given.c_str(), 0, nullptr, nullptr), L'\0');
    const DWORD length =
        path.empty() ? 0 : GetFullPathNameW(given.c_str(), static_cast<DWORD>(path.size()), path.data(), nullptr);
    if (length < 3 || length >= path.size()) return given;
    path.resize(length);
    size_t root = 3;  // "C:\", or "\\server\share"
    if (path[1] == L':') {
        if (path[0] >= L'a' && path[0] <= L'z') path[0] = static_cast<wchar_t>(path[0] - L'a' + L'A');
    } else {
        const size_t server = path.find(L'\\', 2);
        root = server == std::wstring::npos ? path.size() : std::min(path.find(L'\\', server + 1), path.size());
    }
    while (path.size() > root && path.back() == L'\\') path.pop_back();
    for (size_t start = root; start < path.size(); ++start) {
        if (path[start] == L'\\') continue;
        const size_t end = std::min(path.find(L'\\', start), path.size());
        WIN32_FIND_DATAW found;
        // Without wildcards the search finds this one entry, also by its short name.
        const HANDLE search = path.find_first_of(L"*?", start) < end
                                  ? INVALID_HANDLE_VALUE
                                  : FindFirstFileW(path.substr(0, end).c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) break;  // the rest is not there: left as given
        FindClose(search);
        path.replace(start, end - start, found.cFileName);
        start = path.find(L'\\', start);
        if (start == std::wstring::npos) break;
    }
    return path;
}

// What an installation on these switches writes into: the Folders page's list with every
// entry ticked (the registry's folders, then each added folder that passes the add-folder
// button's check and is not listed yet), their data folders, and the desktop.
struct Targets {
    FolderList selected, dataFolders;
    std::vector<std::wstring> notInstallations;  // each /folder= that failed the check, as given
    std::wstring desktop;
};

Targets FindTargets(const UnattendedSwitches& switches) {
    Targets targets;
    if (!switches.skipRegistry) FindInstallations(targets.selected);
    for (const std::wstring& given : switches.folders) {
        const std::wstring folder = FolderAsBrowsed(given);
        if (!IsTerminalFolder(folder))
            targets.notInstallations.push_back(given);
        else if (IndexOfFolder(targets.selected, folder) < 0)
            targets.selected.push_back(folder);
    }
    FindDataFolders(targets.selected, targets.dataFolders);
    targets.desktop = SignedInUserFolderPath(nullptr, CSIDL_DESKTOP);
    return targets;
}

// Refuses a log or agreement file that is, whatever its spelling (a short name, a link), a
// file that an installation writes into `targets`: the log, written first and last, would
// replace it, in any run, also one that installs nothing.
void RefuseInstalledFiles(UnattendedSwitches& switches, const Targets& targets) {
    std::vector<FileIdentity> installed;
    auto note = [&](const std::wstring& path) {
        if (const auto identity = IdentityOf(path)) installed.push_back(*identity);
    };
    for (const std::wstring& folder : targets.selected) note(ExpertsFolder(folder) + L"\\" + kExpertFileName);
    {
        // The user's own files are looked at as the user, as they are written.
        const UniqueHandle user = SignedInUserImpersonationToken();
        const Impersonation asUser(user.get());
        for (const std::wstring& folder : targets.dataFolders) note(ExpertsFolder(folder) + L"\\" + kExpertFileName);
        if (!targets.desktop.empty()) note(targets.desktop + L"\\" + kShortcutFileName);
    }
    auto isInstalled = [&](const std::wstring& path) {
        const auto identity = IdentityOf(path);
        return identity && std::find(installed.begin(), installed.end(), *identity) != installed.end();
    };
    const std::wstring why = L": the file would replace one that the installation writes";
    if (isInstalled(switches.logPath)) {
        switches.usageError = L"\"/log=" + switches.logPath + L"\"" + why;
        switches.logPath.clear();  // never written, not even its first line
    } else if (isInstalled(switches.agreementPath) && switches.usageError.empty()) {
        switches.usageError = L"\"/agreement=" + switches.agreementPath + L"\"" + why;
    }
}

int Install(const Targets& targets, Language language, RunLog& log) {
    bool everyTargetWritten = true;
    for (const std::wstring& given : targets.notInstallations) {
        log.Add(L"expert not written: " + given +
                L": not a MetaTrader 4 installation folder (terminal.exe, MQL4\\Experts, MQL4\\Files)");
        everyTargetWritten = false;
    }
    if (targets.selected.empty()) {
        // Nothing installed is no success, whatever else the run did.
        log.Add(L"nothing installed: no MetaTrader 4 installation folder to install into");
        return kExitNotAllWritten;
    }

    const SessionWindow window;
    SilentView view(log, targets.desktop, window.Handle(), Text(61, language));
    if (!InstallFiles(nullptr, targets.selected, targets.dataFolders, view)) everyTargetWritten = false;
    return everyTargetWritten ? kExitAllWritten : kExitNotAllWritten;
}

int Run(const UnattendedSwitches& switches, const Targets& targets, Language language, RunLog& log) {
    if (!switches.usageError.empty()) {
        log.Add(L"usage error: " + switches.usageError);
        return kExitUsage;
    }
    if (!switches.agreementPath.empty()) return ExportAgreement(switches.agreementPath, language, log);
    if (!switches.acceptAgreement) {
        log.Add(L"nothing installed: /accept-agreement was not given");
        return kExitUsage;
    }
    return Install(targets, language, log);
}

}  // namespace

int RunUnattended(const std::vector<std::wstring>& arguments, Language language) {
    UnattendedSwitches switches = ReadSwitches(arguments);
    // Before the log's first line is written: what stands installed anywhere, also where
    // this run does not install.
    Targets installed;
    if (!switches.logPath.empty() || !switches.agreementPath.empty()) {
        UnattendedSwitches everywhere = switches;
        everywhere.skipRegistry = false;
        installed = FindTargets(everywhere);
        RefuseInstalledFiles(switches, installed);
    }
    RunLog log;
    log.Add(std::wstring(L"Mervane 4 Setup, unattended run, agreement language ") +
            kLanguageNames[language < 3 ? language : 0]);
    // A run that never ends (ended by force, the session ended) leaves a log without its exit
    // code, not an earlier run's log that reads as its own.
    if (!switches.logPath.empty()) WriteUtf8WithMark(switches.logPath, log.Text());
    // Now that the log is there, an agreement file that is the log by another spelling shows.
    if (const auto logFile = IdentityOf(switches.logPath);
        logFile && switches.usageError.empty() && logFile == IdentityOf(switches.agreementPath))
        switches.usageError = L"/log= and /agreement= name the same file";

    Targets targets;
    if (switches.usageError.empty() && switches.acceptAgreement && switches.agreementPath.empty())
        targets = switches.skipRegistry || switches.logPath.empty() ? FindTargets(switches)
                                                                      : std::move(installed);  // the same, found once
    int code = Run(switches, targets, language, log);
    log.Add(L"exit code " + DecimalText(static_cast<unsigned>(code)));
    if (!switches.logPath.empty() && !WriteUtf8WithMark(switches.logPath, log.Text()) && code == kExitAllWritten)
        code = kExitLogNotWritten;
    return code;
}
