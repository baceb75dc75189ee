#pragma once
// Marks on the way to the first painted window, for the start-up trace among the benchmarks.
// They are compiled out of the program itself.
#ifdef MERVANE_STARTUP_TRACE
void StartupMark(const char* what);
// Called before the message loop waits: once nothing is queued (the window and its controls
// have painted), the last mark is set and the trace is written to standard output.
void StartupIdle();
#define STARTUP_MARK(what) StartupMark(what)
#define STARTUP_IDLE() StartupIdle()
#else
#define STARTUP_MARK(what) ((void)0)
#define STARTUP_IDLE() ((void)0)
#endif
