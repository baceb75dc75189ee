#pragma once
#include <windows.h>

#include <string>

#include "win32/window.h"

// A list of folder paths with a tick box before each, on the platform's list box: rows of
// 20 pixels (at 96 dpi), insertion order, lookup by the list box's exact-string search
// (whole text, letter case ignored). A tick changed by the user (mouse on the box, or
// Space) reaches the parent as WM_COMMAND with the code kClickCheck; ticks set by code do
// not.
class CheckListBox : public SubclassedWindow {
public:
    static constexpr WORD kClickCheck = 0x4000;

    static CheckListBox* Create(HWND parent, int id);
    static CheckListBox* FromHandle(HWND window);
    HWND Handle() const { return handle_; }

    void Clear();
    int Add(const std::wstring& text);
    int Count() const;
    std::wstring Text(int index) const;
    int IndexOfExact(const std::wstring& text) const;  // -1 when none
    bool Checked(int index) const;
    void SetChecked(int index, bool checked);
    void SetSelected(int index);
    void SetDpi(UINT dpi);

    // Draws one row for WM_DRAWITEM.
    void DrawItem(const DRAWITEMSTRUCT& item) const;

    static constexpr wchar_t kProperty[] = L"CheckListBox";

private:
    friend class Subclass<CheckListBox>;
    explicit CheckListBox(HWND handle);
    ~CheckListBox() = default;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    int CheckBoxWidth() const;
    void ToggleByUser(int index);

    UINT dpi_ = 96;
};
