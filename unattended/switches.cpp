#include "unattended/switches.h"

#include <algorithm>
#include <string_view>

#include "metatrader/terminal_conventions.h"
#include "texts/language.h"
#include "win32/ascii_case.h"
#include "win32/ascii_text.h"
#include "win32/folder_list.h"
#include "win32/path_rules.h"

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Where a UNC path's share ends (its size when nothing follows), or 0 for other paths.
size_t EndOfShare(const std::wstring& path) {
    if (path.size() < 2 || !IsSeparator(path[0]) || !IsSeparator(path[1])) return 0;
    const size_t share = std::min(path.find_first_of(L"\\/", 2), path.size());
    return std::min(path.find_first_of(L"\\/", share + 1), path.size());
}

// \\?\ and \\.\ reach devices and skip the path rules, and the pipe and mailslot shares are
// no folders; no folder a terminal records looks so.
bool IsDevicePath(const std::wstring& path) {
    if (path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) && (path[2] == L'?' || path[2] == L'.') &&
        IsSeparator(path[3]))
        return true;
    const size_t end = EndOfShare(path);
    if (!end) return false;
    const size_t start = path.find_first_of(L"\\/", 2) + 1;
    const std::wstring share = AsciiLower(path.substr(start, end - start));
    return EqualsAscii(share, "pipe") || EqualsAscii(share, "mailslot");
}

// Whether Windows would not open `path` (a full one) by the name as spelt, and why, appended to
// `why`: it would drop a trailing dot or blank, open a device for a reserved name, or a stream
// after a colon.
bool AddWhyNotAsSpelt(std::wstring& why, const std::wstring& path) {
    auto add = [&](const char* text) {
        AppendWidened(why, text);
        return true;
    };
    const size_t start = path[1] == L':' ? 2 : 0;
    for (size_t at = start; at < path.size();) {
        const size_t end = std::min(path.find_first_of(L"\\/", at), path.size());
        const std::wstring name = path.substr(at, end - at);
        at = end + 1;
        if (name.empty()) continue;
        if (name.back() == L'.' || name.back() == L' ')
            return add("a name in the path ends with a dot or a blank, which Windows would drop");
        if (IsDeviceName(name)) {
            why += L'"';
            why += name;
            return add("\" is the name of a device");
        }
        for (wchar_t c : name) {
            if (c == L':') return add("a colon after the drive names a stream, not a file");
            if (c < L' ' || std::wstring_view(L"<>\"|?*").find(c) != std::wstring_view::npos)
                return add("a name in the path holds a character that Windows does not allow in names");
        }
    }
    return false;
}

// Why the log or agreement file cannot be `path`, or nothing: it must name a file, and not one
// that the installation itself writes, which the log would replace at the end.
const char* WhyNotAFile(const std::wstring& path) {
    if (IsSeparator(path.back()) || EndOfShare(path) == path.size()) return "the path names a folder, not a file";
    // Ordinal, ignoring case, as the file system compares names.
    const size_t start = path.find_last_of(L"\\/") + 1;
    auto is = [&](const wchar_t* written) {
        return CompareStringOrdinal(path.data() + start, static_cast<int>(path.size() - start), written, -1, TRUE) ==
               CSTR_EQUAL;
    };
    if (is(kExpertFileName) || is(kShortcutFileName))
        return "the file would replace one that the installation writes";
    return nullptr;
}

// Every switch name, lower case, grouped by what it asks for: /silent and the names that
// deployment tools and agents try on any setup program; switches agents pass to every
// installer that ask for nothing here (no message box is shown, no restart is ever asked
// for); the switches that turn something on; those that take a path.
constexpr const char* kSwitchNames[] = {
    "/silent", "/s", "/verysilent", "/quiet", "/qn", "/q",
    "/suppressmsgboxes", "/norestart", "/sp-",
    "/accept-agreement", "/skip-registry", "/remove", "/all-users", "/passive",
    "/log", "/agreement", "/status", "/folder", "/scan"};
enum : int { kFirstIgnored = 6, kFirstOn = 9, kRemove = 11, kPassive = 13, kLog = 14, kFirstRepeated = 17, kSwitchCount = 19 };
bool UnattendedSwitches::*const kOnMembers[] = {&UnattendedSwitches::acceptAgreement, &UnattendedSwitches::skipRegistry,
                                                &UnattendedSwitches::remove, &UnattendedSwitches::allUsers,
                                                &UnattendedSwitches::passive};
std::wstring UnattendedSwitches::*const kPathMembers[] = {&UnattendedSwitches::logPath, &UnattendedSwitches::agreementPath,
                                                          &UnattendedSwitches::statusPath};
std::vector<std::wstring> UnattendedSwitches::*const kRepeatedMembers[] = {&UnattendedSwitches::folders,
                                                                           &UnattendedSwitches::scanRoots};

// The index of `lowerName` in kSwitchNames, or kSwitchCount for a name that is none.
int SwitchIndex(const std::wstring& lowerName) {
    int index = 0;
    for (const char* name : kSwitchNames) {
        size_t at = 0;
        while (at < lowerName.size() && name[at] && lowerName[at] == static_cast<unsigned char>(name[at])) ++at;
        if (at == lowerName.size() && !name[at]) break;
        ++index;
    }
    return index;
}

