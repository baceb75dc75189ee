#pragma once
#include <windows.h>
#include <oleacc.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "process_helpers.h"
#include "wizard/page_flow.h"
#include "wizard/wizard_ids.h"

// Runs Mervane4Setup.exe as its own process and drives it from outside the way a person
// does: real mouse and keyboard input through the system's input queue, with the wizard
// brought to the front first.
class WizardDriver {
public:
    explicit WizardDriver(const std::wstring& arguments = L"/en", const wchar_t* program = L"Mervane4Setup.exe");
    // `program` with `arguments`, whose first window is a message box titled `box`: `key` is
    // pressed on it, and the wizard's window that follows, if any, is the one driven.
    WizardDriver(const std::wstring& program, const std::wstring& arguments, const wchar_t* box, WORD key);
    ~WizardDriver();

    bool Started() const { return form_ != nullptr; }
    HWND Form() const { return form_; }
    HWND Control(int id) const { return FindDescendant(form_, id); }
    HWND Button(int id) const { return GetDlgItem(form_, id); }
    HWND AgreementBox(int id) const;
    HWND Sheet(WizardPage page) const;
    bool Showing(WizardPage page) const { return IsWindowVisible(Sheet(page)) != FALSE; }
    // True once `page` shows and the wizard has finished switching to it.
    bool WaitFor(WizardPage page, DWORD milliseconds = 15000) const;
    // The control that has the keyboard focus in the wizard, or null.
    HWND Focus() const;
    // True once `control` has the focus, within 3 s.
    bool FocusBecomes(HWND control) const;
    // The wizard's system menu shows, or the wizard is still in menu mode.
    bool SystemMenuOpen() const;
    // The wizard's folder browser while it is open, else null.
    HWND FolderBrowser() const;

    // Makes the wizard (or the dialog it shows) the foreground window, above every other.
    void Front() const;
    // A left click in the middle of a control, or at a point of its client area.
    void Click(HWND control) const;
    void ClickAt(HWND control, int x, int y) const;
    void DoubleClick(HWND control) const;
    // A typed character, with Alt held when asked. A character the keyboard layout lacks is
    // typed as a Unicode character.
    void Type(wchar_t character, bool alt = false) const { Type(std::wstring(1, character), alt); }
    // Characters typed ahead: all sent at once, before the wizard has taken the first.
    void Type(const std::wstring& characters, bool alt = false) const;
    // A key pressed and released while the keys in `held` (VK_SHIFT, VK_CONTROL, VK_MENU)
    // are held down.
    void Press(WORD key, std::initializer_list<WORD> held = {}) const;
    // Next on the Welcome page; true once the Folders page lists at least `rows` folders.
    bool ToFolders(int rows) const;
    void ClickListRow(int row) const;  // on the tick box of a folder-list row
    int ListCount() const;
    std::wstring ListText(int row) const;

    DWORD WaitForExit(DWORD milliseconds) { return process_->WaitForExit(milliseconds); }
    DWORD ProcessId() const { return process_->Id(); }

    // The pointer moved to a screen point, with mouse-button flags (MOUSEEVENTF_LEFTDOWN...).
    static void MouseTo(POINT point, DWORD buttons = 0);
    // Polls `condition` until it holds or `milliseconds` pass.
    static bool WaitUntil(const std::function<bool()>& condition, DWORD milliseconds);

private:
    void Attach();
    bool OwnsWindow(HWND window) const;
    GUITHREADINFO ThreadInfo() const;

    std::unique_ptr<TestProcess> process_;
    HWND form_ = nullptr;
};

// What a screen reader hears of a window's client area, or of one of its simple elements
// (child 1 and up), asked as a screen reader asks: through the window's accessible object,
// marshalled from the process that owns the window.
struct Heard {
    long role = 0, state = 0, children = 0;
    std::wstring name, value, shortcut;

    static Heard Of(HWND window, long child = 0);
    // The window's object itself, for the caller to release; null when there is none.
    static IAccessible* ObjectOf(HWND window);
    // The child id that the object finds at a point on the screen, -1 for none or an error.
    static long ChildAt(HWND window, POINT screen);
};

// The events of one kind (EVENT_OBJECT_STATECHANGE, ...) that a process raises, seen as a
// screen reader sees them: by a hook out of context, delivered while this thread waits.
class WinEvents {
public:
    WinEvents(DWORD processId, DWORD event);
    ~WinEvents();
    WinEvents(const WinEvents&) = delete;
    WinEvents& operator=(const WinEvents&) = delete;
    // True once an event for (`window`, its client area, `child`) has arrived, within `milliseconds`.
    bool Saw(HWND window, long child, DWORD milliseconds = 3000);

private:
    static void CALLBACK Hook(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD);
    struct Event {
        HWND window;
        LONG object, child;
    };
    static inline std::vector<Event> seen_;
    HWINEVENTHOOK hook_;
};
