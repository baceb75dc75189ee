// One file for the flat controls: each is checked the same way (a host window, a rendered
// picture, real input, what a screen reader hears), and the picture and host helpers serve all.
#include <gtest/gtest.h>
#include <windows.h>
#include <oleacc.h>

#include <map>
#include <set>
#include <utility>

#include "flat/drawing.h"
#include "flat/flat_accessible.h"
#include "flat/flat_button.h"
#include "flat/flat_check_box.h"
#include "flat/flat_gauge.h"
#include "flat/flat_memo.h"
#include "flat/flat_messages.h"
#include "process_helpers.h"
#include "win32/dpi.h"
#include "win32/handles.h"
#include "win32/high_contrast.h"
#include "wizard_driver.h"

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255), kBlack = RGB(0, 0, 0), kWhite = RGB(255, 255, 255),
                   kPurple = RGB(128, 0, 128), kGreen = RGB(0, 128, 0), kGreyBrown = RGB(160, 150, 131),
                   kPressed = RGB(217, 214, 197), kYellow = RGB(255, 255, 0);

// A 32-bit off-screen picture whose pixels can be read back exactly.
class Picture {
public:
    Picture(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        FillSolid(dc_, RECT{0, 0, width, height}, kYellow);
    }
    ~Picture() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    COLORREF At(int x, int y) const {
        GdiFlush();
        const DWORD p = bits_[y * width_ + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    // Every pixel of `colour` inside (x0, y0)-(x1, y1), right and bottom exclusive.
    std::set<std::pair<int, int>> PixelsOf(COLORREF colour, int x0, int y0, int x1, int y1) const {
        std::set<std::pair<int, int>> pixels;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (At(x, y) == colour) pixels.insert({x, y});
        return pixels;
    }
    bool Contains(COLORREF colour, const RECT& r) const { return !PixelsOf(colour, r.left, r.top, r.right, r.bottom).empty(); }

private:
    int width_, height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    DWORD* bits_ = nullptr;
};

Picture Render(HWND control) {
    RECT client;
    GetClientRect(control, &client);
    Picture picture(client.right, client.bottom);
    SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(picture.dc()), PRF_CLIENT);
    return picture;
}

// A black top-level window holding the controls under test; it counts the clicks that
// reach it, reflects colours to a flat memo and paints a gauge.
class Host {
public:
    Host() {
        static bool registered = [] {
            WNDCLASSW windowClass{};
            windowClass.lpfnWndProc = Proc;
            windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
            windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
            windowClass.lpszClassName = L"FlatTestHost";
            return RegisterClassW(&windowClass) != 0;
        }();
        (void)registered;
        window_ = CreateWindowExW(0, L"FlatTestHost", L"Flat test host", WS_POPUP | WS_VISIBLE, 100, 100, 500, 400,
                                  nullptr, nullptr, nullptr, nullptr);
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        font_.reset(CreatePointFont(L"Tahoma", 9, true, 96));
        Activate();
    }
    ~Host() { DestroyWindow(window_); }
    HWND Window() const { return window_; }
    HFONT Font() const { return font_.get(); }
    int Clicks(int id) const {
        auto found = clicks_.find(id);
        return found == clicks_.end() ? 0 : found->second;
    }
    void ResetClicks() { clicks_.clear(); }
    void Activate() {
        SetForegroundWindow(window_);
        SetActiveWindow(window_);
        Pump();
    }
    FlatGauge* gauge = nullptr;
    // Whether the box was checked at each click it raised.
    std::vector<bool> checkStates;

    static void Pump(DWORD milliseconds = 0) {
        const ULONGLONG until = GetTickCount64() + milliseconds;
        do {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            if (milliseconds) Sleep(10);
        } while (GetTickCount64() < until);
    }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* host = reinterpret_cast<Host*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (host && message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
            ++host->clicks_[LOWORD(wParam)];
            if (::FlatCheckBox* box = ::FlatCheckBox::FromHandle(reinterpret_cast<HWND>(lParam)))
                host->checkStates.push_back(box->Checked());
            return 0;
        }
        if (message == WM_CTLCOLOREDIT || message == WM_CTLCOLORSTATIC) {
            if (LRESULT brush = SendMessageW(reinterpret_cast<HWND>(lParam), kFlatReflectColor, wParam, 0)) return brush;
        }
        if (host && message == WM_PAINT && host->gauge) {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            host->gauge->Paint(dc);
            EndPaint(window, &paint);
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
    HWND window_;
    UniqueFont font_;
    std::map<int, int> clicks_;
};

void Place(HWND control, int x, int y, int width, int height) { MoveWindow(control, x, y, width, height, TRUE); }

void MoveMouseOver(HWND control) {
    const POINT center = ScreenCenterOf(control);
    SetCursorPos(center.x, center.y);
    POINT local = center;
    ScreenToClient(control, &local);
    SendMessageW(control, WM_MOUSEMOVE, 0, MAKELPARAM(local.x, local.y));
}

std::wstring ClassName(HWND window) {
    wchar_t name[64] = L"";
    GetClassNameW(window, name, 64);
    return name;
}

void PressAt(HWND control, int x, int y) { SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)); }
void ReleaseAt(HWND control, int x, int y) { SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(x, y)); }

// ---- drawing helpers

