#include <gtest/gtest.h>

#include <algorithm>

#include "file_helpers.h"
#include "metatrader/installations.h"
#include "metatrader/terminal_conventions.h"
#include "metatrader/terminal_discovery.h"
#include "win32/ascii_text.h"
#include "win32/folder_walk.h"
#include "win32/held_folder.h"
#include "win32/system_functions.h"

namespace {

// A private registry root standing in for HKEY_LOCAL_MACHINE, removed afterwards.
class RegistrySandbox {
public:
    RegistrySandbox() {
        path_ = L"Software\\MervaneTests\\" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++count_);
        RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root_, nullptr);
    }
    ~RegistrySandbox() {
        RegCloseKey(root_);
        RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
    }
    HKEY Root() const { return root_; }
    // The uninstall sub-key `name` as the wizard will look for it.
    HKEY Entry(const std::wstring& name) {
        const std::wstring path =
            Widened(RunningUnderWow64() ? terminal::kUninstallKeyWow64 : terminal::kUninstallKey) + name;
        HKEY key = nullptr;
        RegCreateKeyExW(root_, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        return key;
    }
    void Add(const std::wstring& name, const wchar_t* valueName, DWORD type, const std::wstring& data) {
        HKEY key = Entry(name);
        RegSetValueExW(key, valueName, 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
    void AddDword(const std::wstring& name, const wchar_t* valueName, DWORD data) {
        HKEY key = Entry(name);
        RegSetValueExW(key, valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
        RegCloseKey(key);
    }
    void AddTerminal(const std::wstring& name, const std::wstring& version, const std::wstring& location) {
        Add(name, L"MajorVersion", REG_SZ, version);
        Add(name, L"InstallLocation", REG_SZ, location);
    }

private:
    static inline int count_ = 0;
    std::wstring path_;
    HKEY root_ = nullptr;
};

TEST(FindInstallations, ListsExactlyTheRegisteredFoldersThatHoldATerminal) {
    TempTree tree;
    const std::wstring a = MakeInstallation(tree, L"MetaTrader A");
    const std::wstring b = MakeInstallation(tree, L"MetaTrader B");
    const std::wstring noProgram = tree.Folder(L"No program\\MQL4\\Experts");
    tree.Folder(L"No program\\MQL4\\Files");
    const std::wstring programIsFolder = tree.Folder(L"Folder program\\terminal.exe");

    RegistrySandbox registry;
    registry.AddTerminal(L"01 Good", L"4", a);
    registry.AddDword(L"02 Dword version", L"MajorVersion", 4);
    registry.Add(L"02 Dword version", L"InstallLocation", REG_SZ, a);
    registry.AddTerminal(L"03 Version 4.0", L"4.0", a);
    registry.AddTerminal(L"04 Version blank 4", L" 4", a);
    registry.AddTerminal(L"05 Version 5", L"5", a);
    registry.Add(L"06 Lower-case name", L"MajorVersion", REG_SZ, L"4");
    registry.Add(L"06 Lower-case name", L"installlocation", REG_SZ, a);
    registry.Add(L"07 Lower-case version name", L"majorversion", REG_SZ, L"4");
    registry.Add(L"07 Lower-case version name", L"InstallLocation", REG_SZ, a);
    registry.Add(L"08 Expandable version", L"MajorVersion", REG_EXPAND_SZ, L"4");
    registry.Add(L"08 Expandable version", L"InstallLocation", REG_SZ, a);
    registry.Add(L"09 Expandable location", L"MajorVersion", REG_SZ, L"4");
    registry.Add(L"09 Expandable location", L"InstallLocation", REG_EXPAND_SZ, a);
    registry.AddTerminal(L"10 Duplicate", L"4", a);
    registry.AddTerminal(L"11 Trailing backslash", L"4", b + L"\\");
    registry.AddTerminal(L"12 No terminal.exe", L"4", noProgram.substr(0, noProgram.find(L"\\MQL4")));
    registry.AddTerminal(L"13 terminal.exe is a folder", L"4", programIsFolder.substr(0, programIsFolder.rfind(L'\\')));
    registry.Add(L"14 No location", L"MajorVersion", REG_SZ, L"4");
    registry.AddTerminal(L"15 Missing folder", L"4", tree.Path(L"Gone"));
    HKEY empty = registry.Entry(L"16 No values");
    RegCloseKey(empty);
    // Locations that are no absolute path would be found from the current folder.
    const std::wstring relative = MakeInstallation(tree, L"MT4");
    registry.AddTerminal(L"17 Relative", L"4", L"MT4");
    registry.AddTerminal(L"18 Empty", L"4", L"");
    registry.AddTerminal(L"19 Drive-relative", L"4", relative.substr(0, 2) + L"MT4");
    registry.AddTerminal(L"20 Rooted without a drive", L"4", relative.substr(2));
    registry.AddTerminal(L"21 Long-path prefix", L"4", L"\\\\?\\" + b);
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(tree.Root().c_str());

    FolderList list = {L"left over from before"};
    FindInstallationsUnder(registry.Root(), list);
    SetCurrentDirectoryW(previous);
    EXPECT_EQ(list, (FolderList{a, a, b + L"\\", L"\\\\?\\" + b}));
}

TEST(FindInstallations, AMissingOrEmptyUninstallKeyGivesAnEmptyList) {
    RegistrySandbox registry;
    FolderList list = {L"stale"};
    FindInstallationsUnder(registry.Root(), list);
    EXPECT_TRUE(list.empty());

    HKEY uninstall = registry.Entry(L"");
    RegCloseKey(uninstall);
    list = {L"stale"};
    FindInstallationsUnder(registry.Root(), list);
    EXPECT_TRUE(list.empty());
}

TEST(FindInstallations, ReadsTheViewThatThe32BitProgramSees) {
    // Written through the 32-bit view of the machine's registry, as a 32-bit terminal's
    // installer writes it; both builds of the wizard must find it.
    TempTree tree;
    const std::wstring folder = MakeInstallation(tree, L"MetaTrader 32");
    HKEY opened = nullptr;
    const std::wstring key = RegisterTerminal(L"Mervane test terminal " + std::to_wstring(GetCurrentProcessId()), folder);
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &opened), ERROR_SUCCESS);
    RegCloseKey(opened);

    FolderList list;
    FindInstallations(list);
    UnregisterTerminal(key);
    EXPECT_EQ(std::count(list.begin(), list.end(), folder), 1);
}

TEST(IsTerminalFolder, NeedsTheProgramAndAllThreeFoldersAndTheScanTellsTheSame) {
    TempTree tree;
    const std::wstring full = MakeInstallation(tree, L"Full");
    EXPECT_TRUE(IsTerminalFolder(full));

    const std::wstring noFiles = tree.Path(L"No files");
    tree.File(L"No files\\terminal.exe", "x");
    tree.Folder(L"No files\\MQL4\\Experts");
    EXPECT_FALSE(IsTerminalFolder(noFiles));

    const std::wstring noExperts = tree.Path(L"No experts");
    tree.File(L"No experts\\terminal.exe", "x");
    tree.Folder(L"No experts\\MQL4\\Files");
    EXPECT_FALSE(IsTerminalFolder(noExperts));

    const std::wstring noProgram = tree.Path(L"No program");
    tree.Folder(L"No program\\MQL4\\Experts");
    tree.Folder(L"No program\\MQL4\\Files");
    EXPECT_FALSE(IsTerminalFolder(noProgram));

    const std::wstring expertsAsFile = tree.Path(L"Experts file");
    tree.File(L"Experts file\\terminal.exe", "x");
    tree.Folder(L"Experts file\\MQL4\\Files");
    tree.File(L"Experts file\\MQL4\\Experts", "not a folder");
    EXPECT_FALSE(IsTerminalFolder(expertsAsFile));

    const std::wstring linkedMql4 = tree.Path(L"Linked MQL4");
    tree.File(L"Linked MQL4\\terminal.exe", "x");
    const FolderLink link(tree.Folder(L"Linked MQL4\\MQL4"), full + L"\\MQL4");
    ASSERT_TRUE(link.Made());
    EXPECT_FALSE(IsTerminalFolder(linkedMql4));

    const std::wstring otherCase = tree.Path(L"Other case");
    tree.File(L"Other case\\TERMINAL.EXE", "x");
    tree.Folder(L"Other case\\mql4\\experts");
    tree.Folder(L"Other case\\mql4\\FILES");
    EXPECT_TRUE(IsTerminalFolder(otherCase));

    EXPECT_FALSE(IsTerminalFolder(tree.Path(L"Missing")));
    // The scan makes the same test through its own handles.
    FolderList scanned = ScanForInstallations(tree.Root(), {1}).installations;
    std::sort(scanned.begin(), scanned.end());
    EXPECT_EQ(scanned, (FolderList{full, otherCase}));
}

TEST(ScanForInstallations, FoldersSwappedForLinksAfterTheSearchSendNoCopyBehindTheLinks) {
    TempTree tree;
    const std::wstring found = MakeInstallation(tree, L"Root\\Found"), named = MakeInstallation(tree, L"Named");
    const std::wstring elsewhere = MakeInstallation(tree, L"Elsewhere");
    const ReusedWalks walks;  // the copies start below the folders the search kept
    ASSERT_EQ(ScanForInstallations(tree.Path(L"Root")).installations, FolderList{found});
    ASSERT_TRUE(IsTerminalFolder(named));
    ASSERT_TRUE(MoveFileW(found.c_str(), (found + L" moved").c_str()));
    ASSERT_TRUE(MoveFileW(named.c_str(), (named + L" moved").c_str()));
    const FolderLink foundLink(found, elsewhere), namedLink(named, elsewhere);
    ASSERT_TRUE(foundLink.Made() && namedLink.Made());
    // Windows refuses the kept folders moved since; Wine writes into them, where they are now.
    static constexpr BYTE kExpert[] = {'x'};
    for (const std::wstring& folder : {found, named}) WriteFileReplacing(folder + L"\\MQL4\\Experts\\Mervane 4.ex4", kExpert);
    EXPECT_EQ(FolderEntries(elsewhere + L"\\MQL4\\Experts"), std::vector<std::wstring>{});
}

}  // namespace
