// Walks the wizard through its pages and saves a picture of each, for the README and the
// demo. Test support, never shipped.
// Usage: page_shots.exe <output folder> <language switch> [<title of a running terminal>]
// With a terminal's title, a last picture shows that terminal once the installation ends.
// The machine needs at least one registered terminal (scripts/demo-machine.sh).
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

#include "metatrader/terminal_conventions.h"
#include "wizard_driver.h"

namespace {

// Saves what the screen shows of `window` as a 24-bit BMP.
bool SaveWindowPicture(HWND window, const std::wstring& path) {
    RECT r;
    GetWindowRect(window, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const DWORD stride = ((width * 3 + 3) & ~3), size = stride * height;
    BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + size), 0, 0,
                          sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
    bool saved = false;
    if (FILE* out = _wfopen(path.c_str(), L"wb")) {
        fwrite(&file, sizeof file, 1, out);
        fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out);
        fwrite(bits, 1, size, out);
        fclose(out);
        saved = true;
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return saved;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    const std::wstring folder = argv[1], language = argv[2];
    WizardDriver wizard(language);
    if (!wizard.Started()) return 1;
    auto shot = [&](int number, const wchar_t* name) {
        Sleep(700);  // let the page paint, and the animation move
        SaveWindowPicture(wizard.Form(), folder + L"\\" + std::to_wstring(number) + L"-" + name + L".bmp");
    };
    HWND next = wizard.Button(kButtonNext);
    shot(1, L"welcome");
    wizard.ToFolders(1);
    wizard.ClickListRow(0);
    WizardDriver::WaitUntil([&] { return IsWindowEnabled(next) != FALSE; }, 5000);
    shot(2, L"folders");
    wizard.Click(next);
    wizard.WaitFor(WizardPage::Wait);
    Sleep(100);
    SaveWindowPicture(wizard.Form(), folder + L"\\3-wait.bmp");
    wizard.WaitFor(WizardPage::Agreement);
    PostMessageW(wizard.AgreementBox(kAcceptBox), BM_CLICK, 0, 0);
    WizardDriver::WaitUntil([&] { return IsWindowEnabled(next) != FALSE; }, 5000);
    shot(4, L"agreement");
    wizard.Click(next);
    wizard.WaitFor(WizardPage::Installing);
    Sleep(300);  // mid-way: a path on the status line, the bar part-filled
    SaveWindowPicture(wizard.Form(), folder + L"\\5-installing.bmp");
    if (!wizard.WaitFor(WizardPage::Finished, 30000)) return 1;
    shot(6, L"finished");
    if (argc < 4) return 0;
    HWND standIn = FindWindowW(terminal::kMainWindowClass, argv[3]);
    HWND navigator = GetDlgItem(GetDlgItem(standIn, terminal::kNavigatorContainerId), terminal::kNavigatorPanelId);
    if (!WizardDriver::WaitUntil([&] { return IsWindowVisible(navigator) != FALSE; }, 5000)) return 1;
    // The terminal comes to the front with its Navigator focused, as a trader's click leaves it:
    // an unfocused tree marks its selection too faintly to be seen.
    const DWORD own = GetCurrentThreadId(), theirs = GetWindowThreadProcessId(standIn, nullptr);
    AttachThreadInput(own, theirs, TRUE);
    SetForegroundWindow(standIn);
    SetFocus(GetDlgItem(navigator, terminal::kNavigatorTreeId));
    AttachThreadInput(own, theirs, FALSE);
    Sleep(700);
    return SaveWindowPicture(standIn, folder + L"\\7-terminal.bmp") ? 0 : 1;
}
