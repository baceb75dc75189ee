#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// Result codes of RefreshNavigator; callers may ignore them.
enum NavigatorResult : int {
    kNavigatorDone = 0,           // selected; or no such group; or a group fetch or allocation failed
    kNavigatorMissing = 1,        // container, panel or tree missing: nothing sent
    kNavigatorNoAccess = 2,       // commands sent, the process could not be opened
    kNavigatorItemNotFound = 3,   // the group was expanded, no item bears the name
    kNavigatorNotAnswering = 4,   // passed over: it did not answer in time, its tree did not
                                  // end, or its memory lies out of a 32-bit terminal's reach
    kNavigatorStillListed = 5,    // refreshed for a removal, but the group still lists the item
};

// What a refresh is for: the new expert listed and selected, or a removed one gone from the
// list, the Navigator otherwise left as the trader arranged it (not shown, nothing collapsed,
// expanded or selected).
enum class NavigatorAim { Select, Forget };

// How long one message to another program's window may take before the terminal counts as
// not answering.
inline constexpr UINT kTerminalMessageTimeoutMs = 3000;

// How far one terminal's Navigator is walked: at most so many item fetches, far above any
// real Navigator, and so much time over all of its messages.
struct NavigatorBounds {
    unsigned itemCap = 10000;
    ULONGLONG deadlineMs = 10000;
};

// Empties `list` and fills it with the main windows of the running terminals (visible
// top-level windows of the terminal's class), front to back, each as TerminalWindowEntry.
void FindTerminalWindows(std::vector<std::wstring>& list);

// A window handle as a list entry: its 32 bits in unsigned decimal.
std::wstring TerminalWindowEntry(HWND window);

// A window-list entry turned back into a handle: decimal text of an unsigned 32-bit
// number, sign-extended as window handles are in every process; else the null handle.
HWND TerminalWindowFromEntry(const std::wstring& entry);

// Shows and refreshes the Navigator of the terminal whose main window is `terminal`,
// collapses every top-level group but `groupIndex`, expands that one and selects its first
// item named exactly `itemName`.
// With NavigatorAim::Forget it only refreshes the tree and looks whether the group still
// lists the item: kNavigatorDone when it does not.
int RefreshNavigator(HWND terminal, std::uint8_t groupIndex, const std::wstring& itemName,
                     const NavigatorBounds& bounds = {}, NavigatorAim aim = NavigatorAim::Select);

struct TerminalRefresh {
    HWND window;
    int result;  // a NavigatorResult
};

// How long the refresh of every running terminal may take together, and how many windows
// of the terminal's class one process may have refreshed: any program can make windows of
// that class, as many as it likes, each answering just in time.
inline constexpr ULONGLONG kRefreshDeadlineMs = 30000;
inline constexpr unsigned kTerminalWindowsPerProcess = 8;

// RefreshNavigator on every running terminal, each tried whatever the one before gave, in
// the order they were found, each within what is left of `totalMs` and of its process's
// time (one terminal's, NavigatorBounds, shared by all its windows). A window found once
// either is up, or beyond the first kTerminalWindowsPerProcess of its process, is passed over
// (kNavigatorNotAnswering) without a message.
std::vector<TerminalRefresh> RefreshRunningTerminals(const std::wstring& itemName,
                                                     ULONGLONG totalMs = kRefreshDeadlineMs,
                                                     NavigatorAim aim = NavigatorAim::Select);

// The tree-view item record (TVITEMW with only the text asked for) in the layout of the
// terminal's process: 40 bytes for a 32-bit process, 56 for a 64-bit one.
std::vector<BYTE> EncodeItemRecord(bool target64, std::uint64_t item, std::uint64_t textAddress, int textMax);

// Whether a block in the terminal's memory can be named in its item record: a 32-bit
// terminal's record holds 32-bit addresses.
bool RemoteBlockFits(bool target64, std::uint64_t address, std::uint64_t size);
