// Shows every flat control in each of its looks on the wizard's black, for screenshots at
// any display scale. Test support, never shipped. Usage: flat_gallery.exe [Mervane4Setup.exe
// [/high-contrast]] (the program whose close glyph to show; the look of a high-contrast theme,
// in the system's colours, which Wine cannot switch on).
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "flat/drawing.h"
#include "flat/flat_button.h"
#include "flat/flat_check_box.h"
#include "flat/flat_gauge.h"
#include "flat/flat_memo.h"
#include "flat/flat_messages.h"
#include "win32/dpi.h"
#include "win32/embedded_resource.h"
#include "win32/gdi.h"
#include "win32/handles.h"
#include "win32/high_contrast.h"

namespace {

constexpr wchar_t kAgreement[] =
    L"END USER AGREEMENT\r\n\r\nA memo with text and both scroll bars: this line is long enough to need the "
    L"horizontal scroll bar of the memo, and the lines below need the vertical one.\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7";

struct Gallery {
    HWND window = nullptr;
    UINT dpi = 96;
    UniqueFont buttonFont, boxFont, labelFont, memoFont;
    UniqueBitmap glyph;
    FlatGauge* gauges[3] = {};

    int S(int v) const { return Scale(v, dpi); }

    FlatButton* Button(int tag, const wchar_t* caption, int x, int y, int w, int h) {
        FlatButton* button = FlatButton::Create(window, tag, caption);
        MoveWindow(button->Handle(), S(x), S(y), S(w), S(h), FALSE);
        button->SetDpi(dpi);
        button->SetFont(buttonFont.get());
        button->SetColor(kColorBlack);
        button->SetColorFocused(kColorPurple);
        button->SetFontColor(kColorWhite);
        return button;
    }
    FlatCheckBox* Box(int tag, const wchar_t* caption, int x, int y) {
        FlatCheckBox* box = FlatCheckBox::Create(window, tag, caption);
        MoveWindow(box->Handle(), S(x), S(y), S(200), S(17), FALSE);
        box->SetDpi(dpi);
        box->SetFont(boxFont.get());
        box->SetColor(kColorBlack);
        box->SetColorFocused(kColorPurple);
        box->SetColorCheck(kColorWhite);
        box->SetFontColor(kColorWhite);
        box->SetAutoSize(true);
        return box;
    }

    void Build(const wchar_t* program) {
        dpi = DpiOfWindow(window);
        SetWindowPos(window, nullptr, 0, 0, S(640), S(420), SWP_NOZORDER | SWP_NOMOVE);
        buttonFont.reset(CreatePointFont(L"Tahoma", 9, true, dpi));
        boxFont.reset(CreatePixelFont(L"Tahoma", 11, false, dpi));
        labelFont.reset(CreatePointFont(L"Tahoma", 8, false, dpi));
        memoFont.reset(CreatePixelFont(L"Tahoma", 10, false, dpi));
        if (HMODULE module = LoadLibraryExW(program, nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
            glyph.reset(BitmapFromPackedDib(ExpandedResource(module, RT_RCDATA, L"CLOSEGLYPH")));
            FreeLibrary(module);
        }

        Button(1, L"&Idle", 20, 30, 105, 37);
        Button(2, L"&Hovered", 135, 30, 105, 37)->MouseEnter();
        FlatButton* pressed = Button(3, L"&Pressed", 250, 30, 105, 37);
        PostMessageW(pressed->Handle(), WM_KEYDOWN, VK_SPACE, 0);  // taken once the gallery shows
        FlatButton* disabled = Button(4, L"&Disabled", 365, 30, 105, 37);
        EnableWindow(disabled->Handle(), FALSE);
        FlatButton* wide = Button(5, L"&Add MetaTrader Folder", 20, 90, 205, 37);
        (void)wide;
        FlatButton* close = Button(6, L"", 250, 90, 32, 32);
        close->SetColorBorder(kColorBlack);
        close->SetGlyph(glyph.get());
        FlatButton* closeHovered = Button(7, L"", 300, 90, 32, 32);
        closeHovered->SetColorBorder(kColorBlack);
        closeHovered->SetGlyph(glyph.get());
        closeHovered->MouseEnter();

        Box(10, L"Unchecked", 20, 150);
        Box(11, L"Checked", 20, 175)->SetChecked(true);
        FlatCheckBox* focused = Box(12, L"&Focused and checked", 20, 200);
        focused->SetChecked(true);
        FlatCheckBox* off = Box(13, L"Disabled", 20, 225);
        EnableWindow(off->Handle(), FALSE);

        FlatMemo* memo = FlatMemo::Create(window, 20, ES_READONLY | WS_VSCROLL | WS_HSCROLL);
        MoveWindow(memo->Handle(), S(250), S(150), S(370), S(110), FALSE);
        memo->SetDpi(dpi);
        SendMessageW(memo->Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(memoFont.get()), FALSE);
        memo->SetColorFlat(kColorWhite);
        memo->SetLines(kAgreement);

        const int progress[3] = {0, 1, 3};
        for (int i = 0; i < 3; ++i) {
            gauges[i] = new FlatGauge(window);
            gauges[i]->SetDpi(dpi);
            gauges[i]->SetBounds(RECT{S(20), S(290 + 30 * i), S(20 + 419), S(290 + 30 * i + 12)});
            gauges[i]->SetBarColor(kColorGreen);
            gauges[i]->SetMinValue(0);
            gauges[i]->SetMaxValue(3);
            gauges[i]->SetProgress(progress[i]);
        }
        SetFocus(focused->Handle());
    }

    void Paint() {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        FillSolid(dc, client, ContrastColor(kColorBlack, COLOR_WINDOW));
        HGDIOBJ old = SelectObject(dc, labelFont.get());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, ResolveColor(ContrastColor(RGB(200, 200, 200), COLOR_WINDOWTEXT)));
        const std::wstring title = L"Flat controls at " + std::to_wstring(dpi) + L" dpi";
        TextOutW(dc, S(20), S(8), title.c_str(), static_cast<int>(title.size()));
        const wchar_t* gaugeTitle = L"Gauges at 0, 1/3 and 3/3";
        TextOutW(dc, S(450), S(300), gaugeTitle, lstrlenW(gaugeTitle));
        SelectObject(dc, old);
        for (FlatGauge* gauge : gauges)
            if (gauge) gauge->Paint(dc);
        EndPaint(window, &paint);
    }
} gallery;

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            gallery.Paint();
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
            if (LRESULT brush = SendMessageW(reinterpret_cast<HWND>(lParam), kFlatReflectColor, wParam, 0)) return brush;
            break;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    using SetAwarenessFn = BOOL(WINAPI*)(HANDLE);
    if (auto set = reinterpret_cast<SetAwarenessFn>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext"))))
        set(reinterpret_cast<HANDLE>(-4));  // per monitor, version 2
    else
        SetProcessDPIAware();
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    const std::wstring program = count > 1 ? arguments[1] : L"Mervane4Setup.exe";
    SetHighContrast(count > 2 && std::wstring(arguments[2]) == L"/high-contrast");
    LocalFree(arguments);

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = Proc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = L"FlatGallery";
    RegisterClassW(&windowClass);
    gallery.window = CreateWindowExW(0, L"FlatGallery", L"Flat gallery", WS_POPUP | WS_CLIPCHILDREN, 0, 0, 640, 420,
                                     nullptr, nullptr, instance, nullptr);
    gallery.Build(program.c_str());
    ShowWindow(gallery.window, SW_SHOW);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
