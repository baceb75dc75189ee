#include "machine.h"

#include <shlobj.h>

#include <algorithm>

#include "metatrader/product_registration.h"
#include "process_helpers.h"
#include "win32/ascii_case.h"
#include "win32/embedded_resource.h"
#include "win32/shell_folders.h"

Machine::Machine() {
    appData_ = SpecialFolderPath(nullptr, CSIDL_APPDATA);
    CreateDirectoryW((appData_ + L"\\MetaQuotes").c_str(), nullptr);
    CreateDirectoryW((appData_ + L"\\MetaQuotes\\Terminal").c_str(), nullptr);
}

Machine::~Machine() {
    for (const std::wstring& key : keys_) UnregisterTerminal(key);
    for (const std::wstring& folder : dataFolders_) RemoveTree(folder);
    // What an installation registered goes with the machine: the next test starts without it.
    UnregisterProduct();
}

std::wstring Machine::AddTerminal(const std::wstring& name, bool registered, bool trailingBackslash) {
    const std::wstring folder = MakeInstallation(tree_, name);
    if (registered) Register(name, trailingBackslash ? folder + L"\\" : folder);
    return folder;
}

void Machine::Register(const std::wstring& name, const std::wstring& location) {
    keys_.push_back(RegisterTerminal(L"Mervane test " + std::to_wstring(GetCurrentProcessId()) + L" " + name, location));
}

std::wstring Machine::AddDataFolder(const std::wstring& installation) {
    const std::wstring folder = appData_ + L"\\MetaQuotes\\Terminal\\MERVANETEST" +
                                std::to_wstring(GetCurrentProcessId()) + L"X" + std::to_wstring(dataFolders_.size());
    CreateDirectoryW(folder.c_str(), nullptr);
    CreateDirectoryW((folder + L"\\MQL4").c_str(), nullptr);
    CreateDirectoryW((folder + L"\\MQL4\\Experts").c_str(), nullptr);
    WriteBytes(folder + L"\\origin.txt", Utf16Le(installation, true));
    dataFolders_.push_back(folder);
    return folder;
}

std::string ResourceBytes(const wchar_t* name) {
    std::span<const BYTE> bytes = EmbeddedResource(BuiltProgramResources(), L"EXEFILE", name);
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

bool HasExpert(const std::wstring& folder) {
    static const std::string expert = ResourceBytes(L"EXPERT");
    return ReadBytes(folder + L"\\MQL4\\Experts\\Mervane 4.ex4") == expert;
}

std::string Narrow(const std::wstring& text) {
    std::string result;
    for (wchar_t c : text) result += c < 128 ? static_cast<char>(c) : '?';
    return result;
}

std::wstring ProductValue(const std::wstring& key, const wchar_t* name) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY, &opened) != ERROR_SUCCESS)
        return L"<missing>";
    wchar_t text[1024];
    DWORD type = 0, size = sizeof text;
    const LONG read = RegGetValueW(opened, nullptr, name, RRF_RT_REG_SZ | RRF_RT_REG_DWORD, &type, text, &size);
    RegCloseKey(opened);
    if (read != ERROR_SUCCESS) return L"<missing>";
    return type == REG_DWORD ? std::to_wstring(*reinterpret_cast<DWORD*>(text)) : std::wstring(text);
}

std::vector<std::wstring> TemporaryCopies() {
    wchar_t windows[MAX_PATH];
    GetSystemWindowsDirectoryW(windows, MAX_PATH);
    std::vector<std::wstring> left;
    for (const std::wstring& name : FolderEntries(std::wstring(windows) + L"\\Temp"))
        if (name.rfind(L"~mv4", 0) == 0) left.push_back(name);
    return left;
}

std::wstring RemovedAtRestart() {
    wchar_t list[16 * 1024] = L"";
    DWORD size = sizeof list - sizeof(wchar_t);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                     L"PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr, list, &size) != ERROR_SUCCESS)
        return {};
    std::wstring text(list, size / sizeof(wchar_t));
    std::replace(text.begin(), text.end(), L'\0', L'|');
    return text;
}

bool GoneWithTheTemporaryCopy(const std::wstring& folder, const std::vector<std::wstring>& copiesBefore) {
    wchar_t windows[MAX_PATH];
    GetSystemWindowsDirectoryW(windows, MAX_PATH);
    for (int waited = 0; waited < 300; ++waited, Sleep(100)) {
        if (GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
        bool allGone = true;
        for (const std::wstring& copy : TemporaryCopies()) {
            if (std::find(copiesBefore.begin(), copiesBefore.end(), copy) != copiesBefore.end()) continue;
            const std::wstring path = std::wstring(windows) + L"\\Temp\\" + copy;
            const std::wstring pending = AsciiLower(RemovedAtRestart());
            if (pending.find(AsciiLower(path + L"\\Mervane4Setup.exe|")) == std::wstring::npos ||
                pending.find(AsciiLower(path + L"|")) == std::wstring::npos) {
                allGone = false;
                break;
            }
            // Scheduled; ended, since its own file can go now.
            if (!DeleteFileW((path + L"\\Mervane4Setup.exe").c_str())) {
                allGone = false;
                break;
            }
            RemoveDirectoryW(path.c_str());
        }
        if (allGone) return true;
    }
    return false;
}
