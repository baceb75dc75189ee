#pragma once
#include <windows.h>

#include <string>

#include "flat/colors.h"
#include "win32/handles.h"
#include "win32/window.h"

// A multi-line edit that paints its own three-pixel border in the non-client area: one line
// of ColorBorder outside and two lines of the fill colour, ColorFocused while highlighted
// (focused, or under the mouse while no other flat memo has the focus), else ColorFlat.
// The text background follows the fill colour; the parent reflects WM_CTLCOLOR* to it.
class FlatMemo : public SubclassedWindow {
public:
    // `style` adds ES_READONLY, WS_VSCROLL and the like to a multi-line edit.
    static FlatMemo* Create(HWND parent, int id, DWORD style);
    static FlatMemo* FromHandle(HWND window);

    HWND Handle() const { return handle_; }
    void SetDpi(UINT dpi);
    void SetColorFocused(Color c);
    void SetColorBorder(Color c);
    void SetColorFlat(Color c);  // also turns ParentColor off
    void SetParentColor(bool parentColor);
    // The parent's colour changed (or the system colours did).
    void ParentColorChanged();
    Color ColorFlat() const { return flatColor_; }
    bool ParentColor() const { return parentColor_; }
    bool Highlighted() const;

    // Replaces the text; line breaks may be CR LF, CR or LF.
    void SetLines(const std::wstring& text);
    // Paints the border into a DC of the whole window.
    void PaintFlatBorder(HDC windowDc);

    static constexpr wchar_t kProperty[] = L"FlatMemo";

private:
    friend class Subclass<FlatMemo>;
    explicit FlatMemo(HWND handle);
    ~FlatMemo() = default;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void PaintFlatBorder();
    Color ParentsColor() const;
    // Behind the text and inside the outer line.
    Color FillColor() const;

    UINT dpi_ = 96;
    bool parentColor_ = true;
    Color focusedColor_ = kColorWhite;
    Color borderColor_ = kColorGreyBrown;
    Color flatColor_ = kColorCream;
    bool mouseInControl_ = false;
    UniqueBrush fillBrush_;
};
