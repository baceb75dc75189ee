#include "metatrader/product_registration.h"

#include <shlobj.h>
#include <sddl.h>

#include "metatrader/data_folders.h"
#include "metatrader/deployment.h"
#include "metatrader/removal.h"
#include "metatrader/terminal_conventions.h"
#include "metatrader/terminal_discovery.h"
#include "resources/resource_names.h"
#include "user_guide_address.h"
#include "win32/ascii_text.h"
#include "win32/decimal_text.h"
#include "win32/embedded_resource.h"
#include "win32/held_folder.h"
#include "win32/path_rules.h"
#include "win32/handles.h"
#include "win32/own_program.h"
#include "win32/sha256.h"
#include "win32/shell_folders.h"

namespace {

// The shipping build is 32-bit: the 64-bit one keeps its keys where that one does.
constexpr REGSAM kView = KEY_WOW64_32KEY;
constexpr wchar_t kProgramFileName[] = L"Mervane4Setup.exe";

std::wstring OwnProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// Appends `value`'s last two digits, then `separator` where there is one.
void AppendTwoDigits(std::wstring& text, WORD value, wchar_t separator = 0) {
    text += static_cast<wchar_t>(L'0' + value / 10 % 10);
    text += static_cast<wchar_t>(L'0' + value % 10);
    if (separator) text += separator;
}

RegistrationOutcome OutcomeAt(RegistrationOutcome::Step step, const std::wstring& path) {
    RegistrationOutcome outcome{step, Widened("HKEY_LOCAL_MACHINE\\")};
    outcome.where += path;
    return outcome;
}

// One value the registration writes: a string, or where there is none a number. The names
// are single bytes, widened when written.
struct RegistryValue {
    const char* name;
    const wchar_t* text;
    DWORD number;
};

// Writes `values` into the key `path`, made where it is not there, up to the first that fails.
RegistrationOutcome WriteKey(RegistrationOutcome::Step step, const std::wstring& path,
                             std::span<const RegistryValue> values) {
    RegistrationOutcome outcome = OutcomeAt(step, path);
    HKEY opened = nullptr;
    LONG result = RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE | kView, nullptr,
                                  &opened, nullptr);
    UniqueKey key(opened);
    // The registry's functions answer with the error; they leave the thread's last error alone.
    for (size_t i = 0; result == ERROR_SUCCESS && i < values.size(); ++i) {
        const RegistryValue& value = values[i];
        const DWORD size = value.text ? static_cast<DWORD>((wcslen(value.text) + 1) * sizeof(wchar_t)) : sizeof value.number;
        result = RegSetValueExW(key.get(), Widened(value.name).c_str(), 0, value.text ? REG_SZ : REG_DWORD,
                                value.text ? reinterpret_cast<const BYTE*>(value.text)
                                           : reinterpret_cast<const BYTE*>(&value.number),
                                size);
    }
    outcome.done = result == ERROR_SUCCESS;
    outcome.error = static_cast<DWORD>(result);
    return outcome;
}

RegistrationOutcome DeleteKey(RegistrationOutcome::Step step, const std::wstring& path) {
    const LONG result = RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), kView, 0);
    RegistrationOutcome outcome = OutcomeAt(step, path);
    outcome.done = result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
    outcome.error = outcome.done ? 0 : static_cast<DWORD>(result);
    return outcome;
}

std::wstring PublisherKeyPath() {
    std::wstring path = Widened("Software\\");
    path += kPublisher;
    return path;
}

// The publisher's key goes with the product's only where nothing else of the publisher's is
// kept there.
void DeletePublisherKeyIfEmpty() {
    const std::wstring path = PublisherKeyPath();
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE | kView, &opened) != ERROR_SUCCESS) return;
    UniqueKey key(opened);
    DWORD subKeys = 1, values = 1;
    if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr, nullptr,
                         nullptr, nullptr) == ERROR_SUCCESS &&
        subKeys == 0 && values == 0)
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), kView, 0);
}