TEST(DrawBevelFrame, DrawsNestedFramesWithTheCornersOfTheSecondColour) {
    Picture picture(10, 8);
    DrawBevelFrame(picture.dc(), RECT{0, 0, 10, 8}, kRed, kBlue, 2, 96);
    for (int k : {0, 1}) {
        const int right = 9 - k, bottom = 7 - k;
        EXPECT_EQ(picture.At(k, k), kRed) << k;
        EXPECT_EQ(picture.At(5, k), kRed) << k;
        EXPECT_EQ(picture.At(k, 4), kRed) << k;
        EXPECT_EQ(picture.At(right, k), kBlue) << "top-right corner " << k;
        EXPECT_EQ(picture.At(k, bottom), kBlue) << "bottom-left corner " << k;
        EXPECT_EQ(picture.At(right, bottom), kBlue) << k;
        EXPECT_EQ(picture.At(right, 4), kBlue) << k;
        EXPECT_EQ(picture.At(5, bottom), kBlue) << k;
    }
    EXPECT_EQ(picture.At(2, 2), kYellow);  // inside the second frame: untouched
    EXPECT_EQ(picture.PixelsOf(kRed, 0, 0, 10, 8).size() + picture.PixelsOf(kBlue, 0, 0, 10, 8).size(), 80u - 24u);
}

TEST(DrawBevelFrame, KeepsLinesWholeAtOtherScales) {
    Picture picture(30, 30);
    DrawBevelFrame(picture.dc(), RECT{0, 0, 30, 30}, kRed, kBlue, 1, 144);  // 1.5 pixels: 2
    EXPECT_EQ(picture.At(1, 15), kRed);
    EXPECT_EQ(picture.At(2, 15), kYellow);
    EXPECT_EQ(picture.At(28, 15), kBlue);
    Picture twice(30, 30);
    DrawBevelFrame(twice.dc(), RECT{0, 0, 30, 30}, kRed, kRed, 2, 192);
    EXPECT_EQ(twice.PixelsOf(kRed, 0, 15, 30, 16).size(), 8u);  // two frames of 2 on each side
}

TEST(Accelerators, MatchTheCharacterAfterTheAmpersandInAnyCase) {
    EXPECT_TRUE(IsAccelerator(L'n', L"&Next"));
    EXPECT_TRUE(IsAccelerator(L'N', L"&Next"));
    EXPECT_TRUE(IsAccelerator(L'ü', L"&Über"));
    EXPECT_TRUE(IsAccelerator(L'д', L"&Далее"));
    EXPECT_FALSE(IsAccelerator(L'e', L"&Next"));
    EXPECT_FALSE(IsAccelerator(L'n', L"Next"));
    EXPECT_FALSE(IsAccelerator(L'&', L"A && B"));
    EXPECT_TRUE(IsAccelerator(L'b', L"A && &B"));
    EXPECT_FALSE(IsAccelerator(L'x', L"ends with &"));
}

TEST(LayoutGlyphAndText, CentresGlyphAboveCaptionAndShiftsOnlyTheCaption) {
    const GlyphAndTextLayout alone = LayoutGlyphAndText({105, 37}, 0, {40, 14}, {0, 0}, 4);
    EXPECT_EQ(alone.textBounds.left, 33);
    EXPECT_EQ(alone.textBounds.top, 12);
    EXPECT_EQ(alone.textBounds.right, 73);
    const GlyphAndTextLayout pressed = LayoutGlyphAndText({105, 37}, 1, {40, 14}, {0, 0}, 4);
    EXPECT_EQ(pressed.textBounds.left, 34);
    EXPECT_EQ(pressed.textBounds.top, 13);
    const GlyphAndTextLayout glyph = LayoutGlyphAndText({32, 32}, 1, {0, 0}, {32, 32}, 4);
    EXPECT_EQ(glyph.glyphPos.x, 0);
    EXPECT_EQ(glyph.glyphPos.y, 0);
    const GlyphAndTextLayout both = LayoutGlyphAndText({60, 60}, 0, {20, 10}, {16, 16}, 4);
    EXPECT_EQ(both.glyphPos.y, 15);
    EXPECT_EQ(both.textBounds.top, 35);
}

// ---- the flat button

class FlatButton : public testing::Test {
protected:
    void SetUp() override {
        button_ = ::FlatButton::Create(host_.Window(), 1, L"&Next");
        ASSERT_NE(button_, nullptr);
        Place(button_->Handle(), 20, 20, 105, 37);
        button_->SetFont(host_.Font());
        button_->SetColor(kBlack);
        button_->SetColorFocused(kPurple);
        button_->SetFontColor(kWhite);
    }
    HWND Button() const { return button_->Handle(); }
    Host host_;
    ::FlatButton* button_ = nullptr;
};

