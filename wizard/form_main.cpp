#include "wizard/form_main.h"

#include <string>

#include "app/startup.h"
#include "flat/dpi.h"
#include "flat/drawing.h"
#include "texts/texts.h"

namespace {

constexpr wchar_t kClassName[] = L"TFormMain";
constexpr wchar_t kTitle[] = L"FormMain";
constexpr int kPageTop = 100;
constexpr int kPageWidth = 459;
constexpr TextId kWelcomeText = 11;

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kPurple = RGB(128, 0, 128);

}  // namespace

HWND TFormMain::Create(HINSTANCE instance, int showCommand) {
    WNDCLASSEXW windowClass{sizeof windowClass};
    windowClass.style = CS_DROPSHADOW;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, L"MAINICON");
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassExW(&windowClass)) return nullptr;

    HWND window = CreateWindowExW(WS_EX_APPWINDOW | WS_EX_CONTROLPARENT, kClassName, kTitle,
                                  WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0,
                                  kClientWidth, kClientHeight, nullptr, nullptr, instance, nullptr);
    if (window) ShowWindow(window, showCommand);
    return window;
}

LRESULT CALLBACK TFormMain::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* form = new TFormMain(window);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<TFormMain*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return form ? form->OnMessage(message, wParam, lParam)
                : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT TFormMain::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            FormCreate();
            return 0;
        case WM_DESTROY:
            FormDestroy();
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT covers everything, double-buffered
        case WM_PAINT:
            OnPaint();
            return 0;
        case WM_CTLCOLORSTATIC:
            return OnCtlColorStatic(reinterpret_cast<HDC>(wParam));
        case WM_DRAWITEM:
            OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam));
            return 0;
        case WM_CLOSE:
            // Alt+F4 and the taskbar's close ask the application to terminate, as the
            // close button does.
            PostQuitMessage(0);
            return 0;
        case WM_DPICHANGED:
            OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        default:
            return DefWindowProcW(handle_, message, wParam, lParam);
    }
}

void TFormMain::FormCreate() {
    selectedInstallations_ = std::make_unique<FolderList>();
    foundDataFolders_ = std::make_unique<FolderList>();

    HINSTANCE instance = GetModuleHandleW(nullptr);
    blackBrush_.reset(CreateSolidBrush(kBlack));
    closeGlyph_.reset(static_cast<HBITMAP>(
        LoadImageW(instance, L"CLOSEGLYPH", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));

    labelText_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                                 0, 0, 0, 0, handle_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLabelText)), instance,
                                 nullptr);
    buttonClose_ = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0, 0, 0,
                                   0, handle_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonClose)),
                                   instance, nullptr);

    dpi_ = DpiOfWindow(handle_);
    CreateFonts();

    // Centred on the screen that holds the window, at the window's dpi.
    const int width = Scale(kClientWidth, dpi_);
    const int height = Scale(kClientHeight, dpi_);
    MONITORINFO monitor{sizeof monitor};
    GetMonitorInfoW(MonitorFromWindow(handle_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& area = monitor.rcWork;
    SetWindowPos(handle_, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    LayoutControls();
    ShowWelcomePage();
}

void TFormMain::FormDestroy() {
    // The folder lists go last: a running job reads one and fills the other.
    selectedInstallations_.reset();
    foundDataFolders_.reset();
    ExitProcess(0);
}

void TFormMain::CreateFonts() {
    textFont_.reset(CreatePointFont(L"Tahoma", 8, false, dpi_));
    SendMessageW(labelText_, WM_SETFONT, reinterpret_cast<WPARAM>(textFont_.get()), TRUE);
}

void TFormMain::PlaceInClient(HWND control, int left, int top, int width, int height) {
    MoveWindow(control, Scale(left, dpi_), Scale(top, dpi_), Scale(width, dpi_), Scale(height, dpi_),
               TRUE);
}

void TFormMain::LayoutControls() {
    PlaceInClient(labelText_, 20, kPageTop + 20, kPageWidth - 40, 52);
    PlaceInClient(buttonClose_, kClientWidth - 32, 0, 32, 32);
}

void TFormMain::ShowWelcomePage() {
    SetWindowTextW(labelText_, Text(kWelcomeText, CurrentLanguage).c_str());
}

void TFormMain::OnPaint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(handle_, &paint);
    FillRect(dc, &paint.rcPaint, blackBrush_.get());
    EndPaint(handle_, &paint);
}

LRESULT TFormMain::OnCtlColorStatic(HDC dc) {
    SetTextColor(dc, kWhite);
    SetBkColor(dc, kBlack);
    return reinterpret_cast<LRESULT>(blackBrush_.get());
}

void TFormMain::OnDrawItem(const DRAWITEMSTRUCT& item) {
    const RECT& r = item.rcItem;
    UniqueBrush fill(CreateSolidBrush((item.itemState & ODS_FOCUS) ? kPurple : kBlack));
    FillRect(item.hDC, &r, fill.get());
    DrawTransparentBitmap(item.hDC, closeGlyph_.get(), r.left, r.top, BitmapFactor(dpi_));
}

void TFormMain::OnCommand(int id) {
    if (id == kButtonClose) PostQuitMessage(0);
}

void TFormMain::OnDpiChanged(UINT dpi, const RECT& suggested) {
    dpi_ = dpi;
    SetWindowPos(handle_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    CreateFonts();
    LayoutControls();
}