// A folder under the Windows folder's Temp that only the system and administrators can write
// or even list: a user's temporary folder is the user's to change. Made under a new random
// name, so that nothing planted there in advance is used. Empty when it cannot be made.
std::wstring MakeAdminsOnlyFolder() {
    wchar_t windows[MAX_PATH];
    const UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring name = RandomFileName();
    if (length == 0 || length >= MAX_PATH || name.empty()) {
        // The caller logs the last error: it names this cause, not an earlier call's.
        if (length != 0) SetLastError(ERROR_GEN_FAILURE);
        return {};
    }
    const std::wstring folder = WithoutTrailingSeparator(windows) + L"\\Temp\\" + name;
    // Looked up when needed: the import table takes from advapi32 only the functions checked
    // to stay among the system's own DLLs (tests/build_checks/check_imports.cmake).
    using Convert = BOOL(WINAPI*)(LPCWSTR, DWORD, PSECURITY_DESCRIPTOR*, PULONG);
    const auto convert = reinterpret_cast<Convert>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"advapi32.dll"), "ConvertStringSecurityDescriptorToSecurityDescriptorW")));
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!convert || !convert(Widened("D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)").c_str(), SDDL_REVISION_1, &descriptor, nullptr)) return {};
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    const bool made = CreateDirectoryW(folder.c_str(), &attributes);
    LocalFree(descriptor);
    return made ? folder : std::wstring();
}

// `path` in double quotes, as a command line takes it.
std::wstring Quoted(const std::wstring& path) {
    std::wstring quoted = L"\"";
    quoted += path;
    quoted += L'"';
    return quoted;
}

