#include "app/startup.h"

bool ClaimSingleInstance(const wchar_t* name) {
    // Created, then looked at: of two starts at the same moment only one can be first. The
    // handle stays open on purpose; only the event's existence matters.
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, name);
    if (!event) return false;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return true;
    CloseHandle(event);
    return false;
}
