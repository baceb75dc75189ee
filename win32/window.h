#pragma once
#include <windows.h>

#include <string>

// The whole text of a window of this program: a caption, or a path on the status line. Asked
// by message, as GetWindowText asks a window of its own process.
inline std::wstring WindowCaption(HWND window) {
    std::wstring text(static_cast<size_t>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    text.resize(static_cast<size_t>(
        SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

// Sets the text of a window of this program, as SetWindowText does for one of its own process.
inline void SetWindowCaption(HWND window, const wchar_t* text) {
    SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

// The two ways an object of ours is tied to a window. Either way the object keeps its window
// in `handle_` and sees the window's messages in its `OnMessage(UINT, WPARAM, LPARAM)`; the
// helpers reach both as friends.

// Registers a window class of this program (its instance filled in). A class that is
// registered already counts as registered: every window of a class shares one registration.
inline bool RegisterWindowClass(WNDCLASSEXW windowClass) {
    windowClass.cbSize = sizeof windowClass;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// A window of a class of our own, made for an object: the object comes as the creation
// parameter and is tied to the window at WM_NCCREATE, so that from then on it sees every
// message; what it leaves alone goes to DefWindowProcW. The window does not own the object:
// the tie ends at WM_NCDESTROY, which the object still sees, and the object's owner frees it.
template <typename Object>
class OwnWindow {
public:
    // Registers `windowClass` (its procedure filled in) and creates the window, `width` x
    // `height` at (0, 0), with control id `id` under `parent`. Null when it could not be made.
    static HWND Create(Object* object, WNDCLASSEXW windowClass, DWORD exStyle, const wchar_t* title, DWORD style,
                       int width, int height, HWND parent, int id) {
        windowClass.lpfnWndProc = Proc;
        if (!RegisterWindowClass(windowClass)) return nullptr;
        return CreateWindowExW(exStyle, windowClass.lpszClassName, title, style, 0, 0, width, height, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), object);
    }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            auto* object = static_cast<Object*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
            object->handle_ = window;
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
        }
        auto* object = reinterpret_cast<Object*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (!object) return DefWindowProcW(window, message, wParam, lParam);  // before WM_NCCREATE
        if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        return object->OnMessage(message, wParam, lParam);
    }
};

// What an object under a window of a platform class holds: the window, and the class's own
// procedure, to which the object passes what it leaves alone.
class SubclassedWindow {
protected:
    explicit SubclassedWindow(HWND handle) : handle_(handle) {}
    LRESULT CallOriginal(UINT message, WPARAM wParam, LPARAM lParam) const {
        return CallWindowProcW(original_, handle_, message, wParam, lParam);
    }

    HWND handle_;

private:
    template <typename>
    friend class Subclass;
    // At WM_NCDESTROY: the window's property `property` gone and its original procedure back,
    // which then handles the message, once the object is deleted.
    WNDPROC Detach(const wchar_t* property) const {
        RemovePropW(handle_, property);
        SetWindowLongPtrW(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
        return original_;
    }
    WNDPROC original_ = nullptr;
};

// An object (a SubclassedWindow) under a window of a platform class (an edit, a list box, a
// button, the tab control): the window keeps its class, and with it what screen readers know
// of it, while the object sees every message first. The object is found through a window
// property named Object::kProperty, so that two kinds can stand on one window; it lives as long
// as the window: at WM_NCDESTROY the window gets its original procedure back, the object is
// deleted, and the class handles the message.
template <typename Object>
class Subclass {
public:
    // Puts `object`, made with new for its window, under that window.
    static void Attach(Object* object) {
        SetPropW(object->handle_, Object::kProperty, object);
        object->original_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(object->handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Proc)));
    }
    // The object of this kind under `window`, or null.
    static Object* FromHandle(HWND window) {
        return window ? static_cast<Object*>(GetPropW(window, Object::kProperty)) : nullptr;
    }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        Object* object = FromHandle(window);
        if (!object) return DefWindowProcW(window, message, wParam, lParam);
        if (message != WM_NCDESTROY) return object->OnMessage(message, wParam, lParam);
        const WNDPROC original = object->Detach(Object::kProperty);
        delete object;
        return CallWindowProcW(original, window, message, wParam, lParam);
    }
};
