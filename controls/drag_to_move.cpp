#include "controls/drag_to_move.h"

void DragToMove::HookPassiveControls(HWND root) { EnumChildWindows(root, HookIfPassive, 0); }

BOOL CALLBACK DragToMove::HookIfPassive(HWND window, LPARAM) {
    wchar_t className[32] = L"";
    GetClassNameW(window, className, 32);
    if ((CompareStringOrdinal(className, -1, L"LISTBOX", -1, TRUE) == CSTR_EQUAL ||
         CompareStringOrdinal(className, -1, L"EDIT", -1, TRUE) == CSTR_EQUAL) &&
        !Subclass<DragToMove>::FromHandle(window))
        Subclass<DragToMove>::Attach(new DragToMove(window));
    return TRUE;
}

LRESULT DragToMove::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CallOriginal(message, wParam, lParam);
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN)
        SendMessageW(GetAncestor(handle_, GA_ROOT), WM_LBUTTONDOWN, 0, 0);
    return result;
}
