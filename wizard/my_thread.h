#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <string>

#include "win32/folder_list.h"
#include "win32/handles.h"

// What the installation job tells the window, from the job's own thread: the window's
// thread shows each of them when it gets to it.
class JobSink {
public:
    virtual void JobProgressRange(int maximum) = 0;
    virtual void JobStep(const std::wstring& path, int position) = 0;
    // Files are being written (true) or written (false): the window's thread holds a logoff.
    virtual void JobHoldEndSession(bool held) = 0;
    // The job's last word.
    virtual void JobEnded(bool everyCopyWritten) = 0;

protected:
    ~JobSink() = default;
};

// A job's reports carried to another thread. Each report waits here, and a message that
// carries none of it tells that thread to take the reports waiting: posted to `window` (sent
// for the logoff hold, so that it is taken before the job goes on), or with no window posted
// to the thread `thread`. Any program at the window's level can post to it; what it posts
// there is no report.
class PostedJobSink final : public JobSink {
public:
    explicit PostedJobSink(HWND window, DWORD thread = 0) : window_(window), thread_(thread) {}
    void JobProgressRange(int maximum) override;
    void JobStep(const std::wstring& path, int position) override;
    void JobHoldEndSession(bool held) override;
    void JobEnded(bool everyCopyWritten) override;

    // When `message` is the sink's, makes the calls of the reports waiting on `receiver`, in
    // the order they came, and returns true.
    bool Take(UINT message, JobSink& receiver);

private:
    struct Report {
        enum class Kind { Range, Step, Hold, Ended } kind;
        int value;
        std::wstring path;
    };
    void Queue(Report report, bool send = false);

    HWND window_;
    DWORD thread_;
    SRWLOCK lock_ = SRWLOCK_INIT;
    std::deque<Report> reports_;
};

// The wizard's one worker: created suspended at below-normal priority (normal for the
// installation), it runs the job its Tag names once started, and is marked finished when the job has returned. Destroying a
// worker whose job still runs waits for the job first. A worker whose thread could not be
// created runs its job on the caller's thread when started.
class TMyThread {
public:
    static constexpr std::int32_t kDataFolderJob = 5;
    static constexpr std::int32_t kInstallJob = 6;
    // The removal that Apps & Features starts: reported as the installation is.
    static constexpr std::int32_t kRemoveJob = 7;
    static constexpr bool Writes(std::int32_t job) { return job == kInstallJob || job == kRemoveJob; }
    // The pause that keeps the Wait page up for at least a second.
    static constexpr DWORD kJobPauseMs = 1000;
    // The pause after each installation step, which keeps each path readable.
    static constexpr DWORD kInstallStepPauseMs = 200;

    // The data-folder job reads `selectedInstallations` and fills `foundDataFolders`; the
    // installation job reads both and reports to `sink`.
    TMyThread(const FolderList& selectedInstallations, FolderList& foundDataFolders, JobSink& sink);
    ~TMyThread();
    TMyThread(const TMyThread&) = delete;
    TMyThread& operator=(const TMyThread&) = delete;

    bool Created() const { return static_cast<bool>(thread_); }
    std::int32_t Tag() const { return FTag; }
    void SetTag(std::int32_t tag) { FTag = tag; }
    void Start();
    bool Finished() const { return finished_.load(std::memory_order_acquire); }

private:
    static DWORD WINAPI ThreadMain(void* self);
    void Execute();

    std::int32_t FTag = 0;
    const FolderList& selectedInstallations_;
    FolderList& foundDataFolders_;
    JobSink& sink_;
    std::atomic<bool> finished_{false};
    bool started_ = false;
    UniqueHandle thread_;
};
