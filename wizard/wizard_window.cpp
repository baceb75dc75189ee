// The window and its frame in one file: the header, the buttons, the keys, the focus, painting
// and scaling all act on the one window's state. What the pages hold is in pages.cpp.
#include "wizard/wizard_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include "controls/check_list_box.h"
#include "controls/drag_to_move.h"
#include "controls/image.h"
#include "controls/page_control.h"
#include "controls/wait_animation.h"
#include "flat/drawing.h"
#include "flat/flat_button.h"
#include "flat/flat_check_box.h"
#include "flat/flat_gauge.h"
#include "flat/flat_memo.h"
#include "flat/flat_messages.h"
#include "product_identity.h"
#include "resources/resource_names.h"
#include "user_guide_address.h"
#include "win32/accessibility.h"
#include "win32/dpi.h"
#include "win32/embedded_resource.h"
#include "win32/end_session_hold.h"
#include "win32/folder_browser.h"
#include "win32/gdi.h"
#include "win32/high_contrast.h"
#include "win32/signed_in_user.h"
#include "win32/startup_trace.h"
#include "win32/system_functions.h"
#include "win32/window.h"

namespace {

// The class and the title other programs find the wizard by (deployment scripts, automation,
// the tests); they never change.
constexpr wchar_t kClassName[] = L"TFormMain";
constexpr wchar_t kTitle[] = L"FormMain";
constexpr UINT kJobTimerIntervalMs = 500;
// Well below what a person notices; the window has painted, the controls come after it.
constexpr DWORD kIdleMomentMs = 20;
constexpr int kRestsCut = 4;  // then the controls come, whatever keeps arriving
// Well inside the five seconds that Windows gives a window to answer before it offers to end
// the program; a copy of the expert takes milliseconds.
constexpr DWORD kEndSessionWriteWaitMs = 2000;

// The platform's tab control lives in comctl32, which is no KnownDLL: it is loaded from
// System32 (or the side-by-side store the manifest names) at run time.
void InitTabControl() {
    if (const auto init = CommonControlsApi().initCommonControlsEx) {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES};
        init(&controls);
    }
}

void SetFont(HWND control, HFONT font) { SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE); }

// How a label (CreateLabel's style) lays out its text.
constexpr UINT kLabelFormat = DT_LEFT | DT_EXPANDTABS | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL;
// Where the page control puts its pages (PageControl): 6 pixels above the top of the tab
// control's display rectangle, which the platform puts 4 pixels down (its border and padding).
constexpr int kSheetTop = -2;

}  // namespace

WizardWindow::WizardWindow(Language language, bool removal) : language_(language), removal_(removal) {}
WizardWindow::~WizardWindow() = default;  // never runs: the window's destruction ends the process

bool WizardWindow::Create(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.style = CS_DROPSHADOW;
    windowClass.hIcon = LoadIconW(instance, RESOURCE_STRING(RESOURCE_ICON));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    if (!OwnWindow<WizardWindow>::Create(this, windowClass, WS_EX_APPWINDOW | WS_EX_CONTROLPARENT, kTitle,
                                      WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX, kClientWidth,
                                      kClientHeight, nullptr, 0))
        return false;
    STARTUP_MARK("window created");
    // Always shown normally, whatever the launcher asked: a wizard started hidden would hold
    // the single-instance guard with no window anyone could see or close. Windows puts the
    // launcher's show command in place of the first SW_SHOWNORMAL of a captioned top-level
    // window; this one has no caption, and should that ever change, the second call, which
    // is never replaced, shows it. Its activation gives Next the focus.
    ShowWindow(handle_, SW_SHOWNORMAL);
    if (!IsWindowVisible(handle_) || (GetWindowLongW(handle_, GWL_STYLE) & WS_MINIMIZE)) ShowWindow(handle_, SW_SHOWNORMAL);
    STARTUP_MARK("window shown");
    return true;
}

