#pragma once
#include <windows.h>

#include "win32/window.h"

// A press on a passive control that takes presses itself keeps its ordinary effect there and
// then moves the window: the control's top-level window gets a WM_LBUTTONDOWN of its own.
class DragToMove : public SubclassedWindow {
public:
    static constexpr wchar_t kProperty[] = L"DragToMove";
    // Every list box and edit control below `root`, once each. Labels, pictures and pages
    // pass their presses to their parent by themselves.
    static void HookPassiveControls(HWND root);

private:
    friend class Subclass<DragToMove>;
    explicit DragToMove(HWND window) : SubclassedWindow(window) {}
    static BOOL CALLBACK HookIfPassive(HWND window, LPARAM);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
};
