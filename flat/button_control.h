#pragma once
#include <windows.h>

#include <string>

#include "flat/flat_accessible.h"
#include "flat/flat_messages.h"
#include "flat/hover_tracking.h"
#include "win32/accessibility.h"
#include "win32/dpi.h"
#include "win32/window.h"

// What the flat button and the flat check box share: a window of the platform's button class
// under the control object, so that screen readers and automation know the control by its
// class and caption; all painting is the object's own (Control::Paint, off screen first), and
// the button class's own painting never runs. The object lives as long as its window. One
// hover timer serves all controls of a class.
// The part that does not depend on the kind of control, made once for both kinds.
class ButtonControlBase : public HoverClient, public SubclassedWindow {
public:
    HWND Handle() const override { return handle_; }
    void SetFont(HFONT font) {  // not owned
        font_ = font;
        Invalidate();
    }
    void SetDpi(UINT dpi) {
        dpi_ = dpi;
        Invalidate();
    }
    // What screen readers hear instead of an empty caption (the close button's glyph).
    void SetAccessibleName(const std::wstring& name) { accessibleName_ = name; }

protected:
    explicit ButtonControlBase(HWND handle) : SubclassedWindow(handle), dpi_(DpiOfWindow(handle)) {}

    // The parent's WM_COMMAND BN_CLICKED, with the control id.
    void Click() const {
        SendMessageW(GetParent(handle_), WM_COMMAND, MAKEWPARAM(GetWindowLongPtrW(handle_, GWLP_ID), BN_CLICKED),
                     reinterpret_cast<LPARAM>(handle_));
    }
    void Invalidate() const { InvalidateRect(handle_, nullptr, FALSE); }
    // The font set, or the system's.
    HFONT FontOrDefault() const { return font_ ? font_ : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

    // What both controls answer alike, into `result`; false for a message that is not one of those.
    bool AnswerShared(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
        switch (message) {
            case WM_ERASEBKGND:
                result = 1;  // Paint covers everything, off screen first
                return true;
            case WM_SETTEXT:
                result = DefWindowProcW(handle_, message, wParam, lParam);
                Invalidate();
                return true;
            case WM_SETFONT:
                SetFont(reinterpret_cast<HFONT>(wParam));
                result = 0;
                return true;
            case WM_GETFONT:
                result = reinterpret_cast<LRESULT>(font_);
                return true;
            case BM_SETSTATE:
            case BM_SETSTYLE:
                result = 0;
                return true;
            case WM_GETOBJECT:
                result = AsksForObject(lParam) ? AnswerWithObject(NewFlatControlAccessible(handle_), wParam)
                                               : DefWindowProcW(handle_, message, wParam, lParam);
                return true;
            case kFlatAccessibleName:
                result = accessibleName_.empty() ? 0 : reinterpret_cast<LRESULT>(accessibleName_.c_str());
                return true;
            default:
                return false;
        }
    }

    UINT dpi_;
    HFONT font_ = nullptr;

private:
    std::wstring accessibleName_;
};

template <typename Control>
class ButtonControl : public ButtonControlBase {
public:
    static Control* FromHandle(HWND window) { return Subclass<Control>::FromHandle(window); }

protected:
    // A window of the button class with `style` (BS_PUSHBUTTON, BS_CHECKBOX, ...) under a new
    // Control.
    static Control* CreateControl(HWND parent, int id, const std::wstring& caption, DWORD style, int width,
                                  int height) {
        HWND window = CreateWindowExW(0, L"BUTTON", caption.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, width, height,
                                      parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                      GetModuleHandleW(nullptr), nullptr);
        if (!window) return nullptr;
        auto* control = new Control(window);
        Subclass<Control>::Attach(control);
        return control;
    }

    explicit ButtonControl(HWND handle) : ButtonControlBase(handle) { HoverTracking::Shared().AddInstance(); }
    ~ButtonControl() { HoverTracking::Shared().RemoveInstance(this); }

private:
    friend class Subclass<Control>;

    // Painting and what both controls answer alike; the rest is Control::OnControlMessage's.
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        auto& control = static_cast<Control&>(*this);
        if (message == WM_PAINT) {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(handle_, &paint);
            control.Paint(dc);
            EndPaint(handle_, &paint);
            return 0;
        }
        if (message == WM_PRINTCLIENT) {
            control.Paint(reinterpret_cast<HDC>(wParam));
            return 0;
        }
        LRESULT result;
        if (AnswerShared(message, wParam, lParam, result)) return result;
        return control.OnControlMessage(message, wParam, lParam);
    }
};
