#include <windows.h>

#include "app/startup.h"
#include "metatrader/product_registration.h"
#include "texts/language.h"
#include "unattended/switches.h"
#include "unattended/unattended_run.h"
#include "unattended/usage.h"
#include "win32/account.h"
#include "win32/command_line.h"
#include "win32/own_program.h"
#include "win32/startup_trace.h"
#include "win32/system_functions.h"
#include "wizard/wizard_window.h"

namespace {

// A passive run's steps, shown on the window's Installing page.
class PassiveProgress final : public InstallView {
public:
    explicit PassiveProgress(SessionView& page) : page_(page) {}
    void SetProgressRange(int maximum) override { page_.SetProgressRange(maximum); }
    void ShowInstallStep(const std::wstring& path, int position) override { page_.ShowInstallStep(path, position); }
    std::wstring DesktopFolder() override { return {}; }  // the silent run's view decides

private:
    SessionView& page_;
};

// The silent run, watched: the wizard's window shows its progress and its end, and the exit
// code is the silent run's. A run refused (a usage error, no consent) opens no window.
int RunPassive(WizardWindow& window, HINSTANCE instance, const std::vector<std::wstring>& arguments,
               Language language) {
    const UnattendedSwitches switches = ReadSwitches(arguments);
    if (!switches.usageError.empty() || !switches.acceptAgreement || !window.CreatePassive(instance))
        return RunUnattended(arguments, language);
    PassiveProgress progress(window);
    const int code = RunUnattended(arguments, language, &progress);
    const bool everyCopyWritten = code == kExitAllWritten || code == kExitLogNotWritten;
    window.ShowFinishedFor(everyCopyWritten ? TextId::Installed : TextId::NotInstalledEverywhere, 2000);
    return code;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    STARTUP_MARK("wWinMain");
    RestrictDllSearchToSystem32();
    // Failures are never shown: no system message box for a drive without its disk, and a
    // crash ends the process, which a waiting script then sees, instead of waiting on a dialog.
    // (Nothing aborts: what the C++ library would throw ends the process with "not everything
    // written", app/fail_fast.cpp.)
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    // Before anything else: the program copies its own file into Program Files.
    HoldOwnProgramFile();

    // Only a command line that asks for it runs without a window; every other way out of the
    // wizard ends with exit code 0, whatever was installed.
    const std::vector<std::wstring> arguments = CommandLineArguments(GetCommandLineW());
    // A window nobody can see would hold a deployment engine until its timeout; /passive
    // takes no input, so there it runs as the silent run would.
    const bool someoneCanAnswer = SomeoneCanAnswerHere();
    const bool silent = AsksForSilentRun(arguments) || (!someoneCanAnswer && AsksForPassiveRun(arguments));
    // The temporary copy that a removal started to take the program's own copy away: it runs
    // while the removal still holds the guard, and does nothing else.
    if (arguments.size() == 1 && arguments[0].starts_with(kFinishRemovalSwitch)) {
        FinishRemoval(arguments[0].substr(std::size(kFinishRemovalSwitch) - 1));
        ExitProcess(0);
    }
    const Language language = ChooseLanguage(LanguageFromLocale(), GetCommandLineW());
    if (!silent && !someoneCanAnswer) ExitProcess(static_cast<UINT>(RefuseWindowNobodyCanSee(arguments, language)));
    // /? alone: a console cannot show the summary (a console that is not elevated cannot
    // start the program, error 740, and cmd does not wait for a windowed one). Before the
    // guard: the box installs nothing, and a guard held while it is open would turn a
    // script's silent run away with exit code 3.
    ShowUsageIfAsked(arguments);

    // One wizard or silent run per logon session.
    const bool passive = !silent && AsksForPassiveRun(arguments);
    if (!ClaimSingleInstance()) ExitProcess(silent || passive ? kExitAlreadyRunning : 0);
    STARTUP_MARK("single instance claimed, language chosen");
    if (silent) ExitProcess(static_cast<UINT>(RunUnattended(arguments, language)));

    // Removal asks first, in the program's language; No ends it with nothing touched. A passive
    // run only installs: its removal is refused as the silent run's would be.
    const bool removal = !passive && AsksForRemoval(arguments);
    if (removal && MessageBoxW(nullptr, Text(TextId::ConfirmRemoval, language).c_str(), kSetupTitle,
                               MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2 | MB_SETFOREGROUND) != IDYES)
        ExitProcess(0);

    // Start-up owns the window's object; it lives until the process ends, which the window's
    // destruction handler does, or a passive run's end with the silent run's exit code.
    WizardWindow window(language, removal);
    if (passive) ExitProcess(static_cast<UINT>(RunPassive(window, instance, arguments, language)));
    if (!window.Create(instance)) ExitProcess(0);
    window.Run();
    DestroyWindow(window.Handle());
    ExitProcess(0);
}
