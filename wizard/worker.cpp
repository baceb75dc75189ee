#include "wizard/worker.h"

#include <shlobj.h>

#include "metatrader/data_folders.h"
#include "metatrader/deployment.h"
#include "metatrader/product_registration.h"
#include "win32/end_session_hold.h"
#include "win32/held_folder.h"
#include "win32/shell_folders.h"
#include "win32/system_functions.h"

namespace {

// The Installing page as the job sees it: each step goes to the window, and the pause
// between steps is the job's, so the window paints and takes input all the while.
class ReportedInstallView final : public InstallView {
public:
    explicit ReportedInstallView(JobReports& reports) : reports_(reports) {}
    void SetProgressRange(int maximum) override { reports_.ProgressRange(maximum); }
    void ShowInstallStep(const std::wstring& text, int position) override {
        reports_.Step(text, position);
        Sleep(Worker::kInstallStepPauseMs);
    }
    std::wstring DesktopFolder() override { return SignedInUserFolderPath(nullptr, CSIDL_DESKTOP); }
    void HoldEndSession(bool held) override { reports_.HoldEndSession(held); }
    // The window answers the session's end once the file in hand is written, and Windows
    // may end the process from then on: no file is begun after it.
    bool BeginWrite() override { return EndSessionHold::BeginWrite(); }
    void EndWrite() override { EndSessionHold::EndWrite(); }
    void StepOutcome(const InstallOutcome& outcome) override {
        if (outcome.step == InstallOutcome::Step::Expert && outcome.done) ++copiesWritten;
    }
    unsigned copiesWritten = 0;

private:
    JobReports& reports_;
};

}  // namespace

Worker::Worker(const FolderList& selectedInstallations, FolderList& foundDataFolders, JobReports& reports)
    : selectedInstallations_(selectedInstallations), foundDataFolders_(foundDataFolders), reports_(reports) {
    // The jobs reach these: set up here, on the user-interface thread.
    ShellApi();
    PrepareWrites();
    thread_.reset(CreateThread(nullptr, 0, ThreadMain, this, CREATE_SUSPENDED, nullptr));
    if (thread_) SetThreadPriority(thread_.get(), THREAD_PRIORITY_BELOW_NORMAL);
}

Worker::~Worker() {
    if (!thread_) return;
    if (!started_) {
        // Never started: let it run to its (empty) end rather than kill it.
        job_ = Job::None;
        ResumeThread(thread_.get());
    }
    // The job may be sending to this thread's window (the logoff hold): let that through.
    HANDLE thread = thread_.get();
    DWORD woken;
    while ((woken = MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE)) == WAIT_OBJECT_0 + 1) {
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    if (woken != WAIT_OBJECT_0) WaitForSingleObject(thread, INFINITE);
}

void Worker::Start() {
    if (started_) return;
    started_ = true;
    // The installation keeps the pace it had on the window's thread: below normal, a terminal
    // testing strategies on every core would hold each step up for seconds.
    if (thread_ && Writes(job_)) SetThreadPriority(thread_.get(), THREAD_PRIORITY_NORMAL);
    if (thread_)
        ResumeThread(thread_.get());
    else
        ThreadMain(this);  // no thread could be made: the job runs all the same, here
}

DWORD WINAPI Worker::ThreadMain(void* self) {
    // Nothing escapes the job: its failures are return values, and running out of memory ends
    // the process. A job that found nothing counts as finished all the same.
    auto* worker = static_cast<Worker*>(self);
    worker->Execute();
    worker->finished_.store(true, std::memory_order_release);
    return 0;
}

void Worker::Execute() {
    if (job_ == Job::FindDataFolders) {
        Sleep(kJobPauseMs);
        FindDataFolders(selectedInstallations_, foundDataFolders_);
    } else if (job_ == Job::Install) {
        ReportedInstallView view(reports_);
        const bool everyCopyWritten = InstallFiles(nullptr, selectedInstallations_, foundDataFolders_, view);
        // The last step, without a text of its own; what it gives changes no page's text.
        if (view.copiesWritten) {
            view.HoldEndSession(true);
            if (view.BeginWrite()) {
                RegisterProduct(view.copiesWritten);
                view.EndWrite();
            }
            view.HoldEndSession(false);
        }
        reports_.Ended(everyCopyWritten);
    } else if (job_ == Job::Remove) {
        ReportedInstallView view(reports_);
        reports_.Ended(RemoveProduct(view));
    }
}
