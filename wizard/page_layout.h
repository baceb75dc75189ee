#pragma once
#include <windows.h>

#include <cstdint>

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

enum class Fit : std::uint8_t {
    Table,      // the table's rectangle
    Content,    // at the table's corner, as large as its picture or its text
    Centred,    // as large as its picture, centred across the page at the table's top
    Caption,    // at the table's rectangle, then as wide as its caption
};

// Narrow fields: the table is in every build, and its values are small.
struct ControlPlace {
    std::int16_t control;  // a ControlId
    std::int8_t page;      // the sheet's WizardPage, or kOnWindow
    Fit fit = Fit::Table;
    std::int16_t left, top, width, height;
    TextId text = TextId::None;  // set on entering the page
};

inline constexpr int kOnWindow = -1;

inline constexpr ControlPlace kLayout[] = {
    // The header and the buttons.
    {kLogo, kOnWindow, Fit::Content, 20, 10, 0, 0},
    {kBanner, kOnWindow, Fit::Content, 105, 20, 0, 0},
    {kAppName, kOnWindow, Fit::Content, 110, 40, 0, 0},
    {kPageControl, kOnWindow, Fit::Table, 0, kPageTop, kPageWidth, kPageHeight},
    {kButtonNext, kOnWindow, Fit::Table, 333, 477, 105, 37},
    {kButtonBack, kOnWindow, Fit::Table, 216, 477, 105, 37},
    {kButtonClose, kOnWindow, Fit::Table, kClientWidth - 32, 0, 32, 32},
    // The pages.
    {kWelcomeText, int(WizardPage::Welcome), Fit::Table, 20, 20, kPageWidth - 40, 52, TextId::Welcome},
    {kWaitText, int(WizardPage::Wait), Fit::Table, 20, 20, kPageWidth - 40, 52, TextId::Wait},
    {kWaitAnimation, int(WizardPage::Wait), Fit::Centred, 0, 140, 0, 0},
    {kFoldersText, int(WizardPage::Folders), Fit::Table, 20, 20, kPageWidth - 40, 52, TextId::Folders},
    {kFolderList, int(WizardPage::Folders), Fit::Table, 20, 90, 301, 138},
    {kAddFolderButton, int(WizardPage::Folders), Fit::Table, 20, 295, 205, 37, TextId::AddFolder},
    {kAgreementText, int(WizardPage::Agreement), Fit::Table, 20, 20, kPageWidth - 40, 68, TextId::Agreement},
    {kAgreementMemo, int(WizardPage::Agreement), Fit::Table, 20, 90, kPageWidth - 40, 194},
    {kAcceptBox, int(WizardPage::Agreement), Fit::Caption, 20, 300, 419, 0, TextId::Accept},
    {kRejectBox, int(WizardPage::Agreement), Fit::Caption, 20, 330, 419, 0, TextId::Reject},
    {kInstallingText, int(WizardPage::Installing), Fit::Table, 20, 20, kPageWidth - 40, 52, TextId::Installing},
    // The bar lies over the lower part of the status line, which leaves it to the page.
    {kStatusLine, int(WizardPage::Installing), Fit::Table, 20, 100, kPageWidth - 40, 36, TextId::Status},
    {kProgressBar, int(WizardPage::Installing), Fit::Table, 20, 120, kPageWidth - 40, 12},
    {kFinishedText, int(WizardPage::Finished), Fit::Table, 20, 20, kPageWidth - 40, 52, TextId::Installed},
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
