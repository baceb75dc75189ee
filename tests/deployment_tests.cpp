#include <gtest/gtest.h>

#include "file_helpers.h"
#include "metatrader/deployment.h"

namespace {

TEST(InstallTargets, AreTheInstallationsThenTheDataFoldersUnfiltered) {
    EXPECT_EQ(InstallTargets({L"C:\\A", L"C:\\B", L"C:\\A"}, {L"D:\\1", L"c:\\a"}),
              (FolderList{L"C:\\A", L"C:\\B", L"C:\\A", L"D:\\1", L"c:\\a"}));
    EXPECT_EQ(InstallTargets({}, {}), FolderList{});
}

TEST(ExpertsFolder, IsFormedForAnExistingFolderWithoutADoubledBackslash) {
    TempTree tree;
    const std::wstring folder = tree.Folder(L"MetaTrader");
    EXPECT_EQ(ExpertsFolder(folder), folder + L"\\MQL4\\Experts");
    EXPECT_EQ(ExpertsFolder(folder + L"\\"), folder + L"\\MQL4\\Experts");
    EXPECT_EQ(ExpertsFolder(tree.Path(L"Gone")), L"");
    EXPECT_EQ(ExpertsFolder(tree.File(L"file", "x")), L"");
    EXPECT_EQ(ExpertsFolder(L""), L"");
}

}  // namespace
