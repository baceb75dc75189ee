#include "flat/flat_button.h"

#include <windowsx.h>

#include "flat/drawing.h"
#include "flat/flat_messages.h"
#include "win32/dpi.h"
#include "win32/gdi.h"

GlyphAndTextLayout LayoutGlyphAndText(SIZE client, int pressOffset, SIZE text, SIZE glyph, int spacing) {
    if (text.cx == 0 || glyph.cx == 0) spacing = 0;
    const int glyphLeft = (client.cx - glyph.cx + 1) / 2;
    const int textLeft = (client.cx - text.cx + 1) / 2;
    const int margin = (client.cy - (glyph.cy + spacing + text.cy) + 1) / 2;
    const int textTop = margin + glyph.cy + spacing;
    GlyphAndTextLayout layout;
    layout.glyphPos = POINT{glyphLeft, margin};
    layout.textBounds = RECT{textLeft + pressOffset, textTop + pressOffset, textLeft + text.cx + pressOffset,
                             textTop + text.cy + pressOffset};
    return layout;
}

FlatButton* FlatButton::Create(HWND parent, int id, const std::wstring& caption) {
    return CreateControl(parent, id, caption, BS_PUSHBUTTON, 25, 25);
}

LRESULT FlatButton::OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:  // the second press of a double-click is a press like any
            OnMouseDown(true);
            return 0;
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            return 0;
        case WM_MOUSEMOVE:
            OnMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            OnMouseUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_CAPTURECHANGED:
            if (dragging_ && reinterpret_cast<HWND>(lParam) != handle_) {
                dragging_ = false;  // another window took the mouse: the press is abandoned
                state_ = ButtonState::Up;
                Invalidate();
            }
            return 0;
        case WM_KEYDOWN:
            if (wParam == VK_SPACE && ControlMayAct(handle_)) {
                state_ = ButtonState::Down;
                Invalidate();
            }
            return 0;
        case WM_KEYUP:
            if (wParam == VK_SPACE && ControlMayAct(handle_)) {
                state_ = ButtonState::Up;
                Click();
                if (IsWindow(handle_)) Invalidate();
            }
            return 0;
        case WM_GETDLGCODE:
            return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        case WM_SETFOCUS:
            mouseInControl_ = true;  // the focused button shows the hovered look
            Invalidate();
            return 0;
        case WM_KILLFOCUS:
            MouseLeave();
            return 0;
        case WM_ENABLE:
            OnEnabledChanged(wParam != FALSE);
            return 0;
        case WM_SYSCOLORCHANGE:
            Invalidate();
            return 0;
        case BM_CLICK:  // automation's default action
            if (ControlMayAct(handle_)) Click();
            return 0;
        case BM_GETSTATE:
            return (state_ == ButtonState::Down ? BST_PUSHED : 0) | (GetFocus() == handle_ ? BST_FOCUS : 0);
        case kFlatOfferChar:
            return OnOfferChar(static_cast<wchar_t>(wParam)) ? 1 : 0;
        default:
            return DefWindowProcW(handle_, message, wParam, lParam);
    }
}

void FlatButton::SetGlyph(HBITMAP glyph) {
    glyph_ = glyph;
    Invalidate();
}

bool FlatButton::Inside(int x, int y) const {
    RECT client;
    GetClientRect(handle_, &client);
    // The row just below the button still counts as inside.
    return x >= 0 && x < client.right && y >= 0 && y <= client.bottom;
}

void FlatButton::OnMouseDown(bool left) {
    if (!left || !ControlMayAct(handle_)) return;
    state_ = ButtonState::Down;
    Invalidate();
    dragging_ = true;
    SetFocus(handle_);  // also when it is no tab stop
    SetCapture(handle_);
}

void FlatButton::OnMouseMove(int x, int y) {
    HoverTracking::Shared().MouseMoved(this);
    if (!dragging_) return;
    const ButtonState state = Inside(x, y) ? ButtonState::Down : ButtonState::Up;
    if (state != state_) {
        state_ = state;
        Invalidate();
    }
}

void FlatButton::OnMouseUp(int x, int y) {
    if (!dragging_) return;
    dragging_ = false;
    if (GetCapture() == handle_) ReleaseCapture();
    const bool inside = Inside(x, y);
    state_ = ButtonState::Up;
    mouseInControl_ = false;
    if (inside) Invalidate();
    if (inside && ControlMayAct(handle_)) {
        Click();
        if (!IsWindow(handle_)) return;  // the click may have closed the window
    } else {
        MouseLeave();
    }
    RefreshHoverState();
}

void FlatButton::OnEnabledChanged(bool enabled) {
    if (!enabled) {
        mouseInControl_ = false;
        state_ = ButtonState::Disabled;
        HoverTracking::Shared().Release(this);
    }
    RefreshHoverState();
    Invalidate();
}