LRESULT WizardWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            OnCreate();
            return 0;
        case WM_DESTROY:
            OnDestroy();
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            OnPaint();
            return 0;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
            return OnCtlColor(message, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_DRAWITEM:
            OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_COMMAND:
            OnCommand(reinterpret_cast<HWND>(lParam), LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_ACTIVATE:
            OnActivate(LOWORD(wParam) != WA_INACTIVE);
            return 0;
        case WM_TIMER:
            if (wParam == kJobTimer) session_->JobTimerTick();
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            MoveByDrag();
            return 0;
        case kSheetPaint:
            if (installingPage_) installingPage_->PaintSheet(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
            return 0;
        case WM_CLOSE:
            // Alt+F4 and the taskbar's close do what the close button does; a passive run's
            // window has none, and ends by itself. Another program may send it while the window,
            // being destroyed, waits for the job: then nothing is left.
            if (session_ && !passive_) session_->On(SessionEvent::Close);
            return 0;
        case WM_DPICHANGED:
            OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_GETOBJECT:
            return OnGetObject(wParam, lParam);
        case WM_SETTINGCHANGE:
        case WM_SYSCOLORCHANGE:
            OnSettingChange(message == WM_SYSCOLORCHANGE);
            break;
        case WM_QUERYENDSESSION:
            return EndSessionHold::QueryEndSessionAnswer();
        case WM_ENDSESSION:
            // Windows may end the process once this returns: the job begins no file from here,
            // and the one it is writing is finished first.
            EndSessionHold::NoteEndSession(wParam);
            if (wParam) EndSessionHold::AwaitWriteInFlight(kEndSessionWriteWaitMs);
            return 0;
    }
    // Not while the session is being freed: it waits there for the job, whose reports are let go.
    if (session_ && jobReports_->Take(message, *session_)) return 0;
    return DefWindowProcW(handle_, message, wParam, lParam);
}

void WizardWindow::OnCreate() {
    STARTUP_MARK("WM_CREATE");
    dpi_ = DpiOfWindow(handle_);
    SetHighContrast(SystemHighContrast());
    auto bitmap = [](const wchar_t* name) { return BitmapFromPackedDib(ExpandedResource(nullptr, RT_RCDATA, name)); };
    logoBitmap_.reset(bitmap(RESOURCE_STRING(RESOURCE_LOGO)));
    bannerBitmap_.reset(bitmap(RESOURCE_STRING(RESOURCE_BANNER)));
    closeGlyph_.reset(bitmap(RESOURCE_STRING(RESOURCE_CLOSE_GLYPH)));
    STARTUP_MARK("bitmaps loaded");
    jobReports_.emplace(handle_);
    session_ = std::make_unique<WizardSession>(*this, *jobReports_);
    CreateFonts();
    STARTUP_MARK("fonts created");

    // Centred on the screen that holds the window, at the window's dpi.
    const int width = Scale(kClientWidth, dpi_), height = Scale(kClientHeight, dpi_);
    MONITORINFO monitor{sizeof monitor};
    GetMonitorInfoW(MonitorFromWindow(handle_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& area = monitor.rcWork;
    SetWindowPos(handle_, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    // The passive run and the removal start on pages that need their windows at once.
    drawnWelcome_ = !passive_ && !removal_;
    if (!drawnWelcome_) CreateFrame();
    STARTUP_MARK("placed");
    if (passive_) {
        EnterPage(WizardPage::Installing, TextId::Installed);
        for (FlatButton* button : {backButton_, nextButton_, closeButton_}) ShowWindow(button->Handle(), SW_HIDE);
        return;
    }
    if (removal_)
        session_->StartRemoval();
    else
        session_->Start();
    STARTUP_MARK("Welcome page shown");
}

bool WizardWindow::CreatePassive(HINSTANCE instance) {
    passive_ = true;
    if (!Create(instance)) return false;
    // A disabled window takes no click, no key and no activation.
    EnableWindow(handle_, FALSE);
    UpdateWindow(handle_);
    return true;
}

void WizardWindow::ShowFinishedFor(TextId text, DWORD milliseconds) {
    EnterPage(WizardPage::Finished, text);
    const ULONGLONG end = GetTickCount64() + milliseconds;
    for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
}

void WizardWindow::OnDestroy() {
    if (waitPage_) waitPage_->FreeAnimation();
    session_.reset();  // waits for a job that still runs: it reads one list and fills the other
    ExitProcess(0);
}

void WizardWindow::CreateFrame() {
    if (pageControl_) return;
    const bool drawn = drawnWelcome_;
    drawnWelcome_ = false;
    InitTabControl();
    STARTUP_MARK("common controls loaded");
    logo_ = ImageControl::Create(handle_, kLogo);
    logo_->SetBitmap(logoBitmap_.get());
    banner_ = ImageControl::Create(handle_, kBanner);
    banner_->SetBitmap(bannerBitmap_.get());
    appName_ = CreateLabel(handle_, kAppName);
    SetWindowCaption(appName_, kPublisher);

    STARTUP_MARK("header created");

    // The page area comes before Back and Next, which makes the Tab order: the page's
    // controls, then Back, then Next. Only the Welcome page is filled here; the other pages
    // follow when the queue next drains (Run).
    pageControl_ = PageControl::Create(handle_, kPageControl, 6,
                                       ScaledRect(0, kPageTop, kPageWidth, kPageTop + kPageHeight, dpi_));
    STARTUP_MARK("page control created");
    welcomePage_.emplace(pageControl_->Sheet(static_cast<int>(WizardPage::Welcome)), WizardPage::Welcome, kWelcomeText);

    backButton_ = FlatButton::Create(handle_, kButtonBack, L"");
    nextButton_ = FlatButton::Create(handle_, kButtonNext, L"");
    closeButton_ = FlatButton::Create(handle_, kButtonClose, L"");
    for (FlatButton* button : {backButton_, nextButton_}) {
        SetWindowLongW(button->Handle(), GWL_STYLE, GetWindowLongW(button->Handle(), GWL_STYLE) | WS_TABSTOP);
    }
    for (FlatButton* button : {backButton_, nextButton_, closeButton_}) SetButtonColours(*button);
    closeButton_->SetColorBorder(kColorBlack);
    closeButton_->SetGlyph(closeGlyph_.get());
    closeButton_->SetAccessibleName(Text(TextId::Close, language_));
    SetFrameFonts();
    LayoutControls();
    DragToMove::HookPassiveControls(handle_);
    STARTUP_MARK("controls created");
    if (!drawn) return;
    // The controls take over what the window drew, all in one update: they paint the same
    // pixels, so nothing flickers.
    EnterPage(WizardPage::Welcome, TextId::None);
    ApplyButtonRules(welcomeRules_);
    KeepFocusUsable(nullptr);
    RedrawWindow(handle_, nullptr, nullptr, RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void WizardWindow::CreatePages() {
    if (waitPage_) return;
    CreateFrame();
    STARTUP_MARK("other pages' controls: start");
    auto sheet = [this](WizardPage page) { return pageControl_->Sheet(static_cast<int>(page)); };
    waitPage_.emplace(sheet(WizardPage::Wait));
    foldersPage_.emplace(sheet(WizardPage::Folders));
    agreementPage_.emplace(sheet(WizardPage::Agreement));
    installingPage_.emplace(sheet(WizardPage::Installing));
    finishedPage_.emplace(sheet(WizardPage::Finished), WizardPage::Finished, kFinishedText);
    SetPageFonts();
    LayoutControls(true);
    DragToMove::HookPassiveControls(handle_);
    STARTUP_MARK("other pages' controls: created");
}

void WizardWindow::CreateFonts() {
    listFont_.reset(CreatePixelFont(L"Tahoma", 10, false, dpi_));
    labelFont_.reset(CreatePointFont(L"Tahoma", 8, false, dpi_));
    buttonFont_.reset(CreatePointFont(L"Tahoma", 9, true, dpi_));
    checkBoxFont_.reset(CreatePixelFont(L"Tahoma", 11, false, dpi_));
    appNameFont_.reset(CreatePixelFont(L"Tahoma", 31, false, dpi_));
    SetFrameFonts();
}

void WizardWindow::SetFrameFonts() {
    if (!pageControl_) return;
    SetFont(appName_, appNameFont_.get());
    welcomePage_->SetFonts({labelFont_.get(), listFont_.get(), buttonFont_.get(), checkBoxFont_.get()});
    for (FlatButton* button : {backButton_, nextButton_, closeButton_}) button->SetFont(buttonFont_.get());
    if (waitPage_) SetPageFonts();
}

void WizardWindow::SetPageFonts() {
    const PageFonts fonts{labelFont_.get(), listFont_.get(), buttonFont_.get(), checkBoxFont_.get()};
    waitPage_->SetFonts(fonts);
    foldersPage_->SetFonts(fonts);
    agreementPage_->SetFonts(fonts);
    installingPage_->SetFonts(fonts);
    finishedPage_->SetFonts(fonts);
}

void WizardWindow::PlaceFrame() {
    const SIZE logo = BitmapSize(logoBitmap_.get()), banner = BitmapSize(bannerBitmap_.get());
    PlaceControl(logo_->Handle(), RowOf(kLogo), dpi_, {Scale(logo.cx, dpi_), Scale(logo.cy, dpi_)});
    PlaceControl(banner_->Handle(), RowOf(kBanner), dpi_, {Scale(banner.cx, dpi_), Scale(banner.cy, dpi_)});
    // The font has the scale.
    PlaceControl(appName_, RowOf(kAppName), dpi_, TextSize(appName_, appNameFont_.get(), kPublisher));
    PlaceControl(pageControl_->Handle(), RowOf(kPageControl), dpi_);
    pageControl_->LayoutSheets();
    PlaceControl(nextButton_->Handle(), RowOf(kButtonNext), dpi_);
    PlaceControl(backButton_->Handle(), RowOf(kButtonBack), dpi_);
    PlaceControl(closeButton_->Handle(), RowOf(kButtonClose), dpi_);
}

void WizardWindow::LayoutControls(bool otherPagesOnly) {
    if (!otherPagesOnly) {
        PlaceFrame();
        welcomePage_->Place(dpi_);
    }
    if (!waitPage_) return;  // the other pages are placed when they are made
    waitPage_->Place(dpi_);
    foldersPage_->Place(dpi_);
    agreementPage_->Place(dpi_);
    installingPage_->Place(dpi_);
    finishedPage_->Place(dpi_);
}

void WizardWindow::MoveByDrag() {
    ReleaseCapture();
    SendMessageW(handle_, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);  // the caption-bar move loop
}

bool WizardWindow::PreTranslateMessage(MSG& message) {
    HWND focus = GetFocus();
    const bool focusTakesText = FlatMemo::FromHandle(focus) || CheckListBox::FromHandle(focus);
    switch (message.message) {
        case WM_SYSKEYDOWN:
            // Without a focused control the platform sends keys as system keys; Tab without
            // Alt still moves the focus.
            if (message.lParam & (1 << 29)) return false;
            [[fallthrough]];
        case WM_KEYDOWN:
            // On the key going down: the Esc that closes the folder browser goes up here, and
            // its repeats say the key was down already.
            if (message.wParam == VK_ESCAPE && (message.hwnd == handle_ || IsChild(handle_, message.hwnd))) {
                // The close button's key, on every page. A page is switched without taking
                // messages, so no Esc lands in a switch; during the installation it ends the run
                // once the files are written, as the button does.
                if (!(message.lParam & (1 << 30))) session_->On(SessionEvent::Close);
                return true;
            }
            // The memo keeps Tab for itself; Ctrl+Tab moves on from it, as from any edit that
            // takes tabs.
            if (message.wParam == VK_TAB && (!FlatMemo::FromHandle(focus) || GetKeyState(VK_CONTROL) < 0)) {
                const bool back = GetKeyState(VK_SHIFT) < 0;
                if (HWND next = GetNextDlgTabItem(handle_, IsChild(handle_, focus) ? focus : nullptr, back))
                    SetFocus(next);
                return true;
            }
            return false;
        case WM_CHAR:
            // Typed characters are offered to the controls of the page that shows and to
            // Next and Back as accelerators; a control that takes text keeps its own.
            return !focusTakesText && OfferCharToControls(handle_, static_cast<wchar_t>(message.wParam));
        case WM_SYSCHAR:
            // Alt+Space belongs to the system menu, not to a focused check box.
            return message.wParam != L' ' && OfferCharToControls(handle_, static_cast<wchar_t>(message.wParam));
    }
    return false;
}

void WizardWindow::OnActivate(bool active) {
    // As the platform's dialogs do: the focus is kept while another window is active and
    // given back on return, instead of landing on the window itself.
    // The controls' focus is settled when they are made; until then the window holds it, or
    // keys would come as system keys (Space opening the system menu instead of pressing Next).
    if (drawnWelcome_) {
        if (active) SetFocus(handle_);
        return;
    }
    if (!active) {
        if (HWND focus = GetFocus(); IsChild(handle_, focus)) savedFocus_ = focus;
        return;
    }
    KeepFocusUsable(savedFocus_);
}

bool WizardWindow::UsableFocus(HWND control) const {
    return control && IsChild(handle_, control) && IsWindowVisible(control) && IsWindowEnabled(control) &&
           ((GetWindowLongW(control, GWL_STYLE) & WS_TABSTOP) || FlatButton::FromHandle(control));
}

void WizardWindow::KeepFocusUsable(HWND target) {
    if (!UsableFocus(target)) {
        target = nullptr;
        HWND page = pageControl_->Sheet(pageControl_->ActivePage());
        for (HWND child = GetWindow(page, GW_CHILD); child && !target; child = GetWindow(child, GW_HWNDNEXT))
            if (UsableFocus(child) && (GetWindowLongW(child, GWL_STYLE) & WS_TABSTOP)) target = child;
        for (FlatButton* button : {nextButton_, backButton_})
            if (!target && UsableFocus(button->Handle())) target = button->Handle();
        if (!target) target = handle_;  // keys still reach the window, which moves on with Tab
    }
    if (GetActiveWindow() != handle_)
        savedFocus_ = target;
    else if (GetFocus() != target)
        SetFocus(target);
}

void WizardWindow::Run() {
    MSG message;
    for (;;) {
        // Once the window has painted, the first time the queue drains brings the frame's
        // controls in place of the window's picture, the next one the other pages: the first
        // idle moment comes right after the first paint, with no control made before it.
        if (firstPaintDone_ && !waitPage_ && !PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) {
            // A moment's rest first, woken by any message: a launcher waiting for the program
            // to take input (WaitForInputIdle) learns it from a wait on the queue (under Wine
            // only while the wait lasts), and what comes meanwhile is taken right after.
            STARTUP_IDLE();
            if (MsgWaitForMultipleObjects(0, nullptr, FALSE, kIdleMomentMs, QS_ALLINPUT) != WAIT_TIMEOUT &&
                ++restsCut_ < kRestsCut)
                continue;  // taken first; the rest comes again once the queue drains
            if (drawnWelcome_)
                CreateFrame();
            else
                CreatePages();
            continue;
        }
        STARTUP_IDLE();
        if (GetMessageW(&message, nullptr, 0, 0) <= 0) break;
        if (drawnWelcome_) RouteToControls(message);
        if (PreTranslateMessage(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void WizardWindow::RouteToControls(MSG& message) {
    // Input that comes while the window shows its picture of the Welcome page finds the
    // controls made and goes where it would have gone had they been there: a key to the
    // focus, a press on a painted button to that button (a person expects it to act). A press
    // elsewhere stays with the window and moves it, as one on its background does.
    const bool key = message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST;
    if (message.hwnd != handle_ || (!key && message.message != WM_LBUTTONDOWN)) return;
    CreateFrame();
    if (key) {
        if (HWND focus = GetFocus()) message.hwnd = focus;
        return;
    }
    POINT at{GET_X_LPARAM(message.lParam), GET_Y_LPARAM(message.lParam)};
    HWND button = ChildWindowFromPointEx(handle_, at, CWP_SKIPINVISIBLE | CWP_SKIPDISABLED);
    if (!FlatButton::FromHandle(button)) return;
    MapWindowPoints(handle_, button, &at, 1);
    message.hwnd = button;
    message.lParam = MAKELPARAM(at.x, at.y);
}

void WizardWindow::OnPaint() {
    STARTUP_MARK("window's WM_PAINT");
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(handle_, &paint);
    FillRect(dc, &paint.rcPaint, BackgroundBrush());
    if (drawnWelcome_) PaintWelcome(dc);
    EndPaint(handle_, &paint);
    firstPaintDone_ = true;  // the controls follow once the queue drains (Run)
}

void WizardWindow::PaintWelcome(HDC dc) {
    const HBITMAP pictures[] = {logoBitmap_.get(), bannerBitmap_.get()};  // by control id
    for (int id = kLogo; id <= kBanner; ++id) {
        const SIZE size = BitmapSize(pictures[id - kLogo]);
        DrawTransparentBitmap(dc, pictures[id - kLogo],
                              ControlBounds(RowOf(id), dpi_, {Scale(size.cx, dpi_), Scale(size.cy, dpi_)}));
    }
    // The labels, in the colours OnCtlColor gives them: the name in one line at its corner,
    // the page's text where the page control puts its page.
    OnCtlColor(WM_CTLCOLORSTATIC, dc, nullptr);
    {
        const SelectedObject font(dc, appNameFont_.get());
        RECT name = ControlBounds(RowOf(kAppName), dpi_);
        DrawTextW(dc, kPublisher, -1, &name, DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
    }
    {
        const SelectedObject font(dc, labelFont_.get());
        RECT text = ControlBounds(RowOf(kWelcomeText), dpi_);
        OffsetRect(&text, 0, Scale(kPageTop, dpi_) + kSheetTop);
        DrawTextW(dc, Text(TextId::Welcome, language_).c_str(), -1, &text, kLabelFormat);
    }
    // Next has the focus while the window is active (KeepFocusUsable), which looks hovered.
    // Back is hidden on this page.
    FlatButtonColors colours = WizardButtonColours();
    if (const ButtonRule& next = welcomeRules_.next; next.visible) {
        const std::wstring caption = Text(next.caption, language_);
        const ButtonState state = next.enabled == ButtonRule::Enabled::No ? ButtonState::Disabled : ButtonState::Up;
        PaintFlatButton(dc, ControlBounds(RowOf(kButtonNext), dpi_),
                        {caption.c_str(), buttonFont_.get(), nullptr, state, GetActiveWindow() == handle_, colours}, dpi_);
    }
    colours.border = kColorBlack;
    PaintFlatButton(dc, ControlBounds(RowOf(kButtonClose), dpi_),
                    {nullptr, buttonFont_.get(), closeGlyph_.get(), ButtonState::Up, false, colours}, dpi_);
}

LRESULT WizardWindow::OnCtlColor(UINT message, HDC dc, HWND control) {
    if (LRESULT brush = SendMessageW(control, kFlatReflectColor, reinterpret_cast<WPARAM>(dc), 0)) return brush;
    if (message == WM_CTLCOLORSTATIC) {
        SetTextColor(dc, ResolveColor(ContrastColor(kColorWhite, COLOR_WINDOWTEXT)));
        SetBkColor(dc, ResolveColor(ContrastColor(kColorBlack, COLOR_WINDOW)));
        return reinterpret_cast<LRESULT>(BackgroundBrush());
    }
    return DefWindowProcW(handle_, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
}

void WizardWindow::OnDrawItem(const DRAWITEMSTRUCT& item) {
    if (foldersPage_ && foldersPage_->DrawItem(item)) return;
    if (installingPage_ && installingPage_->DrawItem(item)) return;
    // The page control's tabs, which its pages always cover.
    FillRect(item.hDC, &item.rcItem, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

void WizardWindow::OnCommand(HWND control, int id, int code) {
    // Menus and accelerators: the window has none. A click sent while the window, being
    // destroyed, waits for the job finds no session.
    if (!control || !session_) return;
    switch (id) {
        case kButtonNext: session_->On(SessionEvent::Next); break;
        case kButtonBack: session_->On(SessionEvent::Back); break;
        case kButtonClose: session_->On(SessionEvent::Close); break;
        case kAcceptBox:
        case kRejectBox:
            agreementPage_->BoxClicked(id);
            session_->On(SessionEvent::AcceptChanged);
            break;
        case kAddFolderButton: session_->On(SessionEvent::AddFolder); break;
        case kFolderList:
            if (code == CheckListBox::kClickCheck) session_->On(SessionEvent::TicksChanged);
            break;
    }
}

void WizardWindow::OnDpiChanged(UINT dpi, const RECT& suggested) {
    CreatePages();
    dpi_ = dpi;
    SetWindowPos(handle_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    for (FlatButton* button : {nextButton_, backButton_, closeButton_}) button->SetDpi(dpi);
    foldersPage_->SetDpi(dpi);
    agreementPage_->SetDpi(dpi);
    installingPage_->SetDpi(dpi);
    CreateFonts();
    LayoutControls();
    InvalidateRect(handle_, nullptr, TRUE);
}

LRESULT WizardWindow::OnGetObject(WPARAM wParam, LPARAM lParam) {
    // A screen reader asks as the window comes to the front: it hears the page's controls
    // and text, not an empty dialog.
    if (drawnWelcome_) CreateFrame();
    // Heard by the product's name, as a dialog; the title stays the one the taskbar shows.
    if (AsksForObject(lParam, OBJID_CLIENT))
        return AnswerWithObject(NewNamedAccessible(handle_, OBJID_CLIENT, kSetupTitle, ROLE_SYSTEM_DIALOG), wParam);
    if (AsksForObject(lParam, OBJID_WINDOW))
        return AnswerWithObject(NewNamedAccessible(handle_, OBJID_WINDOW, kSetupTitle), wParam);
    return DefWindowProcW(handle_, WM_GETOBJECT, wParam, lParam);
}

void WizardWindow::OnSettingChange(bool coloursChanged) {
    // A high-contrast theme switched on or off, or its colours changed: every control
    // repaints, frames (the memo's border) included. Other settings leave the look alone.
    const bool on = SystemHighContrast();
    if (on == HighContrast() && !(on && coloursChanged)) return;
    SetHighContrast(on);
    RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

// ---- what the session asks for

void WizardWindow::EnterPage(WizardPage page, TextId pageText) {
    if (drawnWelcome_ && page == WizardPage::Welcome) return;  // painted by the window (PaintWelcome)
    if (page != WizardPage::Welcome) CreatePages();
    if (page == WizardPage::Wait) waitPage_->Prepare(dpi_);
    pageControl_->SetActivePage(static_cast<int>(page));
    if (page != WizardPage::Wait && waitPage_) waitPage_->Stop();
    switch (page) {
        case WizardPage::Welcome: welcomePage_->Enter(language_, dpi_, TextId::Welcome); break;
        case WizardPage::Wait: waitPage_->Enter(language_, dpi_); break;
        case WizardPage::Folders: foldersPage_->Enter(language_, dpi_); break;
        case WizardPage::Agreement: agreementPage_->Enter(language_, dpi_); break;
        case WizardPage::Installing:
            installingPage_->Enter(language_, dpi_, pageText == TextId::None ? TextId::Installing : pageText);
            break;
        case WizardPage::Finished: finishedPage_->Enter(language_, dpi_, pageText); break;
    }
}

void WizardWindow::ApplyButtonRules(const ButtonRules& rules) {
    if (drawnWelcome_) {
        welcomeRules_ = rules;
        return;
    }
    const std::pair<FlatButton*, const ButtonRule*> buttons[] = {{nextButton_, &rules.next}, {backButton_, &rules.back}};
    for (const auto& [button, rule] : buttons) {
        if (rule->caption != TextId::None) SetWindowCaption(button->Handle(), Text(rule->caption, language_).c_str());
        ShowWindow(button->Handle(), rule->visible ? SW_SHOWNA : SW_HIDE);
        if (rule->enabled != ButtonRule::Enabled::AsItWas)
            EnableWindow(button->Handle(), rule->enabled == ButtonRule::Enabled::Yes);
    }
}

void WizardWindow::ShowFolders(const FolderList& installations, const FolderList& ticked) {
    foldersPage_->Show(installations, ticked);
}

FolderList WizardWindow::TickedFolders() { return foldersPage_->Ticked(); }

bool WizardWindow::AcceptTicked() { return agreementPage_ && agreementPage_->AcceptTicked(); }

void WizardWindow::EnableNext(bool enabled) { EnableWindow(nextButton_->Handle(), enabled); }

bool WizardWindow::ChooseFolder(std::wstring& folder) {
    folder = InitialBrowseFolder(handle_);
    return BrowseForFolder(handle_, Text(TextId::ChooseFolderTitle, language_), folder);
}

void WizardWindow::TickAndSelectFolder(const std::wstring& folder) { foldersPage_->TickAndSelect(folder); }

void WizardWindow::SettlePage() {
    if (drawnWelcome_) return;
    KeepFocusUsable(GetActiveWindow() == handle_ ? GetFocus() : savedFocus_);
    RedrawWindow(pageControl_->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

bool WizardWindow::StartJobTimer() { return SetTimer(handle_, kJobTimer, kJobTimerIntervalMs, nullptr) != 0; }

void WizardWindow::StopJobTimer() { KillTimer(handle_, kJobTimer); }

void WizardWindow::SetProgressRange(int maximum) { installingPage_->SetProgressRange(maximum); }

void WizardWindow::ShowInstallStep(const std::wstring& path, int position) {
    installingPage_->ShowStep(path, position);
}

void WizardWindow::HoldEndSession(bool held) {
    // ShutdownBlockReasonCreate and Destroy work only on the window's own thread.
    if (!held)
        endSessionHold_.reset();
    else if (!endSessionHold_)
        endSessionHold_.emplace(handle_, Text(TextId::Installing, language_));
}

void WizardWindow::Terminate() { PostQuitMessage(0); }

void WizardWindow::Finish() {
    OpenAddressAsSignedInUser(handle_, kUserGuideAddress);
    DestroyWindow(handle_);  // ends the process in OnDestroy
}
