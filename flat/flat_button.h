#pragma once
#include <windows.h>

#include <string>

#include "flat/button_control.h"
#include "flat/colors.h"

enum class ButtonState { Up, Disabled, Down };

// Where a button puts its glyph and caption: glyph above the caption, both centred, with 4
// pixels (at 96 dpi) between them when both are there. All sizes in device pixels.
struct GlyphAndTextLayout {
    POINT glyphPos;
    RECT textBounds;
};
GlyphAndTextLayout LayoutGlyphAndText(SIZE client, int pressOffset, SIZE text, SIZE glyph, int spacing);

struct FlatButtonColors {
    Color fill = SystemColor(COLOR_BTNFACE);
    Color focused = kColorCream;
    Color down = kColorPressed;
    Color border = kColorGreyBrown;
    Color highLight = kColorWhite;
    Color shadow = kColorBlack;
    Color font = SystemColor(COLOR_BTNTEXT);
};

// What a flat button shows, as plain data: the button paints itself from it, and a window
// can paint a button that is not made yet the same way.
struct FlatButtonFace {
    const wchar_t* caption;  // null for none
    HFONT font;
    HBITMAP glyph;  // null for none
    ButtonState state;
    bool hovered;  // or focused: the same look
    const FlatButtonColors& colors;
};

// Paints `face` into `bounds` of `target`, off screen first.
void PaintFlatButton(HDC target, const RECT& bounds, const FlatButtonFace& face, UINT dpi);

// A flat push button: a thin frame, a coloured fill while hovered or focused, a sunken
// frame while pressed. Built on the platform's button class so that screen readers and
// automation see a push button with its caption; painting and input are its own. Clicks
// reach the parent as WM_COMMAND BN_CLICKED with the button's control id.
class FlatButton final : public ButtonControl<FlatButton> {
public:
    // The window belongs to `parent`; the object lives as long as the window.
    static FlatButton* Create(HWND parent, int id, const std::wstring& caption);

    void SetGlyph(HBITMAP glyph);  // not owned
    void SetColors(const FlatButtonColors& c) { colors_ = c; Invalidate(); }
    void SetColor(Color c) { colors_.fill = c; Invalidate(); }
    void SetColorFocused(Color c) { colors_.focused = c; Invalidate(); }
    void SetColorDown(Color c) { colors_.down = c; Invalidate(); }
    void SetColorBorder(Color c) { colors_.border = c; Invalidate(); }
    void SetColorHighLight(Color c) { colors_.highLight = c; Invalidate(); }
    void SetColorShadow(Color c) { colors_.shadow = c; Invalidate(); }
    void SetFontColor(Color c) { colors_.font = c; Invalidate(); }

    ButtonState State() const { return state_; }
    bool Hovered() const { return mouseInControl_; }

    void MouseEnter() override;
    void MouseLeave() override;

    // Paints the whole button into `dc` at (0, 0).
    void Paint(HDC dc);

    static constexpr wchar_t kProperty[] = L"FlatButton";

private:
    friend class ButtonControl<FlatButton>;
    friend class Subclass<FlatButton>;
    explicit FlatButton(HWND handle) : ButtonControl(handle) {}
    ~FlatButton() = default;
    LRESULT OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void OnMouseDown(bool left);
    void OnMouseMove(int x, int y);
    void OnMouseUp(int x, int y);
    void OnEnabledChanged(bool enabled);
    bool OnOfferChar(wchar_t character);
    bool Inside(int x, int y) const;
    void RefreshHoverState();

    HBITMAP glyph_ = nullptr;
    FlatButtonColors colors_;
    ButtonState state_ = ButtonState::Up;
    bool mouseInControl_ = false;
    bool dragging_ = false;
};
