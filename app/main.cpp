#include <windows.h>

#include "app/startup.h"
#include "app/system_libraries.h"
#include "wizard/form_main.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    RestrictDllSearchToSystem32();

    if (!ClaimSingleInstance()) ExitProcess(0);  // one wizard per logon session

    CurrentLanguage = ChooseLanguage(LanguageFromLocale(), GetCommandLineW());

    TFormMain* form = TFormMain::Create(instance, showCommand);
    if (!form) ExitProcess(0);
    form->Run();
    DestroyWindow(form->Handle());  // ends the process in the window's destruction handler
    ExitProcess(0);
}
