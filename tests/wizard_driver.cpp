#include "wizard_driver.h"

#include "wizard/page_control.h"

WizardDriver::WizardDriver(const std::wstring& arguments) {
    process_ = std::make_unique<TestProcess>(BuiltProgram(L"Mervane4Setup.exe"), arguments);
    form_ = process_->WaitForWindow(L"FormMain", 15000);
}

WizardDriver::~WizardDriver() {
    if (form_ && IsWindow(form_)) PostMessageW(form_, WM_CLOSE, 0, 0);
    process_->WaitForExit(5000);
}

HWND WizardDriver::AgreementBox(int tag) const { return GetDlgItem(Sheet(WizardPage::Agreement), tag); }

HWND WizardDriver::Sheet(WizardPage page) const {
    return GetDlgItem(GetDlgItem(form_, TFormMain::kPageControl), TNewPageControl::kFirstSheetId + static_cast<int>(page));
}

bool WizardDriver::WaitFor(WizardPage page, DWORD milliseconds) const {
    return WaitUntil([&] { return Showing(page); }, milliseconds);
}

void WizardDriver::Click(HWND control) const {
    RECT r;
    GetClientRect(control, &r);
    ClickAt(control, r.right / 2, r.bottom / 2);
}

void WizardDriver::ClickAt(HWND control, int x, int y) const {
    PostMessageW(control, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

void WizardDriver::Type(wchar_t character, bool alt) const {
    GUITHREADINFO info{sizeof info};
    GetGUIThreadInfo(GetWindowThreadProcessId(form_, nullptr), &info);
    HWND target = info.hwndFocus ? info.hwndFocus : form_;
    PostMessageW(target, alt ? WM_SYSCHAR : WM_CHAR, character, alt ? (1 << 29) : 0);
}

bool WizardDriver::ToFolders(int rows) const {
    Click(Button(TFormMain::kButtonNext));
    return WaitFor(WizardPage::Folders) && WaitUntil([&] { return ListCount() >= rows; }, 5000);
}

void WizardDriver::ClickListRow(int row) const {
    HWND list = Control(TFormMain::kCheckListBox4);
    SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(row), 0);  // scrolled into view first
    RECT item{};
    SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    ClickAt(list, item.left + 6, (item.top + item.bottom) / 2);
}

int WizardDriver::ListCount() const {
    return static_cast<int>(SendMessageW(Control(TFormMain::kCheckListBox4), LB_GETCOUNT, 0, 0));
}

std::wstring WizardDriver::ListText(int row) const {
    wchar_t text[1024] = L"";
    // LB_GETTEXT copies into the caller's buffer, which the system marshals for list boxes.
    SendMessageW(Control(TFormMain::kCheckListBox4), LB_GETTEXT, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(text));
    return text;
}

bool WizardDriver::WaitUntil(const std::function<bool()>& condition, DWORD milliseconds) {
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(20);
    }
}