bool FlatButton::OnOfferChar(wchar_t character) {
    // Visibility is not consulted: a hidden button's accelerator still clicks it.
    const std::wstring caption = WindowCaption(handle_);
    if (!ControlMayAct(handle_, true) || !IsAccelerator(character, caption)) return false;
    Click();
    return true;
}

void FlatButton::RefreshHoverState() {
    if (!IsWindowEnabled(handle_)) return;
    if (ControlUnderPointer() == handle_) {
        mouseInControl_ = true;
    } else {
        mouseInControl_ = false;
        HoverTracking::Shared().Release(this);
    }
    Invalidate();
}

void FlatButton::MouseEnter() {
    if (!IsWindowEnabled(handle_) || mouseInControl_) return;
    mouseInControl_ = true;
    Invalidate();
}

void FlatButton::MouseLeave() {
    if (!IsWindowEnabled(handle_) || !mouseInControl_ || dragging_) return;
    mouseInControl_ = false;
    HoverTracking::Shared().Release(this);
    Invalidate();
}

namespace {

// The fill, the frame's two colours and the caption's colour of the state painted.
struct Look {
    Color fill, frameFirst, frameSecond, text;
};

Look LookOf(const FlatButtonFace& face) {
    const FlatButtonColors& c = face.colors;
    const bool down = face.state == ButtonState::Down, hovered = face.state == ButtonState::Up && face.hovered;
    if (HighContrast()) {
        const bool disabled = face.state == ButtonState::Disabled;
        const Color frame = SystemColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
        if (down || hovered) return {SystemColor(COLOR_HIGHLIGHT), frame, frame, SystemColor(COLOR_HIGHLIGHTTEXT)};
        return {SystemColor(COLOR_BTNFACE), frame, frame, frame};
    }
    if (down) return {c.down, c.shadow, c.highLight, c.font};
    if (hovered) return {c.focused, c.highLight, c.shadow, c.font};
    return {c.fill, c.border, c.border, c.font};
}

}  // namespace

void PaintFlatButton(HDC target, const RECT& bounds, const FlatButtonFace& face, UINT dpi) {
    const RECT client{0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top};
    const OffscreenCanvas canvas(target, client.right, client.bottom);
    HDC dc = canvas.dc();
    const SelectedObject font(dc, face.font);

    const int length = face.caption ? static_cast<int>(wcslen(face.caption)) : 0;
    const int pressOffset = face.state == ButtonState::Down ? Scale(1, dpi) : 0;
    const int factor = BitmapFactor(dpi);
    const SIZE bitmap = BitmapSize(face.glyph);
    const SIZE glyph{bitmap.cx * factor, bitmap.cy * factor};
    SIZE text{0, 0};
    if (length > 0) {
        RECT measure{0, 0, 0, 0};
        DrawTextW(dc, face.caption, length, &measure, DT_SINGLELINE | DT_CALCRECT);
        text = SIZE{measure.right, measure.bottom};
    }
    const GlyphAndTextLayout layout =
        LayoutGlyphAndText(SIZE{client.right, client.bottom}, pressOffset, text, glyph, Scale(4, dpi));

    const Look look = LookOf(face);
    FillSolid(dc, client, look.fill);
    DrawBevelFrame(dc, client, look.frameFirst, look.frameSecond, 1, dpi);

    if (face.glyph)  // in high contrast, the cross in the caption's colour
        DrawTransparentBitmap(dc, face.glyph, layout.glyphPos.x, layout.glyphPos.y, factor,
                              HighContrast() ? ResolveColor(look.text) : CLR_INVALID);

    if (length > 0) {
        SetBkMode(dc, TRANSPARENT);
        RECT textBounds = layout.textBounds;
        const UINT format = DT_SINGLELINE | DT_CENTER | DT_VCENTER;
        if (face.state == ButtonState::Disabled && !HighContrast()) {
            const int shift = Scale(1, dpi);
            RECT raised = {textBounds.left + shift, textBounds.top + shift, textBounds.right + shift,
                           textBounds.bottom + shift};
            SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
            DrawTextW(dc, face.caption, length, &raised, format);
            SetTextColor(dc, GetSysColor(COLOR_3DSHADOW));
        } else {
            SetTextColor(dc, ResolveColor(look.text));
        }
        DrawTextW(dc, face.caption, length, &textBounds, format);
    }
    canvas.CopyTo(target, bounds.left, bounds.top);
}

void FlatButton::Paint(HDC target) {
    RECT client;
    GetClientRect(handle_, &client);
    // A state that no longer fits the enabled state is repaired here.
    if (!IsWindowEnabled(handle_)) {
        state_ = ButtonState::Disabled;
        dragging_ = false;
    } else if (state_ == ButtonState::Disabled) {
        state_ = ButtonState::Up;
    }
    const std::wstring caption = WindowCaption(handle_);
    PaintFlatButton(target, client, {caption.c_str(), FontOrDefault(), glyph_, state_, mouseInControl_, colors_}, dpi_);
}
