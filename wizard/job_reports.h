#pragma once
#include <string>

// What the installation job reports, in order, from the job's own thread. The session takes
// these on the window's thread (report_queue.h carries them there) and tells the window what
// to show.
class JobReports {
public:
    virtual void ProgressRange(int maximum) = 0;
    // A path being written and the bar's position.
    virtual void Step(const std::wstring& path, int position) = 0;
    // Files are being written (true) or written (false): the window's thread holds a logoff.
    virtual void HoldEndSession(bool held) = 0;
    // The job's last word.
    virtual void Ended(bool everyCopyWritten) = 0;

protected:
    ~JobReports() = default;
};
