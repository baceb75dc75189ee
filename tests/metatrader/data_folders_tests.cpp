#include <gtest/gtest.h>
#include <shlobj.h>

#include "file_helpers.h"
#include "metatrader/data_folders.h"
#include "win32/folder_walk.h"
#include "win32/path_rules.h"
#include "win32/shell_folders.h"

namespace {

class DataFolders : public testing::Test {
protected:
    std::wstring DataFolder(const std::wstring& name, const std::string& marker) {
        tree_.File(L"Terminal\\" + name + L"\\origin.txt", marker);
        return Root() + L"\\" + name;
    }
    std::wstring Root() const { return tree_.Path(L"Terminal"); }
    FolderList Find(const FolderList& selected) {
        FolderList found = {L"stale entry"};
        FindDataFoldersUnder(Root(), selected, found);
        return found;
    }
    TempTree tree_;
    std::wstring a_ = MakeInstallation(tree_, L"Program Files\\MetaTrader A");
    std::wstring b_ = MakeInstallation(tree_, L"Program Files\\MetaTrader B");
};

TEST_F(DataFolders, MatchMarkersInEveryAcceptedEncodingExactly) {
    const std::wstring utf16 = DataFolder(L"0A", Utf16Le(a_, true));
    const std::wstring ansi = DataFolder(L"0B", Ansi(b_));
    EXPECT_EQ(Find({a_, b_}), (FolderList{utf16, ansi}));
    EXPECT_EQ(Find({b_, a_}), (FolderList{ansi, utf16}));  // in the order of the selection
    EXPECT_EQ(Find({b_}), (FolderList{ansi}));
    EXPECT_EQ(Find({}), FolderList{});
}

TEST_F(DataFolders, NeverMatchAnInexactMarker) {
    DataFolder(L"1 no mark", Utf16Le(a_, false));
    DataFolder(L"2 line break", Utf16Le(a_ + L"\r\n", true));
    DataFolder(L"3 letter case", Utf16Le(b_.substr(0, b_.size() - 1) + L"b", true));
    const std::wstring slash = DataFolder(L"4 slash", Utf16Le(a_ + L"\\", true));
    EXPECT_EQ(Find({a_, b_}), FolderList{});
    // The other way round: the installation listed with a backslash, the marker without.
    EXPECT_EQ(Find({b_ + L"\\"}), FolderList{});
    EXPECT_EQ(Find({a_ + L"\\"}), FolderList{slash});
}

TEST_F(DataFolders, TakeTheFirstMarkerOfAnInstallationAndEachFolderOnce) {
    DataFolder(L"X", Utf16Le(a_, true));
    DataFolder(L"Y", Utf16Le(a_, true));
    std::vector<std::wstring> order;
    ListSubFolders(Root(), order);
    const std::wstring first = Root() + L"\\" + order.front();
    EXPECT_EQ(Find({a_}), FolderList{first});
    EXPECT_EQ(Find({a_, a_}), FolderList{first});
}

TEST_F(DataFolders, PassOverMarkersThatNameNoSelectedFolder) {
    DataFolder(L"other", Utf16Le(tree_.Folder(L"Elsewhere"), true));
    DataFolder(L"gone", Utf16Le(tree_.Path(L"Gone"), true));
    tree_.Folder(L"Terminal\\no marker");
    tree_.Folder(L"Terminal\\marker is a folder\\origin.txt");
    tree_.File(L"Terminal\\a file", "x");
    const std::wstring good = DataFolder(L"z good", Utf16Le(b_, true));
    EXPECT_EQ(Find({a_, b_, tree_.Path(L"Gone")}), FolderList{good});
}

TEST_F(DataFolders, AStrayUnreadableOrOversizedMarkerCostsNothingElse) {
    const std::wstring before = DataFolder(L"a good", Utf16Le(a_, true));
    DataFolder(L"b undecodable", "\xEF\xBB\xBF\xC3(" + Utf8(b_, false));
    const std::wstring locked = DataFolder(L"c locked", Utf16Le(b_, true));
    DataFolder(L"d oversized", Utf16Le(b_, true) + std::string(70000, ' '));
    const std::wstring after = DataFolder(L"e good", Utf16Le(b_, true));

    HANDLE holder = CreateFileW((locked + L"\\origin.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Find({a_, b_}), (FolderList{before, after}));
    CloseHandle(holder);
}

TEST_F(DataFolders, NoDataRootOrAnEmptyOneFindsNothingAndClearsTheList) {
    FolderList found = {L"found by an earlier run"};
    FindDataFoldersUnder(tree_.Path(L"No such root"), {a_}, found);
    EXPECT_TRUE(found.empty());
    tree_.Folder(L"Terminal");
    EXPECT_EQ(Find({a_}), FolderList{});
}

TEST(FindDataFolders, LooksUnderTheUsersRoamingApplicationData) {
    TempTree tree;
    const std::wstring installation = MakeInstallation(tree, L"MetaTrader");
    const std::wstring root = SpecialFolderPath(nullptr, CSIDL_APPDATA) + L"\\MetaQuotes\\Terminal";
    const bool rootExisted = DirectoryExists(root);
    const std::wstring id = L"MERVANE-TEST-" + std::to_wstring(GetCurrentProcessId());
    const std::wstring folder = root + L"\\" + id;
    CreateDirectoryW((SpecialFolderPath(nullptr, CSIDL_APPDATA) + L"\\MetaQuotes").c_str(), nullptr);
    CreateDirectoryW(root.c_str(), nullptr);
    CreateDirectoryW(folder.c_str(), nullptr);
    WriteBytes(folder + L"\\origin.txt", Utf16Le(installation, true));

    FolderList found;
    FindDataFolders({installation}, found);
    EXPECT_EQ(found, FolderList{folder});

    RemoveTree(folder);
    if (!rootExisted) RemoveTree(root);
}

}  // namespace
