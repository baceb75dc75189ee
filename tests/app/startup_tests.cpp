#include <gtest/gtest.h>

#include "app/startup.h"
#include "controls/wait_animation.h"
#include "process_helpers.h"
#include "resources/resource_names.h"
#include "texts/agreement.h"
#include "texts/texts.h"
#include "win32/embedded_resource.h"
#include "win32/gdi.h"
#include "wizard/wizard_ids.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

// ---- the program itself, started as a real process

constexpr DWORD kWindowTimeoutMs = 30000;

HWND WelcomeLabel(HWND form) { return FindDescendant(form, kWelcomeText); }

void PressClose(HWND form) {
    HWND close = GetDlgItem(form, kButtonClose);
    ASSERT_NE(close, nullptr);
    PostMessageW(close, BM_CLICK, 0, 0);
}

TEST(Program, StartsInTheLanguageOfItsSwitchInTheBlackFixedSizeWindowShownWhateverTheLauncherAsked) {
    struct Case {
        const wchar_t* arguments;
        Language language;
        int showCommand;  // a deployment tool may start it hidden or minimised
    };
    for (Case c : {Case{L"/de", Language::German, SW_HIDE}, Case{L"/RUS second", Language::Russian, SW_SHOWMINNOACTIVE},
                   Case{L"/eng", Language::English, -1}}) {
        TestProcess wizard(BuiltProgram(L"Mervane4Setup.exe"), c.arguments, false, c.showCommand);
        ASSERT_TRUE(wizard.Started());
        HWND form = WaitForWizard(wizard, kWindowTimeoutMs);
        ASSERT_NE(form, nullptr) << "no wizard window";
        EXPECT_FALSE(IsIconic(form)) << c.arguments;

        EXPECT_EQ(WindowText(WelcomeLabel(form)), Text(TextId::Welcome, c.language)) << c.arguments;
        RECT window{}, client{};
        GetWindowRect(form, &window);
        GetClientRect(form, &client);
        EXPECT_EQ(window.right - window.left, 459);
        EXPECT_EQ(window.bottom - window.top, 533);
        EXPECT_EQ(client.right, 459);
        EXPECT_EQ(client.bottom, 533);
        EXPECT_EQ(GetWindowLongW(form, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), 0);
        EXPECT_TRUE(GetClassLongW(form, GCL_STYLE) & CS_DROPSHADOW);
        const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
        EXPECT_NEAR(window.left + 459 / 2, screenWidth / 2, 2);

        HWND close = GetDlgItem(form, kButtonClose);
        RECT closeRect{};
        GetWindowRect(close, &closeRect);
        EXPECT_EQ(closeRect.left - window.left, 427);
        EXPECT_EQ(closeRect.top - window.top, 0);
        EXPECT_EQ(closeRect.right, window.right);

        PressClose(form);
        EXPECT_EQ(wizard.WaitForExit(kWindowTimeoutMs), 0u);
    }
}

TEST(Program, ASecondInstanceEndsAtOnceWithoutAWindowAndLeavesTheFirstAlone) {
    TestProcess first(BuiltProgram(L"Mervane4Setup.exe"), L"/ru");
    HWND form = WaitForWizard(first, kWindowTimeoutMs);
    ASSERT_NE(form, nullptr);

    for (const wchar_t* arguments : {L"", L"/de"}) {
        TestProcess second(BuiltProgram(L"Mervane4Setup.exe"), arguments);
        ASSERT_TRUE(second.Started());
        EXPECT_EQ(second.WaitForExit(1000), 0u) << "second instance still running or failed";
        EXPECT_EQ(CountTopLevelWindows(second.Id()), 0);
    }
    EXPECT_EQ(CountWindowsTitled(L"FormMain"), 1);
    EXPECT_TRUE(IsWindowVisible(form));
    EXPECT_EQ(WindowText(WelcomeLabel(form)), Text(TextId::Welcome, Language::Russian));

    PostMessageW(form, WM_CLOSE, 0, 0);  // the way Alt+F4 and the taskbar close
    EXPECT_EQ(first.WaitForExit(kWindowTimeoutMs), 0u);

    // The guard went with the first instance: a new start runs normally.
    TestProcess third(BuiltProgram(L"Mervane4Setup.exe"), L"");
    HWND thirdForm = WaitForWizard(third, kWindowTimeoutMs);
    ASSERT_NE(thirdForm, nullptr);
    PressClose(thirdForm);
    EXPECT_EQ(third.WaitForExit(kWindowTimeoutMs), 0u);
}

