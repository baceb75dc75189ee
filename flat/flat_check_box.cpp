#include "flat/flat_check_box.h"

#include <windowsx.h>

#include "flat/drawing.h"
#include "flat/flat_messages.h"
#include "win32/dpi.h"
#include "win32/gdi.h"

namespace {

// The square's top-left corner and size, in 96-dpi pixels of the client area.
constexpr int kSquareLeft = 1;
constexpr int kSquareTop = 3;
constexpr int kSquareSize = 11;

// The check mark: six 45-degree lines, each from its start towards its end, the end pixel
// left out, relative to the square's corner.
struct CheckLine {
    int x0, y0, x1, y1;
};
constexpr CheckLine kCheckLines[] = {{2, 4, 6, 8}, {2, 5, 5, 8}, {2, 6, 5, 9},
                                     {8, 2, 4, 6}, {8, 3, 4, 7}, {8, 4, 5, 7}};

}  // namespace

FlatCheckBox* FlatCheckBox::Create(HWND parent, int id, const std::wstring& caption) {
    return CreateControl(parent, id, caption, WS_TABSTOP | BS_CHECKBOX, 121, 17);
}

LRESULT FlatCheckBox::OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            if (ControlMayAct(handle_)) {
                SetFocus(handle_);
                mouseIsDown_ = true;
                RepaintSquare();
                SetCapture(handle_);
            }
            return 0;
        case WM_MOUSEMOVE:
            HoverTracking::Shared().MouseMoved(this);
            return 0;
        case WM_LBUTTONUP:
            OnMouseUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_CAPTURECHANGED:
            if (mouseIsDown_ && reinterpret_cast<HWND>(lParam) != handle_) {
                mouseIsDown_ = false;  // another window took the mouse: the press is abandoned
                RepaintSquare();
            }
            return 0;
        case WM_GETDLGCODE:
            return DLGC_BUTTON;
        case WM_SETFOCUS:
            focused_ = true;
            RepaintSquare();
            return 0;
        case WM_KILLFOCUS:
            focused_ = false;
            mouseInControl_ = false;
            RepaintSquare();
            return 0;
        case WM_ENABLE:
            if (!wParam) {
                mouseInControl_ = false;
                mouseIsDown_ = false;
                HoverTracking::Shared().Release(this);
            }
            Invalidate();
            return 0;
        case BM_GETCHECK:
            return checked_ ? BST_CHECKED : BST_UNCHECKED;
        case BM_SETCHECK:
            SetChecked(wParam == BST_CHECKED);
            return 0;
        case BM_CLICK:  // automation's default action toggles, as Space does
            if (ControlMayAct(handle_)) SetChecked(!checked_);
            return 0;
        case BM_GETSTATE:
            return (checked_ ? BST_CHECKED : 0) | (mouseIsDown_ ? BST_PUSHED : 0) | (focused_ ? BST_FOCUS : 0);
        case kFlatOfferChar:
            return OnOfferChar(static_cast<wchar_t>(wParam));
        default:
            return DefWindowProcW(handle_, message, wParam, lParam);
    }
}

void FlatCheckBox::OnMouseUp(int x, int y) {
    if (!mouseIsDown_) return;
    if (GetCapture() == handle_) ReleaseCapture();
    RECT client;
    GetClientRect(handle_, &client);
    // The generic click comes first, while Checked still has its old value.
    if (x >= 0 && y >= 0 && x < client.right && y < client.bottom && ControlMayAct(handle_)) {
        Click();
        if (!IsWindow(handle_)) return;
    }
    if (!IsWindowEnabled(handle_)) return;
    mouseIsDown_ = false;
    if (mouseInControl_ && ControlMayAct(handle_)) SetChecked(!checked_);
    RepaintSquare();
}

LRESULT FlatCheckBox::OnOfferChar(wchar_t character) {
    const std::wstring caption = WindowCaption(handle_);
    if (IsAccelerator(character, caption) && ControlMayAct(handle_)) {
        SetFocus(handle_);
        SetChecked(!checked_);
        return 1;
    }
    if (character == L' ' && GetFocus() == handle_ && ControlMayAct(handle_)) SetChecked(!checked_);  // not marked as taken
    return 0;
}

