#pragma once
#include <windows.h>

#include <string>

// Puts a window of the platform's button class under a control object of ours. The class,
// and with it what screen readers and automation know of the control, stays; every message
// goes to Control::OnMessage and all painting to Control::Paint, so the button's own
// painting never runs. The object lives as long as the window.
template <typename Control>
class ButtonSubclass {
public:
    static HWND CreateButton(HWND parent, int tag, const std::wstring& caption, DWORD style, int width, int height) {
        return CreateWindowExW(0, L"BUTTON", caption.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, width, height,
                               parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(tag)), GetModuleHandleW(nullptr),
                               nullptr);
    }
    static void Attach(HWND window, Control* control) {
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WindowProc));
    }
    static Control* FromHandle(HWND window) {
        if (!window || GetWindowLongPtrW(window, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(WindowProc)) return nullptr;
        return reinterpret_cast<Control*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* control = reinterpret_cast<Control*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (!control) return DefWindowProcW(window, message, wParam, lParam);
        switch (message) {
            case WM_NCDESTROY:
                SetWindowLongPtrW(window, GWLP_USERDATA, 0);
                delete control;
                break;
            case WM_PAINT: {
                PAINTSTRUCT paint;
                HDC dc = BeginPaint(window, &paint);
                control->Paint(dc);
                EndPaint(window, &paint);
                return 0;
            }
            case WM_PRINTCLIENT:
                control->Paint(reinterpret_cast<HDC>(wParam));
                return 0;
            case WM_ERASEBKGND:
                return 1;  // Paint covers everything, off screen first
            default:
                return control->OnMessage(message, wParam, lParam);
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
};
