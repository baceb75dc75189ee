#include "win32/end_session_hold.h"

// Defined here, not inline in the class: inline ones would each take initialised data.
constinit int EndSessionHold::holds_ = 0;
constinit std::atomic<bool> EndSessionHold::ending_{false};
constinit std::atomic<int> EndSessionHold::writing_{0};

EndSessionHold::EndSessionHold(HWND window, const std::wstring& reason)
    : window_(window), reasonShown_(ShutdownBlockReasonCreate(window, reason.c_str()) != FALSE) {
    ++holds_;
}

EndSessionHold::~EndSessionHold() {
    --holds_;
    if (reasonShown_) ShutdownBlockReasonDestroy(window_);
}

bool EndSessionHold::BeginWrite() {
    // Noted before the end is looked at, as the window notes the end before it looks at the
    // writes: one of the two always sees the other.
    ++writing_;
    if (!ending_.load()) return true;
    --writing_;
    return false;
}

void EndSessionHold::AwaitWriteInFlight(DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (ULONGLONG now = GetTickCount64(); writing_.load() > 0 && now < deadline; now = GetTickCount64()) {
        // A write takes milliseconds: a short look at the counter costs less than an event
        // that every writer would have to reach.
        const DWORD slice = static_cast<DWORD>(deadline - now < 10 ? deadline - now : 10);
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, slice, QS_SENDMESSAGE) == WAIT_OBJECT_0) {
            MSG message;
            PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
}
