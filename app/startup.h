#pragma once
#include <windows.h>

#include "product_identity.h"

// The single-instance guard of the logon session: creates the named event and keeps it for
// the life of the process. False when another process already holds it, or it cannot be
// made.
bool ClaimSingleInstance(const wchar_t* name = kInstanceName);
