// One file for the wizard window as a person uses it: layout, page flow and the whole run share
// the driven window and its fixture, and split across files they would each start it again.
#include <gtest/gtest.h>
#include <windows.h>
#include <oleacc.h>
#include <shlobj.h>
#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iostream>
#include <iterator>
#include <set>

#include "controls/page_control.h"
#include "file_helpers.h"
#include "flat/colors.h"
#include "machine.h"
#include "metatrader/product_registration.h"
#include "standin_driver.h"
#include "texts/agreement.h"
#include "texts/texts.h"
#include "win32/dpi.h"
#include "win32/embedded_resource.h"
#include "win32/folder_browser.h"
#include "win32/folder_list.h"
#include "win32/path_rules.h"
#include "win32/shell_folders.h"
#include "wizard/page_layout.h"
#include "wizard_driver.h"

namespace {

using Page = WizardPage;

std::wstring Text(HWND control) { return WindowText(control); }

RECT RectIn(HWND control, HWND parent) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void ExpectRect(HWND control, HWND parent, int left, int top, int width, int height, double scale = 1.0) {
    const RECT r = RectIn(control, parent);
    EXPECT_NEAR(r.left, left * scale, 1) << GetDlgCtrlID(control);
    EXPECT_NEAR(r.top, top * scale, 1) << GetDlgCtrlID(control);
    EXPECT_NEAR(r.right - r.left, width * scale, 1) << GetDlgCtrlID(control);
    EXPECT_NEAR(r.bottom - r.top, height * scale, 1) << GetDlgCtrlID(control);
}

// Pages are shown first and filled in next: a text is awaited, not read at once.
bool TextBecomes(HWND control, const std::wstring& text) {
    return WizardDriver::WaitUntil([&] { return WindowText(control) == text; }, 3000);
}

bool Enabled(HWND window) { return IsWindowEnabled(window) != FALSE; }
bool Visible(HWND window) { return IsWindowVisible(window) != FALSE; }
bool Ticked(HWND list, int row) { return SendMessageW(list, LB_GETITEMDATA, static_cast<WPARAM>(row), 0) == 1; }
bool Checked(HWND box) { return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

// Wizards started while it lives see a display of 144 dpi (150 %).
struct DisplayAt144Dpi {
    DisplayAt144Dpi() { Set(144); }
    ~DisplayAt144Dpi() { Set(96); }
    static void Set(DWORD dpi) {
        HKEY desktop = nullptr;
        RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, KEY_ALL_ACCESS, &desktop);
        RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
        RegCloseKey(desktop);
    }
};
constexpr char kNo144Dpi[] = "this Wine keeps its dpi for the session; the 144-dpi layout is not reachable";

// What the screen shows of a window, pixel for pixel, in the window's own coordinates.
class ScreenPicture {
public:
    explicit ScreenPicture(HWND window) {
        GetWindowRect(window, &rect_);
        const int width = rect_.right - rect_.left, height = rect_.bottom - rect_.top;
        pixels_.resize(static_cast<size_t>(width) * height);
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, rect_.left, rect_.top, SRCCOPY);
        SelectObject(memory, old);
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels_.data(), &info, DIB_RGB_COLORS);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
    }
    COLORREF At(int x, int y) const {
        const DWORD p = pixels_[static_cast<size_t>(y) * (rect_.right - rect_.left) + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    // The rows from `top` to `bottom` (exclusive).
    std::vector<DWORD> Rows(int top, int bottom) const {
        const size_t width = static_cast<size_t>(rect_.right - rect_.left);
        return std::vector<DWORD>(pixels_.begin() + top * width, pixels_.begin() + bottom * width);
    }
    // Whether any pixel in the rows from `top` to `bottom` (exclusive) differs from `colour`.
    bool RowsOtherThan(COLORREF colour, int top, int bottom) const {
        for (int y = top; y < bottom; ++y)
            for (int x = 0; x < rect_.right - rect_.left; ++x)
                if (At(x, y) != colour) return true;
        return false;
    }

private:
    RECT rect_;
    std::vector<DWORD> pixels_;
};

// ---- layout

BOOL CALLBACK CollectId(HWND child, LPARAM ids) {
    reinterpret_cast<std::multiset<int>*>(ids)->insert(GetDlgCtrlID(child));
    return TRUE;
}

TEST(Layout, EveryControlStandsWhereThePageTablesSay) {
    WizardDriver wizard;
    ASSERT_TRUE(wizard.Started());
    HWND form = wizard.Form();
    RECT client;
    GetClientRect(form, &client);
    EXPECT_EQ(client.right, 459);
    EXPECT_EQ(client.bottom, 533);
    ExpectRect(wizard.Button(kButtonClose), form, 427, 0, 32, 32);
    ExpectRect(wizard.Button(kButtonNext), form, 333, 477, 105, 37);
    ExpectRect(wizard.Button(kButtonBack), form, 216, 477, 105, 37);
    ExpectRect(wizard.Control(kLogo), form, 20, 10, 78, 84);
    ExpectRect(wizard.Control(kBanner), form, 105, 20, 88, 16);
    const RECT name = RectIn(wizard.Control(kAppName), form);
    EXPECT_EQ(name.left, 110);
    EXPECT_EQ(name.top, 40);
    EXPECT_TRUE(TextBecomes(wizard.Control(kAppName), L"Mervane"));
    ExpectRect(wizard.Control(kPageControl), form, 0, 100, 459, 350);

    // Each page covers the page area whole: no tab and no border shows.
    for (Page page : {Page::Welcome, Page::Wait, Page::Folders, Page::Agreement, Page::Installing, Page::Finished}) {
        const RECT sheet = RectIn(wizard.Sheet(page), wizard.Control(kPageControl));
        EXPECT_LE(sheet.left, 0);
        EXPECT_LE(sheet.top, 0);
        EXPECT_GE(sheet.right, 459);
        EXPECT_GE(sheet.bottom, 350);
    }
    auto inPage = [&](int id, Page page, int left, int top, int width, int height) {
        ExpectRect(wizard.Control(id), wizard.Sheet(page), left, top, width, height);
    };
    inPage(kWelcomeText, Page::Welcome, 20, 20, 419, 52);
    inPage(kWaitText, Page::Wait, 20, 20, 419, 52);  // its image: when it first shows (Flow)
    inPage(kFoldersText, Page::Folders, 20, 20, 419, 52);
    inPage(kFolderList, Page::Folders, 20, 90, 301, 138);
    inPage(kAddFolderButton, Page::Folders, 20, 295, 205, 37);
    inPage(kAgreementText, Page::Agreement, 20, 20, 419, 68);
    inPage(kAgreementMemo, Page::Agreement, 20, 90, 419, 194);
    inPage(kInstallingText, Page::Installing, 20, 20, 419, 52);
    inPage(kStatusLine, Page::Installing, 20, 100, 419, 36);
    inPage(kFinishedText, Page::Finished, 20, 20, 419, 52);
    EXPECT_EQ(SendMessageW(wizard.Control(kFolderList), LB_GETITEMHEIGHT, 0, 0), 20);

    // The agreement boxes are as wide as their captions plus 24.
    for (int id : {kAcceptBox, kRejectBox}) {
        HWND box = wizard.AgreementBox(id);
        const RECT r = RectIn(box, wizard.Sheet(Page::Agreement));
        EXPECT_EQ(r.left, 20);
        EXPECT_EQ(r.top, id == kAcceptBox ? 300 : 330);
        EXPECT_LT(r.right - r.left, 419);
    }

    // Every control has an id of its own in the window: commands are told apart by it.
    std::multiset<int> ids;
    EnumChildWindows(form, CollectId, reinterpret_cast<LPARAM>(&ids));
    for (int id : ids) EXPECT_EQ(ids.count(id), 1u) << id;
}

TEST(Layout, ScalesWithTheDisplay) {
    DisplayAt144Dpi display;
    WizardDriver wizard;
    ASSERT_TRUE(wizard.Started());
    RECT client;
    GetClientRect(wizard.Form(), &client);
    if (client.right == 459) GTEST_SKIP() << kNo144Dpi;
    constexpr double kScale = 1.5;
    EXPECT_NEAR(client.right, 459 * kScale, 1);
    EXPECT_NEAR(client.bottom, 533 * kScale, 1);
    ExpectRect(wizard.Button(kButtonClose), wizard.Form(), 427, 0, 32, 32, kScale);
    ExpectRect(wizard.Button(kButtonNext), wizard.Form(), 333, 477, 105, 37, kScale);
    ExpectRect(wizard.Control(kPageControl), wizard.Form(), 0, 100, 459, 350, kScale);
    ExpectRect(wizard.Control(kFolderList), wizard.Sheet(Page::Folders), 20, 90, 301, 138, kScale);
    ExpectRect(wizard.Control(kAgreementMemo), wizard.Sheet(Page::Agreement), 20, 90, 419, 194, kScale);
}

// Until its queue first drains, the window paints the Welcome page itself; the controls that
// then take over paint the very same pixels, so the change cannot be seen. The traced twin
// keeps both pictures, read from the window itself.
TEST(Layout, TheControlsTakeOverTheWindowsOwnPictureUnseen) {
    for (auto [language, dpi] : {std::pair{L"/en", 96}, {L"/ru", 96}, {L"/de", 144}}) {
        DisplayAt144Dpi::Set(dpi);
        TempTree folder;
        const std::wstring path = folder.Path(L"pictures");
        SetEnvironmentVariableW(L"MERVANE_PICTURES", path.c_str());
        WizardDriver wizard(language, L"startup_trace.exe");
        SetEnvironmentVariableW(L"MERVANE_PICTURES", nullptr);
        DisplayAt144Dpi::Set(96);
        ASSERT_TRUE(wizard.Started());
        RECT client;
        GetClientRect(wizard.Form(), &client);
        const size_t size = static_cast<size_t>(client.right) * client.bottom * 4;
        PostMessageW(wizard.Form(), WM_NULL, 0, 0);  // the later picture is taken on it
        std::string pictures;
        WizardDriver::WaitUntil([&] { return (pictures = ReadBytes(path)).size() == 2 * size; }, 5000);
        ASSERT_EQ(pictures.size(), 2 * size) << "no picture before the controls were made";
        const size_t differs = std::mismatch(pictures.begin(), pictures.begin() + size, pictures.begin() + size).first -
                               pictures.begin();
        EXPECT_EQ(differs, size) << Narrow(language) << " at " << client.right << " wide: first at x "
                                 << differs / 4 % client.right << ", y " << differs / 4 / client.right;
        // The window's own picture holds the Welcome text, not only the black page.
        const auto* pixels = reinterpret_cast<const DWORD*>(pictures.data());
        const int top = client.bottom * 118 / 533, bottom = client.bottom * 140 / 533;
        EXPECT_LT(std::count(pixels + top * client.right, pixels + bottom * client.right, 0u),
                  (bottom - top) * client.right);
    }
}

// A wizard caught while it still paints the Welcome page itself, or null when it made its
// controls before the poll saw it.
HWND WindowBeforeItsControls(const TestProcess& wizard) {
    for (const ULONGLONG end = GetTickCount64() + 15000; GetTickCount64() < end; Sleep(1)) {
        HWND form = FindWindowW(L"TFormMain", L"FormMain");
        DWORD owner = 0;
        if (form) GetWindowThreadProcessId(form, &owner);
        if (owner == wizard.Id() && IsWindowVisible(form)) return GetDlgItem(form, kButtonClose) ? nullptr : form;
    }
    return nullptr;
}

// What a person or a screen reader does to the painted page acts as on its controls: a click
// on the painted Next or a Space goes on, a click on the painted close button ends the wizard,
// and a reader's first question finds the controls made.
TEST(Flow, ThePaintedWelcomePageActsAsItsControls) {
    enum class Act { ClickNext, Space, ClickClose, AskForObject };
    for (const Act act : {Act::ClickNext, Act::Space, Act::ClickClose, Act::AskForObject}) {
        for (int attempt = 0; attempt < 5; ++attempt) {
            TestProcess wizard(BuiltProgram(L"Mervane4Setup.exe"), L"/en");
            HWND form = WindowBeforeItsControls(wizard);
            if (!form) continue;
            if (act == Act::ClickNext || act == Act::ClickClose) {
                const RECT bounds =
                    ControlBounds(RowOf(act == Act::ClickNext ? kButtonNext : kButtonClose), DpiOfWindow(form));
                POINT middle{(bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2};
                ClientToScreen(form, &middle);
                WizardDriver::MouseTo(middle, MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP);
            } else if (act == Act::Space) {
                // Keys go to the window in front: not before it is shown and activated.
                WizardDriver::WaitUntil([&] { return GetForegroundWindow() == form; }, 2000);
                INPUT keys[2]{{.type = INPUT_KEYBOARD}, {.type = INPUT_KEYBOARD}};
                keys[0].ki.wVk = keys[1].ki.wVk = VK_SPACE;
                keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
                SendInput(2, keys, sizeof(INPUT));
            } else {
                SendMessageTimeoutW(form, WM_GETOBJECT, 0, OBJID_CLIENT, SMTO_NORMAL, 5000, nullptr);
                EXPECT_NE(GetDlgItem(form, kButtonNext), nullptr) << "answered before the controls were made";
            }
            if (act == Act::ClickClose) {
                EXPECT_EQ(wizard.WaitForExit(5000), 0u) << "the painted close button";
            } else if (act != Act::AskForObject) {
                const int folders = PageControl::kFirstSheetId + static_cast<int>(WizardPage::Folders);
                EXPECT_TRUE(WizardDriver::WaitUntil(
                    [&] { return IsWindowVisible(GetDlgItem(GetDlgItem(form, kPageControl), folders)) != FALSE; }, 5000))
                    << "act " << static_cast<int>(act);
            }
            PostMessageW(form, WM_CLOSE, 0, 0);
            wizard.WaitForExit(5000);
            break;
        }
    }
}

// ---- the page flow

TEST(Flow, WelcomeFoldersBackAndTicksSteerNext) {
    Machine machine;
    const std::wstring a = machine.AddTerminal(L"Terminal A");
    const std::wstring b = machine.AddTerminal(L"Terminal B", true, true);
    // Terminals running from their folders: one that no uninstall entry lists, and B, which
    // the registry lists already (with its trailing backslash).
    const std::wstring portable = machine.AddTerminal(L"Portable", false);
    const StandInTerminal runningPortable(L"", portable), runningB(L"", b);
    ASSERT_TRUE(runningPortable.Window() && runningB.Window());
    WizardDriver wizard(L"/de");
    ASSERT_TRUE(wizard.Started());
    HWND next = wizard.Button(kButtonNext), back = wizard.Button(kButtonBack);
    EXPECT_TRUE(wizard.Showing(Page::Welcome));
    EXPECT_TRUE(TextBecomes(wizard.Control(kWelcomeText), ::Text(TextId::Welcome, Language::German)));
    EXPECT_TRUE(Visible(next) && Enabled(next));
    EXPECT_FALSE(Visible(back));
    EXPECT_TRUE(TextBecomes(next, L"&Weiter"));

    // Back's accelerator on the Welcome page: hidden, so nothing happens.
    wizard.Type(L'z', true);
    wizard.Click(next);
    ASSERT_TRUE(wizard.WaitFor(Page::Folders));
    EXPECT_TRUE(TextBecomes(wizard.Control(kFoldersText), ::Text(TextId::Folders, Language::German)));
    EXPECT_TRUE(TextBecomes(wizard.Control(kAddFolderButton), L"&Verzeichnis hinzufügen."));
    HWND list = wizard.Control(kFolderList);
    ASSERT_TRUE(WizardDriver::WaitUntil([&] { return wizard.ListCount() >= 3; }, 5000));
    int rowA = -1, rowB = -1, rowPortable = -1, rowsOfB = 0;
    for (int i = 0; i < wizard.ListCount(); ++i) {
        if (wizard.ListText(i) == a) rowA = i;
        if (wizard.ListText(i) == b + L"\\") rowB = i;
        if (wizard.ListText(i) == portable) rowPortable = i;
        if (SameFolderIgnoringCase(WithoutTrailingSeparator(wizard.ListText(i)), b)) ++rowsOfB;
    }
    ASSERT_GE(rowA, 0);
    ASSERT_GE(rowB, 0) << "the trailing backslash is kept";
    EXPECT_GT(rowPortable, std::max(rowA, rowB)) << "a running terminal's folder follows the registry's rows";
    EXPECT_EQ(rowsOfB, 1) << "a running terminal that the registry lists is listed once";
    EXPECT_FALSE(Ticked(list, rowA) || Ticked(list, rowB) || Ticked(list, rowPortable));
    EXPECT_FALSE(Enabled(next));
    EXPECT_TRUE(Visible(back));

    wizard.ClickListRow(rowA);
    ASSERT_TRUE(WizardDriver::WaitUntil([&] { return Ticked(list, rowA); }, 5000));
    EXPECT_TRUE(WizardDriver::WaitUntil([&] { return Enabled(next); }, 5000));
    wizard.ClickListRow(rowA);
    EXPECT_TRUE(WizardDriver::WaitUntil([&] { return !Enabled(next); }, 5000));
    EXPECT_FALSE(Ticked(list, rowA));

    // Ticks given before Back are lost: nothing was carried forward with Next.
    wizard.ClickListRow(rowB);
    ASSERT_TRUE(WizardDriver::WaitUntil([&] { return Enabled(next); }, 5000));
    wizard.Click(back);
    ASSERT_TRUE(wizard.WaitFor(Page::Welcome));
    wizard.Click(next);
    ASSERT_TRUE(wizard.WaitFor(Page::Folders));
    EXPECT_TRUE(WizardDriver::WaitUntil([&] { return !Ticked(list, rowB) && !Enabled(next); }, 5000));
}

TEST(Flow, TheAgreementBoxesExcludeEachOtherAndSteerNext) {
    Machine machine;
    const std::wstring a = machine.AddTerminal(L"Terminal A");
    WizardDriver wizard;
    ASSERT_TRUE(wizard.Started());
    HWND next = wizard.Button(kButtonNext);
    ASSERT_TRUE(wizard.ToFolders(1));
    for (int i = 0; i < wizard.ListCount(); ++i)
        if (wizard.ListText(i) == a) wizard.ClickListRow(i);
    ASSERT_TRUE(WizardDriver::WaitUntil([&] { return Enabled(next); }, 5000));
    const ULONGLONG leftFolders = GetTickCount64();
    wizard.Click(next);
    ASSERT_TRUE(WizardDriver::WaitUntil([&] { return wizard.Showing(Page::Wait); }, 5000));
    // The animation is decoded, and the image sized to it, before the Wait page first shows.
    ExpectRect(wizard.Control(kWaitAnimation), wizard.Sheet(Page::Wait), 188, 140, 83, 28);
    EXPECT_TRUE(WizardDriver::WaitUntil(
        [&] { return !Visible(next) && !Visible(wizard.Button(kButtonBack)); }, 3000));
    // Next's accelerator while it is hidden does nothing.
    wizard.Type(L'n', true);
    ASSERT_TRUE(wizard.WaitFor(Page::Agreement));
    EXPECT_GE(GetTickCount64() - leftFolders, 1000u) << "the Wait page stays up for a second";

    HWND accept = wizard.AgreementBox(kAcceptBox);
    HWND reject = wizard.AgreementBox(kRejectBox);
    EXPECT_TRUE(TextBecomes(accept, ::Text(TextId::Accept, Language::English)));
    EXPECT_FALSE(Enabled(next));
    auto state = [&] { return std::tuple{Checked(accept), Checked(reject), Enabled(next)}; };
    auto settle = [&](std::tuple<bool, bool, bool> wanted) {
        return WizardDriver::WaitUntil([&] { return state() == wanted; }, 5000);
    };
    for (auto [box, wanted] : {std::pair{accept, std::tuple{true, false, true}}, {reject, {false, true, false}},
                               {accept, {true, false, true}}, {accept, {false, false, false}},
                               {accept, {true, false, true}}}) {
        wizard.Click(box);
        EXPECT_TRUE(settle(wanted)) << (box == accept ? "accept" : "reject");
    }

    // Back rebuilds the Folders page with the selection ticked; the boxes keep their ticks.
    wizard.Click(wizard.Button(kButtonBack));
    ASSERT_TRUE(wizard.WaitFor(Page::Folders));
    EXPECT_TRUE(WizardDriver::WaitUntil([&] { return Enabled(next); }, 5000));
    wizard.Click(next);
    ASSERT_TRUE(wizard.WaitFor(Page::Agreement));
    EXPECT_TRUE(settle({true, false, true}));
}

// ---- end to end

class EndToEnd : public testing::Test {
protected:
    void SetUp() override {
        a_ = machine_.AddTerminal(L"Terminal A");
        b_ = machine_.AddTerminal(L"Terminal B", true, true);
        unselected_ = machine_.AddTerminal(L"Terminal C");
        dataA_ = machine_.AddDataFolder(a_);
        dataB_ = machine_.AddDataFolder(b_ + L"\\");  // the marker names it as it was registered
        dataC_ = machine_.AddDataFolder(unselected_);
        desktop_ = SpecialFolderPath(nullptr, CSIDL_DESKTOP);
        DeleteFileW((desktop_ + L"\\Mervane 4 User Guide.url").c_str());
        // The browser is a recorder that notes the address it is asked to open.
        record_ = machine_.Tree().Path(L"opened.txt");
        const std::wstring command = L"\"" + BuiltProgram(L"url_recorder.exe") + L"\" \"" + record_ + L"\" \"%1\"";
        for (const wchar_t* scheme : kSchemes) {
            wchar_t old[1024] = L"";
            DWORD size = sizeof old;
            RegGetValueW(HKEY_LOCAL_MACHINE, scheme, nullptr, RRF_RT_REG_SZ, nullptr, old, &size);
            browsers_.emplace_back(old);
            SetDefaultValue(scheme, command);
        }
    }
    void TearDown() override {
        for (size_t i = 0; i < browsers_.size(); ++i) SetDefaultValue(kSchemes[i], browsers_[i]);
    }
    static void SetDefaultValue(const wchar_t* keyPath, const std::wstring& value) {
        HKEY key = nullptr;
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * 2));
        RegCloseKey(key);
    }
    static constexpr const wchar_t* kSchemes[] = {L"Software\\Classes\\https\\shell\\open\\command",
                                                  L"Software\\Classes\\http\\shell\\open\\command"};
    std::vector<std::wstring> browsers_;
    // On the Folders page: ticks A and B.
    void TickAAndB(WizardDriver& wizard) {
        for (int i = 0; i < wizard.ListCount(); ++i)
            if (wizard.ListText(i) == a_ || wizard.ListText(i) == b_ + L"\\") wizard.ClickListRow(i);
        ASSERT_TRUE(WizardDriver::WaitUntil([&] { return Enabled(wizard.Button(kButtonNext)); }, 5000));
    }
    // Walks from Welcome to the Agreement page with A and B ticked, and accepts.
    void ToAgreement(WizardDriver& wizard) {
        HWND next = wizard.Button(kButtonNext);
        ASSERT_TRUE(wizard.ToFolders(3));
        TickAAndB(wizard);
        wizard.Click(next);
        ASSERT_TRUE(wizard.WaitFor(Page::Agreement));
        wizard.Click(wizard.AgreementBox(kAcceptBox));
        ASSERT_TRUE(WizardDriver::WaitUntil([&] { return Enabled(next); }, 5000));
    }
    void ToInstalling(WizardDriver& wizard) {
        ToAgreement(wizard);
        wizard.Click(wizard.Button(kButtonNext));
        ASSERT_TRUE(wizard.WaitFor(Page::Installing, 5000));
    }
    std::string OpenedAddresses() const { return ReadBytes(record_); }

    Machine machine_;
    std::wstring a_, b_, unselected_, dataA_, dataB_, dataC_, desktop_, record_;
};

