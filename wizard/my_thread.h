#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>

#include "win32/folder_list.h"
#include "win32/handles.h"

// The wizard's one worker: created suspended at below-normal priority, it runs the job its
// Tag names once started, and is marked finished when the job has returned. Destroying a
// worker whose job still runs waits for the job first. A worker whose thread could not be
// created runs its job on the caller's thread when started.
class TMyThread {
public:
    static constexpr std::int32_t kDataFolderJob = 5;
    // The pause that keeps the Wait page up for at least a second.
    static constexpr DWORD kJobPauseMs = 1000;

    // The job reads `selectedInstallations` and fills `foundDataFolders`.
    TMyThread(const FolderList& selectedInstallations, FolderList& foundDataFolders);
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
    std::atomic<bool> finished_{false};
    bool started_ = false;
    UniqueHandle thread_;
};
