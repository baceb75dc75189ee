#include <gtest/gtest.h>
#include <shlobj.h>

#include "file_helpers.h"
#include "app/text_decoding.h"
#include "metatrader/data_folders.h"
#include "metatrader/installations.h"

namespace {

std::optional<std::wstring> Decode(const std::string& bytes, UINT codePage = 1252) {
    return DecodeText({reinterpret_cast<const BYTE*>(bytes.data()), bytes.size()}, codePage);
}

TEST(DecodeText, FollowsTheByteOrderMarkOrElseTheAnsiCodePage) {
    const std::wstring path = L"C:\\Program Files\\MetaTrader 4 – Größe";
    EXPECT_EQ(Decode(Utf16Le(path, true)), path);
    EXPECT_EQ(Decode(Utf16Be(path)), path);
    EXPECT_EQ(Decode(Utf8(path, true)), path);
    EXPECT_EQ(Decode(Ansi(path, 1252), 1252), path);
    EXPECT_EQ(Decode("\xC0\xEF\xEA\xE0", 1251), L"Апка");
    EXPECT_EQ(Decode("\xC0\xEF\xEA\xE0", 1252), L"Àïêà");
    // Without a mark, UTF-16 is read as ANSI text: it never names the folder.
    EXPECT_NE(Decode(Utf16Le(path, false)), path);
    // UTF-8 without a mark is ANSI text too.
    EXPECT_EQ(Decode("Gr\xC3\xB6\xC3\x9F" "e", 1252), L"GrÃ¶ÃŸe");
}

TEST(DecodeText, KeepsEverythingAndFailsOnlyOnInvalidUtf8) {
    EXPECT_EQ(Decode(Utf16Le(L"C:\\MT4\r\n", true)), L"C:\\MT4\r\n");
    EXPECT_EQ(Decode(" C:\\MT4 \t"), L" C:\\MT4 \t");
    EXPECT_EQ(Decode(""), L"");
    EXPECT_EQ(Decode("\xFF\xFE"), L"");
    EXPECT_EQ(Decode("\xFE\xFF"), L"");
    EXPECT_EQ(Decode("\xEF\xBB\xBF"), L"");
    EXPECT_EQ(Decode(std::string("\xFF\xFE" "A\0B", 5)), L"A");  // an odd last byte is dropped
    EXPECT_EQ(Decode("\xEF\xBB\xBF" "C:\\\xC3(bad"), std::nullopt);
    EXPECT_EQ(Decode("\xEF\xBB\xBF" "C:\\\xED\xA0\x80"), std::nullopt);  // an encoded surrogate
}

TEST(ReadTextFile, ReadsWholeFilesAndRefusesUnreadableOrOversizedOnes) {
    TempTree tree;
    EXPECT_EQ(ReadTextFile(tree.File(L"a.txt", Utf16Le(L"C:\\MT4", true))), L"C:\\MT4");
    EXPECT_EQ(ReadTextFile(tree.File(L"empty.txt", "")), L"");
    EXPECT_EQ(ReadTextFile(tree.Path(L"missing.txt")), std::nullopt);
    EXPECT_EQ(ReadTextFile(tree.Folder(L"folder.txt")), std::nullopt);

    const std::wstring big = tree.File(L"big.txt", std::string(64 * 1024 + 1, 'x'));
    EXPECT_EQ(ReadTextFile(big), std::nullopt);
    EXPECT_EQ(ReadTextFile(tree.File(L"limit.txt", std::string(64 * 1024, 'x')))->size(), 64u * 1024);

    const std::wstring locked = tree.File(L"locked.txt", "C:\\MT4");
    HANDLE holder = CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ReadTextFile(locked), std::nullopt);
    CloseHandle(holder);
    EXPECT_EQ(ReadTextFile(locked), L"C:\\MT4");
}

TEST(ListSubFolders, ListsImmediateFoldersOnlyWhateverTheirAttributes) {
    TempTree tree;
    tree.Folder(L"root\\One\\Nested");
    tree.Folder(L"root\\Two");
    const std::wstring hidden = tree.Folder(L"root\\Hidden");
    SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    tree.File(L"root\\file.txt", "x");

    std::vector<std::wstring> names = {L"stale"};
    ListSubFolders(tree.Path(L"root"), names);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"Hidden", L"One", L"Two"}));

    std::vector<std::wstring> withSlash;
    ListSubFolders(tree.Path(L"root") + L"\\", withSlash);
    EXPECT_EQ(withSlash.size(), 3u);

    ListSubFolders(tree.Path(L"missing"), names);
    EXPECT_TRUE(names.empty());
}

// A data root with installations and data folders whose markers the tests write.
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
