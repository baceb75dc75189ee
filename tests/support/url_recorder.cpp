// Stands in for the web browser in tests: records the address it was asked to open.
// Usage: url_recorder.exe <record file> <address>
#include <windows.h>
#include <shellapi.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (count < 3) return 1;
    HANDLE file = CreateFileW(arguments[1], FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    char line[2048];
    const int length = WideCharToMultiByte(CP_UTF8, 0, arguments[2], -1, line, sizeof line - 1, nullptr, nullptr);
    DWORD written = 0;
    if (length > 0) {
        line[length - 1] = '\n';
        WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
    }
    CloseHandle(file);
    LocalFree(arguments);
    return 0;
}
