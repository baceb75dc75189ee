#pragma once
#include <windows.h>
#include <oleacc.h>

// What screen readers hear of the folder list: a list whose rows are check boxes, each with
// its path and its tick (the platform's list box knows nothing of the ticks it draws).
IAccessible* NewCheckListBoxAccessible(HWND list);