bool AnyArgumentIs(const std::vector<std::wstring>& arguments, int first, int end) {
    for (const std::wstring& argument : arguments) {
        const int index = SwitchIndex(AsciiLower(argument));
        if (index >= first && index < end) return true;
    }
    return false;
}

}  // namespace

bool AsksForSilentRun(const std::vector<std::wstring>& arguments) { return AnyArgumentIs(arguments, 0, kFirstIgnored); }

bool AsksForPassiveRun(const std::vector<std::wstring>& arguments) { return AnyArgumentIs(arguments, kPassive, kLog); }

bool AsksForRemoval(const std::vector<std::wstring>& arguments) { return AnyArgumentIs(arguments, kRemove, kRemove + 1); }

std::wstring DefaultLogPath() {
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (!length || length > MAX_PATH) return {};
    std::wstring path(folder, length);
    if (path.back() != L'\\') path += L'\\';
    AppendWidened(path, "Mervane4Setup.log");
    return path;
}

UnattendedSwitches ReadSwitches(const std::vector<std::wstring>& arguments) {
    UnattendedSwitches switches;
    bool silent = false;
    // Only the first refusal is told; one of an argument starts with it, quoted.
    auto refuse = [&](const std::wstring* argument, const char* why, std::wstring_view more = {}, const char* after = "") {
        std::wstring& error = switches.usageError;
        if (!error.empty()) return;
        if (argument) {
            error += L'"';
            error += *argument;
            AppendWidened(error, "\": ");
        }
        AppendWidened(error, why);
        error += more;
        AppendWidened(error, after);
    };
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (LanguageOfSwitch(argument)) {
            if (i != 0) refuse(&argument, "a language switch must be the first argument");
            continue;
        }
        const size_t equals = argument.find(L'=');
        const std::wstring name = AsciiLower(argument.substr(0, equals));
        const int index = SwitchIndex(name);
        if (equals == std::wstring::npos) {
            // A silent run shows no message box anyway: the tools' switch for that asks for nothing more.
            if (index < kFirstIgnored) silent = true;
            if (index < kFirstOn) continue;
            if (index < kLog) {
                switches.*kOnMembers[index - kFirstOn] = true;
                continue;
            }
            if (index == kLog) {
                // Agents' /LOG alone: the running account's temporary folder.
                if (!switches.logPath.empty()) refuse(&argument, "the switch is given twice");
                switches.logPath = DefaultLogPath();
                continue;
            }
        }
        if (index < kLog || index == kSwitchCount) {
            refuse(nullptr, "unknown switch \"", argument, "\"");
            continue;
        }
        std::wstring* single = index < kFirstRepeated ? &(switches.*kPathMembers[index - kLog]) : nullptr;
        std::vector<std::wstring>* repeated = single ? nullptr : &(switches.*kRepeatedMembers[index - kFirstRepeated]);
        const std::wstring value = equals == std::wstring::npos ? std::wstring() : argument.substr(equals + 1);
        std::wstring notAsSpelt;
        const char* notAFile = nullptr;
        if (value.empty())
            refuse(&argument, "the switch needs a value, ", name, "=PATH");
        else if (!IsAbsolutePath(value))
            refuse(&argument, "the path must be a full one, C:\\... or \\\\server\\...");
        else if (IsDevicePath(value))
            refuse(&argument, "a device path is not taken, give C:\\... or \\\\server\\...");
        else if (AddWhyNotAsSpelt(notAsSpelt, value))
            refuse(&argument, "", notAsSpelt);
        else if (single && (notAFile = WhyNotAFile(value)))
            refuse(&argument, notAFile);
        else if (single && !single->empty())
            refuse(&argument, "the switch is given twice");
        else if (single)
            *single = value;
        else
            repeated->push_back(value);
    }
    const bool status = !switches.statusPath.empty();
    if (silent && switches.passive) {
        refuse(nullptr, "/passive shows the installation and /silent shows nothing: give one of them");
    } else if (switches.passive && (!switches.agreementPath.empty() || status || switches.remove)) {
        // The Installing page shows an installation, not an export, an inventory or a removal.
        refuse(nullptr, "/passive only installs: run /agreement=, /status= or /remove with /silent");
    } else if (!switches.agreementPath.empty()) {
        // An export installs nothing: a script that asks for both would be told 0 for nothing.
        if (switches.acceptAgreement || switches.skipRegistry || !switches.folders.empty() ||
            !switches.scanRoots.empty() || status || switches.remove)
            refuse(nullptr, "/agreement= only exports the agreement: install in a run of its own");
        else if (SameFolderIgnoringCase(switches.agreementPath, switches.logPath))
            refuse(nullptr, "/log= and /agreement= name the same file");
    } else if (status && (switches.acceptAgreement || switches.remove)) {
        refuse(nullptr, "/status= only writes the inventory: install or remove in a run of its own");
    } else if (switches.remove && switches.acceptAgreement) {
        // Consent to install beside a removal: one of the two was not meant.
        refuse(nullptr, "/remove installs nothing and needs no /accept-agreement");
    } else if (status && SameFolderIgnoringCase(switches.statusPath, switches.logPath)) {
        refuse(nullptr, "/log= and /status= name the same file");
    }
    return switches;
}
