#pragma once
#include <windows.h>

#include <atomic>

#include "win32/folder_list.h"
#include "win32/handles.h"
#include "wizard/job_reports.h"

enum class Job {
    None,
    FindDataFolders,  // fills the data folders of the selected installations
    Install,          // writes the expert and the shortcut, reporting each step
    Remove,           // the removal that Apps & Features starts, reported as the installation is
};

// The jobs that write files and report each step.
constexpr bool Writes(Job job) { return job == Job::Install || job == Job::Remove; }

// The wizard's one worker: created suspended at below-normal priority (normal for the
// installation), it runs its assigned job once started, and is marked finished when the job
// has returned. Destroying a worker whose job still runs waits for the job first. A worker
// whose thread could not be created runs its job on the caller's thread when started.
class Worker {
public:
    // The pause that keeps the Wait page up for at least a second.
    static constexpr DWORD kJobPauseMs = 1000;
    // The pause after each installation step, which keeps each path readable.
    static constexpr DWORD kInstallStepPauseMs = 200;

    // Finding the data folders reads `selectedInstallations` and fills `foundDataFolders`; the
    // installation reads both and reports to `reports`.
    Worker(const FolderList& selectedInstallations, FolderList& foundDataFolders, JobReports& reports);
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    bool Created() const { return static_cast<bool>(thread_); }
    Job Assigned() const { return job_; }
    void Assign(Job job) { job_ = job; }
    void Start();
    bool Finished() const { return finished_.load(std::memory_order_acquire); }

private:
    static DWORD WINAPI ThreadMain(void* self);
    void Execute();

    Job job_ = Job::None;
    const FolderList& selectedInstallations_;
    FolderList& foundDataFolders_;
    JobReports& reports_;
    std::atomic<bool> finished_{false};
    bool started_ = false;
    UniqueHandle thread_;
};
