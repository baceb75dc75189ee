#include "unattended/usage.h"

#include <windows.h>

#include "product_identity.h"
#include "win32/ascii_case.h"
#include "win32/ascii_text.h"

constexpr char kUsageText[] =
    "Mervane4Setup.exe [/en | /de | /ru] /silent /accept-agreement [/skip-registry] [/folder=PATH ...] [/scan=PATH ...] [/log=PATH]\n"
    "Mervane4Setup.exe /silent /status=PATH [/skip-registry] [/folder=PATH ...] [/scan=PATH ...] [/log=PATH]\n"
    "Mervane4Setup.exe /silent /remove [/skip-registry] [/folder=PATH ...] [/scan=PATH ...] [/log=PATH]\n"
    "Mervane4Setup.exe [/en | /de | /ru] /silent /agreement=PATH\n"
    "Mervane4Setup.exe [/en | /de | /ru] /passive /accept-agreement [the installation's switches]\n"
    "\n"
    "/en, /de, /ru: the agreement's language; only as the first argument.\n"
    "/silent (also /S, /VERYSILENT, /quiet, /qn, /q): install without a window.\n"
    "/passive: shows the installation's progress alone, takes no input, ends by itself.\n"
    "/SUPPRESSMSGBOXES, /NORESTART, /SP-: accepted; no box is shown, no restart ever needed.\n"
    "/all-users: every user profile's terminals and the public desktop (implied as SYSTEM or in session 0).\n"
    "/accept-agreement: you have read and accept the end-user agreement.\n"
    "/agreement=PATH: writes the agreement to PATH to be read first; installs nothing.\n"
    "/skip-registry: leaves out the registered installations and the running terminals.\n"
    "/folder=PATH: one more installation folder; may be given many times.\n"
    "/scan=PATH: installation folders below PATH, 4 levels deep; may be given many times.\n"
    "/status=PATH: writes where the expert is installed, as JSON, to PATH; installs nothing.\n"
    "/remove: takes the expert off every installation instead of installing it.\n"
    "/log=PATH: writes one line per step, and the exit code, to PATH; /log alone: %TEMP%\\Mervane4Setup.log.\n"
    "/? or /help: shows this summary.\n"
    "\n"
    "Every PATH is a full path (C:\\... or \\\\server\\share\\...). Without /silent or /passive the wizard starts.\n"
    "\n"
    "Exit codes:\n"
    "0: every target written (or removed), or the agreement or status written.\n"
    "1: a target not written or removed (the log names it), nothing to install into, or no status written.\n"
    "2: usage error or no /accept-agreement; nothing installed.\n"
    "3: the wizard or another silent run is already running; nothing written.\n"
    "4: everything written but the log.";
static_assert(IsAscii(kUsageText));

bool AsksForUsage(const std::vector<std::wstring>& arguments) {
    return arguments.size() == 1 && (arguments.front() == L"/?" || EqualsAscii(AsciiLower(arguments.front()), "/help"));
}

void ShowUsageIfAsked(const std::vector<std::wstring>& arguments) {
    if (!AsksForUsage(arguments)) return;
    MessageBoxW(nullptr, Widened(kUsageText).c_str(), kSetupTitle, MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
    ExitProcess(0);
}
