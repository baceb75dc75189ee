#include "wizard_driver.h"

#include <oleacc.h>

#include "controls/page_control.h"

namespace {

// Time for the wizard to take one piece of input before the next one is sent: a click may
// change what lies under the pointer or what has the focus.
constexpr DWORD kSettleMs = 60;

// A key pressed or released: a key of the keyboard by its virtual-key code, or a character
// the keyboard layout lacks, typed as itself.
INPUT KeyInput(WORD key, bool up, bool character = false) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = character ? 0 : key;
    input.ki.wScan = character ? key : static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = (character ? KEYEVENTF_UNICODE : 0) | (up ? KEYEVENTF_KEYUP : 0);
    return input;
}

// A key pressed and released.
std::vector<INPUT> Stroke(WORD key, bool character = false) {
    return {KeyInput(key, false, character), KeyInput(key, true, character)};
}

// The pointer moved to a screen point, with the button events in `buttons`.
INPUT MouseInput(POINT point, DWORD buttons) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = point.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = point.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | buttons;
    return input;
}

void Send(std::vector<INPUT> inputs) {
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    Sleep(kSettleMs);
}

// The keys of `held` pressed around `middle`, released in reverse order.
std::vector<INPUT> Holding(std::initializer_list<WORD> held, std::vector<INPUT> middle) {
    std::vector<INPUT> inputs;
    for (WORD key : held) inputs.push_back(KeyInput(key, false));
    inputs.insert(inputs.end(), middle.begin(), middle.end());
    for (auto key = std::rbegin(held); key != std::rend(held); ++key) inputs.push_back(KeyInput(*key, true));
    return inputs;
}

POINT ScreenPoint(HWND control, int x, int y) {
    POINT point{x, y};
    ClientToScreen(control, &point);
    return point;
}

}  // namespace

WizardDriver::WizardDriver(const std::wstring& arguments, const wchar_t* program) {
    process_ = std::make_unique<TestProcess>(BuiltProgram(program), arguments);
    Attach();
}

WizardDriver::WizardDriver(const std::wstring& program, const std::wstring& arguments, const wchar_t* box, WORD key) {
    process_ = std::make_unique<TestProcess>(program, arguments);
    const HWND shown = process_->WaitForWindow(box, 15000);
    if (!shown) return;
    SetForegroundWindow(shown);
    WaitUntil([&] { return GetForegroundWindow() == shown; }, 2000);
    Press(key);
    // A program that ends on the answer shows no window.
    auto ended = [&] { return process_->WaitForExit(0) != STILL_ACTIVE; };
    WaitUntil([&] { return ended() || process_->WaitForWindow(L"FormMain", 0); }, 15000);
    if (!ended()) Attach();
}

void WizardDriver::Attach() {
    form_ = process_->WaitForWindow(L"FormMain", 15000);
    // The other pages' controls are made once the window has painted, sooner than a person
    // acts on it: once the last one is there, the wizard is done with them when it next
    // answers a message.
    if (form_ && WaitUntil([&] { return Control(kFinishedText) != nullptr; }, 5000))
        SendMessageTimeoutW(form_, WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr);
}

WizardDriver::~WizardDriver() {
    if (form_ && IsWindow(form_)) PostMessageW(form_, WM_CLOSE, 0, 0);
    process_->WaitForExit(5000);
}

HWND WizardDriver::AgreementBox(int id) const { return GetDlgItem(Sheet(WizardPage::Agreement), id); }

HWND WizardDriver::Sheet(WizardPage page) const {
    return GetDlgItem(GetDlgItem(form_, kPageControl), PageControl::kFirstSheetId + static_cast<int>(page));
}

bool WizardDriver::WaitFor(WizardPage page, DWORD milliseconds) const {
    if (!WaitUntil([&] { return Showing(page); }, milliseconds)) return false;
    // A page shows before the wizard has finished switching to it, and until then Next and
    // Back take no input: a pause, as a person makes, once it has emptied its queue.
    SendMessageTimeoutW(form_, WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr);
    Sleep(kSettleMs);
    return true;
}

GUITHREADINFO WizardDriver::ThreadInfo() const {
    GUITHREADINFO info{sizeof info};
    GetGUIThreadInfo(GetWindowThreadProcessId(form_, nullptr), &info);
    return info;
}

HWND WizardDriver::Focus() const { return ThreadInfo().hwndFocus; }

bool WizardDriver::FocusBecomes(HWND control) const {
    return WaitUntil([&] { return Focus() == control; }, 3000);
}

bool WizardDriver::SystemMenuOpen() const {
    HWND menu = FindWindowW(L"#32768", nullptr);
    return (ThreadInfo().flags & GUI_INMENUMODE) || (menu && OwnsWindow(menu) && IsWindowVisible(menu));
}

HWND WizardDriver::FolderBrowser() const {
    for (HWND dialog = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); dialog;
         dialog = FindWindowExW(nullptr, dialog, L"#32770", nullptr))
        if (OwnsWindow(dialog) && IsWindowVisible(dialog)) return dialog;
    return nullptr;
}

bool WizardDriver::OwnsWindow(HWND window) const {
    DWORD owner = 0;
    if (window) GetWindowThreadProcessId(window, &owner);
    return window && owner == process_->Id();
}

