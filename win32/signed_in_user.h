#pragma once
#include <windows.h>

#include "win32/handles.h"

// The user signed in at this desktop, seen through the shell: the process that owns the
// shell window. The elevated wizard may run as another account (an administrator typed the
// password at the elevation prompt), and with UAC on it always runs above that user's
// programs. There is no shell window under some kiosk shells, nor under Wine.

// The shell window, unless there is none or it is one of the wizard's own: any program may
// put a window in the shell's place once the shell has ended. Its process id too, if asked.
HWND ShellWindowOfAnotherProcess(DWORD* processId);

// The access token of the shell window's process (query and impersonate, unless other access
// is asked for), or empty when there is no shell window of another process or its process or
// token cannot be opened so.
UniqueHandle ShellProcessToken(DWORD access = TOKEN_QUERY | TOKEN_IMPERSONATE);

// The wizard's own access token (query).
UniqueHandle OwnProcessToken();

// Whether two tokens run at the same integrity level; false when either cannot be read.
bool SameElevation(HANDLE a, HANDLE b);

// Whether two tokens are known to belong to different accounts; false when either cannot
// be read.
bool DifferentUsers(HANDLE a, HANDLE b);

// Whether two tokens are known to belong to the same account; false when either cannot be
// read.
bool SameUser(HANDLE a, HANDLE b);

// The token's elevation type, or 0 (none of the types) when it cannot be read.
TOKEN_ELEVATION_TYPE ElevationTypeOf(HANDLE token);

enum class AddressRoute { Direct, ThroughShell, Nothing };

// How a web address is opened. Directly when the shell runs as the wizard's user at the
// wizard's integrity level, or as its user at all where the wizard's token has no linked token
// (TokenElevationTypeDefault: UAC off, or the built-in administrator), or where there is no
// shell and no linked token: then any program of the user runs as the wizard does. By the
// shell, in its process, when a shell window exists otherwise (another account's desktop
// gets no browser of the wizard's account). Else not at all: with UAC's split token, code
// running as the user can end its own shell and set an HKCU handler for the address, which a
// direct start would run with the administrator's token.
AddressRoute ChooseAddressRoute(TOKEN_ELEVATION_TYPE ownElevation, bool shellWindowPresent, bool shellRunsAsOwnUser,
                                bool shellAtOwnLevel);

// Opens `address` in the signed-in user's browser, by the route above. When the shell cannot
// do it, the address is not opened at all rather than elevated. Nothing is reported.
void OpenAddressAsSignedInUser(HWND owner, const wchar_t* address);
