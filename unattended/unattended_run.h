#pragma once
#include <string>
#include <vector>

#include "texts/texts.h"

// Exit codes of a silent run, for the scripts that start it.
enum UnattendedExitCode : int {
    kExitAllWritten = 0,      // every target written (or the agreement exported)
    kExitNotAllWritten = 1,   // some target not written, each one named in the log
    kExitUsage = 2,           // a switch unknown, without its value or misplaced; no consent
    kExitAlreadyRunning = 3,  // the wizard or another silent run is up: nothing written
    kExitLogNotWritten = 4,   // everything written but the log
};

// The class of the silent run's one window, which is never shown.
inline constexpr wchar_t kUnattendedWindowClass[] = L"Mervane4SetupUnattended";

// A whole silent run without any visible window, on the switches in `arguments` (the
// program's name left out), in `language`. Installs what the wizard would with every listed
// installation ticked, or exports the agreement text, and writes the log. Returns the exit
// code.
int RunUnattended(const std::vector<std::wstring>& arguments, Language language);
