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
    kNavigatorNotAnswering = 4,   // the terminal did not answer in time: passed over
};

// How long one message to another program's window may take before the terminal counts as
// not answering.
inline constexpr UINT kTerminalMessageTimeoutMs = 3000;

// Empties `list` and fills it with the main windows of the running terminals (visible
// top-level windows of the terminal's class), front to back, each as the handle's 32 bits
// in unsigned decimal.
void FindTerminalWindows(std::vector<std::wstring>& list);

// A window-list entry turned back into a handle: decimal text of a signed 32-bit integer,
// else the null handle.
HWND TerminalWindowFromEntry(const std::wstring& entry);

// Shows and refreshes the Navigator of the terminal whose main window is `terminal`,
// collapses every top-level group but `groupIndex`, expands that one and selects its first
// item named exactly `itemName`.
int RefreshNavigator(HWND terminal, std::uint8_t groupIndex, const std::wstring& itemName);

// RefreshNavigator on every running terminal, each tried whatever the one before gave.
void RefreshRunningTerminals(const std::wstring& itemName);

// The tree-view item record (TVITEMW with only the text asked for) in the layout of the
// terminal's process: 40 bytes for a 32-bit process, 56 for a 64-bit one.
std::vector<BYTE> EncodeItemRecord(bool target64, std::uint64_t item, std::uint64_t textAddress, int textMax);
