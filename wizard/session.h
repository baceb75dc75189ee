#pragma once
#include <memory>

#include "texts/texts.h"
#include "win32/folder_list.h"
#include "wizard/my_thread.h"
#include "wizard/page_flow.h"

// What the session asks of the window, always on the window's thread.
class SessionView {
public:
    // Makes `page` the one that shows, with its texts; the Finished page's is `pageText`, and
    // the Installing page's first one where `pageText` is not 0.
    virtual void EnterPage(WizardPage page, TextId pageText) = 0;
    virtual void ApplyButtonRules(const ButtonRules& rules) = 0;
    // The Folders list anew: `installations`, then each of `ticked` not among them; every
    // one of `ticked` ticked.
    virtual void ShowFolders(const FolderList& installations, const FolderList& ticked) = 0;
    virtual FolderList TickedFolders() = 0;
    // The page's entry done: the focus on a control that can take it, the page painted.
    virtual void SettlePage() = 0;
    virtual bool AcceptTicked() = 0;
    virtual void EnableNext(bool enabled) = 0;
    // The folder browser, opened where terminals are installed; false when nothing was chosen.
    virtual bool ChooseFolder(std::wstring& folder) = 0;
    // Ticks and selects the row of `folder`, added at the end where no row names it in that
    // spelling.
    virtual void TickAndSelectFolder(const std::wstring& folder) = 0;
    // The timer that looks after the data-folder job; false when there is none.
    virtual bool StartJobTimer() = 0;
    virtual void StopJobTimer() = 0;
    virtual void SetProgressRange(int maximum) = 0;
    virtual void ShowInstallStep(const std::wstring& path, int position) = 0;
    // Holds a logoff (true), once however often asked, or lets it go (false).
    virtual void HoldEndSession(bool held) = 0;
    // The application ends once back in its message loop.
    virtual void Terminate() = 0;
    // Opens the user guide and ends the process.
    virtual void Finish() = 0;

protected:
    ~SessionView() = default;
};

// The wizard's run without its window: the selection lists, the worker and its jobs, the
// page steps, the button rules and what each page does on entry. The window hands it every
// event; `jobs` gets what the installation job reports, from the job's thread, and hands it
// back to the window's thread (InstallStep ... InstallEnded).
class WizardSession {
public:
    WizardSession(SessionView& view, JobSink& jobs);
    ~WizardSession();
    WizardSession(const WizardSession&) = delete;
    WizardSession& operator=(const WizardSession&) = delete;

    WizardPage Page() const { return page_; }
    const FolderList& SelectedInstallations() const { return selectedInstallations_; }
    bool JobRunning() const { return worker_ != nullptr; }

    void Start() { ShowPage(WizardPage::Welcome); }
    // The removal: the Installing page with its removal text, then the Finished page, whose
    // Finish ends the program.
    void StartRemoval() {
        removing_ = true;
        ShowPage(WizardPage::Installing);
    }
    // Next, Back or the close button, told apart by their Tag; also what Alt+F4 does.
    void ButtonNavigationClick(int tag);
    // An agreement box ticked or unticked, by the user or by the window as it unticks the
    // other one.
    void CheckBox5Click();
    // A folder row ticked or unticked by the user.
    void CheckListBox4ClickCheck();
    void ButtonAddFolder4Click();
    void JobTimerTick();
    // What the installation job reported, now on the window's thread.
    void InstallStep(const std::wstring& path, int position) { view_.ShowInstallStep(path, position); }
    void InstallEnded(bool everyCopyWritten);

private:
    void ShowPage(WizardPage page);
    void TakeStep(const FlowStep& step);
    void StartJob(int job);

    SessionView& view_;
    JobSink& jobs_;
    WizardPage page_ = WizardPage::Welcome;
    bool everyCopyWritten_ = true;
    bool closeWhenJobEnds_ = false;
    bool removing_ = false;
    FolderList selectedInstallations_;
    FolderList foundDataFolders_;
    std::unique_ptr<TMyThread> worker_;  // last: freed first, once its job has returned
};
