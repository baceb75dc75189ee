#pragma once
#include <windows.h>

// The innermost visible window under the mouse pointer, disabled windows included (the
// platform's WindowFromPoint passes over disabled ones).
HWND ControlUnderPointer();

// What the hover timer needs of a control.
class HoverClient {
public:
    virtual HWND Handle() const = 0;
    virtual void MouseEnter() = 0;
    virtual void MouseLeave() = 0;

protected:
    ~HoverClient() = default;
};

// One per control class: a 100 ms timer, stopped while idle, that ends the hover of the
// control it watches once the pointer is over another control.
class HoverTracking {
public:
    constexpr explicit HoverTracking(TIMERPROC tick) : tick_(tick) {}

    void AddInstance() { ++instances_; }
    void RemoveInstance(HoverClient* control);
    // A mouse move over `control`.
    void MouseMoved(HoverClient* control);
    void Tick();
    // Stops the timer if it watches `control`.
    void Release(HoverClient* control);
    HoverClient* Hovered() const { return hovered_; }

private:
    void Stop();
    TIMERPROC tick_;
    UINT_PTR timer_ = 0;
    HoverClient* hovered_ = nullptr;
    int instances_ = 0;
};