void WizardDriver::Front() const {
    // While the folder browser is open the wizard is disabled and the browser takes the input.
    HWND target = FolderBrowser();
    if (!target) target = form_;
    if (GetForegroundWindow() != target) {
        SetForegroundWindow(target);
        WaitUntil([&] { return GetForegroundWindow() == target; }, 2000);
    }
    // Stand-in terminals open without taking the focus, and may still lie above the wizard.
    SetWindowPos(target, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void WizardDriver::MouseTo(POINT point, DWORD buttons) { Send({MouseInput(point, buttons)}); }

void WizardDriver::Click(HWND control) const {
    RECT r;
    GetClientRect(control, &r);
    ClickAt(control, r.right / 2, r.bottom / 2);
}

void WizardDriver::ClickAt(HWND control, int x, int y) const {
    Front();
    const POINT point = ScreenPoint(control, x, y);
    Send({MouseInput(point, MOUSEEVENTF_LEFTDOWN), MouseInput(point, MOUSEEVENTF_LEFTUP)});
}

void WizardDriver::DoubleClick(HWND control) const {
    RECT r;
    GetClientRect(control, &r);
    Front();
    const POINT point = ScreenPoint(control, r.right / 2, r.bottom / 2);
    Send({MouseInput(point, MOUSEEVENTF_LEFTDOWN), MouseInput(point, MOUSEEVENTF_LEFTUP),
          MouseInput(point, MOUSEEVENTF_LEFTDOWN), MouseInput(point, MOUSEEVENTF_LEFTUP)});
}

void WizardDriver::Type(const std::wstring& characters, bool alt) const {
    Front();
    std::vector<INPUT> typed;
    for (wchar_t character : characters) {
        const SHORT key = VkKeyScanW(character);
        const std::vector<INPUT> one = key == -1              ? Stroke(character, true)
                                       : (HIBYTE(key) & 1) ? Holding({VK_SHIFT}, Stroke(LOBYTE(key)))
                                                           : Stroke(LOBYTE(key));
        typed.insert(typed.end(), one.begin(), one.end());
    }
    Send(alt ? Holding({VK_MENU}, typed) : typed);
}

void WizardDriver::Press(WORD key, std::initializer_list<WORD> held) const {
    Front();
    Send(Holding(held, Stroke(key)));
}

bool WizardDriver::ToFolders(int rows) const {
    Click(Button(kButtonNext));
    return WaitFor(WizardPage::Folders) && WaitUntil([&] { return ListCount() >= rows; }, 5000);
}

void WizardDriver::ClickListRow(int row) const {
    HWND list = Control(kFolderList);
    SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(row), 0);  // scrolled into view first
    RECT item{};
    SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    ClickAt(list, item.left + 6, (item.top + item.bottom) / 2);
}

int WizardDriver::ListCount() const {
    return static_cast<int>(SendMessageW(Control(kFolderList), LB_GETCOUNT, 0, 0));
}

std::wstring WizardDriver::ListText(int row) const {
    wchar_t text[1024] = L"";
    // LB_GETTEXT copies into the caller's buffer, which the system marshals for list boxes.
    SendMessageW(Control(kFolderList), LB_GETTEXT, static_cast<WPARAM>(row),
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

IAccessible* Heard::ObjectOf(HWND window) {
    static const GUID kIidAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // once per thread; the test's runs to its end
    IAccessible* accessible = nullptr;
    if (AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), kIidAccessible,
                                   reinterpret_cast<void**>(&accessible)) != S_OK)
        return nullptr;
    return accessible;
}

long Heard::ChildAt(HWND window, POINT screen) {
    IAccessible* accessible = ObjectOf(window);
    if (!accessible) return -1;
    VARIANT hit;
    VariantInit(&hit);
    const HRESULT result = accessible->accHitTest(screen.x, screen.y, &hit);
    accessible->Release();
    const long child = result == S_OK && hit.vt == VT_I4 ? hit.lVal : -1;
    VariantClear(&hit);
    return child;
}

Heard Heard::Of(HWND window, long child) {
    Heard heard;
    IAccessible* accessible = ObjectOf(window);
    if (!accessible) return heard;
    VARIANT id;
    id.vt = VT_I4;
    id.lVal = child;
    VARIANT number;
    VariantInit(&number);
    if (accessible->get_accRole(id, &number) == S_OK && number.vt == VT_I4) heard.role = number.lVal;
    VariantInit(&number);
    if (accessible->get_accState(id, &number) == S_OK && number.vt == VT_I4) heard.state = number.lVal;
    if (child == CHILDID_SELF) accessible->get_accChildCount(&heard.children);
    auto text = [&](HRESULT (STDMETHODCALLTYPE IAccessible::*member)(VARIANT, BSTR*), std::wstring& into) {
        BSTR value = nullptr;
        if ((accessible->*member)(id, &value) == S_OK && value) into = value;
        SysFreeString(value);
    };
    text(&IAccessible::get_accName, heard.name);
    text(&IAccessible::get_accValue, heard.value);
    text(&IAccessible::get_accKeyboardShortcut, heard.shortcut);
    accessible->Release();
    return heard;
}

WinEvents::WinEvents(DWORD processId, DWORD event)
    : hook_(SetWinEventHook(event, event, nullptr, Hook, processId, 0, WINEVENT_OUTOFCONTEXT)) {
    seen_.clear();
}

WinEvents::~WinEvents() {
    if (hook_) UnhookWinEvent(hook_);
}

void CALLBACK WinEvents::Hook(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD) {
    seen_.push_back({window, object, child});
}

bool WinEvents::Saw(HWND window, long child, DWORD milliseconds) {
    return WizardDriver::WaitUntil(
        [&] {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
            for (const Event& event : seen_)
                if (event.window == window && event.object == OBJID_CLIENT && event.child == child) return true;
            return false;
        },
        milliseconds);
}