void FlatCheckBox::SetChecked(bool checked) {
    if (checked == checked_) return;
    checked_ = checked;
    NotifyWinEvent(EVENT_OBJECT_STATECHANGE, handle_, OBJID_CLIENT, CHILDID_SELF);
    Click();
    if (IsWindow(handle_)) RepaintSquare();
}

void FlatCheckBox::SetAutoSize(bool autoSize) {
    autoSize_ = autoSize;
    if (autoSize_) {
        FitToCaption();
        Invalidate();
    }
}

void FlatCheckBox::FitToCaption() {
    const std::wstring caption = WindowCaption(handle_);
    const SIZE text = TextSize(handle_, FontOrDefault(), caption);
    SetWindowPos(handle_, nullptr, 0, 0, text.cx + Scale(24, dpi_), text.cy + Scale(2, dpi_),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FlatCheckBox::MouseEnter() {
    if (!IsWindowEnabled(handle_) || mouseInControl_) return;
    mouseInControl_ = true;
    RepaintSquare();
}

void FlatCheckBox::MouseLeave() {
    if (!IsWindowEnabled(handle_) || !mouseInControl_ || mouseIsDown_) return;
    mouseInControl_ = false;
    HoverTracking::Shared().Release(this);
    RepaintSquare();
}

void FlatCheckBox::RepaintSquare() {
    // Only the square, at once: state changes never repaint the caption.
    if (!IsWindowVisible(handle_)) return;
    const WindowDc dc(handle_);
    PaintCheckSquare(dc.get());
}

void FlatCheckBox::PaintCheckSquare(HDC dc) {
    const UINT d = dpi_;
    const RECT square = ScaledRect(kSquareLeft, kSquareTop, kSquareLeft + kSquareSize, kSquareTop + kSquareSize, d);
    const bool highlighted = focused_ || mouseInControl_;
    Color fill = !highlighted ? color_ : mouseIsDown_ ? colorDown_ : colorFocused_, check = colorCheck_,
          frame = colorBorder_;
    if (HighContrast()) {
        fill = SystemColor(highlighted ? COLOR_HIGHLIGHT : COLOR_WINDOW);
        check = SystemColor(highlighted ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
        frame = CaptionColor();
    }
    FillSolid(dc, square, fill);
    if (checked_) {
        for (const CheckLine& line : kCheckLines) {
            const int dx = line.x1 > line.x0 ? 1 : -1, dy = line.y1 > line.y0 ? 1 : -1;
            for (int x = line.x0, y = line.y0; x != line.x1 && y != line.y1; x += dx, y += dy) {
                const int px = kSquareLeft + x, py = kSquareTop + y;
                FillSolid(dc, ScaledRect(px, py, px + 1, py + 1, d), check);
            }
        }
    }
    DrawBevelFrame(dc, square, frame, frame, 1, d);
}

Color FlatCheckBox::CaptionColor() const {
    if (!HighContrast()) return fontColor_;
    return SystemColor(IsWindowEnabled(handle_) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT);
}

void FlatCheckBox::PaintCheckCaption(HDC dc) {
    const std::wstring caption = WindowCaption(handle_);
    const int length = static_cast<int>(caption.size());
    RECT client;
    GetClientRect(handle_, &client);
    RECT bounds{Scale(16, dpi_), Scale(1, dpi_), client.right - Scale(1, dpi_), client.bottom - Scale(1, dpi_)};
    const SelectedObject font(dc, FontOrDefault());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ResolveColor(CaptionColor()));
    DrawTextW(dc, caption.c_str(), length, &bounds, DT_LEFT | DT_TOP | DT_WORDBREAK);
}

void FlatCheckBox::Paint(HDC target) {
    RECT client;
    GetClientRect(handle_, &client);
    const OffscreenCanvas canvas(target, client.right, client.bottom);
    FillSolid(canvas.dc(), client, ContrastColor(color_, COLOR_WINDOW));
    PaintCheckSquare(canvas.dc());
    PaintCheckCaption(canvas.dc());
    canvas.CopyTo(target, 0, 0);
}
