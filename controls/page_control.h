#pragma once
#include <windows.h>

#include <vector>

#include "win32/window.h"

// The page area: a platform tab control with its tabs at the bottom and owner-drawn, whose
// display rectangle is enlarged so that the active page covers the whole control, tabs and
// border included. No tab is ever visible; pages change only through ShowPage.
class PageControl : public SubclassedWindow {
public:
    // Page i is the child with this id plus i.
    static constexpr int kFirstSheetId = 1000;

    // The control at `bounds` (its parent's client coordinates). A page's window is made the
    // first time it is asked for: a wizard that shows one page first needs one at the start.
    static PageControl* Create(HWND parent, int id, int pageCount, const RECT& bounds);

    HWND Handle() const { return handle_; }
    HWND Sheet(int index);
    int PageCount() const { return static_cast<int>(sheets_.size()); }
    int ActivePage() const { return active_; }
    void SetActivePage(int index);
    // Places the pages on the display rectangle; called after every size change.
    void LayoutSheets();
    RECT SheetBounds() const;

    static constexpr wchar_t kProperty[] = L"PageControl";

private:
    friend class Subclass<PageControl>;
    explicit PageControl(HWND handle) : SubclassedWindow(handle) {}
    ~PageControl() = default;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK SheetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    std::vector<HWND> sheets_;
    int active_ = -1;
};

// Messages a page sends to the window that owns the page control.
// kSheetPaint: paint extras of a page (wParam the DC, lParam the page).
inline constexpr UINT kSheetPaint = WM_APP + 0x300;
