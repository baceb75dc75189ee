#pragma once
#include <windows.h>

#include <optional>
#include <vector>

#include "win32/path_rules.h"

// The running program's own file, held from start-up: shared for reading only, so that it can
// be neither changed nor renamed while the program runs, and only once it is known to be the
// file the program was loaded from. Whoever may change the folder it was started from (a
// download folder) could otherwise rename the running program and put another file under its
// name, which the program would then copy as its own.
void HoldOwnProgramFile();

// The held file's bytes, or nothing where it could not be held.
std::vector<BYTE> OwnProgramBytes();
std::optional<FileIdentity> OwnProgramIdentity();
