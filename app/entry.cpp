// The process's entry in the MinGW builds, in place of the C runtime's start-up: the program
// has no thread-local data and no exit handlers, reads its command line itself and ends with
// ExitProcess, so of what that start-up prepares only the static constructors could matter;
// there are none today, and any added later still run. An object at namespace scope that needs
// a destructor does not link (no exit handler can be registered without that start-up). The
// linker's default entry point for a windowed program is this function's name.
#include <windows.h>

#include <cstddef>

#include "win32/command_line.h"

// The linker's list of static constructors: -1, the constructors in reverse order, 0.
extern "C" void (*__CTOR_LIST__[])();

namespace {

// The command line after the program's name, as the runtime hands it to wWinMain.
PWSTR ArgumentsOf(PWSTR line) {
    const wchar_t* arguments = AfterProgramName(line);
    while (*arguments != 0 && *arguments <= L' ') ++arguments;
    return line + (arguments - line);
}

void RunStaticConstructors() {
    std::size_t count = 0;
    while (__CTOR_LIST__[count + 1]) ++count;
    for (; count > 0; --count) __CTOR_LIST__[count]();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR arguments, int showCommand);

#if defined(__i386__)
// Windows starts a 32-bit thread with its stack aligned to 4 bytes; the compiler's code
// expects 16.
#define ALIGNS_STACK __attribute__((force_align_arg_pointer))
#else
#define ALIGNS_STACK
#endif

// Kept by name through the link-time step, which sees no caller of it.
extern "C" [[noreturn]] ALIGNS_STACK __attribute__((externally_visible)) void WinMainCRTStartup() {
    RunStaticConstructors();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
    ExitProcess(static_cast<UINT>(wWinMain(GetModuleHandleW(nullptr), nullptr, ArgumentsOf(GetCommandLineW()), show)));
}
