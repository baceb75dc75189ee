#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "process_helpers.h"
#include "wizard/form_main.h"

// Runs Mervane4Setup.exe as its own process and drives it from outside, through the
// messages that mouse and keyboard would send.
class WizardDriver {
public:
    explicit WizardDriver(const std::wstring& arguments = L"/en");
    ~WizardDriver();

    bool Started() const { return form_ != nullptr; }
    HWND Form() const { return form_; }
    HWND Control(int id) const { return FindDescendant(form_, id); }
    HWND Button(int tag) const { return GetDlgItem(form_, tag); }
    HWND AgreementBox(int tag) const;
    HWND Sheet(WizardPage page) const;
    bool Showing(WizardPage page) const { return IsWindowVisible(Sheet(page)) != FALSE; }
    bool WaitFor(WizardPage page, DWORD milliseconds = 15000) const;

    // A left click in the middle of a control, or at a point of its client area.
    void Click(HWND control) const;
    void ClickAt(HWND control, int x, int y) const;
    // A typed character, as the keyboard sends it to the focused control.
    void Type(wchar_t character, bool alt = false) const;
    // Next on the Welcome page; true once the Folders page lists at least `rows` folders.
    bool ToFolders(int rows) const;
    void ClickListRow(int row) const;  // on the tick box of a folder-list row
    int ListCount() const;
    std::wstring ListText(int row) const;

    DWORD WaitForExit(DWORD milliseconds) { return process_->WaitForExit(milliseconds); }
    DWORD ProcessId() const { return process_->Id(); }

    // Polls `condition` until it holds or `milliseconds` pass.
    static bool WaitUntil(const std::function<bool()>& condition, DWORD milliseconds);

private:
    std::unique_ptr<TestProcess> process_;
    HWND form_ = nullptr;
};
