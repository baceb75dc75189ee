#include <windows.h>

#include "app/startup.h"
#include "texts/language.h"
#include "unattended/switches.h"
#include "unattended/unattended_run.h"
#include "unattended/usage.h"
#include "win32/command_line.h"
#include "win32/startup_trace.h"
#include "win32/system_functions.h"
#include "wizard/wizard_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    STARTUP_MARK("wWinMain");
    RestrictDllSearchToSystem32();
    // Failures are never shown: no system message box for a drive without its disk, and a
    // crash ends the process, which a waiting script then sees, instead of waiting on a dialog.
    // (Nothing aborts: what the C++ library would throw ends the process with "not everything
    // written", app/fail_fast.cpp.)
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);

    // Only a command line that asks for it runs without a window; every other way out of the
    // wizard ends with exit code 0, whatever was installed.
    const std::vector<std::wstring> arguments = CommandLineArguments(GetCommandLineW());
    const bool silent = AsksForSilentRun(arguments);
    // /? alone: a console cannot show the summary (a console that is not elevated cannot
    // start the program, error 740, and cmd does not wait for a windowed one). Before the
    // guard: the box installs nothing, and a guard held while it is open would turn a
    // script's silent run away with exit code 3.
    ShowUsageIfAsked(arguments);

    // One wizard or silent run per logon session.
    if (!ClaimSingleInstance()) ExitProcess(silent ? kExitAlreadyRunning : 0);

    const Language language = ChooseLanguage(LanguageFromLocale(), GetCommandLineW());
    STARTUP_MARK("single instance claimed, language chosen");
    if (silent) ExitProcess(static_cast<UINT>(RunUnattended(arguments, language)));

    // Start-up owns the window's object; it lives until the process ends, which the window's
    // destruction handler does.
    WizardWindow form(language);
    if (!form.Create(instance)) ExitProcess(0);
    form.Run();
    DestroyWindow(form.Handle());
    ExitProcess(0);
}
