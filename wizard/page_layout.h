#pragma once
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
    TextId text = 0;     // set on entering the page; 0: none
    Fit fit = Fit::Table;
};

inline constexpr int kOnWindow = -1;

inline constexpr ControlPlace kLayout[] = {
    // The header and the buttons.
    {kImage21, kOnWindow, 20, 10, 0, 0, 0, Fit::Content},
    {kImageWeb, kOnWindow, 105, 20, 0, 0, 0, Fit::Content},
    {kLabelAppName, kOnWindow, 110, 40, 0, 0, 0, Fit::Content},
    {kPageControl, kOnWindow, 0, kPageTop, kPageWidth, kPageHeight},
    {kButtonNext, kOnWindow, 333, 477, 105, 37},
    {kButtonBack, kOnWindow, 216, 477, 105, 37},
    {kButtonClose, kOnWindow, kClientWidth - 32, 0, 32, 32},
    // The pages.
    {kLabelText1_1, int(WizardPage::Welcome), 20, 20, kPageWidth - 40, 52, 11},
    {kLabelText1_2, int(WizardPage::Wait), 20, 20, kPageWidth - 40, 52, 21},
    {kImageProgress2, int(WizardPage::Wait), 0, 140, 0, 0, 0, Fit::Centred},
    {kLabelText1_4, int(WizardPage::Folders), 20, 20, kPageWidth - 40, 52, 41},
    {kCheckListBox4, int(WizardPage::Folders), 20, 90, 301, 138},
    {kButtonAddFolder4, int(WizardPage::Folders), 20, 295, 205, 37, 4},
    {kLabelText5_1, int(WizardPage::Agreement), 20, 20, kPageWidth - 40, 68, 51},
    {kMemo5, int(WizardPage::Agreement), 20, 90, kPageWidth - 40, 194},
    {kCheckBoxAccept5, int(WizardPage::Agreement), 20, 300, 419, 0, 52, Fit::Caption},
    {kCheckBoxReject5, int(WizardPage::Agreement), 20, 330, 419, 0, 53, Fit::Caption},
    {kLabelText6_1, int(WizardPage::Installing), 20, 20, kPageWidth - 40, 52, 61},
    // The bar lies over the lower part of the status line, which leaves it to the page.
    {kLabelText6_2, int(WizardPage::Installing), 20, 100, kPageWidth - 40, 36, 62},
    {kProgressBar6, int(WizardPage::Installing), 20, 120, kPageWidth - 40, 12},
    {kLabelText7_1, int(WizardPage::Finished), 20, 20, kPageWidth - 40, 52, 71},
};
