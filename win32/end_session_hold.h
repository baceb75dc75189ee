#pragma once
#include <windows.h>

#include <atomic>
#include <string>

// Holds a logoff or shutdown for as long as it lives, so that files are never left
// half-installed: the system shows `reason` beside the program, and every window's answer to
// WM_QUERYENDSESSION (QueryEndSessionAnswer) is FALSE. `window` is any top-level window of the
// process, shown or not. User-interface thread only.
class EndSessionHold {
public:
    EndSessionHold(HWND window, const std::wstring& reason);
    ~EndSessionHold();
    EndSessionHold(const EndSessionHold&) = delete;
    EndSessionHold& operator=(const EndSessionHold&) = delete;

    // What a top-level window answers to WM_QUERYENDSESSION.
    static LRESULT QueryEndSessionAnswer() { return holds_ == 0; }
    // What a top-level window notes of WM_ENDSESSION: once the session ends, the process may
    // be ended at any moment, and a file begun then could be left half-written.
    static void NoteEndSession(WPARAM ending) { ending_ = ending != 0; }
    // Any thread: the installation job asks it before it begins the shortcut.
    static bool SessionEnding() { return ending_.load(); }
    // Any thread, around each file whose end a window's answer to WM_ENDSESSION awaits:
    // false, and nothing to end, once the session is ending.
    static bool BeginWrite();
    static void EndWrite() { --writing_; }
    // The window's answer to WM_ENDSESSION(TRUE) comes after this: it returns once no file is
    // being written, or after `timeoutMs`, and takes the messages sent to its thread meanwhile
    // (the writing thread may be sending to the window).
    static void AwaitWriteInFlight(DWORD timeoutMs);

private:
    HWND window_;
    bool reasonShown_;
    static int holds_;
    static std::atomic<bool> ending_;
    static std::atomic<int> writing_;
};
