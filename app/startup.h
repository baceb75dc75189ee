#pragma once
#include <windows.h>

#include "product_identity.h"

// The single-instance guard of the logon session: creates the named event and keeps it for
// the life of the process. False when another process already holds it, or it cannot be
// made. The default name is the build's: every release of one product claims the same one, so
// that no two of them run at once, and another vendor's build has its own.
bool ClaimSingleInstance(const wchar_t* name = kInstanceName);
