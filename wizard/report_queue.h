#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "wizard/job_reports.h"

// A job's reports carried to another thread. Each report waits here, and a message that
// carries none of it tells that thread to take the reports waiting: posted to `window` (sent
// for the logoff hold, so that it is taken before the job goes on), or with no window posted
// to the thread `thread`. Any program at the window's level can post to it; what it posts
// there is no report.
class ReportQueue final : public JobReports {
public:
    explicit ReportQueue(HWND window, DWORD thread = 0) : window_(window), thread_(thread) {}
    void ProgressRange(int maximum) override;
    void Step(const std::wstring& path, int position) override;
    void HoldEndSession(bool held) override;
    void Ended(bool everyCopyWritten) override;

    // When `message` is the queue's wake-up, hands the reports waiting to `receiver`, in the
    // order they came, and returns true.
    bool Take(UINT message, JobReports& receiver);

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
    // Taken from `next_` on; emptied once all are taken (less code than a deque).
    std::vector<Report> reports_;
    size_t next_ = 0;
};
