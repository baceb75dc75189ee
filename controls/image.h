#pragma once
#include <windows.h>

#include <memory>

#include "win32/window.h"

class WaitAnimation;

// A picture on the wizard's black: a bitmap, or an animation played at its frame delays,
// drawn transparently (every pixel of the colour of its bottom-left pixel left out) and
// scaled to the control. Mouse presses pass through to the page below, so that the picture
// moves the window like the rest of the background. The object belongs to whoever made it;
// its window goes with its parent.
class ImageControl {
public:
    static std::unique_ptr<ImageControl> Create(HWND parent, int id);
    HWND Handle() const { return handle_; }

    void SetBitmap(HBITMAP bitmap);  // not owned
    // Plays `animation` (not owned) from its first frame; nullptr shows nothing.
    void SetAnimation(const WaitAnimation* animation);
    void Stop();
    size_t CurrentFrame() const { return frame_; }

private:
    friend class OwnWindow<ImageControl>;
    ImageControl() = default;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnPaint();
    void OnTimer();
    void ScheduleNextFrame();

    HWND handle_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    const WaitAnimation* animation_ = nullptr;
    size_t frame_ = 0;
};
