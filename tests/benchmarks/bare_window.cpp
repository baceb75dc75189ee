// The reference for start-up time: a program that shows one black 459 x 533 window, centred,
// and nothing else. Built twice: plain, and with the start-up trace's marks.
#include <windows.h>

#include "win32/startup_trace.h"

static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) STARTUP_MARK("window's WM_PAINT");
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    STARTUP_MARK("wWinMain");
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = Proc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = L"BareWindow";
    RegisterClassW(&windowClass);
    STARTUP_MARK("class registered");
    RECT area;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    HWND window = CreateWindowExW(0, L"BareWindow", L"BareWindow", WS_POPUP, (area.right - 459) / 2,
                                  (area.bottom - 533) / 2, 459, 533, nullptr, nullptr, instance, nullptr);
    STARTUP_MARK("window created");
    ShowWindow(window, show);
    STARTUP_MARK("window shown");
    MSG message;
    for (;;) {
        STARTUP_IDLE();
        if (GetMessageW(&message, nullptr, 0, 0) <= 0) break;
        DispatchMessageW(&message);
    }
    return 0;
}
