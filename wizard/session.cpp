#include "wizard/session.h"

#include "metatrader/installations.h"
#include "metatrader/terminal_discovery.h"

WizardSession::WizardSession(SessionView& view, JobReports& reports) : view_(view), reports_(reports) {}

WizardSession::~WizardSession() = default;  // the worker first: its job reads the lists

void WizardSession::ShowPage(WizardPage page) {
    page_ = page;
    // A run that left a folder without the expert says so instead of claiming success.
    const TextId finished = removing_ ? (everyCopyWritten_ ? TextId::Removed : TextId::NotRemovedEverywhere)
                                      : (everyCopyWritten_ ? TextId::Installed : TextId::NotInstalledEverywhere);
    view_.EnterPage(page, page != WizardPage::Installing ? finished : removing_ ? TextId::Removing : TextId::None);
    view_.ApplyButtonRules(ButtonRulesOn(page, {selectedInstallations_.empty(), view_.AcceptTicked()}));
    if (page == WizardPage::Folders) {
        // What was carried forward with Next comes back ticked, user-added folders after the
        // registry's and the running terminals'.
        view_.ShowFolders(FoldersOf(FindAllInstallations({}).installations), selectedInstallations_);
    }
    view_.SettlePage();
    if (page == WizardPage::Installing) StartJob(removing_ ? Job::Remove : Job::Install);
}

void WizardSession::On(SessionEvent event) {
    switch (event) {
        case SessionEvent::Next:
        case SessionEvent::Back:
        case SessionEvent::Close:
            // Once the application is to end, only the end is left.
            if (closeWhenJobEnds_) return;
            TakeStep(StepOn(page_, event == SessionEvent::Next   ? WizardEvent::Next
                                   : event == SessionEvent::Back ? WizardEvent::Back
                                                                 : WizardEvent::Close));
            break;
        case SessionEvent::AcceptChanged:
            view_.EnableNext(view_.AcceptTicked());
            break;
        case SessionEvent::TicksChanged:
            view_.EnableNext(!view_.TickedFolders().empty());
            break;
        case SessionEvent::AddFolder:
            AddFolder();
            break;
    }
}

void WizardSession::AddFolder() {
    // Like the navigation table's "nothing" cells: a click that reaches the button while its
    // page is hidden does nothing; a folder added then would be lost.
    if (page_ != WizardPage::Folders) return;
    std::wstring folder;
    if (!view_.ChooseFolder(folder) || !IsTerminalFolder(folder)) return;
    view_.TickAndSelectFolder(folder);
    On(SessionEvent::TicksChanged);
}

void WizardSession::TakeStep(const FlowStep& step) {
    switch (step.action) {
        case FlowAction::None:
            break;
        case FlowAction::ShowPage:
            ShowPage(step.page);
            break;
        case FlowAction::StartJob:
            if (worker_) break;  // the worker reads the selection until it is freed
            selectedInstallations_ = view_.TickedFolders();
            StartJob(Job::FindDataFolders);
            break;
        case FlowAction::Finish:
            if (removing_)
                view_.Terminate();  // nothing to read about a product that is gone
            else
                view_.Finish();
            break;
        case FlowAction::Terminate:
            // The installation runs to its end and its Finished page is set up first: the
            // files are never left half-written, and the logoff hold is let go on its thread.
            if (worker_ && Writes(worker_->Assigned()))
                closeWhenJobEnds_ = true;
            else
                view_.Terminate();
            break;
    }
}

void WizardSession::StartJob(Job job) {
    if (!worker_) worker_ = std::make_unique<Worker>(selectedInstallations_, foundDataFolders_, reports_);
    worker_->Assign(job);
    if (Writes(job)) {
        // Held from here, not from the job's first report: until that report is taken the
        // window would let a logoff through, and the job would write into an ending session.
        view_.HoldEndSession(true);
        worker_->Start();  // its end comes as Ended
        return;
    }
    const bool threaded = worker_->Created();
    if (threaded) worker_->Start();
    const bool polled = threaded && view_.StartJobTimer();
    ShowPage(WizardPage::Wait);
    if (polled) return;
    // No thread of its own, or no timer to look after it: the job runs here, or its end is
    // awaited here, so that the Wait page never stays for good.
    if (!threaded) worker_->Start();
    while (!worker_->Finished()) Sleep(50);
    JobTimerTick();
}

void WizardSession::JobTimerTick() {
    if (!worker_ || worker_->Assigned() != Job::FindDataFolders || !worker_->Finished()) return;
    worker_.reset();
    view_.StopJobTimer();
    TakeStep(StepOn(page_, WizardEvent::JobFinished));
}

void WizardSession::Ended(bool everyCopyWritten) {
    if (!worker_ || !Writes(worker_->Assigned())) return;
    worker_.reset();
    everyCopyWritten_ = everyCopyWritten;
    TakeStep(StepOn(page_, WizardEvent::InstallationDone));
    if (closeWhenJobEnds_) view_.Terminate();
}
