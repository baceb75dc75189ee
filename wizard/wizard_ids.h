#pragma once
#include <windows.h>

// Every id of the wizard's window, each defined once.

// Control ids, unique in the window and kept as they are: tests and automation find the
// controls by them. The page control's sheets follow from 1000 (PageControl::kFirstSheetId).
enum ControlId : int {
    kButtonNext = 1,
    kButtonBack = 2,
    kButtonClose = 3,
    kLogo = 10,
    kBanner = 11,
    kAppName = 12,
    kPageControl = 13,
    kWelcomeText = 101,
    kWaitText = 201,
    kWaitAnimation = 202,
    kFoldersText = 401,
    kFolderList = 402,
    kAddFolderButton = 403,
    kAgreementText = 501,
    kAgreementMemo = 502,
    kAcceptBox = 503,
    kRejectBox = 504,
    kInstallingText = 601,
    kStatusLine = 602,
    kProgressBar = 603,  // drawn by its sheet: no window of its own
    kFinishedText = 701,
};

// The main window's timer.
inline constexpr UINT_PTR kJobTimer = 1;
