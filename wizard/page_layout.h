#pragma once
#include <windows.h>

#include "texts/texts.h"
#include "wizard/page_flow.h"
#include "wizard/wizard_ids.h"

// The window's layout at 96 dpi, in one table: where each control stands, in the window's
// client area or on its page's sheet, and the text it takes when its page is entered. The
// window scales it to its dpi and applies it whole, at creation and on every dpi change.

inline constexpr int kClientWidth = 459;
inline constexpr int kClientHeight = 533;
inline constexpr int kPageTop = 100;
inline constexpr int kPageWidth = 459;
inline constexpr int kPageHeight = 350;

enum class Fit {
    Table,      // the table's rectangle
    Content,    // at the table's corner, as large as its picture or its text
    Centred,    // as large as its picture, centred across the page at the table's top
    Caption,    // at the table's rectangle, then as wide as its caption
};

struct ControlPlace {
    int control;         // a ControlId
    int page;            // the sheet's WizardPage, or kOnWindow
    int left, top, width, height;
    TextId text = TextId::None;  // set on entering the page
    Fit fit = Fit::Table;
};

inline constexpr int kOnWindow = -1;

inline constexpr ControlPlace kLayout[] = {
    // The header and the buttons.
    {kLogo, kOnWindow, 20, 10, 0, 0, TextId::None, Fit::Content},
    {kBanner, kOnWindow, 105, 20, 0, 0, TextId::None, Fit::Content},
    {kAppName, kOnWindow, 110, 40, 0, 0, TextId::None, Fit::Content},
    {kPageControl, kOnWindow, 0, kPageTop, kPageWidth, kPageHeight},
    {kButtonNext, kOnWindow, 333, 477, 105, 37},
    {kButtonBack, kOnWindow, 216, 477, 105, 37},
    {kButtonClose, kOnWindow, kClientWidth - 32, 0, 32, 32},
    // The pages.
    {kWelcomeText, int(WizardPage::Welcome), 20, 20, kPageWidth - 40, 52, TextId::Welcome},
    {kWaitText, int(WizardPage::Wait), 20, 20, kPageWidth - 40, 52, TextId::Wait},
    {kWaitAnimation, int(WizardPage::Wait), 0, 140, 0, 0, TextId::None, Fit::Centred},
    {kFoldersText, int(WizardPage::Folders), 20, 20, kPageWidth - 40, 52, TextId::Folders},
    {kFolderList, int(WizardPage::Folders), 20, 90, 301, 138},
    {kAddFolderButton, int(WizardPage::Folders), 20, 295, 205, 37, TextId::AddFolder},
    {kAgreementText, int(WizardPage::Agreement), 20, 20, kPageWidth - 40, 68, TextId::Agreement},
    {kAgreementMemo, int(WizardPage::Agreement), 20, 90, kPageWidth - 40, 194},
    {kAcceptBox, int(WizardPage::Agreement), 20, 300, 419, 0, TextId::Accept, Fit::Caption},
    {kRejectBox, int(WizardPage::Agreement), 20, 330, 419, 0, TextId::Reject, Fit::Caption},
    {kInstallingText, int(WizardPage::Installing), 20, 20, kPageWidth - 40, 52, TextId::Installing},
    // The bar lies over the lower part of the status line, which leaves it to the page.
    {kStatusLine, int(WizardPage::Installing), 20, 100, kPageWidth - 40, 36, TextId::Status},
    {kProgressBar, int(WizardPage::Installing), 20, 120, kPageWidth - 40, 12},
    {kFinishedText, int(WizardPage::Finished), 20, 20, kPageWidth - 40, 52, TextId::Installed},
};

// The row of `control`; the table has one for every control.
const ControlPlace& RowOf(int control);

// Where `place` puts a control at `dpi`, in its parent's client coordinates. `content` as for
// PlaceControl; a caption's fit is left to PlaceControl.
RECT ControlBounds(const ControlPlace& place, UINT dpi, SIZE content = {});

// Moves `control` to where `place` puts it at `dpi`. `content` is its picture's or text's size:
// on screen for Fit::Content, at 96 dpi for Fit::Centred; other fits ignore it.
void PlaceControl(HWND control, const ControlPlace& place, UINT dpi, SIZE content = {});

// Gives every control of `page` on `sheet` its row's text, `replacement` instead for
// `replaced`, and fits those that fit their caption.
void ShowPageTexts(HWND sheet, WizardPage page, Language language, UINT dpi, int replaced = 0,
                   TextId replacement = TextId::None);
