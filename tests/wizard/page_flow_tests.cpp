#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "file_helpers.h"
#include "machine.h"
#include "win32/dpi.h"
#include "win32/shell_folders.h"
#include "win32/window.h"
#include "wizard/page_flow.h"
#include "wizard/page_layout.h"
#include "wizard/pages.h"
#include "wizard/report_queue.h"
#include "wizard/session.h"
#include "wizard/wizard_ids.h"
#include "wizard/worker.h"

namespace {

using enum WizardPage;
constexpr WizardPage kPages[] = {Welcome, Wait, Folders, Agreement, Installing, Finished};
constexpr const char* kPageNames[] = {"Welcome", "Wait", "Folders", "Agreement", "Installing", "Finished"};

std::string Describe(const FlowStep& step) {
    switch (step.action) {
        case FlowAction::None: return "nothing";
        case FlowAction::ShowPage: return std::string("show ") + kPageNames[static_cast<int>(step.page)];
        case FlowAction::StartJob: return "start the job";
        case FlowAction::Finish: return "finish";
        case FlowAction::Terminate: return "terminate";
    }
    return "?";
}

TEST(PageFlow, EveryEventOnEveryPage) {
    constexpr WizardEvent kEvents[] = {WizardEvent::Next, WizardEvent::Back, WizardEvent::Close,
                                       WizardEvent::JobFinished, WizardEvent::InstallationDone};
    // A hidden button's accelerator still raises its event: the pages where it is hidden
    // ignore it. The job's end and the installation's end lead on whatever shows, since each
    // happens on its own page only (Wait, Installing).
    const char* const kExpected[][5] = {
        //            Next             Back            Close        JobFinished       InstallationDone
        /* Welcome */ {"show Folders", "nothing", "terminate", "show Agreement", "show Finished"},
        /* Wait */ {"nothing", "nothing", "terminate", "show Agreement", "show Finished"},
        /* Folders */ {"start the job", "show Welcome", "terminate", "show Agreement", "show Finished"},
        /* Agreement */ {"show Installing", "show Folders", "terminate", "show Agreement", "show Finished"},
        /* Installing */ {"nothing", "nothing", "terminate", "show Agreement", "show Finished"},
        /* Finished */ {"finish", "nothing", "terminate", "show Agreement", "show Finished"},
    };
    for (int p = 0; p < 6; ++p)
        for (int e = 0; e < 5; ++e)
            EXPECT_EQ(Describe(StepOn(kPages[p], kEvents[e])), kExpected[p][e]) << kPageNames[p] << ", event " << e;
}

std::string Describe(const ButtonRule& rule) {
    std::string text = rule.visible ? "shown" : "hidden";
    text += rule.enabled == ButtonRule::Enabled::Yes  ? ", enabled"
            : rule.enabled == ButtonRule::Enabled::No ? ", disabled"
                                                       : "";
    switch (rule.caption) {
        case TextId::None: return text;
        case TextId::Next: return text + ", Next";
        case TextId::Back: return text + ", Back";
        case TextId::Finish: return text + ", Finish";
        default: return text + ", another text";
    }
}

TEST(PageFlow, ButtonRulesOnEntering) {
    struct Case {
        WizardPage page;
        bool selectionEmpty, acceptTicked;
        const char* next;
        const char* back;
    };
    const Case kCases[] = {
        {Welcome, true, false, "shown, enabled, Next", "hidden, Back"},
        {Wait, false, true, "hidden, Next", "hidden, Back"},
        {Folders, true, true, "shown, disabled, Next", "shown, Back"},
        {Folders, false, false, "shown, enabled, Next", "shown, Back"},
        {Agreement, false, false, "shown, disabled, Next", "shown, Back"},
        {Agreement, true, true, "shown, enabled, Next", "shown, Back"},
        {Installing, false, true, "hidden", "hidden"},
        // Finish is Next with another caption, enabled as it was when pressed on Agreement.
        {Finished, false, true, "shown, Finish", "hidden"},
    };
    for (const Case& c : kCases) {
        const ButtonRules rules = ButtonRulesOn(c.page, {c.selectionEmpty, c.acceptTicked});
        EXPECT_EQ(Describe(rules.next), c.next) << kPageNames[static_cast<int>(c.page)];
        EXPECT_EQ(Describe(rules.back), c.back) << kPageNames[static_cast<int>(c.page)];
    }
}

// ---- the session, driven without a window

// Notes what the session asks of its window. The job's reports come to this thread's queue
// as they come to the window's, and are handed to the session as the window hands them.
class NotedWindow final : public SessionView {
public:
    std::vector<WizardPage> pages;
    std::vector<std::string> events;
    FolderList listed, ticked;
    TextId finishedText = TextId::None;
    bool accepted = true;
    std::wstring chosen;                // what the folder browser gives; empty: cancelled
    std::vector<std::string> controls;  // what the session did to Next and the folder list
    ReportQueue reports{nullptr, GetCurrentThreadId()};
    WizardSession session{*this, reports};

