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

// One for all flat buttons and check boxes, as the pointer hovers one control at a time: a
// 100 ms timer, stopped while idle, that ends the hover of the control it watches once the
// pointer is over another control.
class HoverTracking {
public:
    static HoverTracking& Shared();

    void AddInstance() { ++instances_; }
    void RemoveInstance(HoverClient* control);
    // A mouse move over `control`.
    void MouseMoved(HoverClient* control);
    // Stops the timer if it watches `control`.
    void Release(HoverClient* control);
    HoverClient* Hovered() const { return hovered_; }

private:
    constexpr HoverTracking() = default;
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void Stop();
    UINT_PTR timer_ = 0;
    HoverClient* hovered_ = nullptr;
    int instances_ = 0;
};
