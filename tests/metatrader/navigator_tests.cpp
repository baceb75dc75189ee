#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include <memory>

#include "file_helpers.h"
#include "metatrader/navigator.h"
#include "metatrader/terminal_conventions.h"
#include "process_helpers.h"
#include "standin_driver.h"

namespace {

// The tests' stand-in terminals, each with its own log.
class StandIn : public StandInTerminal {
public:
    StandIn(const TempTree&, const std::wstring& options) : StandInTerminal(options) {}
};

class Navigator : public testing::Test {
protected:
    TempTree tree_;
    std::wstring experts_ = tree_.Folder(L"Experts");
    void AddExpert(const std::wstring& fileName) { tree_.File(L"Experts\\" + fileName, "expert"); }
    std::wstring ExpertsOption() const { return L"\"--experts=" + experts_ + L"\""; }
};

TEST(ItemRecord, HasThe40ByteLayoutOfA32BitProcess) {
    const std::vector<BYTE> record = EncodeItemRecord(false, 0x12345678, 0x00ABCDEF, 255);
    ASSERT_EQ(record.size(), 40u);
    auto field = [&](int index) {
        std::uint32_t value;
        std::memcpy(&value, &record[index * 4], 4);
        return value;
    };
    EXPECT_EQ(field(0), 1u);           // mask: TVIF_TEXT
    EXPECT_EQ(field(1), 0x12345678u);  // hItem
    EXPECT_EQ(field(4), 0x00ABCDEFu);  // pszText
    EXPECT_EQ(field(5), 255u);         // cchTextMax
    for (int unused : {2, 3, 6, 7, 8, 9}) EXPECT_EQ(field(unused), 0u) << unused;

    const std::vector<BYTE> wide = EncodeItemRecord(true, 0x1122334455667788ull, 0x99AABBCCDDEEFF00ull, 255);
    ASSERT_EQ(wide.size(), 56u);
    TVITEMW native{};
    if (sizeof(void*) == 8) {
        std::memcpy(&native, wide.data(), sizeof native);
        EXPECT_EQ(native.mask, static_cast<UINT>(TVIF_TEXT));
        EXPECT_EQ(reinterpret_cast<std::uint64_t>(native.hItem), 0x1122334455667788ull);
        EXPECT_EQ(reinterpret_cast<std::uint64_t>(native.pszText), 0x99AABBCCDDEEFF00ull);
        EXPECT_EQ(native.cchTextMax, 255);
    }
}

TEST(TerminalWindowFromEntry, ReadsUnsignedDecimalSignExtendedAndGivesNullOtherwise) {
    // Entries round-trip for every handle value, the high ones included.
    for (std::uint32_t bits : {65802u, 2147483647u, 2147483648u, 0x80001234u, 4294967294u, 4294967295u}) {
        const HWND window = reinterpret_cast<HWND>(static_cast<INT_PTR>(static_cast<std::int32_t>(bits)));
        EXPECT_EQ(TerminalWindowEntry(window), std::to_wstring(bits));
        EXPECT_EQ(TerminalWindowFromEntry(std::to_wstring(bits)), window) << bits;
    }
    for (const wchar_t* bad : {L"", L"-", L"-2", L"+5", L"12a", L" 12", L"0x10", L"4294967296", L"99999999999999999999"})
        EXPECT_EQ(TerminalWindowFromEntry(bad), nullptr) << bad;
    EXPECT_EQ(RefreshNavigator(nullptr, 2, L"Mervane 4"), kNavigatorMissing);
}

TEST(RemoteBlockFits, A32BitTerminalsBlocksMustEndBelow4GB) {
    EXPECT_TRUE(RemoteBlockFits(false, 0x7FFE0000, 512));
    EXPECT_TRUE(RemoteBlockFits(false, 0xFFFFFE00, 512));
    EXPECT_FALSE(RemoteBlockFits(false, 0xFFFFFE01, 512));
    EXPECT_FALSE(RemoteBlockFits(false, 0x100000000, 40));
    EXPECT_TRUE(RemoteBlockFits(true, 0x7FF612340000, 56));
}

std::vector<HWND> ListedTerminals() {
    std::vector<std::wstring> list = {L"stale"};
    FindTerminalWindows(list);
    std::vector<HWND> windows;
    for (const std::wstring& entry : list) windows.push_back(TerminalWindowFromEntry(entry));
    return windows;
}

bool Listed(HWND window) {
    const std::vector<HWND> windows = ListedTerminals();
    return std::find(windows.begin(), windows.end(), window) != windows.end();
}

TEST_F(Navigator, FindsVisibleTopLevelTerminalsOfAnyLetterCaseFrontToBack) {
    StandIn exact(tree_, L"");
    StandIn lower(tree_, L"--class=metaquotes::metatrader::4.00");
    StandIn hidden(tree_, L"--hidden-window");
    StandIn other(tree_, L"--class=MetaQuotes::MetaTrader::5.00");
    ASSERT_TRUE(exact.Window() && lower.Window());

    // A child window of the class, inside a window of this process, is not a terminal.
    WNDCLASSW childClass{};
    childClass.lpfnWndProc = DefWindowProcW;
    childClass.lpszClassName = terminal::kMainWindowClass;
    RegisterClassW(&childClass);
    HWND host = CreateWindowExW(0, L"STATIC", L"host", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    HWND child = CreateWindowExW(0, terminal::kMainWindowClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, host, nullptr,
                                 nullptr, nullptr);
    ASSERT_NE(child, nullptr);

    EXPECT_TRUE(Listed(exact.Window()));
    EXPECT_TRUE(Listed(lower.Window()));
    EXPECT_FALSE(Listed(hidden.Window()));
    EXPECT_FALSE(Listed(other.Window()));
    EXPECT_FALSE(Listed(child));

    for (HWND front : {exact.Window(), lower.Window()}) {
        SetWindowPos(front, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        const std::vector<HWND> windows = ListedTerminals();
        ASSERT_FALSE(windows.empty());
        EXPECT_EQ(windows.front(), front);
    }
    DestroyWindow(host);
}

TEST_F(Navigator, AHiddenNavigatorIsShownThenRefreshedAndTheExpertSelected) {
    AddExpert(L"Another.ex4");
    StandIn terminal(tree_, L"--hidden-navigator " + ExpertsOption());
    ASSERT_NE(terminal.Window(), nullptr);
    EXPECT_EQ(terminal.State(), "groups=EEEEE selected=/ panel=hidden");

    AddExpert(L"Mervane 4.ex4");  // written after the terminal started, as the wizard does
    EXPECT_EQ(RefreshNavigator(terminal.Window(), 2, L"Mervane 4"), kNavigatorDone);
    EXPECT_EQ(terminal.State(), "groups=CCECC selected=Expert Advisors/Mervane 4 panel=visible");
    const std::string log = terminal.Log();
    ASSERT_NE(log.find("command 33310"), std::string::npos);
    EXPECT_LT(log.find("command 33310"), log.find("command 38234"));
}

TEST_F(Navigator, AVisibleNavigatorIsOnlyRefreshed) {
    AddExpert(L"Mervane 4.ex4");
    StandIn terminal(tree_, ExpertsOption());
    EXPECT_EQ(RefreshNavigator(terminal.Window(), 2, L"Mervane 4"), kNavigatorDone);
    EXPECT_EQ(terminal.Log().find("command 33310"), std::string::npos);
    EXPECT_NE(terminal.Log().find("command 38234"), std::string::npos);
    EXPECT_EQ(terminal.State(), "groups=CCECC selected=Expert Advisors/Mervane 4 panel=visible");
}

TEST_F(Navigator, TheNameMustMatchExactly) {
    AddExpert(L"mervane 4.ex4");
    AddExpert(L"Mervane 4.ex4.ex4");
    StandIn terminal(tree_, ExpertsOption());
    EXPECT_EQ(RefreshNavigator(terminal.Window(), 2, L"Mervane 4"), kNavigatorItemNotFound);
    EXPECT_EQ(terminal.State(), "groups=CCECC selected=/ panel=visible");
}

TEST_F(Navigator, ATreeWithoutTheGroupIsCollapsedAndLeftUnselected) {
    AddExpert(L"Mervane 4.ex4");
    StandIn terminal(tree_, L"--groups=2 " + ExpertsOption());
    EXPECT_EQ(RefreshNavigator(terminal.Window(), 2, L"Mervane 4"), kNavigatorDone);
    EXPECT_EQ(terminal.State(), "groups=CC selected=/ panel=visible");
}

TEST_F(Navigator, AWindowWithoutTheControlsIsNotMessaged) {
    StandIn terminal(tree_, L"--no-navigator");
    ASSERT_NE(terminal.Window(), nullptr);
    EXPECT_EQ(RefreshNavigator(terminal.Window(), 2, L"Mervane 4"), kNavigatorMissing);
    EXPECT_EQ(terminal.Log().find("command"), std::string::npos);
}

TEST_F(Navigator, EveryRunningTerminalIsTriedWhateverTheOnesBeforeGave) {
    AddExpert(L"Mervane 4.ex4");
    StandIn last(tree_, L"--hidden-navigator " + ExpertsOption());
    StandIn endless(tree_, L"--endless --filler=3");
    StandIn first(tree_, L"--no-navigator");
    for (const StandIn* front : {&endless, &first})
        SetWindowPos(front->Window(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    const ULONGLONG start = GetTickCount64();
    RefreshRunningTerminals(L"Mervane 4");
    EXPECT_LE(GetTickCount64() - start, NavigatorBounds{}.deadlineMs + 2000);
    EXPECT_EQ(last.State(), "groups=CCECC selected=Expert Advisors/Mervane 4 panel=visible");
}

// The codes RefreshRunningTerminals gave the windows of `terminal`'s process, in its order.
std::vector<int> ResultsOfProcess(const std::vector<TerminalRefresh>& results, const StandIn& terminal) {
    DWORD process = 0;
    GetWindowThreadProcessId(terminal.Window(), &process);
    std::vector<int> codes;
    for (const TerminalRefresh& refresh : results) {
        DWORD owner = 0;
        GetWindowThreadProcessId(refresh.window, &owner);
        if (owner == process) codes.push_back(refresh.result);
    }
    return codes;
}

TEST_F(Navigator, OneProcessHasEightWindowsRefreshedAtMostAndAllTerminalsShareOneDeadline) {
    AddExpert(L"Mervane 4.ex4");
    {
        StandIn many(tree_, L"--windows=10 " + ExpertsOption());
        const std::vector<int> codes = ResultsOfProcess(RefreshRunningTerminals(L"Mervane 4"), many);
        EXPECT_EQ(std::count(codes.begin(), codes.end(), kNavigatorDone), 8);
        EXPECT_EQ(std::count(codes.begin(), codes.end(), kNavigatorNotAnswering), 2);
        const std::string log = many.Log();
        size_t refreshes = 0;
        for (size_t at = log.find("command 38234"); at != std::string::npos; at = log.find("command 38234", at + 1))
            ++refreshes;
        EXPECT_EQ(refreshes, 8u) << "the windows passed over get no message";
    }
    // Each window answers too late for one message time-out: 3 s, then what is left, then none.
    StandIn slow(tree_, L"--windows=3 --slow=4000");
    const ULONGLONG start = GetTickCount64();
    const std::vector<int> codes = ResultsOfProcess(RefreshRunningTerminals(L"Mervane 4", 4000), slow);
    EXPECT_LE(GetTickCount64() - start, 4000u + 1500u);
    EXPECT_EQ(codes, std::vector<int>(3, kNavigatorNotAnswering));
}

TEST_F(Navigator, ATreeThatNeverEndsIsPassedOverAtTheItemCapOrTheDeadline) {
    StandIn endless(tree_, L"--endless --filler=3");
    ASSERT_NE(endless.Window(), nullptr);
    for (NavigatorBounds bounds : {NavigatorBounds{50, 60000}, NavigatorBounds{100000000, 500}}) {
        const ULONGLONG start = GetTickCount64();
        EXPECT_EQ(RefreshNavigator(endless.Window(), 2, L"Mervane 4", bounds), kNavigatorNotAnswering);
        EXPECT_LE(GetTickCount64() - start, 2000u) << bounds.itemCap;
    }
}

TEST_F(Navigator, AHungTerminalCostsSecondsNotTheInstall) {
    StandIn terminal(tree_, L"--hang=30000 " + ExpertsOption());
    ASSERT_NE(terminal.Window(), nullptr);
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(RefreshNavigator(terminal.Window(), 2, L"Mervane 4"), kNavigatorNotAnswering);
    EXPECT_LE(GetTickCount64() - start, kTerminalMessageTimeoutMs + 1500u);
}

}  // namespace
