#include "wizard/report_queue.h"

#include <utility>

namespace {

// Only that reports wait: the reports themselves stay in the queue.
constexpr UINT kReportsWaiting = WM_APP + 1;

}  // namespace

void ReportQueue::Queue(Report report, bool send) {
    AcquireSRWLockExclusive(&lock_);
    reports_.push_back(std::move(report));
    ReleaseSRWLockExclusive(&lock_);
    if (!window_)
        PostThreadMessageW(thread_, kReportsWaiting, 0, 0);
    else if (send)
        SendMessageW(window_, kReportsWaiting, 0, 0);
    else
        PostMessageW(window_, kReportsWaiting, 0, 0);
}

void ReportQueue::ProgressRange(int maximum) { Queue({Report::Kind::Range, maximum}); }

void ReportQueue::Step(const std::wstring& path, int position) { Queue({Report::Kind::Step, position, path}); }

// Sent to a window: a logoff asked for before the window had taken the hold would be let
// through while the first file is written.
void ReportQueue::HoldEndSession(bool held) { Queue({Report::Kind::Hold, held}, true); }

void ReportQueue::Ended(bool everyCopyWritten) { Queue({Report::Kind::Ended, everyCopyWritten}); }

bool ReportQueue::Take(UINT message, JobReports& receiver) {
    if (message != kReportsWaiting) return false;
    // One at a time, the lock let go before each call: a call may wait for the job, and a
    // report the job sends meanwhile is taken inside it, after those before it.
    for (;;) {
        AcquireSRWLockExclusive(&lock_);
        if (next_ == reports_.size()) {
            reports_.clear();
            next_ = 0;
            ReleaseSRWLockExclusive(&lock_);
            return true;
        }
        const Report report = std::move(reports_[next_++]);
        ReleaseSRWLockExclusive(&lock_);
        switch (report.kind) {
            case Report::Kind::Range: receiver.ProgressRange(report.value); break;
            case Report::Kind::Step: receiver.Step(report.path, report.value); break;
            case Report::Kind::Hold: receiver.HoldEndSession(report.value != 0); break;
            case Report::Kind::Ended: receiver.Ended(report.value != 0); break;
        }
    }
}
