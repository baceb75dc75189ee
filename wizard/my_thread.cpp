#include "wizard/my_thread.h"

#include "metatrader/data_folders.h"
#include "win32/system_functions.h"

TMyThread::TMyThread(const FolderList& selectedInstallations, FolderList& foundDataFolders)
    : selectedInstallations_(selectedInstallations), foundDataFolders_(foundDataFolders) {
    ShellApi();  // the job reaches it: set up here, on the user-interface thread
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
    if (FTag != kDataFolderJob) return;
    Sleep(kJobPauseMs);
    FindDataFolders(selectedInstallations_, foundDataFolders_);
}
