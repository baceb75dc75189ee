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

// A flat push button: a thin frame, a coloured fill while hovered or focused, a sunken
// frame while pressed. Built on the platform's button class so that screen readers and
// automation see a push button with its caption; painting and input are its own. Clicks
// reach the parent as WM_COMMAND BN_CLICKED with the button's control id.
class FlatButton final : public ButtonControl<FlatButton> {
public:
    // The window belongs to `parent`; the object lives as long as the window.
    static FlatButton* Create(HWND parent, int id, const std::wstring& caption);

    void SetGlyph(HBITMAP glyph);  // not owned
    void SetColor(Color c) { color_ = c; Invalidate(); }
    void SetColorFocused(Color c) { colorFocused_ = c; Invalidate(); }
    void SetColorDown(Color c) { colorDown_ = c; Invalidate(); }
    void SetColorBorder(Color c) { colorBorder_ = c; Invalidate(); }
    void SetColorHighLight(Color c) { colorHighLight_ = c; Invalidate(); }
    void SetColorShadow(Color c) { colorShadow_ = c; Invalidate(); }
    void SetFontColor(Color c) { fontColor_ = c; Invalidate(); }

    ButtonState State() const { return state_; }
    bool Hovered() const { return mouseInControl_; }

    void MouseEnter() override;
    void MouseLeave() override;

    // Paints the whole button into `dc` at (0, 0).
    void Paint(HDC dc);

    static constexpr wchar_t kProperty[] = L"Mervane.FlatButton";

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
    // The fill, the frame's two colours and the caption's colour of the state painted.
    struct Look {
        Color fill, frameFirst, frameSecond, text;
    };
    Look CurrentLook() const;
    void RefreshHoverState();

    HBITMAP glyph_ = nullptr;
    Color color_ = SystemColor(COLOR_BTNFACE);
    Color colorFocused_ = kColorCream;
    Color colorDown_ = kColorPressed;
    Color colorBorder_ = kColorGreyBrown;
    Color colorHighLight_ = kColorWhite;
    Color colorShadow_ = kColorBlack;
    Color fontColor_ = SystemColor(COLOR_BTNTEXT);
    ButtonState state_ = ButtonState::Up;
    bool mouseInControl_ = false;
    bool dragging_ = false;
};
