// The controls of controls/: the tick list's rows on a window of its own, the wait
// animation's decoding of what is no animation, and a drag on the wizard's passive background.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "controls/check_list_box.h"
#include "controls/wait_animation.h"
#include "wizard/wizard_ids.h"
#include "wizard_driver.h"

namespace {

using Page = WizardPage;

// A top-level window that keeps the tick list's change notices.
struct ListHost {
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_COMMAND && HIWORD(wParam) == CheckListBox::kClickCheck) ++clicks;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    ListHost() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = Procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"CheckListHost";
        RegisterClassW(&windowClass);
        window = CreateWindowExW(0, L"CheckListHost", L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        list = CheckListBox::Create(window, 7);
        clicks = 0;
    }
    ~ListHost() { DestroyWindow(window); }
    HWND window = nullptr;
    CheckListBox* list = nullptr;
    static inline int clicks = 0;
};

TEST(CheckListBox, KeepsRowsInOrderFindsWholeTextsInAnyCaseAndTellsOnlyTheUsersTicks) {
    ListHost host;
    ASSERT_NE(host.list, nullptr);
    EXPECT_EQ(host.list->Add(L"D:\\Terminal"), 0);
    EXPECT_EQ(host.list->Add(L"C:\\Terminal"), 1);  // not sorted
    EXPECT_EQ(host.list->Add(L"C:\\Terminal 2"), 2);
    EXPECT_EQ(host.list->Count(), 3);
    EXPECT_EQ(host.list->Text(1), L"C:\\Terminal");
    EXPECT_EQ(host.list->Text(5), L"");
    EXPECT_EQ(host.list->IndexOfExact(L"c:\\terminal"), 1);
    EXPECT_EQ(host.list->IndexOfExact(L"C:\\Term"), -1);
    EXPECT_EQ(host.list->IndexOfExact(L"C:\\Terminal 2"), 2);
    for (int row = 0; row < 3; ++row) EXPECT_FALSE(host.list->Checked(row)) << row;

    host.list->SetChecked(2, true);
    EXPECT_TRUE(host.list->Checked(2));
    EXPECT_EQ(ListHost::clicks, 0);

    // Space ticks the row with the focus and tells the parent; a typed blank does nothing.
    host.list->SetSelected(0);
    SendMessageW(host.list->Handle(), WM_KEYDOWN, VK_SPACE, 0);
    SendMessageW(host.list->Handle(), WM_CHAR, L' ', 0);
    EXPECT_TRUE(host.list->Checked(0));
    EXPECT_EQ(ListHost::clicks, 1);

    host.list->Clear();
    EXPECT_EQ(host.list->Count(), 0);
    EXPECT_EQ(host.list->IndexOfExact(L"D:\\Terminal"), -1);
    // Space on an empty list ticks nothing and tells nothing.
    SendMessageW(host.list->Handle(), WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(ListHost::clicks, 1);
}

// A 1x1 picture, one frame, no delay stored.
const std::vector<BYTE> kOnePixelGif = {
    'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x2C, 0, 0, 0, 0,
    1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0, 0x3B};

TEST(WaitAnimation, DecodesAStillPictureAsOneFrameAndWhatIsNoPictureAsNothing) {
    const auto still = WaitAnimation::Decode(kOnePixelGif);
    ASSERT_NE(still, nullptr);
    EXPECT_EQ(still->Size().cx, 1);
    EXPECT_EQ(still->Size().cy, 1);
    ASSERT_EQ(still->FrameCount(), 1u);
    EXPECT_NE(still->Frame(0), nullptr);
    EXPECT_EQ(still->DelayMs(0), 0u);
    EXPECT_FALSE(still->LoopsForever());

    EXPECT_EQ(WaitAnimation::Decode({}), nullptr);
    const std::string text = "GIF? no, a text file that starts like one";
    EXPECT_EQ(WaitAnimation::Decode(std::span(reinterpret_cast<const BYTE*>(text.data()), text.size())), nullptr);
    const std::vector<BYTE> headerOnly(kOnePixelGif.begin(), kOnePixelGif.begin() + 6);
    EXPECT_EQ(WaitAnimation::Decode(headerOnly), nullptr);
    EXPECT_EQ(WaitAnimation::FromResource(L"NO_SUCH_ANIMATION"), nullptr);
}

// Drags from `from` by (dx, dy) with the left button; returns how far the window moved.
POINT Drag(HWND window, POINT from, int dx, int dy) {
    RECT before, after;
    GetWindowRect(window, &before);
    WizardDriver::MouseTo(from);
    WizardDriver::MouseTo(from, MOUSEEVENTF_LEFTDOWN);
    WizardDriver::MouseTo(POINT{from.x + dx / 2, from.y + dy / 2});
    WizardDriver::MouseTo(POINT{from.x + dx, from.y + dy});
    WizardDriver::MouseTo(POINT{from.x + dx, from.y + dy}, MOUSEEVENTF_LEFTUP);
    Sleep(200);
    GetWindowRect(window, &after);
    return POINT{after.left - before.left, after.top - before.top};
}

TEST(Drag, ThePassiveBackgroundMovesTheWindowAndTheButtonsDoNot) {
    WizardDriver wizard;
    ASSERT_TRUE(wizard.Started());
    wizard.Front();
    for (int id : {kLogo, kAppName, kWelcomeText}) {
        const POINT moved = Drag(wizard.Form(), ScreenCenterOf(wizard.Control(id)), 40, 30);
        EXPECT_EQ(moved.x, 40) << id;
        EXPECT_EQ(moved.y, 30) << id;
    }
    // A press on Next, dragged away and released outside: no move, and no click either.
    const POINT moved = Drag(wizard.Form(), ScreenCenterOf(wizard.Button(kButtonNext)), -200, -150);
    EXPECT_EQ(moved.x, 0);
    EXPECT_EQ(moved.y, 0);
    EXPECT_TRUE(wizard.Showing(Page::Welcome));
}

}  // namespace
