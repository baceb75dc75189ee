#pragma once
#include <string>
#include <vector>

#include "metatrader/deployment.h"
#include "texts/texts.h"
#include "win32/exit_codes.h"

// The class of the silent run's one window, which is never shown.
inline constexpr wchar_t kUnattendedWindowClass[] = L"Mervane4SetupUnattended";

// A whole silent run without any visible window, on the switches in `arguments` (the
// program's name left out), in `language`. Installs what the wizard would with every listed
// installation ticked, or exports the agreement text, and writes the log. Returns the exit
// code. A passive run's window is `shown`: it is given the progress range and every step.
int RunUnattended(const std::vector<std::wstring>& arguments, Language language, InstallView* shown = nullptr);

// Where nobody could answer a window (session 0, a window station that is not interactive):
// opens none, says in the /log= file (or, without one, in the application event log) what
// to add to the command line, and returns kExitUsage.
int RefuseWindowNobodyCanSee(const std::vector<std::wstring>& arguments, Language language);