    void EnterPage(WizardPage page, TextId text) override {
        pages.push_back(page);
        finishedText = text;
    }
    void ApplyButtonRules(const ButtonRules&) override {}
    void ShowFolders(const FolderList& installations, const FolderList&) override { listed = installations; }
    FolderList TickedFolders() override { return ticked; }
    bool AcceptTicked() override { return accepted; }
    void EnableNext(bool enabled) override { controls.push_back(enabled ? "next on" : "next off"); }
    bool ChooseFolder(std::wstring& folder) override {
        controls.push_back("browse");
        folder = chosen;
        return !chosen.empty();
    }
    void TickAndSelectFolder(const std::wstring& folder) override {
        controls.push_back("tick " + Narrow(folder));
        ticked.push_back(folder);
    }
    void SettlePage() override {}
    bool StartJobTimer() override { return false; }  // the session then awaits the job itself
    void StopJobTimer() override {}
    void SetProgressRange(int maximum) override { events.push_back("range " + std::to_string(maximum)); }
    void ShowInstallStep(const std::wstring&, int position) override {
        events.push_back("step " + std::to_string(position));
    }
    void HoldEndSession(bool held) override {
        if (held != held_) events.push_back(held ? "hold" : "let go");  // as the window, once
        held_ = held;
    }
    void Terminate() override { events.push_back("terminate"); }
    void Finish() override { events.push_back("finish"); }

