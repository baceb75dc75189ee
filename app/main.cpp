#include <windows.h>

#include "app/startup.h"
#include "app/system_libraries.h"
#include "wizard/form_main.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    RestrictDllSearchToSystem32();

    // One wizard per logon session. The event is never signalled nor closed: it lives as
    // long as the process, and only its existence matters.
    if (HANDLE running = OpenEventW(EVENT_ALL_ACCESS, FALSE, L"Quorvel_Installer")) {
        CloseHandle(running);
        ExitProcess(0);
    }
    if (!CreateEventW(nullptr, FALSE, FALSE, L"Quorvel_Installer")) ExitProcess(0);

    CurrentLanguage = ChooseLanguage(LanguageFromLocale(), GetCommandLineW());

    TFormMain* form = TFormMain::Create(instance, showCommand);
    if (!form) ExitProcess(0);
    form->Run();
    DestroyWindow(form->Handle());  // ends the process in the window's destruction handler
    ExitProcess(0);
}