TEST_F(EndToEnd, InstallsIntoEverySelectedFolderAndItsDataFolderAndNowhereElse) {
    const std::wstring experts = dataA_ + L"\\MQL4\\Experts";
    StandInTerminal terminal(L"--hidden-navigator \"--experts=" + experts + L"\"");
    WizardDriver wizard(L"/ru");
    ASSERT_TRUE(wizard.Started());
    HWND next = wizard.Button(kButtonNext), back = wizard.Button(kButtonBack);
    HWND addFolder = wizard.Control(kAddFolderButton);
    ASSERT_TRUE(wizard.ToFolders(3));

    // "&Далее" and "&Добавить MetaTrader 4" share their letter. Wine 8 turns a Unicode
    // letter typed with Alt held into another character (Alt's context bit lands in it:
    // U+2414 for Д), so Д is typed without Alt, from a button, where a typed letter is an
    // accelerator as well. While Next is disabled, the add-folder button alone owns it.
    wizard.Press(VK_TAB);
    ASSERT_TRUE(wizard.FocusBecomes(back));
    wizard.Type(L'Д');
    ASSERT_TRUE(WizardDriver::WaitUntil([&] { return wizard.FolderBrowser() != nullptr; }, 10000));
    wizard.Press(VK_ESCAPE);  // closes the browser alone: its release reaches the wizard, which acts on presses
    ASSERT_TRUE(WizardDriver::WaitUntil([&] { return !wizard.FolderBrowser() && Enabled(wizard.Form()); }, 10000));
    // Once Next is enabled too, each press moves the focus on to the other one, clicking neither.
    TickAAndB(wizard);
    wizard.Press(VK_TAB);
    ASSERT_TRUE(wizard.FocusBecomes(back));
    for (HWND owner : {next, addFolder, next}) {
        wizard.Type(L'Д');
        EXPECT_TRUE(wizard.FocusBecomes(owner));
        EXPECT_TRUE(wizard.Showing(Page::Folders));
        EXPECT_FALSE(wizard.FolderBrowser());
    }
    wizard.Press(VK_SPACE);  // presses the focused Next
    ASSERT_TRUE(wizard.WaitFor(Page::Agreement));

    EXPECT_TRUE(TextBecomes(wizard.Control(kAgreementText), ::Text(TextId::Agreement, Language::Russian)));
    const std::wstring memo = Text(wizard.Control(kAgreementMemo));
    EXPECT_EQ(memo.substr(0, 20), AgreementText(BuiltProgramResources(), L"EULA_RU")->substr(0, 20));
    wizard.Click(wizard.AgreementBox(kAcceptBox));
    ASSERT_TRUE(WizardDriver::WaitUntil([&] { return Enabled(next); }, 5000));
    wizard.Type(L'Д');  // the add-folder button is not on this page: the letter is Next's
    ASSERT_TRUE(wizard.WaitFor(Page::Installing, 5000));
    EXPECT_EQ(AnswerToLogoff(wizard.Form()), 0) << "a logoff is held while files are written";
    EXPECT_TRUE(WizardDriver::WaitUntil([&] { return !Visible(wizard.Button(kButtonNext)); }, 2000));
    ASSERT_TRUE(wizard.WaitFor(Page::Finished, 20000));
    EXPECT_EQ(AnswerToLogoff(wizard.Form()), 1);
    EXPECT_TRUE(TextBecomes(wizard.Control(kFinishedText), ::Text(TextId::Installed, Language::Russian)));
    EXPECT_TRUE(TextBecomes(wizard.Button(kButtonNext), L"&Завершить"));
    EXPECT_TRUE(Enabled(wizard.Button(kButtonNext)));
    EXPECT_FALSE(Visible(wizard.Button(kButtonBack)));
    const std::wstring shortcut = desktop_ + L"\\Mervane 4 User Guide.url";
    EXPECT_EQ(Text(wizard.Control(kStatusLine)), shortcut);

    for (const std::wstring& folder : {a_, b_, dataA_, dataB_}) EXPECT_TRUE(HasExpert(folder)) << Narrow(folder);
    for (const std::wstring& folder : {unselected_, dataC_})
        EXPECT_EQ(ReadBytes(folder + L"\\MQL4\\Experts\\Mervane 4.ex4"), "<missing>") << Narrow(folder);
    EXPECT_EQ(ReadBytes(shortcut), LinkBytes());
    EXPECT_EQ(terminal.State(), "groups=CCECC selected=Expert Advisors/Mervane 4 panel=visible");
    // The installation's last step, which showed no text of its own: the product is listed.
    EXPECT_EQ(ProductValue(UninstallKeyPath(), L"DisplayName"), L"Mervane 4");
    EXPECT_EQ(ReadBytes(ProgramCopyPath()), ReadBytes(BuiltProgram(L"Mervane4Setup.exe")));

    // A shell window of a process that runs as the wizard's user at its level (every Wine
    // process does): the wizard opens the guide itself, in the recording browser.
    const StandInTerminal shell(L"--hidden-window --no-navigator --shell-window");
    ASSERT_NE(shell.Log().find("shell window set"), std::string::npos) << shell.Log();
    wizard.Click(wizard.Button(kButtonNext));  // Finish
    EXPECT_EQ(wizard.WaitForExit(15000), 0u);
    EXPECT_TRUE(WizardDriver::WaitUntil([&] { return OpenedAddresses().find("https://") == 0; }, 10000))
        << OpenedAddresses();
    DeleteFileW(shortcut.c_str());
}