    // The job's reports, until it has ended.
    void TakeReports() {
        MSG message;
        while (session.JobRunning() && GetMessageW(&message, nullptr, 0, 0) > 0) reports.Take(message.message, session);
    }

private:
    bool held_ = false;
};

TEST(Session, ACloseWhileInstallingEndsTheRunOnceTheJobHasEndedOnItsPage) {
    Machine machine;
    const std::wstring terminal = machine.AddTerminal(L"Terminal A");
    const std::wstring shortcut = SpecialFolderPath(nullptr, CSIDL_DESKTOP) + L"\\Mervane 4 User Guide.url";
    NotedWindow window;
    window.ticked = {terminal};
    WizardSession& session = window.session;
    session.Start();
    session.On(SessionEvent::Next);
    EXPECT_NE(std::find(window.listed.begin(), window.listed.end(), terminal), window.listed.end());
    session.On(SessionEvent::Next);  // the data-folder job, awaited without a timer
    EXPECT_EQ(session.SelectedInstallations(), FolderList{terminal});
    ASSERT_EQ(session.Page(), WizardPage::Agreement);
    session.On(SessionEvent::Next);
    ASSERT_TRUE(session.JobRunning());
    // While it writes, Close is noted and Next and Back are dropped: nothing ends yet.
    for (SessionEvent event : {SessionEvent::Close, SessionEvent::Next, SessionEvent::Back, SessionEvent::Close})
        session.On(event);
    EXPECT_EQ(session.Page(), WizardPage::Installing);
    window.TakeReports();

    using enum WizardPage;
    EXPECT_EQ(window.pages, (std::vector<WizardPage>{Welcome, Folders, Wait, Agreement, Installing, Finished}));
    // One copy and the shortcut, a logoff held over each write and not over the refresh;
    // held from the job's start, before its first report could reach the window.
    EXPECT_EQ(window.events, (std::vector<std::string>{"hold", "range 2", "step 1", "let go", "hold", "step 2",
                                                       "let go", "terminate"}));
    // This program carries no expert to copy: the Finished page says that not all was written.
    EXPECT_EQ(window.finishedText, TextId::NotInstalledEverywhere);
    EXPECT_FALSE(session.JobRunning());
    DeleteFileW(shortcut.c_str());
}

TEST(Session, NextFollowsTheTicksAndTheAddFolderButtonActsOnItsPageOnly) {
    Machine machine;
    const std::wstring terminal = machine.AddTerminal(L"Unlisted", false);
    NotedWindow window;
    WizardSession& session = window.session;
    window.chosen = terminal;
    session.Start();
    session.On(SessionEvent::AddFolder);
    EXPECT_EQ(window.controls, std::vector<std::string>{}) << "the browser opened on the Welcome page";

    session.On(SessionEvent::Next);
    ASSERT_EQ(session.Page(), WizardPage::Folders);
    session.On(SessionEvent::TicksChanged);
    window.ticked = {terminal};
    session.On(SessionEvent::TicksChanged);
    window.ticked = {};
    // A folder without a terminal's layout, a cancelled browser, then the terminal's folder.
    for (const std::wstring& chosen : {machine.Tree().Folder(L"Plain"), std::wstring(), terminal}) {
        window.chosen = chosen;
        session.On(SessionEvent::AddFolder);
    }
    EXPECT_EQ(window.controls, (std::vector<std::string>{"next off", "next on", "browse", "browse", "browse",
                                                         "tick " + Narrow(terminal), "next on"}));

    window.controls.clear();
    session.On(SessionEvent::Next);  // the data-folder job, awaited without a timer
    ASSERT_EQ(session.Page(), WizardPage::Agreement);
    EXPECT_EQ(session.SelectedInstallations(), FolderList{terminal});
    session.On(SessionEvent::AddFolder);
    for (bool accepted : {false, true}) {
        window.accepted = accepted;
        session.On(SessionEvent::AcceptChanged);
    }
    EXPECT_EQ(window.controls, (std::vector<std::string>{"next off", "next on"}));
}

TEST(Session, TheInstallationRunsAtNormalPriority) {
    // The job notes the priority of the thread it runs on. A terminal's strategy tester
    // keeping every core busy at normal priority would starve a job below it.
    struct NotedPriority final : JobReports {
        int priority = THREAD_PRIORITY_ERROR_RETURN;
        void ProgressRange(int) override { priority = GetThreadPriority(GetCurrentThread()); }
        void Step(const std::wstring&, int) override {}
        void HoldEndSession(bool) override {}
        void Ended(bool) override {}
    } sink;
    FolderList none, found;
    Worker installer(none, found, sink);
    installer.Assign(Job::Install);
    installer.Start();
    while (!installer.Finished()) Sleep(10);
    EXPECT_EQ(sink.priority, THREAD_PRIORITY_NORMAL);
    DeleteFileW((SpecialFolderPath(nullptr, CSIDL_DESKTOP) + L"\\Mervane 4 User Guide.url").c_str());
}

// ---- the layout table and the pages made from it

TEST(PageLayout, EveryControlHasOneRowOnItsPage) {
    // A control without a row would be placed at the first row's place; two rows, at either.
    struct Control {
        int id;
        int page;
    };
    constexpr int kWindow = kOnWindow;
    constexpr Control kControls[] = {
        {kButtonNext, kWindow},      {kButtonBack, kWindow},         {kButtonClose, kWindow},
        {kLogo, kWindow},            {kBanner, kWindow},             {kAppName, kWindow},
        {kPageControl, kWindow},     {kWelcomeText, int(Welcome)},   {kWaitText, int(Wait)},
        {kWaitAnimation, int(Wait)}, {kFoldersText, int(Folders)},   {kFolderList, int(Folders)},
        {kAddFolderButton, int(Folders)}, {kAgreementText, int(Agreement)}, {kAgreementMemo, int(Agreement)},
        {kAcceptBox, int(Agreement)}, {kRejectBox, int(Agreement)}, {kInstallingText, int(Installing)},
        {kStatusLine, int(Installing)}, {kProgressBar, int(Installing)}, {kFinishedText, int(Finished)},
    };
    EXPECT_EQ(std::size(kLayout), std::size(kControls));
    for (const Control& control : kControls) {
        const auto rows = std::count_if(std::begin(kLayout), std::end(kLayout),
                                        [&](const ControlPlace& place) { return place.control == control.id; });
        EXPECT_EQ(rows, 1) << "control " << control.id;
        EXPECT_EQ(RowOf(control.id).control, control.id);
        EXPECT_EQ(RowOf(control.id).page, control.page) << "control " << control.id;
    }
}

TEST(Pages, TheInstallingPageShowsTheHeadingItIsGiven) {
    // Another run (a removal) shows its own heading on the same page; the status line starts
    // with its label either way, and a step shows its path whole.
    HWND sheet = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 459, 350, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(sheet, nullptr);
    {
        InstallingPage page(sheet);
        page.Place(144);
        for (TextId heading : {TextId::Installing, TextId::Close}) {
            page.Enter(Language::German, 144, heading);
            EXPECT_EQ(WindowCaption(GetDlgItem(sheet, kInstallingText)), Text(heading, Language::German));
            EXPECT_EQ(WindowCaption(GetDlgItem(sheet, kStatusLine)), Text(TextId::Status, Language::German));
        }
        page.ShowStep(L"C:\\a long way\\to the expert.ex4", 1);
        EXPECT_EQ(WindowCaption(GetDlgItem(sheet, kStatusLine)), L"C:\\a long way\\to the expert.ex4");
        RECT status;
        GetWindowRect(GetDlgItem(sheet, kStatusLine), &status);
        EXPECT_EQ(status.right - status.left, Scale(kPageWidth - 40, 144));
    }
    DestroyWindow(sheet);
}

}  // namespace
