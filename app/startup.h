#pragma once
#include <windows.h>

// The single-instance guard of the logon session: creates the named event and keeps it for
// the life of the process. False when another process already holds it, or it cannot be
// made. The default name is the one every release of the wizard claims, so that no two of
// them run at once: it never changes.
bool ClaimSingleInstance(const wchar_t* name = L"Quorvel_Installer");