TEST_F(EndToEnd, TheRemovalFromSettingsAsksThenShowsEachFileOnTheInstallingPageAndEndsOnFinish) {
    TestProcess install(BuiltProgram(L"Mervane4Setup.exe"), L"/silent /accept-agreement");
    ASSERT_EQ(install.WaitForExit(60000), 0u);
    const std::wstring command = ProductValue(UninstallKeyPath(), L"UninstallString");
    const std::wstring copy = ProgramCopyPath();
    ASSERT_EQ(command, L"\"" + copy + L"\" /remove");
    const std::vector<std::wstring> copiesBefore = TemporaryCopies();
    const std::wstring shortcut = desktop_ + L"\\Mervane 4 User Guide.url";

    // No leaves everything as it was.
    {
        WizardDriver declined(copy, L"/remove", L"Mervane 4 Setup", 'N');
        EXPECT_FALSE(declined.Started());
        EXPECT_EQ(declined.WaitForExit(15000), 0u);
    }
    EXPECT_TRUE(HasExpert(a_));
    EXPECT_EQ(ProductValue(UninstallKeyPath(), L"DisplayName"), L"Mervane 4");

    WizardDriver wizard(copy, L"/remove", L"Mervane 4 Setup", 'Y');
    ASSERT_TRUE(wizard.Started());
    // The Installing page, with the removal's text; each file's path stood on the status line
    // and the shortcut's last.
    EXPECT_EQ(Text(wizard.Control(kInstallingText)), ::Text(TextId::Removing, Language::English));
    ASSERT_TRUE(wizard.WaitFor(Page::Finished, 20000));
    EXPECT_TRUE(TextBecomes(wizard.Control(kFinishedText), ::Text(TextId::Removed, Language::English)));
    EXPECT_EQ(Text(wizard.Control(kStatusLine)), shortcut);
    for (const std::wstring& folder : {a_, b_, unselected_, dataA_, dataB_, dataC_})
        EXPECT_EQ(ReadBytes(folder + L"\\MQL4\\Experts\\Mervane 4.ex4"), "<missing>") << Narrow(folder);
    EXPECT_EQ(ReadBytes(shortcut), "<missing>");
    EXPECT_EQ(ProductValue(UninstallKeyPath(), L"DisplayName"), L"<missing>");
    EXPECT_EQ(ProductValue(DetectionKeyPath(), L"Version"), L"<missing>");

    // Finish ends the program; there is no guide to open for what is gone.
    EXPECT_TRUE(TextBecomes(wizard.Button(kButtonNext), L"&Finish"));
    wizard.Click(wizard.Button(kButtonNext));
    EXPECT_EQ(wizard.WaitForExit(15000), 0u);
    EXPECT_TRUE(GoneWithTheTemporaryCopy(ProgramFolder(), copiesBefore)) << Narrow(RemovedAtRestart());
    EXPECT_EQ(OpenedAddresses(), "<missing>");
}