TEST(Program, TwoStartsAtTheSameMomentGiveOneWizard) {
    TestProcess first(BuiltProgram(L"Mervane4Setup.exe"), L"", true);
    TestProcess second(BuiltProgram(L"Mervane4Setup.exe"), L"", true);
    first.Resume();
    second.Resume();
    DWORD firstCode = STILL_ACTIVE, secondCode = STILL_ACTIVE;
    for (const ULONGLONG end = GetTickCount64() + kWindowTimeoutMs;
         firstCode == STILL_ACTIVE && secondCode == STILL_ACTIVE && GetTickCount64() < end;) {
        firstCode = first.WaitForExit(20);
        secondCode = second.WaitForExit(20);
    }
    TestProcess& running = firstCode == STILL_ACTIVE ? first : second;
    EXPECT_EQ(firstCode == STILL_ACTIVE ? secondCode : firstCode, 0u) << "neither or both ended";
    HWND form = WaitForWizard(running, kWindowTimeoutMs);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(CountWindowsTitled(L"FormMain"), 1);
    PressClose(form);
    EXPECT_EQ(running.WaitForExit(kWindowTimeoutMs), 0u);

    const std::wstring guard = L"Mervane test guard " + std::to_wstring(GetCurrentProcessId());
    EXPECT_TRUE(ClaimSingleInstance(guard.c_str()));
    EXPECT_FALSE(ClaimSingleInstance(guard.c_str()));
}

// ---- the embedded resources, as the platform sees them in the built program

