// The start-up trace's marks: times since the process was created, written as
// "<milliseconds><tab><mark>" lines to standard output once the window has painted.
#include <windows.h>

#include "win32/startup_trace.h"

namespace {

struct Mark {
    const char* what;
    ULONGLONG at;  // 100-ns units of the system clock, as the process's creation time
};
Mark marks[64];
int count = 0;
bool written = false;

ULONGLONG Ticks(const FILETIME& time) { return (ULONGLONG{time.dwHighDateTime} << 32) | time.dwLowDateTime; }

}  // namespace

void StartupMark(const char* what) {
    if (written || count == static_cast<int>(sizeof marks / sizeof marks[0])) return;
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    marks[count++] = {what, Ticks(now)};
}

void StartupIdle() {
    if (written || HIWORD(GetQueueStatus(QS_ALLINPUT)) != 0) return;
    StartupMark("nothing queued: window painted");
    written = true;
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    for (int i = 0; i < count; ++i) {
        // Formatted by the system: the C library's formatting needs the start-up this program
        // does without.
        const unsigned long hundredths = static_cast<unsigned long>((marks[i].at - Ticks(created)) / 100);
        char line[160];
        const int length = wsprintfA(line, "%lu.%02lu\t%s\n", hundredths / 100, hundredths % 100, marks[i].what);
        DWORD done;
        WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line, static_cast<DWORD>(length), &done, nullptr);
    }
}
