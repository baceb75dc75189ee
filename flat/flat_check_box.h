#pragma once
#include <windows.h>

#include <string>

#include "flat/button_control.h"
#include "flat/colors.h"

// A flat check box: an 11-pixel square with a six-line check mark and its caption beside
// it. Built on the platform's button class (check-box style) so that screen readers see a
// check box with its caption and state. Every change of Checked, and a mouse click released
// inside the box, reaches the parent as WM_COMMAND BN_CLICKED with the box's control id, so
// a mouse toggle raises it twice: once before and once after the change.
class FlatCheckBox final : public ButtonControl<FlatCheckBox> {
public:
    static FlatCheckBox* Create(HWND parent, int id, const std::wstring& caption);

    bool Checked() const { return checked_; }
    void SetChecked(bool checked);
    // Fits the box to its caption at once; later caption changes do not refit.
    void SetAutoSize(bool autoSize);
    void SetColor(Color c) { color_ = c; Invalidate(); }
    void SetColorFocused(Color c) { colorFocused_ = c; Invalidate(); }
    void SetColorDown(Color c) { colorDown_ = c; Invalidate(); }
    void SetColorCheck(Color c) { colorCheck_ = c; Invalidate(); }
    void SetColorBorder(Color c) { colorBorder_ = c; Invalidate(); }
    void SetFontColor(Color c) { fontColor_ = c; Invalidate(); }

    bool Hovered() const { return mouseInControl_; }
    void MouseEnter() override;
    void MouseLeave() override;

    // Paints the whole box, or only its square, into `dc` at (0, 0).
    void Paint(HDC dc);
    void PaintCheckSquare(HDC dc);

    static constexpr wchar_t kProperty[] = L"FlatCheckBox";

private:
    friend class ButtonControl<FlatCheckBox>;
    friend class Subclass<FlatCheckBox>;
    explicit FlatCheckBox(HWND handle) : ButtonControl(handle) {}
    ~FlatCheckBox() = default;
    LRESULT OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void OnMouseUp(int x, int y);
    LRESULT OnOfferChar(wchar_t character);
    void FitToCaption();
    void PaintCheckCaption(HDC dc);
    void RepaintSquare();
    // The caption's colour, and in high contrast the square's frame.
    Color CaptionColor() const;

    Color color_ = SystemColor(COLOR_BTNFACE);
    Color colorFocused_ = kColorWhite;
    Color colorDown_ = kColorPressed;
    Color colorCheck_ = kColorBlack;
    Color colorBorder_ = kColorGreyBrown;
    Color fontColor_ = SystemColor(COLOR_BTNTEXT);
    bool checked_ = false;
    bool mouseInControl_ = false;
    bool mouseIsDown_ = false;
    bool focused_ = false;
    bool autoSize_ = false;
};
