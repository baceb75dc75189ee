#pragma once
#include <windows.h>

// Every id of the wizard's window, each defined once.

// Control ids, unique in the window; the page control's sheets follow from 1000
// (TNewPageControl::kFirstSheetId).
enum ControlId : int {
    kButtonNext = 1,
    kButtonBack = 2,
    kButtonClose = 3,
    kImage21 = 10,
    kImageWeb = 11,
    kLabelAppName = 12,
    kPageControl = 13,
    kLabelText1_1 = 101,
    kLabelText1_2 = 201,
    kImageProgress2 = 202,
    kLabelText1_4 = 401,
    kCheckListBox4 = 402,
    kButtonAddFolder4 = 403,
    kLabelText5_1 = 501,
    kMemo5 = 502,
    kCheckBoxAccept5 = 503,
    kCheckBoxReject5 = 504,
    kLabelText6_1 = 601,
    kLabelText6_2 = 602,
    kProgressBar6 = 603,  // drawn by its sheet: no window of its own
    kLabelText7_1 = 701,
};

// The Tags that one click handler tells its controls apart by.
enum NavigationTag : int { kTagNext = 1, kTagBack = 2, kTagClose = 3 };
enum AgreementTag : int { kTagAccept = 1, kTagReject = 2 };

// The main window's timer.
inline constexpr UINT_PTR kJobTimer = 1;
