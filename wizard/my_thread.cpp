#include "wizard/my_thread.h"

#include <shlobj.h>

#include <utility>

#include "metatrader/data_folders.h"
#include "metatrader/deployment.h"
#include "win32/end_session_hold.h"
#include "win32/held_folder.h"
#include "win32/shell_folders.h"
#include "win32/system_functions.h"

namespace {

// Only that reports wait: the reports themselves stay in the sink.
constexpr UINT kJobReportsWaiting = WM_APP + 1;

// The Installing page as the job sees it: each step goes to the window, and the pause
// between steps is the job's, so the window paints and takes input all the while.
class PostedInstallView final : public InstallView {
public:
    explicit PostedInstallView(JobSink& sink) : sink_(sink) {}
    void SetProgressRange(int maximum) override { sink_.JobProgressRange(maximum); }
    void ShowInstallStep(const std::wstring& text, int position) override {
        sink_.JobStep(text, position);
        Sleep(TMyThread::kInstallStepPauseMs);
    }
    std::wstring DesktopFolder() override { return SignedInUserFolderPath(nullptr, CSIDL_DESKTOP); }
    void HoldEndSession(bool held) override { sink_.JobHoldEndSession(held); }
    // The window answers the session's end once the file in hand is written, and Windows
    // may end the process from then on: no file is begun after it.
    bool BeginWrite() override { return EndSessionHold::BeginWrite(); }
    void EndWrite() override { EndSessionHold::EndWrite(); }

private:
    JobSink& sink_;
};

}  // namespace

void PostedJobSink::Queue(Report report, bool send) {
    AcquireSRWLockExclusive(&lock_);
    reports_.push_back(std::move(report));
    ReleaseSRWLockExclusive(&lock_);
    if (!window_)
        PostThreadMessageW(thread_, kJobReportsWaiting, 0, 0);
    else if (send)
        SendMessageW(window_, kJobReportsWaiting, 0, 0);
    else
        PostMessageW(window_, kJobReportsWaiting, 0, 0);
}

void PostedJobSink::JobProgressRange(int maximum) { Queue({Report::Kind::Range, maximum}); }

void PostedJobSink::JobStep(const std::wstring& path, int position) { Queue({Report::Kind::Step, position, path}); }

// Sent to a window: a logoff asked for before the window had taken the hold would be let
// through while the first file is written.
void PostedJobSink::JobHoldEndSession(bool held) { Queue({Report::Kind::Hold, held}, true); }

void PostedJobSink::JobEnded(bool everyCopyWritten) { Queue({Report::Kind::Ended, everyCopyWritten}); }

bool PostedJobSink::Take(UINT message, JobSink& receiver) {
    if (message != kJobReportsWaiting) return false;
    // One at a time, the lock let go before each call: a call may wait for the job, and a
    // report the job sends meanwhile is taken inside it, after those before it.
    for (;;) {
        AcquireSRWLockExclusive(&lock_);
        if (reports_.empty()) {
            ReleaseSRWLockExclusive(&lock_);
            return true;
        }
        const Report report = std::move(reports_.front());
        reports_.pop_front();
        ReleaseSRWLockExclusive(&lock_);
        switch (report.kind) {
            case Report::Kind::Range: receiver.JobProgressRange(report.value); break;
            case Report::Kind::Step: receiver.JobStep(report.path, report.value); break;
            case Report::Kind::Hold: receiver.JobHoldEndSession(report.value != 0); break;
            case Report::Kind::Ended: receiver.JobEnded(report.value != 0); break;
        }
    }
}

TMyThread::TMyThread(const FolderList& selectedInstallations, FolderList& foundDataFolders, JobSink& sink)
    : selectedInstallations_(selectedInstallations), foundDataFolders_(foundDataFolders), sink_(sink) {
    // The jobs reach these: set up here, on the user-interface thread.
    ShellApi();
    PrepareWrites();
    thread_.reset(CreateThread(nullptr, 0, ThreadMain, this, CREATE_SUSPENDED, nullptr));
    if (thread_) SetThreadPriority(thread_.get(), THREAD_PRIORITY_BELOW_NORMAL);
}

TMyThread::~TMyThread() {
    if (!thread_) return;
    if (!started_) {
        // Never started: let it run to its (empty) end rather than kill it.
        FTag = 0;
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

void TMyThread::Start() {
    if (started_) return;
    started_ = true;
    // The installation keeps the pace it had on the window's thread: below normal, a terminal
    // testing strategies on every core would hold each step up for seconds.
    if (thread_ && FTag == kInstallJob) SetThreadPriority(thread_.get(), THREAD_PRIORITY_NORMAL);
    if (thread_)
        ResumeThread(thread_.get());
    else
        ThreadMain(this);  // no thread could be made: the job runs all the same, here
}

DWORD WINAPI TMyThread::ThreadMain(void* self) {
    // Nothing escapes the job: its failures are return values, and running out of memory ends
    // the process. A job that found nothing counts as finished all the same.
    auto* worker = static_cast<TMyThread*>(self);
    worker->Execute();
    worker->finished_.store(true, std::memory_order_release);
    return 0;
}

void TMyThread::Execute() {
    if (FTag == kDataFolderJob) {
        Sleep(kJobPauseMs);
        FindDataFolders(selectedInstallations_, foundDataFolders_);
    } else if (FTag == kInstallJob) {
        PostedInstallView view(sink_);
        sink_.JobEnded(InstallFiles(nullptr, selectedInstallations_, foundDataFolders_, view));
    }
}
