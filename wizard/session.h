#pragma once
#include <memory>

#include "texts/texts.h"
#include "win32/folder_list.h"
#include "wizard/job_reports.h"
#include "wizard/page_flow.h"
#include "wizard/worker.h"

// What the session asks of the window, always on the window's thread.
class SessionView {
public:
    // Makes `page` the one that shows, with its texts; the Finished page's is `pageText`, and
    // the Installing page's heading where `pageText` is not None.
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

// What the user did, as the window tells it.
enum class SessionEvent {
    Next,           // Next or Finish, clicked or by its accelerator, also while hidden
    Back,
    Close,          // the close button, Esc, Alt+F4 or the taskbar's close
    AcceptChanged,  // an agreement box ticked or unticked, by the user or as the other one unticks it
    TicksChanged,   // a folder row ticked or unticked by the user
    AddFolder,      // the Add Folder button
};

// The wizard's run without its window: the selection lists, the worker and its jobs, the
// page steps, the button rules and what each page does on entry. The window hands it every
// event; the installation's reports reach it on the window's thread, through `reports` (the
// queue the job reports to) and the JobReports it is itself.
class WizardSession final : public JobReports {
public:
    WizardSession(SessionView& view, JobReports& reports);
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
    void On(SessionEvent event);
    void JobTimerTick();

    // The installation's reports, taken on the window's thread.
    void ProgressRange(int maximum) override { view_.SetProgressRange(maximum); }
    void Step(const std::wstring& path, int position) override { view_.ShowInstallStep(path, position); }
    void HoldEndSession(bool held) override { view_.HoldEndSession(held); }
    void Ended(bool everyCopyWritten) override;

private:
    void ShowPage(WizardPage page);
    void TakeStep(const FlowStep& step);
    void StartJob(Job job);
    void AddFolder();

    SessionView& view_;
    JobReports& reports_;
    WizardPage page_ = WizardPage::Welcome;
    bool everyCopyWritten_ = true;
    bool closeWhenJobEnds_ = false;
    bool removing_ = false;
    FolderList selectedInstallations_;
    FolderList foundDataFolders_;
    std::unique_ptr<Worker> worker_;  // last: freed first, once its job has returned
};
