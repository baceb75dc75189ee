#include "flat/hover_tracking.h"

HWND ControlUnderPointer() {
    POINT pointer;
    if (!GetCursorPos(&pointer)) return nullptr;
    HWND window = WindowFromPoint(pointer);
    if (!window) return nullptr;
    window = GetAncestor(window, GA_ROOT);
    for (;;) {
        POINT local = pointer;
        ScreenToClient(window, &local);
        HWND child = ChildWindowFromPointEx(window, local, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
        if (!child || child == window) return window;
        window = child;
    }
}

HoverTracking& HoverTracking::Shared() {
    // Zero-initialised, so it costs no bytes in the program file.
    static constinit HoverTracking shared;
    return shared;
}

void HoverTracking::Stop() {
    if (timer_) KillTimer(nullptr, timer_);
    timer_ = 0;
}

void HoverTracking::RemoveInstance(HoverClient* control) {
    Release(control);
    if (--instances_ == 0) Stop();  // the last instance frees the class's timer
}

void HoverTracking::MouseMoved(HoverClient* control) {
    if (control == hovered_ || ControlUnderPointer() != control->Handle()) return;
    if (hovered_) hovered_->MouseLeave();
    // Nothing highlights while the application is in the background.
    if (!GetActiveWindow()) return;
    Stop();
    hovered_ = control;
    timer_ = SetTimer(nullptr, 0, 100, Tick);
    control->MouseEnter();
}

void CALLBACK HoverTracking::Tick(HWND, UINT, UINT_PTR, DWORD) {
    HoverClient* hovered = Shared().hovered_;
    if (hovered && ControlUnderPointer() != hovered->Handle()) hovered->MouseLeave();
}

void HoverTracking::Release(HoverClient* control) {
    if (hovered_ != control) return;
    Stop();
    hovered_ = nullptr;
}
