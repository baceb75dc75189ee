#include "wizard/form_main.h"

#include <commctrl.h>

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
#include "resources/resource_names.h"
#include "texts/agreement.h"
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

namespace {

constexpr wchar_t kClassName[] = L"TFormMain";
constexpr wchar_t kTitle[] = L"FormMain";
constexpr wchar_t kProductName[] = L"Mervane 4 Setup";
constexpr UINT kJobTimerIntervalMs = 500;
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

HWND CreateLabel(HWND parent, int id, DWORD style = SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL) {
    return CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

void SetButtonColours(TFlatButton& button) {
    button.SetColor(kColorBlack);
    button.SetColorFocused(kColorPurple);
    button.SetFontColor(kColorWhite);
}

void SetFont(HWND control, HFONT font) { SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE); }

}  // namespace

TFormMain::TFormMain(Language language) : language_(language) {}
TFormMain::~TFormMain() = default;  // never runs: the window's destruction ends the process

bool TFormMain::Create(HINSTANCE instance) {
    InitTabControl();
    STARTUP_MARK("common controls loaded");
    WNDCLASSEXW windowClass{};
    windowClass.style = CS_DROPSHADOW;
    windowClass.hIcon = LoadIconW(instance, RESOURCE_STRING(RESOURCE_ICON));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    if (!OwnWindow<TFormMain>::Create(this, windowClass, WS_EX_APPWINDOW | WS_EX_CONTROLPARENT, kTitle,
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
    if (!IsWindowVisible(handle_) || IsIconic(handle_)) ShowWindow(handle_, SW_SHOWNORMAL);
    STARTUP_MARK("window shown");
    return true;
}

LRESULT TFormMain::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            FormCreate();
            return 0;
        case WM_DESTROY:
            FormDestroy();
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
            FormMouseDown();
            return 0;
        case kSheetPaint:
            OnSheetPaint(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
            return 0;
        case WM_CLOSE:
            // Alt+F4 and the taskbar's close do what the close button does.
            session_->ButtonNavigationClick(kTagClose);
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
    if (jobReports_ && jobReports_->Take(message, *this)) return 0;
    return DefWindowProcW(handle_, message, wParam, lParam);
}

void TFormMain::FormCreate() {
    STARTUP_MARK("WM_CREATE");
    dpi_ = DpiOfWindow(handle_);
    SetHighContrast(SystemHighContrast());
    CreateControls();
    STARTUP_MARK("controls created");
    EnumAllControls();
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
    LayoutControls();
    STARTUP_MARK("placed and laid out");
    session_->Start();
    STARTUP_MARK("Welcome page shown");
}

void TFormMain::FormDestroy() {
    waitAnimation_.reset();
    session_.reset();  // waits for a job that still runs: it reads one list and fills the other
    ExitProcess(0);
}

void TFormMain::CreateControls() {
    auto bitmap = [](const wchar_t* name) { return BitmapFromPackedDib(ExpandedResource(nullptr, RT_RCDATA, name)); };
    logo_.reset(bitmap(RESOURCE_STRING(RESOURCE_LOGO)));
    banner_.reset(bitmap(RESOURCE_STRING(RESOURCE_BANNER)));
    closeGlyph_.reset(bitmap(RESOURCE_STRING(RESOURCE_CLOSE_GLYPH)));
    STARTUP_MARK("bitmaps loaded");

    image21_ = TImage::Create(handle_, kImage21);
    image21_->SetBitmap(logo_.get());
    imageWeb_ = TImage::Create(handle_, kImageWeb);
    imageWeb_->SetBitmap(banner_.get());
    labelAppName_ = CreateLabel(handle_, kLabelAppName);
    SetWindowTextW(labelAppName_, L"Mervane");

    STARTUP_MARK("header created");

    // The page area comes before Back and Next, which makes the Tab order: the page's
    // controls, then Back, then Next. Only the Welcome page is filled before the window
    // first shows; the other pages follow once it has painted (CreatePageControls).
    pageControl_ = TNewPageControl::Create(handle_, kPageControl, 6,
                                           ScaledRect(0, kPageTop, kPageWidth, kPageTop + kPageHeight, dpi_));
    STARTUP_MARK("page control created");
    labelText1_1_ = CreateLabel(pageControl_->Sheet(static_cast<int>(WizardPage::Welcome)), kLabelText1_1);

    buttonBack_ = TFlatButton::Create(handle_, kButtonBack, L"");
    buttonNext_ = TFlatButton::Create(handle_, kButtonNext, L"");
    buttonClose_ = TFlatButton::Create(handle_, kButtonClose, L"");
    buttonNext_->SetTag(kTagNext);
    buttonBack_->SetTag(kTagBack);
    buttonClose_->SetTag(kTagClose);
    for (TFlatButton* button : {buttonBack_, buttonNext_}) {
        SetWindowLongW(button->Handle(), GWL_STYLE, GetWindowLongW(button->Handle(), GWL_STYLE) | WS_TABSTOP);
    }
    for (TFlatButton* button : {buttonBack_, buttonNext_, buttonClose_}) SetButtonColours(*button);
    buttonClose_->SetColorBorder(kColorBlack);
    buttonClose_->SetGlyph(closeGlyph_.get());
    buttonClose_->SetAccessibleName(TextOf(120));
}

void TFormMain::CreatePageControls() {
    if (pageControlsCreated_) return;
    pageControlsCreated_ = true;
    STARTUP_MARK("other pages' controls: start");
    HWND wait = pageControl_->Sheet(static_cast<int>(WizardPage::Wait));
    HWND folders = pageControl_->Sheet(static_cast<int>(WizardPage::Folders));
    HWND agreement = pageControl_->Sheet(static_cast<int>(WizardPage::Agreement));
    HWND installing = pageControl_->Sheet(static_cast<int>(WizardPage::Installing));
    HWND finished = pageControl_->Sheet(static_cast<int>(WizardPage::Finished));
    labelText1_2_ = CreateLabel(wait, kLabelText1_2);
    imageProgress2_ = TImage::Create(wait, kImageProgress2);
    labelText1_4_ = CreateLabel(folders, kLabelText1_4);
    checkListBox4_ = TCheckListBox::Create(folders, kCheckListBox4);
    buttonAddFolder4_ = TFlatButton::Create(folders, kButtonAddFolder4, L"");
    labelText5_1_ = CreateLabel(agreement, kLabelText5_1);
    memo5_ = TFlatMemo::Create(agreement, kMemo5, ES_READONLY | ES_WANTRETURN | WS_VSCROLL | WS_TABSTOP);
    memo5_->SetColorFlat(kColorWhite);
    checkBoxAccept5_ = TFlatCheckBox::Create(agreement, kCheckBoxAccept5, L"");
    checkBoxReject5_ = TFlatCheckBox::Create(agreement, kCheckBoxReject5, L"");
    checkBoxAccept5_->SetTag(kTagAccept);
    checkBoxReject5_->SetTag(kTagReject);
    labelText6_1_ = CreateLabel(installing, kLabelText6_1);
    labelText6_2_ = CreateLabel(installing, kLabelText6_2, SS_OWNERDRAW);  // DrawStatusLine
    progressBar6_ = std::make_unique<TFlatGauge>(installing);
    labelText7_1_ = CreateLabel(finished, kLabelText7_1);

    SetButtonColours(*buttonAddFolder4_);
    for (TFlatCheckBox* box : {checkBoxAccept5_, checkBoxReject5_}) {
        box->SetColor(kColorBlack);
        box->SetColorFocused(kColorPurple);
        box->SetColorCheck(kColorWhite);
        box->SetFontColor(kColorWhite);
    }
    progressBar6_->SetColor(kColorBlack);
    progressBar6_->SetBarColor(kColorGreen);
    progressBar6_->SetColorBorder(kColorGreyBrown);

    SetPageFonts();
    LayoutControls(true);
    EnumAllControls();
    STARTUP_MARK("other pages' controls: created");
}

void TFormMain::CreateFonts() {
    defaultFont_.reset(CreatePixelFont(L"Tahoma", 10, false, dpi_));
    labelFont_.reset(CreatePointFont(L"Tahoma", 8, false, dpi_));
    buttonFont_.reset(CreatePointFont(L"Tahoma", 9, true, dpi_));
    checkBoxFont_.reset(CreatePixelFont(L"Tahoma", 11, false, dpi_));
    appNameFont_.reset(CreatePixelFont(L"Tahoma", 31, false, dpi_));
    SetFont(labelAppName_, appNameFont_.get());
    SetFont(labelText1_1_, labelFont_.get());
    for (TFlatButton* button : {buttonBack_, buttonNext_, buttonClose_}) button->SetFont(buttonFont_.get());
    if (pageControlsCreated_) SetPageFonts();
}

void TFormMain::SetPageFonts() {
    for (HWND label : {labelText1_2_, labelText1_4_, labelText5_1_, labelText6_1_, labelText6_2_, labelText7_1_})
        SetFont(label, labelFont_.get());
    SetFont(checkListBox4_->Handle(), defaultFont_.get());
    SetFont(memo5_->Handle(), defaultFont_.get());
    buttonAddFolder4_->SetFont(buttonFont_.get());
    for (TFlatCheckBox* box : {checkBoxAccept5_, checkBoxReject5_}) box->SetFont(checkBoxFont_.get());
}

HWND TFormMain::PlacedWindow(const ControlPlace& place) const {
    if (place.control == kProgressBar6) return nullptr;  // drawn by its sheet
    return GetDlgItem(place.page == kOnWindow ? handle_ : pageControl_->Sheet(place.page), place.control);
}

void TFormMain::Place(const ControlPlace& place) {
    if (place.control == kProgressBar6) {
        if (progressBar6_)
            progressBar6_->SetBounds(
                ScaledRect(place.left, place.top, place.left + place.width, place.top + place.height, dpi_));
        return;
    }
    HWND control = PlacedWindow(place);
    if (!control) return;  // on a page not made yet: placed when it is
    POINT at{Scale(place.left, dpi_), Scale(place.top, dpi_)};
    SIZE size{Scale(place.width, dpi_), Scale(place.height, dpi_)};
    switch (place.fit) {
        case Fit::Table:
            break;
        case Fit::Content:
            if (control == labelAppName_) {
                size = TextSize(labelAppName_, appNameFont_.get(), L"Mervane");  // the font has the scale
            } else {
                const SIZE bitmap = BitmapSize(control == image21_->Handle() ? logo_.get() : banner_.get());
                size = {Scale(bitmap.cx, dpi_), Scale(bitmap.cy, dpi_)};
            }
            break;
        case Fit::Centred: {
            const SIZE animation = waitAnimation_ ? waitAnimation_->Size() : SIZE{0, 0};
            at.x = Scale((kPageWidth - animation.cx) / 2, dpi_);  // (W - width) div 2
            size = {Scale(animation.cx, dpi_), Scale(animation.cy, dpi_)};
            break;
        }
        case Fit::Caption: {
            // At the full width and its own height, then fitted to its caption.
            RECT now;
            GetWindowRect(control, &now);
            size.cy = now.bottom - now.top;
            break;
        }
    }
    MoveWindow(control, at.x, at.y, size.cx, size.cy, TRUE);
    if (place.fit == Fit::Caption) TFlatCheckBox::FromHandle(control)->SetAutoSize(true);
    if (place.control == kPageControl) pageControl_->LayoutSheets();
}

void TFormMain::LayoutControls(bool otherPagesOnly) {
    for (const ControlPlace& place : kLayout)
        if (!otherPagesOnly || (place.page != kOnWindow && place.page != static_cast<int>(WizardPage::Welcome)))
            Place(place);
    if (pageControlsCreated_) ClipStatusLineToBar();
}

void TFormMain::ClipStatusLineToBar() {
    // The bar lies over the lower part of the status line and is painted after it.
    RECT label, bar = progressBar6_->Bounds();
    GetWindowRect(labelText6_2_, &label);
    MapWindowPoints(nullptr, GetParent(labelText6_2_), reinterpret_cast<POINT*>(&label), 2);
    OffsetRect(&bar, -label.left, -label.top);
    UniqueRegion visible(CreateRectRgn(0, 0, label.right - label.left, label.bottom - label.top));
    const UniqueRegion covered(CreateRectRgnIndirect(&bar));
    CombineRgn(visible.get(), visible.get(), covered.get(), RGN_DIFF);
    SetWindowRgn(labelText6_2_, visible.release(), TRUE);  // the window owns the region from here on
}

void TFormMain::EnumAllControls() { DragToMove::HookPassiveControls(handle_); }

void TFormMain::FormMouseDown() {
    ReleaseCapture();
    SendMessageW(handle_, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);  // the caption-bar move loop
}

bool TFormMain::PreTranslateMessage(MSG& message) {
    HWND focus = GetFocus();
    const bool focusTakesText = TFlatMemo::FromHandle(focus) || TCheckListBox::FromHandle(focus);
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
                if (!(message.lParam & (1 << 30))) OnEscape();
                return true;
            }
            // The memo keeps Tab for itself; Ctrl+Tab moves on from it, as from any edit that
            // takes tabs.
            if (message.wParam == VK_TAB && (!TFlatMemo::FromHandle(focus) || GetKeyState(VK_CONTROL) < 0)) {
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

void TFormMain::OnActivate(bool active) {
    // As the platform's dialogs do: the focus is kept while another window is active and
    // given back on return, instead of landing on the window itself.
    if (!active) {
        if (HWND focus = GetFocus(); IsChild(handle_, focus)) savedFocus_ = focus;
        return;
    }
    KeepFocusUsable(savedFocus_);
}

bool TFormMain::UsableFocus(HWND control) const {
    return control && IsChild(handle_, control) && IsWindowVisible(control) && IsWindowEnabled(control) &&
           ((GetWindowLongW(control, GWL_STYLE) & WS_TABSTOP) || TFlatButton::FromHandle(control));
}

void TFormMain::KeepFocusUsable(HWND target) {
    if (!UsableFocus(target)) {
        target = nullptr;
        HWND page = pageControl_->Sheet(pageControl_->ActivePage());
        for (HWND child = GetWindow(page, GW_CHILD); child && !target; child = GetWindow(child, GW_HWNDNEXT))
            if (UsableFocus(child) && (GetWindowLongW(child, GWL_STYLE) & WS_TABSTOP)) target = child;
        for (TFlatButton* button : {buttonNext_, buttonBack_})
            if (!target && UsableFocus(button->Handle())) target = button->Handle();
        if (!target) target = handle_;  // keys still reach the window, which moves on with Tab
    }
    if (GetActiveWindow() != handle_)
        savedFocus_ = target;
    else if (GetFocus() != target)
        SetFocus(target);
}

void TFormMain::Run() {
    MSG message;
    for (;;) {
        // The other pages are made when the queue first drains after the window has painted:
        // the first idle moment then comes right after the first paint, not five pages later
        // (a timer armed at the paint would mostly expire before the queue drains).
        if (firstPaintDone_ && !pageControlsCreated_ && !PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) {
            STARTUP_IDLE();
            CreatePageControls();
            continue;
        }
        STARTUP_IDLE();
        if (GetMessageW(&message, nullptr, 0, 0) <= 0) break;
        if (PreTranslateMessage(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void TFormMain::OnPaint() {
    STARTUP_MARK("window's WM_PAINT");
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(handle_, &paint);
    FillRect(dc, &paint.rcPaint, BackgroundBrush());
    EndPaint(handle_, &paint);
    firstPaintDone_ = true;  // the other pages follow once the queue drains (Run)
}

const WaitAnimation* TFormMain::Animation() {
    // Decoded when the Wait page is first entered, not before: the platform's decoder is the
    // largest thing the wizard loads. Once, whatever comes of it.
    if (!animationDecoded_) {
        animationDecoded_ = true;
        waitAnimation_ = WaitAnimation::FromResource(RESOURCE_STRING(RESOURCE_WAIT_ANIMATION));
        for (const ControlPlace& place : kLayout)
            if (place.control == kImageProgress2) Place(place);
    }
    return waitAnimation_.get();
}

LRESULT TFormMain::OnCtlColor(UINT message, HDC dc, HWND control) {
    if (LRESULT brush = SendMessageW(control, kFlatReflectColor, reinterpret_cast<WPARAM>(dc), 0)) return brush;
    if (message == WM_CTLCOLORSTATIC) {
        SetTextColor(dc, ResolveColor(ContrastColor(kColorWhite, COLOR_WINDOWTEXT)));
        SetBkColor(dc, ResolveColor(ContrastColor(kColorBlack, COLOR_WINDOW)));
        return reinterpret_cast<LRESULT>(BackgroundBrush());
    }
    return DefWindowProcW(handle_, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
}

void TFormMain::OnDrawItem(const DRAWITEMSTRUCT& item) {
    if (checkListBox4_ && item.hwndItem == checkListBox4_->Handle())
        checkListBox4_->DrawItem(item);
    else if (labelText6_2_ && item.hwndItem == labelText6_2_)
        DrawStatusLine(item);
    else  // the page control's tabs, which its pages always cover
        FillRect(item.hDC, &item.rcItem, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

void TFormMain::DrawStatusLine(const DRAWITEMSTRUCT& item) {
    // One line above the bar: a path too wide for it loses its middle, so that the drive and
    // the file name stay in sight. Only the drawing is shortened; the text stays whole.
    const std::wstring text = WindowCaption(labelText6_2_);
    // Wine lets a child paint outside its window region: the bar below stays the page's.
    const UniqueRegion region(CreateRectRgn(0, 0, 0, 0));
    if (GetWindowRgn(labelText6_2_, region.get()) != ERROR) ExtSelectClipRgn(item.hDC, region.get(), RGN_AND);
    FillRect(item.hDC, &item.rcItem, BackgroundBrush());
    const SelectedObject font(item.hDC, reinterpret_cast<HFONT>(SendMessageW(labelText6_2_, WM_GETFONT, 0, 0)));
    SetTextColor(item.hDC, ResolveColor(ContrastColor(kColorWhite, COLOR_WINDOWTEXT)));
    SetBkMode(item.hDC, TRANSPARENT);
    RECT bounds = item.rcItem;
    DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &bounds, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_PATH_ELLIPSIS);
}

void TFormMain::OnCommand(HWND control, int id, int code) {
    if (!control) return;  // menus and accelerators: the window has none
    switch (id) {
        case kButtonNext: session_->ButtonNavigationClick(buttonNext_->Tag()); break;
        case kButtonBack: session_->ButtonNavigationClick(buttonBack_->Tag()); break;
        case kButtonClose: session_->ButtonNavigationClick(buttonClose_->Tag()); break;
        case kCheckBoxAccept5: CheckBox5Click(checkBoxAccept5_->Tag()); break;
        case kCheckBoxReject5: CheckBox5Click(checkBoxReject5_->Tag()); break;
        case kButtonAddFolder4: session_->ButtonAddFolder4Click(); break;
        case kCheckListBox4:
            if (code == TCheckListBox::kClickCheck) session_->CheckListBox4ClickCheck();
            break;
    }
}

void TFormMain::OnSheetPaint(HDC dc, HWND sheet) {
    if (progressBar6_ && sheet == pageControl_->Sheet(static_cast<int>(WizardPage::Installing)))
        progressBar6_->Paint(dc);
}

void TFormMain::OnDpiChanged(UINT dpi, const RECT& suggested) {
    CreatePageControls();
    dpi_ = dpi;
    SetWindowPos(handle_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    for (const ControlPlace& place : kLayout) {
        HWND control = PlacedWindow(place);
        if (auto* button = TFlatButton::FromHandle(control)) button->SetDpi(dpi);
        if (auto* box = TFlatCheckBox::FromHandle(control)) box->SetDpi(dpi);
        if (auto* memo = TFlatMemo::FromHandle(control)) memo->SetDpi(dpi);
        if (auto* list = TCheckListBox::FromHandle(control)) list->SetDpi(dpi);
    }
    progressBar6_->SetDpi(dpi);
    CreateFonts();
    LayoutControls();
    InvalidateRect(handle_, nullptr, TRUE);
}

LRESULT TFormMain::OnGetObject(WPARAM wParam, LPARAM lParam) {
    // Heard by the product's name, as a dialog; the title stays the one the taskbar shows.
    if (AsksForObject(lParam, OBJID_CLIENT))
        return AnswerWithObject(NewNamedAccessible(handle_, OBJID_CLIENT, kProductName, ROLE_SYSTEM_DIALOG), wParam);
    if (AsksForObject(lParam, OBJID_WINDOW))
        return AnswerWithObject(NewNamedAccessible(handle_, OBJID_WINDOW, kProductName), wParam);
    return DefWindowProcW(handle_, WM_GETOBJECT, wParam, lParam);
}

void TFormMain::OnEscape() {
    // The close button's key, on every page. A page is switched without taking messages, so
    // no Esc lands in a switch; during the installation it ends the run once the files are
    // written, as the button does.
    session_->ButtonNavigationClick(kTagClose);
}

void TFormMain::OnSettingChange(bool coloursChanged) {
    // A high-contrast theme switched on or off, or its colours changed: every control
    // repaints, frames (the memo's border) included. Other settings leave the look alone.
    const bool on = SystemHighContrast();
    if (on == HighContrast() && !(on && coloursChanged)) return;
    SetHighContrast(on);
    RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

// ---- what the session asks for

std::wstring TFormMain::TextOf(TextId id) const {
    std::wstring text;
    LookupText(id, language_, text);
    return text;
}

void TFormMain::EnterPage(WizardPage page, TextId finishedText) {
    if (page != WizardPage::Welcome) CreatePageControls();
    if (page == WizardPage::Wait) Animation();  // so that its first frame is there from the start
    pageControl_->SetActivePage(static_cast<int>(page));
    if (page != WizardPage::Wait && imageProgress2_) imageProgress2_->Stop();
    for (const ControlPlace& place : kLayout) {
        if (place.page != static_cast<int>(page) || !place.text) continue;
        const TextId text = place.control == kLabelText7_1 ? finishedText : place.text;
        SetWindowTextW(PlacedWindow(place), TextOf(text).c_str());
        if (place.fit == Fit::Caption) Place(place);
    }
    if (page == WizardPage::Wait) imageProgress2_->SetAnimation(Animation());
    if (page == WizardPage::Agreement) LoadAgreementText();
}

void TFormMain::LoadAgreementText() {
    // Without an agreement in any language the memo keeps what it held.
    if (std::optional<std::wstring> text = AgreementTextIn(nullptr, kAgreementResources, language_)) memo5_->SetLines(*text);
}

void TFormMain::ApplyButtonRules(const ButtonRules& rules) {
    const std::pair<TFlatButton*, const ButtonRule*> buttons[] = {{buttonNext_, &rules.next}, {buttonBack_, &rules.back}};
    for (const auto& [button, rule] : buttons) {
        if (rule->caption) SetWindowTextW(button->Handle(), TextOf(rule->caption).c_str());
        ShowWindow(button->Handle(), rule->visible ? SW_SHOWNA : SW_HIDE);
        if (rule->enabled != ButtonRule::Enabled::AsItWas)
            EnableWindow(button->Handle(), rule->enabled == ButtonRule::Enabled::Yes);
    }
}

void TFormMain::ShowFolders(const FolderList& installations, const FolderList& ticked) {
    checkListBox4_->Clear();
    for (const std::wstring& folder : installations) checkListBox4_->Add(folder);
    for (const std::wstring& folder : ticked) {
        if (checkListBox4_->IndexOfExact(folder) < 0) checkListBox4_->Add(folder);
        checkListBox4_->SetChecked(checkListBox4_->IndexOfExact(folder), true);
    }
}

FolderList TFormMain::TickedFolders() {
    FolderList ticked;
    for (int i = 0, count = checkListBox4_->Count(); i < count; ++i)
        if (checkListBox4_->Checked(i)) ticked.push_back(checkListBox4_->Text(i));
    return ticked;
}

bool TFormMain::AcceptTicked() { return checkBoxAccept5_ && checkBoxAccept5_->Checked(); }

void TFormMain::EnableNext(bool enabled) { EnableWindow(buttonNext_->Handle(), enabled); }

bool TFormMain::ChooseFolder(std::wstring& folder) {
    folder = InitialBrowseFolder(handle_);
    return BrowseForFolder(handle_, TextOf(110), folder);
}

void TFormMain::TickAndSelectFolder(const std::wstring& folder) {
    if (checkListBox4_->IndexOfExact(folder) < 0) checkListBox4_->Add(folder);
    const int index = checkListBox4_->IndexOfExact(folder);
    checkListBox4_->SetChecked(index, true);
    checkListBox4_->SetSelected(index);
}

void TFormMain::SettlePage() {
    KeepFocusUsable(GetActiveWindow() == handle_ ? GetFocus() : savedFocus_);
    RedrawWindow(pageControl_->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

bool TFormMain::StartJobTimer() { return SetTimer(handle_, kJobTimer, kJobTimerIntervalMs, nullptr) != 0; }

void TFormMain::StopJobTimer() { KillTimer(handle_, kJobTimer); }

void TFormMain::SetProgressRange(int maximum) {
    progressBar6_->SetMinValue(0);
    progressBar6_->SetMaxValue(maximum);
    progressBar6_->SetProgress(0);
}

void TFormMain::ShowInstallStep(const std::wstring& path, int position) {
    SetWindowTextW(labelText6_2_, path.c_str());
    InvalidateRect(labelText6_2_, nullptr, FALSE);  // owner-drawn: a new text need not repaint it
    progressBar6_->SetProgress(position);
}

void TFormMain::HoldEndSession(bool held) {
    // ShutdownBlockReasonCreate and Destroy work only on the window's own thread.
    if (!held)
        endSessionHold_.reset();
    else if (!endSessionHold_)
        endSessionHold_.emplace(handle_, TextOf(61));
}

void TFormMain::Terminate() { PostQuitMessage(0); }

void TFormMain::Finish() {
    OpenAddressAsSignedInUser(handle_, kUserGuideAddress);
    DestroyWindow(handle_);  // ends the process in FormDestroy
}

// ---- the installation job's reports, taken on this thread

void TFormMain::JobProgressRange(int maximum) { SetProgressRange(maximum); }

void TFormMain::JobStep(const std::wstring& path, int position) { session_->InstallStep(path, position); }

void TFormMain::JobHoldEndSession(bool held) { HoldEndSession(held); }

void TFormMain::JobEnded(bool everyCopyWritten) { session_->InstallEnded(everyCopyWritten); }

// ---- the controls' own events

void TFormMain::CheckBox5Click(int tag) {
    // Unticking the other box raises its click too; that nested call must leave the box the
    // user clicked as the click left it.
    if (!updatingAgreementBoxes_) {
        updatingAgreementBoxes_ = true;
        (tag == kTagAccept ? checkBoxReject5_ : checkBoxAccept5_)->SetChecked(false);
        updatingAgreementBoxes_ = false;
    }
    session_->CheckBox5Click();
}
