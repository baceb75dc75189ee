#include "controls/image.h"

#include "controls/wait_animation.h"
#include "win32/gdi.h"
#include "win32/high_contrast.h"

namespace {
constexpr wchar_t kImageClass[] = L"TImage";
constexpr UINT_PTR kFrameTimer = 1;
}  // namespace

std::unique_ptr<TImage> TImage::Create(HWND parent, int id) {
    std::unique_ptr<TImage> image(new TImage);
    WNDCLASSEXW imageClass{};
    imageClass.lpszClassName = kImageClass;
    if (!OwnWindow<TImage>::Create(image.get(), imageClass, 0, L"", WS_CHILD | WS_VISIBLE, 0, 0, parent, id))
        return nullptr;
    return image;
}

LRESULT TImage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
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

void TImage::SetBitmap(HBITMAP bitmap) {
    bitmap_ = bitmap;
    InvalidateRect(handle_, nullptr, FALSE);
}

void TImage::SetAnimation(const WaitAnimation* animation) {
    Stop();
    animation_ = animation;
    frame_ = 0;
    if (animation_ && animation_->FrameCount() > 0) ScheduleNextFrame();
    InvalidateRect(handle_, nullptr, FALSE);
}

void TImage::Stop() { KillTimer(handle_, kFrameTimer); }

void TImage::ScheduleNextFrame() {
    const UINT delay = animation_->DelayMs(frame_);
    SetTimer(handle_, kFrameTimer, delay ? delay : 100, nullptr);
}

void TImage::OnTimer() {
    if (!animation_ || animation_->FrameCount() == 0) return Stop();
    frame_ = (frame_ + 1) % animation_->FrameCount();
    if (frame_ == 0 && !animation_->LoopsForever()) {
        frame_ = animation_->FrameCount() - 1;
        return Stop();
    }
    ScheduleNextFrame();
    InvalidateRect(handle_, nullptr, FALSE);
}

void TImage::OnPaint() {
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