TEST_F(FlatButton, PaintsItsFourLooks) {
    Picture idle = Render(Button());
    EXPECT_EQ(idle.At(0, 0), kGreyBrown);
    EXPECT_EQ(idle.At(104, 36), kGreyBrown);
    EXPECT_EQ(idle.At(104, 0), kGreyBrown);
    EXPECT_EQ(idle.At(3, 3), kBlack);
    EXPECT_TRUE(idle.Contains(kWhite, RECT{10, 5, 95, 32}));  // the caption

    button_->MouseEnter();
    Picture hovered = Render(Button());
    EXPECT_EQ(hovered.At(0, 0), kWhite);
    EXPECT_EQ(hovered.At(50, 0), kWhite);
    EXPECT_EQ(hovered.At(104, 0), kBlack);  // top-right corner: the dark edge
    EXPECT_EQ(hovered.At(0, 36), kBlack);
    EXPECT_EQ(hovered.At(104, 36), kBlack);
    EXPECT_EQ(hovered.At(3, 3), kPurple);

    SendMessageW(Button(), WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(button_->State(), ButtonState::Down);
    Picture pressed = Render(Button());
    EXPECT_EQ(pressed.At(0, 0), kBlack);
    EXPECT_EQ(pressed.At(104, 36), kWhite);
    EXPECT_EQ(pressed.At(104, 0), kWhite);
    EXPECT_EQ(pressed.At(3, 3), kPressed);
    // The caption moves one pixel right and down.
    const auto whiteUp = idle.PixelsOf(kWhite, 1, 1, 104, 36);
    std::set<std::pair<int, int>> shifted;
    for (auto [x, y] : whiteUp) shifted.insert({x + 1, y + 1});
    EXPECT_EQ(pressed.PixelsOf(kWhite, 2, 2, 104, 36), shifted);
    SendMessageW(Button(), WM_KEYUP, VK_SPACE, 0);

    EnableWindow(Button(), FALSE);
    Picture disabled = Render(Button());
    EXPECT_EQ(disabled.At(0, 0), kGreyBrown);
    EXPECT_EQ(disabled.At(3, 3), kBlack);
    EXPECT_TRUE(disabled.Contains(GetSysColor(COLOR_3DHILIGHT), RECT{10, 5, 95, 32}));
    EXPECT_TRUE(disabled.Contains(GetSysColor(COLOR_3DSHADOW), RECT{10, 5, 95, 32}));
    EXPECT_FALSE(disabled.Contains(kWhite, RECT{10, 5, 95, 32}) && GetSysColor(COLOR_3DHILIGHT) != kWhite);
    EXPECT_EQ(button_->State(), ButtonState::Disabled);
}

TEST_F(FlatButton, TheCloseGlyphShowsTheFillOnlyWhereItsMaskColourIs) {
    // A 32 x 32 black glyph with a grey cross, as the wizard's.
    Picture art(32, 32);
    FillSolid(art.dc(), RECT{0, 0, 32, 32}, kBlack);
    for (int i = 10; i < 22; ++i) {
        SetPixel(art.dc(), i, i, RGB(160, 160, 160));
        SetPixel(art.dc(), 31 - i, i, RGB(160, 160, 160));
    }
    HDC screen = GetDC(nullptr);
    UniqueBitmap bitmap(CreateCompatibleBitmap(screen, 32, 32));
    HDC copy = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(copy, bitmap.get());
    BitBlt(copy, 0, 0, 32, 32, art.dc(), 0, 0, SRCCOPY);
    SelectObject(copy, old);
    DeleteDC(copy);
    ReleaseDC(nullptr, screen);

    ::FlatButton* close = ::FlatButton::Create(host_.Window(), 3, L"");
    Place(close->Handle(), 200, 0, 32, 32);
    close->SetColor(kBlack);
    close->SetColorFocused(kPurple);
    close->SetColorBorder(kBlack);
    close->SetGlyph(bitmap.get());
    Picture idle = Render(close->Handle());
    EXPECT_EQ(idle.At(16, 16), RGB(160, 160, 160));
    EXPECT_EQ(idle.At(10, 10), RGB(160, 160, 160));
    EXPECT_EQ(idle.At(5, 20), kBlack);
    close->MouseEnter();
    Picture hovered = Render(close->Handle());
    EXPECT_EQ(hovered.At(16, 16), RGB(160, 160, 160));
    EXPECT_EQ(hovered.At(5, 20), kPurple);
    EXPECT_EQ(hovered.At(0, 0), kWhite);
    EXPECT_EQ(hovered.At(31, 31), kBlack);
    DestroyWindow(close->Handle());
}

TEST_F(FlatButton, ClicksOnAReleaseInsideOrOnTheRowJustBelow) {
    PressAt(Button(), 10, 10);
    EXPECT_EQ(button_->State(), ButtonState::Down);
    EXPECT_EQ(GetFocus(), Button());
    ReleaseAt(Button(), 10, 10);
    EXPECT_EQ(host_.Clicks(1), 1);

    PressAt(Button(), 10, 10);
    ReleaseAt(Button(), 10, 37);  // Y equal to the height
    EXPECT_EQ(host_.Clicks(1), 2);

    PressAt(Button(), 10, 10);
    SendMessageW(Button(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(200, 10));
    EXPECT_EQ(button_->State(), ButtonState::Up);
    SendMessageW(Button(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, 10));
    EXPECT_EQ(button_->State(), ButtonState::Down);
    ReleaseAt(Button(), 10, 38);  // below the row just below
    EXPECT_EQ(host_.Clicks(1), 2);
    EXPECT_EQ(button_->State(), ButtonState::Up);

    SendMessageW(Button(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 10));
    SendMessageW(Button(), WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(host_.Clicks(1), 2);

    // A double-click is two presses, two clicks.
    PressAt(Button(), 10, 10);
    ReleaseAt(Button(), 10, 10);
    SendMessageW(Button(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 10));
    ReleaseAt(Button(), 10, 10);
    EXPECT_EQ(host_.Clicks(1), 4);
}

TEST_F(FlatButton, SpaceClicksOnReleaseAndEnterDoesNothing) {
    SetFocus(Button());
    EXPECT_TRUE(button_->Hovered());  // focus shows the hovered look
    SendMessageW(Button(), WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(host_.Clicks(1), 0);
    SendMessageW(Button(), WM_KEYUP, VK_SPACE, 0);
    EXPECT_EQ(host_.Clicks(1), 1);
    SendMessageW(Button(), WM_KEYDOWN, VK_RETURN, 0);
    SendMessageW(Button(), WM_CHAR, L'\r', 0);
    SendMessageW(Button(), WM_KEYUP, VK_RETURN, 0);
    EXPECT_FALSE(OfferCharToControls(host_.Window(), L'\r'));
    EXPECT_EQ(host_.Clicks(1), 1);
    SetFocus(host_.Window());
    EXPECT_FALSE(button_->Hovered());
}

TEST_F(FlatButton, AcceleratorsClickEnabledButtonsVisibleOrNot) {
    EXPECT_TRUE(OfferCharToControls(host_.Window(), L'n'));
    EXPECT_EQ(host_.Clicks(1), 1);
    ShowWindow(Button(), SW_HIDE);
    EXPECT_TRUE(OfferCharToControls(host_.Window(), L'N'));
    EXPECT_EQ(host_.Clicks(1), 2);
    ShowWindow(Button(), SW_SHOW);
    EnableWindow(Button(), FALSE);
    EXPECT_FALSE(OfferCharToControls(host_.Window(), L'n'));
    EXPECT_EQ(host_.Clicks(1), 2);

    // Disabled: no press, no click, no highlight.
    PressAt(Button(), 10, 10);
    ReleaseAt(Button(), 10, 10);
    button_->MouseEnter();
    EXPECT_EQ(host_.Clicks(1), 2);
    EXPECT_FALSE(button_->Hovered());
    EXPECT_EQ(button_->State(), ButtonState::Disabled);
}

TEST_F(FlatButton, HoverFollowsThePointerOnlyWhileTheApplicationIsActive) {
    MoveMouseOver(Button());
    EXPECT_TRUE(button_->Hovered());
    SetCursorPos(5, 5);
    Host::Pump(400);  // the hover timer notices within 100 ms
    EXPECT_FALSE(button_->Hovered());

    // Another program in front: moving over the button does not highlight it.
    TestProcess other(BuiltProgram(L"Mervane4Setup.exe"), L"");
    HWND otherWindow = other.WaitForWindow(L"FormMain", 15000);
    ASSERT_NE(otherWindow, nullptr);
    SetForegroundWindow(otherWindow);
    Host::Pump(100);
    ASSERT_EQ(GetActiveWindow(), nullptr) << "the other program did not become active";
    MoveMouseOver(Button());
    EXPECT_FALSE(button_->Hovered());
    PostMessageW(otherWindow, WM_CLOSE, 0, 0);
    EXPECT_EQ(other.WaitForExit(15000), 0u);
}

TEST_F(FlatButton, ScreenReadersHearAPushButtonWithItsCaptionOrItsName) {
    EXPECT_EQ(ClassName(Button()), L"Button");
    EXPECT_EQ(GetWindowLongW(Button(), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
    Heard heard = Heard::Of(Button());
    EXPECT_EQ(heard.name, L"Next");
    EXPECT_EQ(heard.role, ROLE_SYSTEM_PUSHBUTTON);
    EXPECT_EQ(heard.shortcut, L"Alt+N");
    EXPECT_EQ(heard.state & (STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_UNAVAILABLE), STATE_SYSTEM_FOCUSABLE);
    // A glyph without a caption is heard by the name that stands for it.
    ::FlatButton* close = ::FlatButton::Create(host_.Window(), 3, L"");
    close->SetAccessibleName(L"Close");
    EXPECT_EQ(Heard::Of(close->Handle()).name, L"Close");
    EXPECT_TRUE(Heard::Of(close->Handle()).shortcut.empty());
    // The default action for a button is BM_CLICK.
    SendMessageW(Button(), BM_CLICK, 0, 0);
    EXPECT_EQ(host_.Clicks(1), 1);
    EnableWindow(Button(), FALSE);
    EXPECT_TRUE(Heard::Of(Button()).state & STATE_SYSTEM_UNAVAILABLE);
    SendMessageW(Button(), BM_CLICK, 0, 0);
    EXPECT_EQ(host_.Clicks(1), 1);
}

// ---- the flat check box

TEST_F(FlatButton, AHeldObjectPressesNothingUnseenOrUnderAModalDialogAndAnswersGoneAfterTheButton) {
    IAccessible* accessible = Heard::ObjectOf(Button());
    ASSERT_NE(accessible, nullptr);
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    // A modal dialog (the folder browser) disables its owner, not the owner's controls.
    EnableWindow(host_.Window(), FALSE);
    EXPECT_NE(accessible->accDoDefaultAction(self), S_OK);
    Host::Pump(200);
    EXPECT_EQ(host_.Clicks(1), 0);
    EnableWindow(host_.Window(), TRUE);
    ShowWindow(Button(), SW_HIDE);
    EXPECT_NE(accessible->accDoDefaultAction(self), S_OK);
    Host::Pump(200);
    EXPECT_EQ(host_.Clicks(1), 0);
    ShowWindow(Button(), SW_SHOW);
    EXPECT_EQ(accessible->accDoDefaultAction(self), S_OK);
    Host::Pump(200);
    EXPECT_EQ(host_.Clicks(1), 1);

    DestroyWindow(Button());
    BSTR name = nullptr;
    VARIANT answer;
    VariantInit(&answer);
    EXPECT_EQ(accessible->get_accName(self, &name), CO_E_OBJNOTCONNECTED);
    SysFreeString(name);
    EXPECT_EQ(accessible->get_accRole(self, &answer), CO_E_OBJNOTCONNECTED);
    EXPECT_EQ(accessible->get_accState(self, &answer), CO_E_OBJNOTCONNECTED);
    EXPECT_EQ(accessible->accDoDefaultAction(self), CO_E_OBJNOTCONNECTED);
    accessible->Release();
}

class FlatCheckBox : public testing::Test {
protected:
    void SetUp() override {
        box_ = ::FlatCheckBox::Create(host_.Window(), 1, L"&Accept the agreement");
        ASSERT_NE(box_, nullptr);
        Place(box_->Handle(), 20, 100, 200, 17);
        font_.reset(CreatePixelFont(L"Tahoma", 11, false, 96));
        box_->SetFont(font_.get());
        box_->SetColor(kBlack);
        box_->SetColorFocused(kPurple);
        box_->SetColorCheck(kWhite);
        box_->SetFontColor(kWhite);
        host_.checkStates.clear();
    }
    HWND Box() const { return box_->Handle(); }
    Host host_;
    UniqueFont font_;
    ::FlatCheckBox* box_ = nullptr;
};

TEST_F(FlatCheckBox, PaintsTheSquareAndTheSixLinesOfTheCheckMark) {
    Picture unchecked = Render(Box());
    EXPECT_EQ(unchecked.PixelsOf(kGreyBrown, 0, 0, 16, 17).size(), 40u);  // the square's outline
    EXPECT_EQ(unchecked.At(1, 3), kGreyBrown);
    EXPECT_EQ(unchecked.At(11, 13), kGreyBrown);
    EXPECT_EQ(unchecked.At(12, 14), kBlack);
    EXPECT_EQ(unchecked.PixelsOf(kWhite, 0, 0, 16, 17).size(), 0u);

    box_->SetChecked(true);
    Picture checked = Render(Box());
    std::set<std::pair<int, int>> mark;
    auto line = [&](int x0, int y0, int x1, int y1) {
        for (int x = x0, y = y0; x != x1; x += (x1 > x0 ? 1 : -1), y += (y1 > y0 ? 1 : -1)) mark.insert({1 + x, 3 + y});
    };
    line(2, 4, 6, 8), line(2, 5, 5, 8), line(2, 6, 5, 9), line(8, 2, 4, 6), line(8, 3, 4, 7), line(8, 4, 5, 7);
    EXPECT_EQ(checked.PixelsOf(kWhite, 0, 0, 16, 17), mark);
    EXPECT_TRUE(checked.Contains(kWhite, RECT{16, 1, 199, 16}));  // the caption

    SetFocus(Box());
    Picture focused = Render(Box());
    EXPECT_EQ(focused.At(3, 5), kPurple);  // a focused box shows ColorFocused with the mouse elsewhere
}

TEST_F(FlatCheckBox, RaisesItsClickTwiceForAMouseToggleAndOnceOtherwise) {
    MoveMouseOver(Box());
    ASSERT_TRUE(box_->Hovered()) << "the test needs the pointer over the box in the active window";
    PressAt(Box(), 5, 8);
    ReleaseAt(Box(), 5, 8);
    EXPECT_TRUE(box_->Checked());
    EXPECT_EQ(host_.checkStates, (std::vector<bool>{false, true}));  // old value first
    PressAt(Box(), 5, 8);
    ReleaseAt(Box(), 5, 8);
    EXPECT_FALSE(box_->Checked());
    EXPECT_EQ(host_.Clicks(1), 4);

    host_.ResetClicks();
    SetFocus(Box());
    OfferCharToControls(host_.Window(), L' ');
    EXPECT_TRUE(box_->Checked());
    EXPECT_EQ(host_.Clicks(1), 1);
    EXPECT_TRUE(OfferCharToControls(host_.Window(), L'a'));
    EXPECT_FALSE(box_->Checked());
    EXPECT_EQ(host_.Clicks(1), 2);
    box_->SetChecked(true);
    EXPECT_EQ(host_.Clicks(1), 3);
    box_->SetChecked(true);
    EXPECT_EQ(host_.Clicks(1), 3);
    EXPECT_EQ(SendMessageW(Box(), BM_GETCHECK, 0, 0), BST_CHECKED);
    SendMessageW(Box(), BM_SETCHECK, BST_UNCHECKED, 0);
    EXPECT_FALSE(box_->Checked());
    EXPECT_EQ(host_.Clicks(1), 4);
}

TEST_F(FlatCheckBox, APressMovedOffAndReleasedElsewhereStillToggles) {
    MoveMouseOver(Box());
    PressAt(Box(), 5, 8);
    SetCursorPos(5, 5);
    Host::Pump(300);  // the hover timer may tick: a pressed box keeps its hover
    ReleaseAt(Box(), 300, 80);
    EXPECT_TRUE(box_->Checked());
    EXPECT_EQ(host_.Clicks(1), 1);
}

TEST_F(FlatCheckBox, FitsToItsCaptionWhenAutoSizeIsSet) {
    HDC dc = GetDC(Box());
    HGDIOBJ old = SelectObject(dc, font_.get());
    SIZE text;
    GetTextExtentPoint32W(dc, L"&Accept the agreement", 21, &text);
    SelectObject(dc, old);
    ReleaseDC(Box(), dc);
    box_->SetAutoSize(true);
    RECT r;
    GetWindowRect(Box(), &r);
    EXPECT_EQ(r.right - r.left, text.cx + 24);
    EXPECT_EQ(r.bottom - r.top, text.cy + 2);
}

TEST_F(FlatCheckBox, ScreenReadersHearACheckBoxWithItsState) {
    EXPECT_EQ(ClassName(Box()), L"Button");
    EXPECT_EQ(GetWindowLongW(Box(), GWL_STYLE) & BS_TYPEMASK, BS_CHECKBOX);
    EXPECT_EQ(SendMessageW(Box(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_FALSE(Heard::Of(Box()).state & STATE_SYSTEM_CHECKED);
    SendMessageW(Box(), BM_CLICK, 0, 0);  // the default action
    EXPECT_TRUE(box_->Checked());
    EXPECT_EQ(SendMessageW(Box(), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(host_.Clicks(1), 1);
    const Heard heard = Heard::Of(Box());
    EXPECT_EQ(heard.name, L"Accept the agreement");
    EXPECT_EQ(heard.role, ROLE_SYSTEM_CHECKBUTTON);
    EXPECT_TRUE(heard.state & STATE_SYSTEM_CHECKED);
}

// ---- the flat memo and gauge

TEST(FlatMemo, PaintsAThreePixelBorderAndTheCornerBetweenScrollBars) {
    Host host;
    FlatMemo* memo = FlatMemo::Create(host.Window(), 5, ES_READONLY | WS_VSCROLL | WS_HSCROLL);
    Place(memo->Handle(), 20, 20, 200, 120);
    memo->SetColorFlat(RGB(235, 234, 225));
    memo->SetColorFocused(kWhite);
    SetFocus(host.Window());
    Picture flat(200, 120);
    memo->PaintFlatBorder(flat.dc());
    EXPECT_EQ(flat.At(0, 0), kGreyBrown);
    EXPECT_EQ(flat.At(199, 119), kGreyBrown);
    EXPECT_EQ(flat.At(1, 1), RGB(235, 234, 225));
    EXPECT_EQ(flat.At(2, 60), RGB(235, 234, 225));
    EXPECT_EQ(flat.At(3, 60), kYellow);  // the client area starts inside
    // The corner square: 16 x 16 just inside the innermost line.
    EXPECT_EQ(flat.PixelsOf(RGB(235, 234, 225), 181, 101, 197, 117).size(), 256u);
    EXPECT_EQ(flat.At(180, 100), kYellow);

    SetFocus(memo->Handle());
    Picture focused(200, 120);
    memo->PaintFlatBorder(focused.dc());
    EXPECT_EQ(focused.At(1, 1), kWhite);
    EXPECT_EQ(focused.At(0, 0), kGreyBrown);

    RECT window, client;
    GetWindowRect(memo->Handle(), &window);
    GetClientRect(memo->Handle(), &client);
    POINT origin{0, 0};
    ClientToScreen(memo->Handle(), &origin);
    EXPECT_EQ(origin.x - window.left, 3);
    EXPECT_EQ(origin.y - window.top, 3);

    FlatMemo* single = FlatMemo::Create(host.Window(), 6, ES_READONLY | WS_VSCROLL);
    Place(single->Handle(), 240, 20, 200, 120);
    single->SetColorFlat(kWhite);
    Picture one(200, 120);
    single->PaintFlatBorder(one.dc());
    EXPECT_EQ(one.At(181, 101), kYellow);  // no corner square with one scroll bar
}

TEST(FlatMemo, IsARealMultiLineEdit) {
    Host host;
    FlatMemo* memo = FlatMemo::Create(host.Window(), 5, ES_READONLY | WS_VSCROLL | ES_WANTRETURN);
    Place(memo->Handle(), 20, 20, 300, 120);
    memo->SetLines(L"one\r\ntwo\rthree\nfour");
    EXPECT_EQ(SendMessageW(memo->Handle(), EM_GETLINECOUNT, 0, 0), 4);
    SendMessageW(memo->Handle(), EM_SETSEL, 0, -1);
    SendMessageW(memo->Handle(), WM_COPY, 0, 0);
    ASSERT_TRUE(OpenClipboard(host.Window()));
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    ASSERT_NE(data, nullptr);
    EXPECT_STREQ(static_cast<const wchar_t*>(GlobalLock(data)), L"one\r\ntwo\r\nthree\r\nfour");
    GlobalUnlock(data);
    CloseClipboard();

    EXPECT_TRUE(memo->ParentColor());
    memo->SetColorFlat(kWhite);
    EXPECT_FALSE(memo->ParentColor());
    memo->ParentColorChanged();
    EXPECT_EQ(memo->ColorFlat(), kWhite);  // no longer follows the parent
}

TEST(FlatGauge, FillsItsBarInProportion) {
    FlatGauge gauge(nullptr);
    gauge.SetBounds(RECT{0, 0, 419, 12});
    gauge.SetColor(kBlack);
    gauge.SetBarColor(kGreen);
    gauge.SetMinValue(0);
    gauge.SetMaxValue(3);
    for (auto [progress, width] : {std::pair{0, 0}, std::pair{1, 138}, std::pair{2, 276}, std::pair{3, 415}}) {
        gauge.SetProgress(progress);
        Picture picture(419, 12);
        gauge.Paint(picture.dc());
        EXPECT_EQ(picture.At(0, 0), kGreyBrown);
        EXPECT_EQ(picture.At(418, 11), kGreyBrown);
        EXPECT_EQ(picture.At(1, 5), kBlack);  // the band between outline and bar
        EXPECT_EQ(picture.PixelsOf(kGreen, 0, 5, 419, 6).size(), static_cast<size_t>(width)) << progress;
        if (width) {
            EXPECT_EQ(picture.At(2, 2), kGreen);
            EXPECT_EQ(picture.At(1 + width, 9), kGreen);
            EXPECT_EQ(picture.At(2, 10), kBlack);
        }
    }
}

TEST(FlatGauge, KeepsItsValuesInOrder) {
    FlatGauge gauge(nullptr);
    EXPECT_EQ(gauge.Progress(), 25);
    gauge.SetProgress(500);
    EXPECT_EQ(gauge.Progress(), 100);
    gauge.SetProgress(-5);
    EXPECT_EQ(gauge.Progress(), 0);
    gauge.SetMinValue(150);
    EXPECT_EQ(gauge.MinValue(), 100);
    EXPECT_EQ(gauge.Progress(), 100);
    gauge.SetMaxValue(20);
    EXPECT_EQ(gauge.MaxValue(), 100);
    gauge.SetMinValue(10);
    gauge.SetProgress(50);
    gauge.SetMaxValue(40);
    EXPECT_EQ(gauge.Progress(), 40);
    gauge.SetMaxValue(5);
    EXPECT_EQ(gauge.MaxValue(), 10);
    EXPECT_EQ(gauge.Progress(), 10);

    // Maximum equal to minimum: no bar, no crash.
    EXPECT_EQ(gauge.BarWidth(415), 0);
    Picture picture(145, 25);
    gauge.Paint(picture.dc());
    EXPECT_EQ(picture.At(0, 0), kGreyBrown);
    EXPECT_EQ(picture.PixelsOf(RGB(51, 102, 153), 0, 0, 145, 25).size(), 0u);
}

TEST(FlatGauge, IsHeardAsAProgressBarAfterItsParentsWindows) {
    Host host;
    CreateWindowExW(0, L"STATIC", L"Status", WS_CHILD | WS_VISIBLE, 0, 0, 50, 10, host.Window(), nullptr, nullptr, nullptr);
    FlatGauge gauge(host.Window());
    gauge.SetBounds(RECT{20, 120, 439, 132});
    gauge.SetMaxValue(4);
    gauge.SetProgress(1);
    const Heard page = Heard::Of(host.Window());
    ASSERT_EQ(page.children, 2);
    Heard bar = Heard::Of(host.Window(), 2);
    EXPECT_EQ(bar.role, ROLE_SYSTEM_PROGRESSBAR);
    EXPECT_EQ(bar.value, L"25%");
    gauge.SetProgress(3);
    EXPECT_EQ(Heard::Of(host.Window(), 2).value, L"75%");
    POINT middle{230, 126};  // found where it is painted, as a screen reader follows the pointer
    ClientToScreen(host.Window(), &middle);
    EXPECT_EQ(Heard::ChildAt(host.Window(), middle), 2);
    EXPECT_EQ(GaugePercent(7, 7, 7), 0);  // no span: empty
    EXPECT_EQ(GaugePercent(0, 3, 2), 66);
}

// ---- high contrast

// System colours set for a test, none of them one of the controls' own; the old ones come
// back when it goes.
class SystemColours {
public:
    SystemColours(std::initializer_list<std::pair<int, COLORREF>> colours) {
        for (auto [index, colour] : colours) {
            indices_.push_back(index);
            old_.push_back(GetSysColor(index));
            new_.push_back(colour);
        }
        SetSysColors(static_cast<int>(indices_.size()), indices_.data(), new_.data());
    }
    ~SystemColours() { SetSysColors(static_cast<int>(indices_.size()), indices_.data(), old_.data()); }

private:
    std::vector<int> indices_;
    std::vector<COLORREF> old_, new_;
};

TEST(HighContrast, EveryControlDrawsInTheSystemColoursAndNoneOfItsOwn) {
    // Wine 8 cannot switch high contrast on: the gallery is told it is on.
    constexpr COLORREF window = RGB(0, 0, 96), text = RGB(255, 255, 96), highlight = RGB(0, 160, 160),
                       highlightText = RGB(16, 16, 16), face = RGB(96, 0, 0), faceText = RGB(96, 255, 96),
                       grey = RGB(200, 120, 40);
    const SystemColours colours{{COLOR_WINDOW, window}, {COLOR_WINDOWTEXT, text}, {COLOR_HIGHLIGHT, highlight},
                                {COLOR_HIGHLIGHTTEXT, highlightText}, {COLOR_BTNFACE, face},
                                {COLOR_BTNTEXT, faceText}, {COLOR_GRAYTEXT, grey}};
    TestProcess gallery(BuiltProgram(L"flat_gallery.exe"), L"\"" + BuiltProgram(L"Mervane4Setup.exe") + L"\" /high-contrast");
    HWND shown = gallery.WaitForWindow(L"Flat gallery", 15000);
    ASSERT_NE(shown, nullptr);
    SetWindowPos(shown, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Sleep(500);
    RECT r;
    GetWindowRect(shown, &r);
    ASSERT_EQ(r.right - r.left, 640) << "the gallery's picture is laid out at 96 dpi";
    Picture picture(640, 420);
    HDC screen = GetDC(nullptr);
    BitBlt(picture.dc(), 0, 0, 640, 420, screen, r.left, r.top, SRCCOPY);
    ReleaseDC(nullptr, screen);

    // The gallery's places (its own 96-dpi layout): buttons idle, hovered, pressed and
    // disabled in a row, the close glyph, the four boxes, the memo, the gauges.
    EXPECT_EQ(picture.At(5, 5), window);
    EXPECT_EQ(picture.At(20, 30), faceText);  // the frame
    EXPECT_EQ(picture.At(23, 33), face);
    EXPECT_TRUE(picture.Contains(faceText, RECT{30, 40, 115, 60}));
    EXPECT_EQ(picture.At(138, 33), highlight);  // hovered
    EXPECT_TRUE(picture.Contains(highlightText, RECT{145, 40, 230, 60}));
    EXPECT_EQ(picture.At(253, 33), highlight);  // pressed
    EXPECT_EQ(picture.At(368, 33), face);  // disabled: grey, not embossed
    EXPECT_TRUE(picture.Contains(grey, RECT{375, 40, 460, 60}));
    EXPECT_EQ(picture.At(365, 30), grey);
    EXPECT_TRUE(picture.Contains(faceText, RECT{250, 90, 282, 122}));  // the cross in the caption's colour
    EXPECT_TRUE(picture.Contains(face, RECT{250, 90, 282, 122}));
    EXPECT_TRUE(picture.Contains(highlightText, RECT{300, 90, 332, 122}));  // the hovered one
    EXPECT_EQ(picture.At(21, 153), text);  // an unticked square's frame
    EXPECT_EQ(picture.At(25, 157), window);
    EXPECT_TRUE(picture.Contains(text, RECT{22, 179, 31, 188}));  // the check mark
    EXPECT_EQ(picture.At(23, 205), highlight);  // the focused box
    EXPECT_TRUE(picture.Contains(highlightText, RECT{22, 204, 31, 213}));
    EXPECT_TRUE(picture.Contains(grey, RECT{37, 225, 120, 242}));  // a disabled caption
    EXPECT_EQ(picture.At(250, 150), text);  // the memo's outer line, its fill and its text
    EXPECT_EQ(picture.At(253, 160), window);
    EXPECT_TRUE(picture.Contains(text, RECT{253, 153, 400, 170}));
    EXPECT_EQ(picture.At(20, 350), text);  // the full gauge's outline and bar
    EXPECT_EQ(picture.At(100, 355), highlight);
    EXPECT_EQ(picture.At(300, 325), window);  // the one at a third: empty from 160 on
    // None of the controls' own colours is left anywhere but in the memo's scroll bars,
    // which the system draws.
    for (COLORREF own : {kBlack, kWhite, kPurple, kGreen, kGreyBrown, kPressed, RGB(235, 234, 225)}) {
        EXPECT_FALSE(picture.Contains(own, RECT{0, 0, 640, 150})) << std::hex << own;
        EXPECT_FALSE(picture.Contains(own, RECT{0, 150, 250, 420})) << std::hex << own;
        EXPECT_FALSE(picture.Contains(own, RECT{250, 260, 640, 420})) << std::hex << own;
    }
}

// ---- at 144 dpi

TEST(AtAnotherScale, GeometryAndLinesScaleWithTheDpi) {
    Host host;
    ::FlatButton* button = ::FlatButton::Create(host.Window(), 1, L"&Next");
    Place(button->Handle(), 0, 0, Scale(105, 144), Scale(37, 144));
    button->SetDpi(144);
    button->SetColor(kBlack);
    Picture idle = Render(button->Handle());
    EXPECT_EQ(idle.At(1, 30), kGreyBrown);  // a 2-pixel frame at 150 %
    EXPECT_EQ(idle.At(2, 30), kBlack);

    ::FlatCheckBox* box = ::FlatCheckBox::Create(host.Window(), 2, L"x");
    Place(box->Handle(), 0, 100, 200, 26);
    box->SetDpi(144);
    box->SetColor(kBlack);
    box->SetColorCheck(kWhite);
    box->SetChecked(true);
    Picture checked = Render(box->Handle());
    const RECT square = ScaledRect(1, 3, 12, 14, 144);
    EXPECT_NEAR(square.right - square.left, 16.5, 1);
    EXPECT_EQ(checked.At(square.left, square.top), kGreyBrown);
    EXPECT_EQ(checked.At(square.right - 1, square.bottom - 1), kGreyBrown);
    // Every check-mark pixel became a whole block, and the mark kept its place.
    const auto white = checked.PixelsOf(kWhite, 0, 0, 24, 26);
    EXPECT_GE(white.size(), 21u * 1);
    EXPECT_NEAR(static_cast<double>(white.size()), 21 * 2.25, 21 * 1.0);
    const RECT first = ScaledRect(3, 7, 4, 8, 144);
    EXPECT_TRUE(white.count({first.left, first.top}));

    FlatGauge gauge(nullptr);
    gauge.SetDpi(144);
    gauge.SetBounds(RECT{0, 0, Scale(419, 144), Scale(12, 144)});
    gauge.SetMinValue(0);
    gauge.SetMaxValue(3);
    gauge.SetProgress(1);
    gauge.SetBarColor(kGreen);
    Picture bar(Scale(419, 144), Scale(12, 144));
    gauge.Paint(bar.dc());
    const size_t width = bar.PixelsOf(kGreen, 0, 8, Scale(419, 144), 9).size();
    EXPECT_NEAR(static_cast<double>(width), 138 * 1.5, 2);
    EXPECT_EQ(bar.At(1, 8), kGreyBrown);  // the outline is 2 pixels at 150 %
    EXPECT_NE(bar.At(2, 8), kGreen);
}

}  // namespace