class Resources : public testing::Test {
protected:
    static std::vector<BYTE> Bytes(const wchar_t* type, const wchar_t* name) {
        std::span<const BYTE> bytes = EmbeddedResource(BuiltProgramResources(), type, name);
        return {bytes.begin(), bytes.end()};
    }
    // A bitmap's pixels as 0x00RRGGBB, the top row first.
    static std::vector<DWORD> Pixels(HBITMAP bitmap, SIZE size) {
        std::vector<DWORD> pixels(static_cast<size_t>(size.cx) * size.cy);
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), size.cx, -size.cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        HDC screen = GetDC(nullptr);
        GetDIBits(screen, bitmap, 0, static_cast<UINT>(size.cy), pixels.data(), &info, DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
        for (DWORD& pixel : pixels) pixel &= 0xFFFFFF;
        return pixels;
    }
    static std::vector<bool> LitPixels(HBITMAP bitmap, SIZE size) {
        std::vector<bool> lit;
        for (DWORD pixel : Pixels(bitmap, size)) lit.push_back(pixel != 0);
        return lit;
    }
    // The program's icon at `size`, drawn over purple.
    static std::vector<DWORD> IconOverPurple(int size) {
        HICON icon = static_cast<HICON>(LoadImageW(BuiltProgramResources(), L"MAINICON", IMAGE_ICON, size, size, 0));
        HDC screen = GetDC(nullptr);
        UniqueBitmap canvas(CreateCompatibleBitmap(screen, size, size));
        {
            const OffscreenCanvas drawing(screen, canvas.get());
            const UniqueBrush purple(CreateSolidBrush(kPurple));
            const RECT all{0, 0, size, size};
            FillRect(drawing.dc(), &all, purple.get());
            if (icon) DrawIconEx(drawing.dc(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
        }
        ReleaseDC(nullptr, screen);
        if (icon) DestroyIcon(icon);
        return Pixels(canvas.get(), SIZE{size, size});
    }
    static constexpr COLORREF kPurple = RGB(128, 0, 128);  // the same in 0x00RRGGBB
};

TEST_F(Resources, TheWaitAnimationDecodesThroughThePlatformDecoder) {
    ASSERT_NE(BuiltProgramResources(), nullptr);
    std::vector<BYTE> gif = Bytes(RT_RCDATA, L"GIF_PROGRESS");
    ASSERT_GE(gif.size(), 6u);
    EXPECT_EQ(std::string(gif.begin(), gif.begin() + 6), "GIF89a");
    auto animation = WaitAnimation::Decode(gif);
    ASSERT_NE(animation, nullptr);
    EXPECT_EQ(animation->Size().cx, 83);
    EXPECT_EQ(animation->Size().cy, 28);
    ASSERT_EQ(animation->FrameCount(), 40u);
    for (size_t i = 0; i < animation->FrameCount(); ++i) {
        EXPECT_EQ(animation->DelayMs(i), 120u) << "frame " << i;
        BITMAP frame{};
        ASSERT_TRUE(GetObjectW(animation->Frame(i), sizeof frame, &frame));
        EXPECT_EQ(frame.bmWidth, 83);
    }
    EXPECT_TRUE(animation->LoopsForever());
    // After the first frame only what changes is stored, each frame kept under the next: as the
    // platform composes them, every frame shows all the dots; only their brightness moves.
    const std::vector<bool> dots = LitPixels(animation->Frame(0), animation->Size());
    ASSERT_NE(std::count(dots.begin(), dots.end(), true), 0);
    for (size_t i = 1; i < animation->FrameCount(); ++i)
        EXPECT_TRUE(LitPixels(animation->Frame(i), animation->Size()) == dots) << "frame " << i;
}

// The text of a UTF-8 source file with CRLF line ends, as the program shows it.
std::wstring SourceText(const char* path) {
    std::ifstream file(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::wstring wide(bytes.size(), L'\0');
    wide.resize(static_cast<size_t>(
        MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), static_cast<int>(wide.size()))));
    if (wide.starts_with(L'\uFEFF')) wide.erase(0, 1);
    std::wstring text;
    for (wchar_t c : wide) {
        if (c == L'\n') text += L'\r';
        if (c != L'\r') text += c;
    }
    return text;
}

TEST_F(Resources, TheAgreementsAreTheirTextsInTheirEncodings) {
    struct Agreement {
        Language language;
        const wchar_t* name;
        const char* source;
        size_t bytesPerCharacter;  // Windows-1252, or UTF-16LE behind its mark
    };
    for (Agreement a : {Agreement{Language::English, L"EULA_EN", MERVANE_EULA_EN, 1},
                        Agreement{Language::German, L"EULA_DE", MERVANE_EULA_DE, 1},
                        Agreement{Language::Russian, L"EULA_RU", MERVANE_EULA_RU, 2}}) {
        const std::optional<std::wstring> text = AgreementTextIn(BuiltProgramResources(), kAgreementResources, a.language);
        ASSERT_TRUE(text.has_value()) << a.name;
        const std::wstring source = SourceText(a.source);
        ASSERT_GT(source.size(), 100u) << a.source;
        EXPECT_TRUE(*text == source) << a.name;
        const std::vector<BYTE> stored = ExpandedResource(BuiltProgramResources(), RT_RCDATA, a.name);
        const size_t mark = a.bytesPerCharacter == 2 ? 2 : 0;
        EXPECT_EQ(stored.size(), mark + source.size() * a.bytesPerCharacter) << a.name;
        EXPECT_EQ(stored[0] == 0xFF && stored[1] == 0xFE, a.bytesPerCharacter == 2) << a.name;
    }
}

TEST_F(Resources, TheShortcutAndTheExpertAreThoseTheBuildWasGiven) {
    std::vector<BYTE> link = Bytes(L"EXEFILE", L"LINK");
    std::ifstream built(MERVANE_LINK_FILE, std::ios::binary);
    std::vector<BYTE> expected((std::istreambuf_iterator<char>(built)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(link, expected);
    const std::string text(link.begin(), link.end());
    EXPECT_EQ(text.rfind("[{000214A0-0000-0000-C000-000000000046}]\r\nProp3=19,2\r\n[InternetShortcut]\r\nURL=", 0), 0u);
    EXPECT_EQ(text.substr(text.size() - 11), "\r\nIDList=\r\n");
    for (BYTE b : link) EXPECT_TRUE(b < 0x80);

    EXPECT_EQ(Bytes(L"EXEFILE", L"EXPERT").size(), static_cast<size_t>(MERVANE_EXPERT_SIZE));
    EXPECT_EQ(Bytes(L"exefile", L"expert").size(), static_cast<size_t>(MERVANE_EXPERT_SIZE));
}

TEST_F(Resources, TheImagesHaveTheirSizes) {
    struct Expected {
        const wchar_t* name;
        int width, height;
    };
    for (Expected e : {Expected{L"LOGO", 78, 84}, Expected{L"BANNER", 88, 16}, Expected{L"CLOSEGLYPH", 32, 32}}) {
        HBITMAP bitmap = BitmapFromPackedDib(ExpandedResource(BuiltProgramResources(), RT_RCDATA, e.name));
        ASSERT_NE(bitmap, nullptr) << e.name;
        BITMAP info{};
        GetObjectW(bitmap, sizeof info, &info);
        EXPECT_EQ(info.bmWidth, e.width) << e.name;
        EXPECT_EQ(info.bmHeight, e.height) << e.name;
        DeleteObject(bitmap);
    }
    // The pixels are read after the colour table, top row first: a black corner, the purple disc.
    const std::vector<BYTE> logo = ExpandedResource(BuiltProgramResources(), RT_RCDATA, L"LOGO");
    HBITMAP bitmap = BitmapFromPackedDib(logo);
    const std::vector<DWORD> pixels = Pixels(bitmap, {78, 84});
    DeleteObject(bitmap);
    EXPECT_EQ(pixels[0], 0u);
    const DWORD disc = pixels[10 * 78 + 39];
    EXPECT_TRUE(GetRValue(disc) > 100 && GetGValue(disc) < 60 && GetBValue(disc) > 100) << std::hex << disc;
    // Bytes that are not a whole uncompressed picture give none.
    auto changed = [&logo](size_t offset, BYTE value) {
        std::vector<BYTE> copy = logo;
        copy[offset] = value;
        return copy;
    };
    const std::vector<BYTE> broken[] = {{logo.begin(), logo.end() - 1}, {logo.begin(), logo.begin() + 39},
                                        changed(0, 12), changed(16, BI_RLE8), changed(14, 3), changed(33, 1)};
    for (const std::vector<BYTE>& bytes : broken) EXPECT_EQ(BitmapFromPackedDib(bytes), nullptr) << bytes.size();
    // The icon's black corners let what lies beneath show; its white mark does not.
    for (int size : {16, 24, 32, 48}) {
        const std::vector<DWORD> drawn = IconOverPurple(size);
        EXPECT_EQ(drawn.front(), kPurple) << size;
        EXPECT_EQ(drawn[static_cast<size_t>(size) * size / 2 + size / 2], 0xFFFFFFu) << size;
    }
    EXPECT_NE(FindResourceW(BuiltProgramResources(), L"MAINICON", RT_GROUP_ICON), nullptr);
    EXPECT_NE(FindResourceW(BuiltProgramResources(), MAKEINTRESOURCEW(1), RT_MANIFEST), nullptr);
}

}  // namespace
