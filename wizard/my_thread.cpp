#include "wizard/my_thread.h"

#include <shlobj.h>

#include "metatrader/data_folders.h"
#include "metatrader/deployment.h"
#include "win32/files.h"
#include "win32/shell_folders.h"
#include "win32/system_functions.h"

namespace {

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
    WaitForSingleObject(thread_.get(), INFINITE);
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
