#include "machine.h"

#include <shlobj.h>

#include "process_helpers.h"
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
