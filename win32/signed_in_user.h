#pragma once
#include <windows.h>

#include "win32/handles.h"

// The user signed in at this desktop, seen through the shell: the process that owns the
// shell window. The elevated wizard may run as another account (an administrator typed the
// password at the elevation prompt), and with UAC on it always runs above that user's
// programs. There is no shell window under some kiosk shells, nor under Wine.

// The access token of the shell window's process (query and impersonate, unless other access
// is asked for), or empty when there is no shell window or its process or token cannot be
// opened so.
UniqueHandle ShellProcessToken(DWORD access = TOKEN_QUERY | TOKEN_IMPERSONATE);

// The wizard's own access token (query).
UniqueHandle OwnProcessToken();

// Whether two tokens run at the same integrity level; false when either cannot be read.
bool SameElevation(HANDLE a, HANDLE b);

// Whether two tokens are known to belong to different accounts; false when either cannot
// be read.
bool DifferentUsers(HANDLE a, HANDLE b);

enum class AddressRoute { Direct, ThroughShell };

// How a web address is opened: directly when there is no shell to hand it to, or when the
// shell runs with the wizard's own elevation (UAC off); else by the shell, in its process.
AddressRoute ChooseAddressRoute(bool shellWindowPresent, bool sameElevation);

// Opens `address` in the signed-in user's browser, by the route above. When the shell cannot
// do it, the address is not opened at all rather than elevated. Nothing is reported.
void OpenAddressAsSignedInUser(HWND owner, const wchar_t* address);
