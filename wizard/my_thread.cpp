#include "wizard/my_thread.h"

#include <shlobj.h>

#include <memory>

#include "metatrader/data_folders.h"
#include "metatrader/deployment.h"
#include "win32/files.h"
#include "win32/shell_folders.h"
#include "win32/system_functions.h"

namespace {

enum JobMessage : UINT {
    kJobProgressRange = WM_APP + 1,  // wParam: the maximum
    kJobStep,                        // wParam: the position; lParam: the path, a std::wstring* the taker frees
    kJobHoldEndSession,              // wParam: files being written (1) or written (0)
    kJobEnded,                       // wParam: every expert copy written
};

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

private:
    JobSink& sink_;
};

}  // namespace

bool PostedJobSink::Post(UINT message, WPARAM wParam, LPARAM lParam) const {
    return window_ ? PostMessageW(window_, message, wParam, lParam) : PostThreadMessageW(thread_, message, wParam, lParam);
}

void PostedJobSink::JobProgressRange(int maximum) { Post(kJobProgressRange, maximum); }

void PostedJobSink::JobStep(const std::wstring& path, int position) {
    auto text = std::make_unique<std::wstring>(path);
    if (Post(kJobStep, position, reinterpret_cast<LPARAM>(text.get()))) text.release();
}

void PostedJobSink::JobHoldEndSession(bool held) {
    // Sent, not posted, to a window: a logoff asked for before the window had taken the hold
    // would be let through while the first file is written.
    if (window_)
        SendMessageW(window_, kJobHoldEndSession, held, 0);
    else
        Post(kJobHoldEndSession, held);
}

void PostedJobSink::JobEnded(bool everyCopyWritten) { Post(kJobEnded, everyCopyWritten); }

bool TakeJobMessage(UINT message, WPARAM wParam, LPARAM lParam, JobSink& receiver) {
    switch (message) {
        case kJobProgressRange:
            receiver.JobProgressRange(static_cast<int>(wParam));
            return true;
        case kJobStep: {
            const std::unique_ptr<std::wstring> path(reinterpret_cast<std::wstring*>(lParam));
            receiver.JobStep(*path, static_cast<int>(wParam));
            return true;
        }
        case kJobHoldEndSession:
            receiver.JobHoldEndSession(wParam != 0);
            return true;
        case kJobEnded:
            receiver.JobEnded(wParam != 0);
            return true;
    }
    return false;
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
