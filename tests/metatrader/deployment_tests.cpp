#include <gtest/gtest.h>

#include "file_helpers.h"
#include "metatrader/deployment.h"
#include "process_helpers.h"
#include "product_identity.h"
#include "standin_driver.h"

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

// Notes each step's outcome and each change of the logoff hold.
class RecordingView final : public InstallView {
public:
    explicit RecordingView(std::wstring desktop) : desktop_(std::move(desktop)) {}
    void SetProgressRange(int) override {}
    void ShowInstallStep(const std::wstring&, int) override {}
    std::wstring DesktopFolder() override { return desktop_; }
    void StepOutcome(const InstallOutcome& outcome) override {
        static const char* const kNames[] = {"expert ", "terminal ", "shortcut "};
        steps += kNames[static_cast<int>(outcome.step)];
        if (outcome.step == InstallOutcome::Step::Expert)
            experts.push_back(outcome.path + (outcome.done ? L" done" : L" " + std::to_wstring(outcome.error)));
    }
    void HoldEndSession(bool held) override { steps += held ? "hold " : "release "; }
    std::string steps;
    std::vector<std::wstring> experts;

private:
    std::wstring desktop_;
};

TEST(InstallFiles, HoldsALogoffOverTheWritesButNotOverTheRefresh) {
    TempTree tree;
    tree.Folder(L"A\\MQL4\\Experts");
    tree.Folder(L"B\\MQL4\\Experts");
    const StandInTerminal terminal(L"");
    RecordingView view(tree.Folder(L"Desktop"));
    EXPECT_TRUE(InstallFiles(BuiltProgramResources(), {tree.Path(L"A")}, {tree.Path(L"B")}, view));
    EXPECT_EQ(view.steps, "hold expert expert release terminal hold shortcut release ");
}

// A folder that is gone is told as itself; one whose experts folder is missing, by its file.
TEST(InstallFiles, TellsAGoneFolderFromAMissingExpertsFolder) {
    TempTree tree;
    const std::wstring present = tree.Folder(L"Present\\MQL4\\Experts"), bare = tree.Folder(L"Bare");
    const std::wstring gone = tree.Path(L"Gone"), file = tree.File(L"File", "x");
    RecordingView view(L"");
    EXPECT_FALSE(
        InstallFiles(BuiltProgramResources(), {gone, tree.Path(L"Present\\"), bare, L"\\"}, {file, gone}, view));
    const std::wstring missing = std::to_wstring(ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(view.experts,
              (std::vector<std::wstring>{gone + L" " + missing, present + L"\\" + kExpertFileName + L" done",
                                         bare + L"\\MQL4\\Experts\\" + kExpertFileName + L" " + missing,
                                         L"\\ " + missing, file + L" " + missing, gone + L" " + missing}));
}

}  // namespace
