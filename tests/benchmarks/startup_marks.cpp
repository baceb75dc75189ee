// The start-up trace's marks: times since the process was created, written as
// "<milliseconds><tab><mark>" lines to standard output once the window has painted. Asked by
// the tests (MERVANE_PICTURES names a file), it also keeps what the window shows at that
// first idle moment and at the next message the window is sent after it, as raw 32-bit rows.
#include <windows.h>
#include <psapi.h>

#include "win32/startup_trace.h"

namespace {

struct Mark {
    const char* what;
    ULONGLONG at;  // 100-ns units of the system clock, as the process's creation time
};
Mark marks[64];
int count = 0;
bool written = false;

int pictures = 0;

ULONGLONG Ticks(const FILETIME& time) { return (ULONGLONG{time.dwHighDateTime} << 32) | time.dwLowDateTime; }

BOOL CALLBACK FindShown(HWND window, LPARAM found) {
    if (!IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// Read from the window's own pixels, children included, not from the screen: nothing that
// covers the window or waits to reach the screen gets in.
void SavePicture() {
    wchar_t path[MAX_PATH];
    HWND window = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindShown, reinterpret_cast<LPARAM>(&window));
    if (pictures == 2 || !window || !GetEnvironmentVariableW(L"MERVANE_PICTURES", path, MAX_PATH)) return;
    // The first picture is the window's own or none: a picture with controls proves nothing.
    if (pictures++ == 0 && GetWindow(window, GW_CHILD)) {
        pictures = 2;
        return;
    }
    RECT client;
    GetClientRect(window, &client);
    HDC source = GetDCEx(window, nullptr, DCX_CACHE);
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), client.right, -client.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, client.right, client.bottom, source, 0, 0, SRCCOPY);
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    DWORD done;
    WriteFile(file, bits, static_cast<DWORD>(client.right * client.bottom * 4), &done, nullptr);
    CloseHandle(file);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, source);
}

}  // namespace

void StartupMark(const char* what) {
    if (written || count == static_cast<int>(sizeof marks / sizeof marks[0])) return;
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    marks[count++] = {what, Ticks(now)};
}

void StartupIdle() {
    if (written && pictures == 1) SavePicture();
    if (written || HIWORD(GetQueueStatus(QS_ALLINPUT)) != 0) return;
    StartupMark("nothing queued: window painted");
    written = true;
    SavePicture();
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    for (int i = 0; i < count; ++i) {
        // Formatted by the system: the C library's formatting needs the start-up this program
        // does without.
        const unsigned long hundredths = static_cast<unsigned long>((marks[i].at - Ticks(created)) / 100);
        char line[160];
        const int length = wsprintfA(line, "%lu.%02lu\t%s\n", hundredths / 100, hundredths % 100, marks[i].what);
        DWORD done;
        WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line, static_cast<DWORD>(length), &done, nullptr);
    }
    // What the first paint found loaded, to tell which libraries it paid for.
    HMODULE modules[128];
    DWORD bytes = 0;
    static char line[4096] = "loaded:";
    K32EnumProcessModules(GetCurrentProcess(), modules, sizeof modules, &bytes);
    for (DWORD i = 0; i < bytes / sizeof modules[0] && i < 128; ++i) {
        char name[MAX_PATH] = " ";
        K32GetModuleBaseNameA(GetCurrentProcess(), modules[i], name + 1, MAX_PATH - 1);
        if (lstrlenA(line) + lstrlenA(name) + 2 < static_cast<int>(sizeof line)) lstrcatA(line, name);
    }
    lstrcatA(line, "\n");
    DWORD done;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line, static_cast<DWORD>(lstrlenA(line)), &done, nullptr);
}
