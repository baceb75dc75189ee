#include <gtest/gtest.h>

#include "app/embedded_resource.h"
#include "file_helpers.h"
#include "metatrader/deployment.h"
#include "process_helpers.h"

namespace {

std::span<const BYTE> Bytes(const std::string& text) {
    return {reinterpret_cast<const BYTE*>(text.data()), text.size()};
}

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

TEST(WriteFileReplacing, ReplacesTheWholeFileAndLeavesNoTemporaryFile) {
    TempTree tree;
    const std::wstring target = tree.File(L"Experts\\Mervane 4.ex4", std::string(100000, 'o'));
    EXPECT_TRUE(WriteFileReplacing(target, Bytes("new expert")));
    EXPECT_EQ(ReadBytes(target), "new expert");
    // An empty payload, as a resource that could not be loaded gives, is a failed write.
    EXPECT_FALSE(WriteFileReplacing(target, Bytes("")));
    EXPECT_FALSE(WriteFileReplacing(tree.Path(L"Experts\\second.ex4"), Bytes("")));
    EXPECT_EQ(ReadBytes(target), "new expert");
    EXPECT_EQ(FolderEntries(tree.Path(L"Experts")), std::vector<std::wstring>{L"Mervane 4.ex4"});

    // A file at a drive's root goes there, not into the current folder on that drive.
    const std::wstring atRoot = tree.Root().substr(0, 3) + L"mervane-" + std::to_wstring(GetCurrentProcessId());
    wchar_t current[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, current);
    SetCurrentDirectoryW(tree.Folder(L"Current").c_str());
    EXPECT_TRUE(WriteFileReplacing(atRoot, Bytes("at the root")));
    SetCurrentDirectoryW(current);
    EXPECT_EQ(ReadBytes(atRoot), "at the root");
    DeleteFileW(atRoot.c_str());
    EXPECT_TRUE(FolderEntries(tree.Path(L"Current")).empty());
}

TEST(WriteFileReplacing, AHardLinkAtTheTargetIsReplacedNotWrittenThrough) {
    TempTree tree;
    const std::wstring elsewhere = tree.File(L"System\\precious.dll", "precious");
    const std::wstring target = tree.Folder(L"Experts") + L"\\Mervane 4.ex4";
    ASSERT_TRUE(CreateHardLinkW(target.c_str(), elsewhere.c_str(), nullptr));
    EXPECT_TRUE(WriteFileReplacing(target, Bytes("expert")));
    EXPECT_EQ(ReadBytes(target), "expert");
    EXPECT_EQ(ReadBytes(elsewhere), "precious");
}

TEST(WriteFileReplacing, AFileThatCannotBeReplacedStaysAsItWas) {
    TempTree tree;
    const std::wstring readOnly = tree.File(L"Experts\\read-only.ex4", "old read-only");
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(WriteFileReplacing(readOnly, Bytes("new")));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED)) << "the reason, for the log";
    EXPECT_EQ(ReadBytes(readOnly), "old read-only");

    // A terminal holding the file open: the rename fails, the old expert survives whole
    // and the temporary file is gone.
    const std::wstring held = tree.File(L"Experts\\held.ex4", "old held");
    HANDLE holder = CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(WriteFileReplacing(held, Bytes("new")));
    const DWORD heldError = GetLastError();
    EXPECT_TRUE(heldError == ERROR_SHARING_VIOLATION || heldError == ERROR_ACCESS_DENIED) << heldError;
    CloseHandle(holder);
    EXPECT_EQ(ReadBytes(held), "old held");

    std::vector<std::wstring> left = FolderEntries(tree.Path(L"Experts"));
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::wstring>{L"held.ex4", L"read-only.ex4"}));
}

TEST(WriteFileReplacing, CreatesNoFolder) {
    TempTree tree;
    const std::wstring installation = tree.Folder(L"MetaTrader");
    EXPECT_FALSE(WriteFileReplacing(installation + L"\\MQL4\\Experts\\Mervane 4.ex4", Bytes("x")));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_TRUE(FolderEntries(installation).empty());
}

TEST(ExtractResourceToFile, WritesTheEmbeddedBytesUnchanged) {
    HMODULE program = LoadLibraryExW(BuiltProgram(L"Mervane4Setup.exe").c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(program, nullptr);
    TempTree tree;
    const std::wstring target = tree.File(L"Experts\\Mervane 4.ex4", "an older expert");
    EXPECT_TRUE(ExtractResourceToFile(program, L"EXEFILE", L"EXPERT", target));
    std::span<const BYTE> expert = EmbeddedResource(program, L"EXEFILE", L"EXPERT");
    EXPECT_EQ(ReadBytes(target), std::string(reinterpret_cast<const char*>(expert.data()), expert.size()));

    EXPECT_FALSE(ExtractResourceToFile(program, L"EXEFILE", L"NO SUCH", tree.Path(L"Experts\\none")));
    EXPECT_EQ(ReadBytes(tree.Path(L"Experts\\none")), "<missing>");
    FreeLibrary(program);
}

}  // namespace