TEST_F(EndToEnd, AFolderLeftWithoutTheExpertEndsOnTheTruthfulText) {
    WizardDriver wizard;
    ASSERT_TRUE(wizard.Started());
    ToAgreement(wizard);
    RemoveTree(b_ + L"\\MQL4\\Experts");  // gone between the choice and the copy
    // A double click on Next is two clicks; the second comes while the page switches and
    // must not start a second installation inside the first.
    wizard.DoubleClick(wizard.Button(kButtonNext));
    ASSERT_TRUE(wizard.WaitFor(Page::Installing, 5000));
    // Any program of the user's at the wizard's level can post to its window what could pass
    // for the job's reports: a step whose text is no string, the end with every copy written,
    // the logoff let go. None of them is one.
    for (UINT message = WM_APP; message < WM_APP + 8; ++message)
        for (WPARAM value : {1, 0}) PostMessageW(wizard.Form(), message, value, 0x10);
    SendMessageTimeoutW(wizard.Form(), WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr);
    ASSERT_EQ(wizard.WaitForExit(0), static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_TRUE(wizard.Showing(Page::Installing));
    EXPECT_EQ(AnswerToLogoff(wizard.Form()), 0) << "a logoff is held while files are written";
    std::vector<std::wstring> shown;  // each text the status line takes, in order
    auto record = [&] {
        const std::wstring text = Text(wizard.Control(kStatusLine));
        if (shown.empty() || shown.back() != text) shown.push_back(text);
        return false;
    };
    ASSERT_TRUE(WizardDriver::WaitUntil([&] { return record() || wizard.Showing(Page::Finished); }, 20000));
    WizardDriver::WaitUntil(record, 1000);
    EXPECT_EQ(std::set<std::wstring>(shown.begin(), shown.end()).size(), shown.size()) << "installed more than once";
    // The Finished page never shows the success text first.
    EXPECT_TRUE(TextBecomes(wizard.Control(kFinishedText), ::Text(TextId::NotInstalledEverywhere, Language::English)));
    EXPECT_EQ(ReadBytes(b_ + L"\\MQL4\\Experts\\Mervane 4.ex4"), "<missing>");
    EXPECT_EQ(FolderEntries(b_ + L"\\MQL4"), std::vector<std::wstring>{L"Files"}) << "no folder was created";
    EXPECT_TRUE(HasExpert(a_));
}

TEST_F(EndToEnd, CloseOnInstallingFinishesTheInstallationWithoutOpeningTheGuide) {
    DisplayAt144Dpi display;
    WizardDriver wizard;
    ASSERT_TRUE(wizard.Started());
    RECT client;
    GetClientRect(wizard.Form(), &client);
    const UINT dpi = client.right == 459 ? 96 : 144;
    if (dpi == 96) std::cout << kNo144Dpi << '\n';
    ASSERT_NO_FATAL_FAILURE(ToInstalling(wizard));
    wizard.Click(wizard.Button(kButtonClose));

    // The window goes on painting until the installation has ended: the status line changes
    // on the screen, one line of path above the bar, and the bar's frame has the display's scale.
    HWND status = wizard.Control(kStatusLine);
    const int lineRows = Scale(20, dpi);  // above the bar
    std::vector<std::vector<DWORD>> lines;
    bool dataFolderSeen = false;
    while (wizard.WaitForExit(0) == STILL_ACTIVE) {
        const ScreenPicture line(status);
        const bool dataFolder = Text(status).find(L"\\MetaQuotes\\") != std::wstring::npos;
        if (!wizard.Showing(Page::Installing)) break;
        if (lines.empty() || lines.back() != line.Rows(0, lineRows)) lines.push_back(line.Rows(0, lineRows));
        if (dataFolder && !dataFolderSeen) {
            dataFolderSeen = true;
            // The label's first line ends at 13 and the bar starts at 20 (at 96 dpi).
            EXPECT_FALSE(line.RowsOtherThan(kColorBlack, Scale(14, dpi), lineRows)) << "a second line shows";
            EXPECT_TRUE(line.RowsOtherThan(kColorBlack, 0, Scale(13, dpi)));
            const ScreenPicture page(wizard.Sheet(Page::Installing));
            const int top = Scale(120, dpi), left = Scale(20, dpi), middle = Scale(126, dpi);
            for (int i = 0; i < Scale(1, dpi); ++i) {  // two pixels at 150 %
                EXPECT_EQ(page.At(left + i, middle), kColorGreyBrown) << i;
                EXPECT_EQ(page.At(Scale(200, dpi), top + i), kColorGreyBrown) << i;
            }
        }
        Sleep(20);
    }
    EXPECT_GE(lines.size(), 3u) << "the status line stopped repainting";
    EXPECT_TRUE(dataFolderSeen);
    EXPECT_EQ(wizard.WaitForExit(20000), 0u);
    for (const std::wstring& folder : {a_, b_, dataA_, dataB_}) EXPECT_TRUE(HasExpert(folder)) << Narrow(folder);
    EXPECT_EQ(ReadBytes(desktop_ + L"\\Mervane 4 User Guide.url"), LinkBytes());
    Sleep(500);
    EXPECT_EQ(OpenedAddresses(), "<missing>");
    DeleteFileW((desktop_ + L"\\Mervane 4 User Guide.url").c_str());
}

TEST_F(EndToEnd, TheWindowPaintsWhileASlowTerminalIsWalked) {
    // Every message the terminal gets from the wizard is answered late: its walk takes
    // seconds, all of them after the last expert copy and before the shortcut.
    StandInTerminal terminal(L"--slow=150 \"--experts=" + dataA_ + L"\\MQL4\\Experts\"");
    WizardDriver wizard;
    ASSERT_TRUE(wizard.Started());
    ASSERT_NO_FATAL_FAILURE(ToInstalling(wizard));

    // The status line, made invalid from here, is painted again within a moment, again and
    // again, while the text stands on the last data folder's copy.
    HWND status = wizard.Control(kStatusLine);
    const std::wstring lastCopy = dataB_ + L"\\MQL4\\Experts\\Mervane 4.ex4";
    std::vector<std::wstring> shown;
    ULONGLONG walkStart = 0, walkEnd = 0, slowestPaintMs = 0;
    int paintsDuringWalk = 0;
    const ULONGLONG deadline = GetTickCount64() + 60000;
    while (!wizard.Showing(Page::Finished) && GetTickCount64() < deadline) {
        const std::wstring text = Text(status);
        if (shown.empty() || shown.back() != text) shown.push_back(text);
        const ULONGLONG now = GetTickCount64();
        if (text == lastCopy && !walkStart) walkStart = now;
        if (text != lastCopy && walkStart && !walkEnd) walkEnd = now;
        InvalidateRect(status, nullptr, FALSE);
        ASSERT_TRUE(WizardDriver::WaitUntil([&] { return !GetUpdateRect(status, nullptr, FALSE); }, 10000))
            << "the status line was not painted";
        slowestPaintMs = std::max(slowestPaintMs, GetTickCount64() - now);
        if (walkStart && !walkEnd) ++paintsDuringWalk;
        Sleep(50);
    }
    ASSERT_TRUE(wizard.WaitFor(Page::Finished, 1000));
    EXPECT_EQ(shown.back(), desktop_ + L"\\Mervane 4 User Guide.url");
    EXPECT_GE(shown.size(), 4u) << "the status line took each step";  // the expert copies, the shortcut
    EXPECT_GE(walkEnd - walkStart, 1500u) << "the terminal answered too fast to show anything";
    EXPECT_GE(paintsDuringWalk, 10);
    EXPECT_LT(slowestPaintMs, 1000u);
    EXPECT_NE(terminal.Log().find("command 38234"), std::string::npos) << terminal.Log();
    DeleteFileW((desktop_ + L"\\Mervane 4 User Guide.url").c_str());
}

TEST_F(EndToEnd, AnEndingSessionLetsNoWriteBeginOnceAnswered) {
    // A forced logoff ends the session without asking, while the first copy shows; the
    // terminal's walk, still to come, takes seconds.
    StandInTerminal terminal(L"--slow=150 \"--experts=" + dataA_ + L"\\MQL4\\Experts\"");
    WizardDriver wizard;
    ASSERT_TRUE(wizard.Started());
    ASSERT_NO_FATAL_FAILURE(ToInstalling(wizard));
    HWND status = wizard.Control(kStatusLine);
    ASSERT_TRUE(TextBecomes(status, a_ + L"\\MQL4\\Experts\\Mervane 4.ex4"));
    const ULONGLONG asked = GetTickCount64();
    SendMessageTimeoutW(wizard.Form(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000, nullptr);
    const ULONGLONG answerMs = GetTickCount64() - asked;

    // What stands at the answer is what the process may be ended with: nothing is added to it.
    auto written = [&] {
        std::vector<std::vector<std::wstring>> entries{FolderEntries(desktop_)};
        for (const std::wstring& folder : {a_, b_, dataA_, dataB_})
            entries.push_back(FolderEntries(folder + L"\\MQL4\\Experts"));
        return entries;
    };
    const auto atAnswer = written();
    ASSERT_TRUE(wizard.WaitFor(Page::Finished, 30000));
    EXPECT_EQ(written(), atAnswer);
    EXPECT_TRUE(HasExpert(a_));
    EXPECT_EQ(FolderEntries(dataB_ + L"\\MQL4\\Experts"), std::vector<std::wstring>{}) << "the last copy was begun";
    EXPECT_EQ(ReadBytes(desktop_ + L"\\Mervane 4 User Guide.url"), "<missing>");
    EXPECT_TRUE(TextBecomes(wizard.Control(kFinishedText), ::Text(TextId::NotInstalledEverywhere, Language::English)));
    EXPECT_LT(answerMs, 1000u) << "the answer waited for the job, not for a write";
}

TEST_F(EndToEnd, CloseOnWaitEndsOnlyAfterTheJobHasReturned) {
    WizardDriver wizard;
    ASSERT_TRUE(wizard.Started());
    HWND next = wizard.Button(kButtonNext);
    ASSERT_TRUE(wizard.ToFolders(1));
    wizard.ClickListRow(0);
    ASSERT_TRUE(WizardDriver::WaitUntil([&] { return Enabled(next); }, 5000));
    const ULONGLONG start = GetTickCount64();
    wizard.Click(next);
    ASSERT_TRUE(wizard.WaitFor(Page::Wait, 5000));
    wizard.Click(wizard.Button(kButtonClose));
    EXPECT_EQ(wizard.WaitForExit(15000), 0u);
    EXPECT_GE(GetTickCount64() - start, 1000u) << "the process ended before the job returned";
}

TEST_F(EndToEnd, ScreenReadersHearEachPageAndEachChange) {
    WizardDriver wizard(L"/de");
    ASSERT_TRUE(wizard.Started());
    HWND next = wizard.Button(kButtonNext);
    EXPECT_EQ(Heard::Of(wizard.Form()).name, L"Mervane 4 Setup");
    EXPECT_EQ(Text(wizard.Form()), L"FormMain") << "the taskbar's title stays";
    const Heard close = Heard::Of(wizard.Button(kButtonClose));
    EXPECT_EQ(close.name, L"Beenden");
    EXPECT_EQ(close.role, ROLE_SYSTEM_PUSHBUTTON);
    EXPECT_EQ(Heard::Of(next).shortcut, L"Alt+W");

    // The folder rows are check boxes with their paths; a tick by a click is heard and raised.
    ASSERT_TRUE(wizard.ToFolders(3));
    HWND list = wizard.Control(kFolderList);
    EXPECT_EQ(Heard::Of(list).role, ROLE_SYSTEM_LIST);
    EXPECT_EQ(Heard::Of(list).children, wizard.ListCount());
    {
        WinEvents changes(wizard.ProcessId(), EVENT_OBJECT_STATECHANGE);
        wizard.ClickListRow(1);
        EXPECT_TRUE(changes.Saw(list, 2));
    }
    for (int row : {0, 1}) {
        const Heard heard = Heard::Of(list, row + 1);
        EXPECT_EQ(heard.role, ROLE_SYSTEM_CHECKBUTTON);
        EXPECT_EQ(heard.name, wizard.ListText(row));
        EXPECT_EQ((heard.state & STATE_SYSTEM_CHECKED) != 0, row == 1) << row;
    }
    // Along the rows and no further; from a row that is not there, nowhere.
    IAccessible* rows = Heard::ObjectOf(list);
    ASSERT_NE(rows, nullptr);
    auto reached = [&](long from, long direction) {
        VARIANT start, end;
        start.vt = VT_I4;
        start.lVal = from;
        VariantInit(&end);
        const HRESULT result = rows->accNavigate(direction, start, &end);
        return result == S_OK && end.vt == VT_I4 ? end.lVal : result == S_FALSE ? 0L : -1L;
    };
    const long count = wizard.ListCount();
    EXPECT_EQ(reached(CHILDID_SELF, NAVDIR_FIRSTCHILD), 1);
    EXPECT_EQ(reached(CHILDID_SELF, NAVDIR_LASTCHILD), count);
    EXPECT_EQ(reached(1, NAVDIR_NEXT), 2);
    EXPECT_EQ(reached(count, NAVDIR_NEXT), 0);
    EXPECT_EQ(reached(count + 1, NAVDIR_PREVIOUS), -1);
    rows->Release();

    ASSERT_TRUE(WizardDriver::WaitUntil([&] { return Enabled(next); }, 5000));
    wizard.Click(next);
    ASSERT_TRUE(wizard.WaitFor(Page::Agreement));
    HWND accept = wizard.AgreementBox(kAcceptBox);
    const Heard unticked = Heard::Of(accept);
    EXPECT_EQ(unticked.role, ROLE_SYSTEM_CHECKBUTTON);
    EXPECT_EQ(unticked.name, ::Text(TextId::Accept, Language::German));
    EXPECT_FALSE(unticked.state & STATE_SYSTEM_CHECKED);
    {
        WinEvents changes(wizard.ProcessId(), EVENT_OBJECT_STATECHANGE);
        wizard.Click(accept);
        EXPECT_TRUE(changes.Saw(accept, CHILDID_SELF));
    }
    EXPECT_TRUE(Heard::Of(accept).state & STATE_SYSTEM_CHECKED);

    // The progress bar, the last child of its page, with its value as it moves.
    WinEvents moves(wizard.ProcessId(), EVENT_OBJECT_VALUECHANGE);
    wizard.Click(next);
    ASSERT_TRUE(wizard.WaitFor(Page::Installing, 5000));
    HWND page = wizard.Sheet(Page::Installing);
    const long bar = Heard::Of(page).children;
    std::set<std::wstring> values;
    WizardDriver::WaitUntil(
        [&] {
            const Heard heard = Heard::Of(page, bar);
            if (heard.role == ROLE_SYSTEM_PROGRESSBAR) values.insert(heard.value);
            return wizard.Showing(Page::Finished);
        },
        20000);
    const bool midway = std::any_of(values.begin(), values.end(), [](auto& v) { return v != L"0%" && v != L"100%"; });
    EXPECT_TRUE(midway) << values.size() << " values heard";
    EXPECT_TRUE(moves.Saw(page, bar));
}

TEST_F(EndToEnd, EscDoesWhatTheCloseButtonDoesOnEveryPage) {
    {
        WizardDriver wizard;
        ASSERT_TRUE(wizard.Started());
        wizard.Press(VK_ESCAPE);
        EXPECT_EQ(wizard.WaitForExit(15000), 0u) << "Welcome";
    }
    {
        WizardDriver wizard;
        ASSERT_TRUE(wizard.Started());
        ToAgreement(wizard);
        wizard.Press(VK_ESCAPE);
        EXPECT_EQ(wizard.WaitForExit(15000), 0u) << "Agreement";
        EXPECT_FALSE(HasExpert(a_));
    }
    // As the close button: the installation runs to its end first, and the guide stays shut.
    WizardDriver wizard;
    ASSERT_TRUE(wizard.Started());
    ASSERT_NO_FATAL_FAILURE(ToInstalling(wizard));
    wizard.Press(VK_ESCAPE);
    EXPECT_TRUE(wizard.Showing(Page::Installing));
    EXPECT_EQ(wizard.WaitForExit(20000), 0u) << "Installing";
    for (const std::wstring& folder : {a_, b_, dataA_, dataB_}) EXPECT_TRUE(HasExpert(folder)) << Narrow(folder);
    EXPECT_EQ(OpenedAddresses(), "<missing>");
    DeleteFileW((desktop_ + L"\\Mervane 4 User Guide.url").c_str());
}

}  // namespace

namespace {

struct TextSearch {
    std::wstring text;
    bool found;
};

BOOL CALLBACK MatchText(HWND child, LPARAM context) {
    auto* search = reinterpret_cast<TextSearch*>(context);
    search->found = WindowText(child) == search->text;
    return !search->found;
}

bool HasChildWithText(HWND parent, const std::wstring& text) {
    TextSearch search{text, false};
    EnumChildWindows(parent, MatchText, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST_F(EndToEnd, TheWholeWayByKeyboard) {
    WizardDriver wizard;
    ASSERT_TRUE(wizard.Started());
    HWND next = wizard.Button(kButtonNext), back = wizard.Button(kButtonBack);
    ASSERT_TRUE(wizard.FocusBecomes(next)) << "Next starts with the focus";
    wizard.Type(L'n');  // the accelerator of "&Next"
    ASSERT_TRUE(wizard.WaitFor(Page::Folders));
    ASSERT_TRUE(WizardDriver::WaitUntil([&] { return wizard.ListCount() >= 3; }, 5000));

    // The page's action disabled Next, which had the focus: the folder list has it now, and
    // Space ticks the row with the focus rectangle.
    HWND list = wizard.Control(kFolderList);
    ASSERT_TRUE(wizard.FocusBecomes(list));
    const std::wstring first = wizard.ListText(0);
    wizard.Press(VK_SPACE);
    ASSERT_TRUE(WizardDriver::WaitUntil([&] { return Ticked(list, 0) && Enabled(next); }, 3000));
    for (auto [shift, focus] : {std::pair{false, back}, {false, next}, {true, back}}) {
        if (shift)
            wizard.Press(VK_TAB, {VK_SHIFT});
        else
            wizard.Press(VK_TAB);
        EXPECT_TRUE(wizard.FocusBecomes(focus)) << shift;
    }
    wizard.Type(L'n', true);  // Alt+N
    ASSERT_TRUE(wizard.WaitFor(Page::Agreement));

    // The memo keeps Tab; Ctrl+Tab leaves it for the accept box.
    HWND memo = wizard.Control(kAgreementMemo), accept = wizard.AgreementBox(kAcceptBox);
    ASSERT_TRUE(wizard.FocusBecomes(memo));
    wizard.Press(VK_TAB);
    Sleep(200);
    EXPECT_EQ(wizard.Focus(), memo);
    wizard.Press(VK_TAB, {VK_CONTROL});
    ASSERT_TRUE(wizard.FocusBecomes(accept));
    // Alt+Space opens the system menu and leaves the box alone.
    wizard.Press(VK_SPACE, {VK_MENU});
    EXPECT_TRUE(WizardDriver::WaitUntil([&] { return wizard.SystemMenuOpen(); }, 3000));
    wizard.Press(VK_ESCAPE);  // closes the menu
    wizard.Press(VK_ESCAPE);  // leaves menu mode
    EXPECT_TRUE(WizardDriver::WaitUntil([&] { return !wizard.SystemMenuOpen(); }, 3000));
    EXPECT_FALSE(Checked(accept));
    // Back from another program, the box has the focus again.
    HWND other = CreateWindowExW(0, L"STATIC", L"Another program", WS_POPUP | WS_VISIBLE, 0, 0, 80, 80, nullptr, nullptr,
                                 nullptr, nullptr);
    SetForegroundWindow(other);
    EXPECT_TRUE(WizardDriver::WaitUntil([&] { return wizard.Focus() != accept; }, 3000));
    wizard.Front();
    EXPECT_TRUE(wizard.FocusBecomes(accept));
    DestroyWindow(other);
    wizard.Press(VK_SPACE);
    ASSERT_TRUE(WizardDriver::WaitUntil([&] { return Checked(accept) && Enabled(next); }, 3000));
    wizard.Type(L'n', true);
    ASSERT_TRUE(wizard.WaitFor(Page::Finished, 20000));
    EXPECT_TRUE(first == a_ || first == b_ + L"\\" || first == unselected_) << Narrow(first);
    for (const std::wstring& folder : {a_, b_, unselected_})
        EXPECT_EQ(HasExpert(folder), first == folder || first == folder + L"\\") << Narrow(folder);
    wizard.Type(L'f', true);  // "&Finish"
    EXPECT_EQ(wizard.WaitForExit(15000), 0u);
    // Wine's split token and no shell window: the guide is not opened; the shortcut leads there.
    EXPECT_FALSE(WizardDriver::WaitUntil([&] { return OpenedAddresses() != "<missing>"; }, 3000)) << OpenedAddresses();
    DeleteFileW((desktop_ + L"\\Mervane 4 User Guide.url").c_str());
}

struct ClassSearch {
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK FindOfClass(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<ClassSearch*>(context);
    wchar_t name[64];
    if (!GetClassNameW(window, name, 64) || lstrcmpiW(name, search->className) != 0) return TRUE;
    search->found = window;
    return FALSE;
}

// The first descendant of `parent` of the window class `className`, or null.
HWND DescendantOfClass(HWND parent, const wchar_t* className) {
    ClassSearch search{className, nullptr};
    EnumChildWindows(parent, FindOfClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct ShownCount {
    DWORD processId;
    int shown;
};

BOOL CALLBACK CountShown(HWND window, LPARAM context) {
    auto* count = reinterpret_cast<ShownCount*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == count->processId && IsWindowVisible(window)) ++count->shown;
    return TRUE;
}

// The visible top-level windows of a process: a shortcut menu, a confirmation or a
// Properties sheet would be one more.
int ShownWindowsOf(DWORD processId) {
    ShownCount count{processId, 0};
    EnumWindows(CountShown, reinterpret_cast<LPARAM>(&count));
    return count.shown;
}

// Wine has a split token and no shell: nobody known consented at the keyboard, so the
// browser's folder tree offers none of the shell's verbs, and the wizard behind it takes no
// click, however it comes.
TEST(FolderBrowser, OffersNoShellVerbAndTheWizardBehindItTakesNoPostedInput) {
    const std::wstring initial = InitialBrowseFolder(nullptr);
    ASSERT_TRUE(DirectoryExists(initial));
    WizardDriver wizard;
    ASSERT_TRUE(wizard.Started());
    ASSERT_TRUE(wizard.ToFolders(0));
    wizard.Click(wizard.Control(kAddFolderButton));
    HWND browser = nullptr;
    ASSERT_TRUE(WizardDriver::WaitUntil([&] { return (browser = wizard.FolderBrowser()) != nullptr; }, 10000));
    HWND tree = nullptr;
    ASSERT_TRUE(WizardDriver::WaitUntil([&] { return (tree = DescendantOfClass(browser, L"SysTreeView32")) != nullptr; }, 5000));
    Sleep(500);  // the tree filled and the initial folder selected
    EXPECT_FALSE(GetWindowLongPtrW(tree, GWL_STYLE) & TVS_EDITLABELS);
    EXPECT_TRUE(GetWindowLongPtrW(tree, GWL_STYLE) & TVS_DISABLEDRAGDROP);
    const int shown = ShownWindowsOf(wizard.ProcessId());

    struct Verb {
        const char* name;
        WORD key, held;
    };
    const Verb verbs[] = {{"F2", VK_F2, 0},          {"Delete", VK_DELETE, 0},    {"Apps", VK_APPS, 0},
                          {"Shift+F10", VK_F10, VK_SHIFT}, {"Alt+Enter", VK_RETURN, VK_MENU}, {"Ctrl+V", 'V', VK_CONTROL},
                          {"Shift+Insert", VK_INSERT, VK_SHIFT}, {"right button", 0, 0}};
    for (const Verb& verb : verbs) {
        if (verb.key) {
            wizard.Press(verb.key, verb.held ? std::initializer_list<WORD>{verb.held} : std::initializer_list<WORD>{});
        } else {
            wizard.Front();
            RECT r;
            GetWindowRect(tree, &r);
            const POINT middle{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
            WizardDriver::MouseTo(middle, MOUSEEVENTF_RIGHTDOWN);
            WizardDriver::MouseTo(middle, MOUSEEVENTF_RIGHTUP);
        }
        Sleep(700);
        const HWND editor = FindWindowExW(tree, nullptr, L"Edit", nullptr);
        EXPECT_FALSE(editor) << verb.name << ": a folder's name is being edited";
        EXPECT_EQ(ShownWindowsOf(wizard.ProcessId()), shown) << verb.name << ": a menu or dialog opened";
        EXPECT_TRUE(DirectoryExists(initial)) << verb.name;
        // What a verb opened goes before the next one is tried.
        if (editor || ShownWindowsOf(wizard.ProcessId()) != shown) {
            wizard.Press(VK_ESCAPE);
            Sleep(500);
        }
        ASSERT_EQ(wizard.FolderBrowser(), browser) << verb.name;
    }

    // Clicks, keys and a screen reader's default action posted to the wizard's controls.
    HWND back = wizard.Button(kButtonBack);
    PostMessageW(back, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    PostMessageW(back, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    PostMessageW(back, WM_KEYDOWN, VK_SPACE, 0);
    PostMessageW(back, WM_KEYUP, VK_SPACE, 0xC0000001);
    PostMessageW(back, BM_CLICK, 0, 0);
    Sleep(700);
    EXPECT_TRUE(wizard.Showing(Page::Folders)) << "Back acted under the browser";
    wizard.Press(VK_ESCAPE);  // the browser goes, nothing chosen
    ASSERT_TRUE(WizardDriver::WaitUntil([&] { return Enabled(wizard.Form()); }, 5000));
    Sleep(300);
    EXPECT_TRUE(wizard.Showing(Page::Folders));
    EXPECT_TRUE(DirectoryExists(initial));
}

TEST_F(EndToEnd, TheAddFolderButtonActsOnlyOnItsPage) {
    // The browser opens on the program-files folder; made a terminal folder for the test,
    // choosing it with OK is all the user has to do.
    const std::wstring initial = InitialBrowseFolder(nullptr);
    ASSERT_FALSE(initial.empty());
    const bool madeProgram = !FileExists(initial + L"\\terminal.exe");
    WriteBytes(initial + L"\\terminal.exe", "MZ stand-in");
    CreateDirectoryW((initial + L"\\MQL4").c_str(), nullptr);
    CreateDirectoryW((initial + L"\\MQL4\\Experts").c_str(), nullptr);
    CreateDirectoryW((initial + L"\\MQL4\\Files").c_str(), nullptr);
    struct Cleanup {
        std::wstring folder;
        bool program;
        ~Cleanup() {
            if (program) DeleteFileW((folder + L"\\terminal.exe").c_str());
            DeleteFileW((folder + L"\\MQL4\\Experts\\Mervane 4.ex4").c_str());
            RemoveDirectoryW((folder + L"\\MQL4\\Experts").c_str());
            RemoveDirectoryW((folder + L"\\MQL4\\Files").c_str());
            RemoveDirectoryW((folder + L"\\MQL4").c_str());
        }
    } cleanup{initial, madeProgram};

    WizardDriver wizard;
    ASSERT_TRUE(wizard.Started());
    HWND next = wizard.Button(kButtonNext);
    ASSERT_TRUE(wizard.ToFolders(3));
    const int before = wizard.ListCount();
    HWND list = wizard.Control(kFolderList);
    // Chooses the offered folder in the browser, once it is open.
    auto chooseInBrowser = [&] {
        HWND browser = nullptr;
        if (!WizardDriver::WaitUntil([&] { return (browser = wizard.FolderBrowser()) != nullptr; }, 10000)) return false;
        EXPECT_FALSE(Enabled(wizard.Form())) << "the browser is modal to the whole wizard";
        EXPECT_TRUE(HasChildWithText(browser, ::Text(TextId::ChooseFolderTitle, Language::English))) << "the title is the folder chooser's";
        Sleep(300);
        wizard.Press(VK_RETURN);
        return WizardDriver::WaitUntil([&] { return Enabled(wizard.Form()); }, 10000);
    };

    for (int round = 0; round < 2; ++round) {
        wizard.Click(wizard.Control(kAddFolderButton));
        ASSERT_TRUE(chooseInBrowser());
        // Added once, the second time found again, ignoring letter case.
        ASSERT_TRUE(WizardDriver::WaitUntil([&] { return wizard.ListCount() == before + 1; }, 5000));
        const int added = wizard.ListCount() - 1;
        EXPECT_TRUE(SameFolderIgnoringCase(wizard.ListText(added), initial)) << Narrow(wizard.ListText(added));
        EXPECT_TRUE(Ticked(list, added));
        EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), added);
        EXPECT_TRUE(Enabled(next));
        if (round == 0) SendMessageW(list, LB_SETCURSEL, 0, 0);
    }

    // Off its page the button's letter does nothing: not typed ahead of Next, while the page
    // is being left (a folder added then would never be installed into), not on the Wait
    // page, and not on the Agreement page, where the agreement is not accepted yet.
    wizard.Type(L"na", true);
    ASSERT_TRUE(wizard.WaitFor(Page::Wait, 5000)) << "the folder browser opened as the page was left";
    wizard.Type(L'a', true);
    ASSERT_TRUE(wizard.WaitFor(Page::Agreement));
    wizard.Type(L'a', true);
    EXPECT_FALSE(WizardDriver::WaitUntil([&] { return wizard.FolderBrowser() != nullptr; }, 1500));
    if (wizard.FolderBrowser()) chooseInBrowser();  // a registered folder, picked as a user would
    EXPECT_FALSE(Enabled(next));
    wizard.Click(next);
    wizard.Type(L'n', true);
    Sleep(1000);
    EXPECT_TRUE(wizard.Showing(Page::Agreement));
    EXPECT_FALSE(HasExpert(initial)) << "installed without the agreement";
}

}  // namespace

namespace {

TEST(AgreementText, IsDecodedByItsMarkOrAsWindows1252WhateverTheCodePage) {
    HMODULE program = BuiltProgramResources();
    ASSERT_NE(program, nullptr);
    const std::optional<std::wstring> german = AgreementText(program, L"EULA_DE");
    ASSERT_TRUE(german.has_value());
    // "FÜR", "Gewährleistung" and typographic quotes: Windows-1252, not the ANSI code page
    // of the machine (on a Russian Windows, 1251 would turn them into Cyrillic letters).
    EXPECT_NE(german->find(L"FÜR MERVANE 4"), std::wstring::npos);
    EXPECT_NE(german->find(L"Gewährleistung"), std::wstring::npos);
    EXPECT_NE(german->find(L"\u201Ewie besehen\u201C"), std::wstring::npos);
    EXPECT_EQ(german->find(L'\u0416'), std::wstring::npos);
    const std::optional<std::wstring> russian = AgreementText(program, L"EULA_RU");
    ASSERT_TRUE(russian.has_value());
    EXPECT_EQ(russian->rfind(L"ПОЛЬЗОВАТЕЛЬСКОЕ СОГЛАШЕНИЕ", 0), 0u);  // the mark is not part of the text
    EXPECT_FALSE(AgreementText(program, L"EULA_XX").has_value());
}

}  // namespace
