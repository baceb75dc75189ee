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
    timer_ = SetTimer(nullptr, 0, 100, tick_);
    control->MouseEnter();
}

void HoverTracking::Tick() {
    if (hovered_ && ControlUnderPointer() != hovered_->Handle()) hovered_->MouseLeave();
}

void HoverTracking::Release(HoverClient* control) {
    if (hovered_ != control) return;
    Stop();
    hovered_ = nullptr;
}
