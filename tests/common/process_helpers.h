#pragma once
#include <windows.h>

#include <string>

// A program of the build, found beside the running test program.
std::wstring BuiltProgram(const wchar_t* fileName);

// The built Mervane4Setup.exe, loaded once as a data file for its resources; null when it
// cannot be loaded.
HMODULE BuiltProgramResources();

// The middle of a window, in screen coordinates.
POINT ScreenCenterOf(HWND window);

// A process started for a test; killed if it still runs when the object goes.
class TestProcess {
public:
    // A suspended process runs from Resume on. A show command other than -1 is passed as a
    // launcher passes it (STARTF_USESHOWWINDOW). `desktop` ("station\\desktop") places it on
    // another window station.
    TestProcess(const std::wstring& program, const std::wstring& arguments, bool suspended = false,
                int showCommand = -1, const wchar_t* desktop = nullptr);
    ~TestProcess();
    TestProcess(const TestProcess&) = delete;
    TestProcess& operator=(const TestProcess&) = delete;

    bool Started() const { return info_.hProcess != nullptr; }
    DWORD Id() const { return info_.dwProcessId; }
    void Resume() const { ResumeThread(info_.hThread); }
    // The exit code, or STILL_ACTIVE when it has not ended within `milliseconds`.
    DWORD WaitForExit(DWORD milliseconds);
    // The process's visible top-level window with this title, waiting up to `milliseconds`.
    HWND WaitForWindow(const wchar_t* title, DWORD milliseconds) const;

private:
    PROCESS_INFORMATION info_{};
};

// The wizard's window of `process` once its controls are there, or null: the window paints
// itself first and makes them when its queue first drains.
HWND WaitForWizard(const TestProcess& process, DWORD milliseconds = 15000);

// Top-level windows of a process, visible or not, or only the visible ones.
int CountTopLevelWindows(DWORD processId, bool visibleOnly = false);
// Visible top-level windows with this exact title, of any process.
int CountWindowsTitled(const wchar_t* title);
std::wstring WindowText(HWND window);

// What a top-level window answers when the session is about to end (2 when it does not).
LRESULT AnswerToLogoff(HWND window);

// The first window below `root` (at any depth) with control id `id`.
HWND FindDescendant(HWND root, int id);