// Removes at the next restart what cannot go now: a file, then (empty by then) its folder.
void RemoveAtRestart(const std::wstring& file, const std::wstring& folder) {
    if (!file.empty()) MoveFileExW(file.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    if (!folder.empty()) MoveFileExW(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

// Starts a temporary copy of this program that removes the program's copy once this process
// has ended. The copy is held open, shared for reading only, until it runs, so that nothing
// replaces it meanwhile.
bool StartRemovalAfterExit() {
    const std::wstring folder = MakeAdminsOnlyFolder();
    if (folder.empty()) return false;
    const std::wstring copy = ChildPath(folder, kProgramFileName);
    const std::vector<BYTE> program = OwnProgramBytes();
    UniqueFile held;
    if (WriteFileReplacing(copy, program))
        held.reset(CreateFileW(copy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    HANDLE self = nullptr;
    if (held && DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                                SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, 0)) {
        const UniqueHandle inherited(self);
        std::wstring commandLine = Quoted(copy);
        commandLine += L' ';
        commandLine += kFinishRemovalSwitch;
        AppendDecimal(commandLine, static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(self)));
        STARTUPINFOW startup{sizeof startup};
        PROCESS_INFORMATION started{};
        // Started from the Windows folder: the current folder it would inherit is the one to go.
        wchar_t windows[MAX_PATH];
        const UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH);
        if (CreateProcessW(copy.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                           length && length < MAX_PATH ? windows : nullptr, &startup, &started)) {
            CloseHandle(started.hThread);
            CloseHandle(started.hProcess);
            return true;
        }
    }
    // The copy is let go first: held, it could not be deleted. The caller logs why it failed.
    const DWORD error = GetLastError();
    held.reset();
    DeleteFileW(copy.c_str());
    RemoveDirectoryW(folder.c_str());
    SetLastError(error);
    return false;
}

RegistrationOutcome RemoveProgramCopy(bool mayHandOff) {
    RegistrationOutcome outcome{RegistrationOutcome::Step::ProgramCopy, ProgramCopyPath()};
    if (outcome.where.empty()) {
        outcome.done = true;
        return outcome;
    }
    const auto copy = IdentityOf(outcome.where);
    if (mayHandOff && copy && copy == OwnProgramIdentity()) {
        // The running program: Windows keeps its file until it has ended.
        outcome.afterExit = true;
        outcome.done = StartRemovalAfterExit();
        if (!outcome.done) {
            outcome.error = GetLastError();
            RemoveAtRestart(outcome.where, ProgramFolder());
        }
        return outcome;
    }
    const Removal removal = RemoveFileByHandle(outcome.where, {}, &outcome.ledTo);
    outcome.done = removal == Removal::Removed || removal == Removal::NotThere;
    outcome.error = outcome.done ? 0 : GetLastError();
    return outcome;
}

RegistrationOutcome RemoveProgramFolder() {
    RegistrationOutcome outcome{RegistrationOutcome::Step::ProgramFolder, ProgramFolder()};
    // By name: a folder is removed only when empty, and a link there only as the link.
    outcome.done = outcome.where.empty() || RemoveDirectoryW(outcome.where.c_str()) ||
                   GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND;
    outcome.error = outcome.done ? 0 : GetLastError();
    return outcome;
}

}  // namespace

std::wstring UninstallKeyPath() {
    std::wstring path = Widened(terminal::kUninstallKey);
    path += kProductName;
    return path;
}

std::wstring DetectionKeyPath() { return ChildPath(PublisherKeyPath(), kProductName); }

std::wstring ProgramFolder() {
    const std::wstring programFiles = SpecialFolderPath(nullptr, CSIDL_PROGRAM_FILESX86);
    return IsAbsolutePath(programFiles) ? ChildPath(WithoutTrailingSeparator(programFiles), kProductName) : std::wstring();
}

std::wstring ProgramCopyPath() {
    const std::wstring folder = ProgramFolder();
    return folder.empty() ? folder : ChildPath(folder, kProgramFileName);
}

std::vector<RegistrationOutcome> RegisterProduct(unsigned copiesWritten) {
    using Step = RegistrationOutcome::Step;
    std::vector<RegistrationOutcome> outcomes;
    PrepareWrites();

    // Filled in place; the next outcome added comes after its last use.
    outcomes.push_back({Step::ProgramCopy, ProgramCopyPath()});
    RegistrationOutcome& copied = outcomes.back();
    const std::vector<BYTE> program = OwnProgramBytes();
    if (copied.where.empty()) {
        copied.error = ERROR_PATH_NOT_FOUND;
    } else if (const auto there = IdentityOf(copied.where); there && there == OwnProgramIdentity()) {
        copied.done = true;  // run from its own copy: nothing to write
    } else {
        CreateDirectoryW(ProgramFolder().c_str(), nullptr);  // the folder above's rights: administrators write
        copied.done = WriteFileReplacing(copied.where, program, &copied.ledTo);
        copied.error = copied.done ? 0 : GetLastError();
    }

    const std::span<const BYTE> expert =
        EmbeddedResource(nullptr, RESOURCE_STRING(RESOURCE_FILE_TYPE), RESOURCE_STRING(RESOURCE_EXPERT));
    if (copied.done) {
        SYSTEMTIME today;
        GetLocalTime(&today);
        const unsigned long long bytes = program.size() + static_cast<unsigned long long>(expert.size()) * copiesWritten;
        std::wstring date = DecimalText(today.wYear);
        AppendTwoDigits(date, today.wMonth);
        AppendTwoDigits(date, today.wDay);
        std::wstring uninstall = Quoted(copied.where), quietUninstall = uninstall;
        AppendWidened(uninstall, " /remove");
        AppendWidened(quietUninstall, " /silent /remove");
        const std::wstring icon = copied.where + L",0", folder = ProgramFolder();
        const RegistryValue values[] = {{"DisplayName", kProductName},
                                        {"DisplayVersion", kProductVersion},
                                        {"Publisher", kPublisher},
                                        {"DisplayIcon", icon.c_str()},
                                        {"InstallLocation", folder.c_str()},
                                        {"HelpLink", kUserGuideAddress},
                                        {"InstallDate", date.c_str()},
                                        {"EstimatedSize", nullptr, static_cast<DWORD>((bytes + 1023) / 1024)},
                                        {"NoModify", nullptr, 1},
                                        {"NoRepair", nullptr, 1},
                                        {"UninstallString", uninstall.c_str()},
                                        {"QuietUninstallString", quietUninstall.c_str()}};
        outcomes.push_back(WriteKey(Step::UninstallEntry, UninstallKeyPath(), values));
    }

    const std::optional<Sha256Digest> digest = Sha256Of(expert);
    SYSTEMTIME now;
    GetSystemTime(&now);
    std::wstring utc;
    AppendDecimal(utc, now.wYear);
    utc += L'-';
    AppendTwoDigits(utc, now.wMonth, L'-');
    AppendTwoDigits(utc, now.wDay, L'T');
    AppendTwoDigits(utc, now.wHour, L':');
    AppendTwoDigits(utc, now.wMinute, L':');
    AppendTwoDigits(utc, now.wSecond, L'Z');
    const std::wstring sha256 = digest ? HexText(*digest) : std::wstring();
    const RegistryValue values[] = {{"Version", kProductVersion},
                                    {"ExpertSha256", sha256.c_str()},
                                    {"CopiesWritten", nullptr, copiesWritten},
                                    {"LastRunUtc", utc.c_str()}};
    outcomes.push_back(WriteKey(Step::DetectionValues, DetectionKeyPath(), values));
    return outcomes;
}

std::vector<RegistrationOutcome> UnregisterProduct() {
    using Step = RegistrationOutcome::Step;
    PrepareWrites();
    std::vector<RegistrationOutcome> outcomes;
    outcomes.push_back(DeleteKey(Step::UninstallEntry, UninstallKeyPath()));
    outcomes.push_back(DeleteKey(Step::DetectionValues, DetectionKeyPath()));
    DeletePublisherKeyIfEmpty();
    outcomes.push_back(RemoveProgramCopy(true));
    if (!outcomes.back().afterExit) outcomes.push_back(RemoveProgramFolder());
    return outcomes;
}

bool RemoveProduct(InstallView& view) {
    const FolderList installations = FoldersOf(FindAllInstallations({}).installations);
    FolderList dataFolders;
    FindDataFolders(installations, dataFolders);
    if (!EveryCopyRemoved(RemoveFiles(nullptr, installations, dataFolders, view.DesktopFolder(), &view))) return false;
    UnregisterProduct();
    return true;
}

void FinishRemoval(const std::wstring& processHandle) {
    ULONG_PTR value = 0;
    for (wchar_t c : processHandle) {
        if (c < L'0' || c > L'9') return;
        value = value * 10 + static_cast<ULONG_PTR>(c - L'0');
    }
    // The program that started this copy ends once its window is closed or its run is done.
    // Nothing goes unless a removal handed this run its process: the program's copy started
    // with this switch by hand would otherwise take itself away and leave its entry behind.
    const HANDLE waitedFor = reinterpret_cast<HANDLE>(value);
    if (!value || !GetProcessId(waitedFor) || WaitForSingleObject(waitedFor, INFINITE) != WAIT_OBJECT_0) return;
    CloseHandle(waitedFor);
    PrepareWrites();
    RemoveProgramCopy(false);
    RemoveProgramFolder();
    const std::wstring self = OwnProgramPath();
    const std::wstring folder = self.substr(0, self.find_last_of(L'\\'));
    // A running program's file, held from start-up, goes at the next restart; only where it
    // could not be held and the system lets it go does it go now.
    if (DeleteFileW(self.c_str()) && RemoveDirectoryW(folder.c_str())) return;
    RemoveAtRestart(self, folder);
}
