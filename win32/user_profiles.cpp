#include "win32/user_profiles.h"

#include <windows.h>
#include <shlobj.h>

#include "win32/ascii_case.h"
#include "win32/ascii_text.h"
#include "win32/path_rules.h"
#include "win32/handles.h"
#include "win32/shell_folders.h"
#include "win32/system_functions.h"

namespace {

constexpr char kProfileList[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
constexpr char kShellFolders[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// A string value (REG_SZ or REG_EXPAND_SZ) as stored, or empty.
std::wstring StringValue(HKEY root, const std::wstring& subKey, const char* asciiName) {
    constexpr DWORD kFlags = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
    const auto get = AdvapiApi().regGetValue;
    const std::wstring name = Widened(asciiName);
    DWORD size = 0;
    if (!get || get(root, subKey.c_str(), name.c_str(), kFlags, nullptr, nullptr, &size) != ERROR_SUCCESS || size < 2)
        return {};
    std::wstring text(size / sizeof(wchar_t), L'\0');
    if (get(root, subKey.c_str(), name.c_str(), kFlags, nullptr, text.data(), &size) != ERROR_SUCCESS) return {};
    text.resize(text.find(L'\0'));
    return text;
}

// The profile list's paths use the machine's variables (%SystemDrive%), which SYSTEM has too.
std::wstring ExpandMachineVariables(const std::wstring& value) {
    wchar_t expanded[MAX_PATH];
    const DWORD length = ExpandEnvironmentStringsW(value.c_str(), expanded, MAX_PATH);
    return length && length <= MAX_PATH ? std::wstring(expanded) : std::wstring();
}

}  // namespace

std::wstring ExpandAgainstProfile(const std::wstring& value, const std::wstring& profileFolder) {
    std::wstring expanded;
    for (size_t at = 0; at < value.size();) {
        const size_t start = value.find(L'%', at);
        expanded += value.substr(at, start - at);
        if (start == std::wstring::npos) break;
        const size_t end = value.find(L'%', start + 1);
        if (end == std::wstring::npos || !EqualsAscii(AsciiLower(value.substr(start, end + 1 - start)), "%userprofile%")) return {};
        expanded += profileFolder;
        at = end + 1;
    }
    return expanded;
}

std::wstring WhyProfilePassedOver(const ProfileFacts& facts, bool (*onLocalDrive)(const std::wstring&),
                                  std::wstring& appData) {
    appData.clear();
    // LocalSystem, LocalService and NetworkService: no trader signs in as them.
    for (const char* service : {"S-1-5-18", "S-1-5-19", "S-1-5-20"})
        if (EqualsAscii(facts.sid, service)) return Widened("a service account");
    // Windows keeps a damaged profile's entry beside the new one under "<SID>.bak".
    if (facts.sid.find(L'.') != std::wstring::npos) return Widened("a backup of another profile's entry");
    if (facts.folder.empty()) return Widened("no profile folder is recorded");
    // Checked before the folder is looked at: a share would be reached with the program's
    // credentials, which go to no other host.
    if (!onLocalDrive(facts.folder)) return Widened("the profile folder is not on a drive of this machine");
    if (!facts.folderExists) return Widened("the profile folder is missing");
    std::wstring data = WithoutTrailingSeparator(facts.folder);
    const char* fault = nullptr;
    if (facts.hiveAppData.empty())
        AppendWidened(data, "\\AppData\\Roaming");
    else if ((data = ExpandAgainstProfile(facts.hiveAppData, data)).empty())
        fault = ", names a variable of that user's";
    if (!fault && !onLocalDrive(data)) fault = ", is not on a drive of this machine";
    if (!fault) {
        appData = data;
        return {};
    }
    std::wstring why = Widened("its application-data folder, ");
    why += data.empty() ? facts.hiveAppData : data;
    AppendWidened(why, fault);
    return why;
}

UserProfiles ListUserProfiles() {
    UserProfiles listing;
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, Widened(kProfileList).c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &opened) != ERROR_SUCCESS)
        return listing;
    const UniqueKey list(opened);
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        const LONG result = RegEnumKeyExW(list.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result != ERROR_SUCCESS) continue;
        ProfileFacts facts;
        facts.sid.assign(name, length);
        facts.folder = ExpandMachineVariables(StringValue(list.get(), facts.sid, "ProfileImagePath"));
        if (!facts.folder.empty() && OnLocalDrive(facts.folder)) facts.folderExists = DirectoryExists(facts.folder);
        // A user's hive is loaded while they are signed in (or a service of theirs runs); it may
        // have moved their data. HKEY_USERS holds no key for a SID with a suffix (".bak").
        std::wstring shellFolders = facts.sid;
        AppendWidened(shellFolders, kShellFolders);
        facts.hiveAppData = StringValue(HKEY_USERS, shellFolders, "AppData");
        std::wstring appData;
        std::wstring why = WhyProfilePassedOver(facts, OnLocalDrive, appData);
        if (why.empty())
            listing.profiles.push_back({facts.sid, facts.folder, appData});
        else
            listing.passedOver.push_back({facts.sid, facts.folder, std::move(why)});
    }
    return listing;
}

std::wstring PublicDesktopFolder() { return SpecialFolderPath(nullptr, CSIDL_COMMON_DESKTOPDIRECTORY); }
