#include "controls/image.h"

#include "controls/wait_animation.h"
#include "win32/gdi.h"
#include "win32/high_contrast.h"

namespace {
// The class name other programs see (accessibility tools, window spies); it never changes.
constexpr wchar_t kImageClass[] = L"TImage";
constexpr UINT_PTR kFrameTimer = 1;
}  // namespace

std::unique_ptr<ImageControl> ImageControl::Create(HWND parent, int id) {
    std::unique_ptr<ImageControl> image(new ImageControl);
    WNDCLASSEXW imageClass{};
    imageClass.lpszClassName = kImageClass;
    if (!OwnWindow<ImageControl>::Create(image.get(), imageClass, 0, L"", WS_CHILD | WS_VISIBLE, 0, 0, parent, id))
        return nullptr;
    return image;
}

LRESULT ImageControl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCHITTEST:
            return HTTRANSPARENT;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            OnPaint();
            return 0;
        case WM_TIMER:
            if (wParam == kFrameTimer) OnTimer();
            return 0;
    }
    return DefWindowProcW(handle_, message, wParam, lParam);
}

void ImageControl::SetBitmap(HBITMAP bitmap) {
    bitmap_ = bitmap;
    InvalidateRect(handle_, nullptr, FALSE);
}

void ImageControl::SetAnimation(const WaitAnimation* animation) {
    Stop();
    animation_ = animation;
    frame_ = 0;
    if (animation_ && animation_->FrameCount() > 0) ScheduleNextFrame();
    InvalidateRect(handle_, nullptr, FALSE);
}

void ImageControl::Stop() { KillTimer(handle_, kFrameTimer); }

void ImageControl::ScheduleNextFrame() {
    const UINT delay = animation_->DelayMs(frame_);
    SetTimer(handle_, kFrameTimer, delay ? delay : 100, nullptr);
}

void ImageControl::OnTimer() {
    if (!animation_ || animation_->FrameCount() == 0) return Stop();
    frame_ = (frame_ + 1) % animation_->FrameCount();
    if (frame_ == 0 && !animation_->LoopsForever()) {
        frame_ = animation_->FrameCount() - 1;
        return Stop();
    }
    ScheduleNextFrame();
    InvalidateRect(handle_, nullptr, FALSE);
}

void ImageControl::OnPaint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(handle_, &paint);
    RECT client;
    GetClientRect(handle_, &client);
    const OffscreenCanvas canvas(dc, client.right, client.bottom);
    FillRect(canvas.dc(), &client, BackgroundBrush());
    HBITMAP picture = animation_ && animation_->FrameCount() ? animation_->Frame(frame_) : bitmap_;
    if (picture) DrawTransparentBitmap(canvas.dc(), picture, RECT{0, 0, client.right, client.bottom});
    canvas.CopyTo(dc, 0, 0);
    EndPaint(handle_, &paint);
}
