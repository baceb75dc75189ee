#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "texts/texts.h"
#include "win32/folder_list.h"
#include "wizard/page_flow.h"

class CheckListBox;
class FlatButton;
struct FlatButtonColors;
class FlatCheckBox;
class FlatGauge;
class FlatMemo;
class ImageControl;
class WaitAnimation;

// The controls of each page, made on the page's sheet from the page's rows of the layout
// table (page_layout.h). A page places its controls, sets their texts when it is entered and
// answers for what they hold; the window keeps the frame around them. Every page has the
// same small set of calls: SetFonts, Place (and SetDpi where a control draws at a dpi of its
// own), Enter.

// The fonts the window makes at its dpi; not owned.
struct PageFonts {
    HFONT label, list, button, checkBox;
};

// A static text control, as every page's text is.
HWND CreateLabel(HWND parent, int id, DWORD style = SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL);
// The wizard's black button, purple when focused.
FlatButtonColors WizardButtonColours();
void SetButtonColours(FlatButton& button);

// A page that shows one text: Welcome, Finished.
class TextPage {
public:
    TextPage(HWND sheet, WizardPage page, int control);
    void SetFonts(const PageFonts& fonts);
    void Place(UINT dpi);
    void Enter(Language language, UINT dpi, TextId text);

private:
    HWND sheet_;
    WizardPage page_;
    int control_;
    HWND text_;
};

// A text and the wait animation, played while the page shows.
class WaitPage {
public:
    explicit WaitPage(HWND sheet);
    ~WaitPage();
    void SetFonts(const PageFonts& fonts);
    void Place(UINT dpi);
    // Before the page shows, so that the animation's first frame is there from the start.
    void Prepare(UINT dpi);
    void Enter(Language language, UINT dpi);
    void Stop();
    // The animation freed; the page shows nothing more.
    void FreeAnimation();

private:
    HWND sheet_;
    HWND text_;
    std::unique_ptr<ImageControl> image_;
    std::unique_ptr<WaitAnimation> animation_;
    bool decoded_ = false;
};

// The installation folders to tick, and the button that adds one.
class FoldersPage {
public:
    explicit FoldersPage(HWND sheet);
    void SetFonts(const PageFonts& fonts);
    void SetDpi(UINT dpi);
    void Place(UINT dpi);
    void Enter(Language language, UINT dpi);
    // The list anew: `installations`, then each of `ticked` not among them; every one of
    // `ticked` ticked.
    void Show(const FolderList& installations, const FolderList& ticked);
    FolderList Ticked() const;
    // Ticks and selects the row of `folder`, added at the end where no row names it in that
    // spelling.
    void TickAndSelect(const std::wstring& folder);
    // True when `item` is the list's, which it has drawn.
    bool DrawItem(const DRAWITEMSTRUCT& item) const;

private:
    HWND sheet_;
    HWND text_;
    CheckListBox* list_;
    FlatButton* addFolder_;
};

// The agreement, and the two boxes that accept or refuse it: ticking one unticks the other.
class AgreementPage {
public:
    explicit AgreementPage(HWND sheet);
    void SetFonts(const PageFonts& fonts);
    void SetDpi(UINT dpi);
    void Place(UINT dpi);
    // The texts, and the agreement in `language` (or English).
    void Enter(Language language, UINT dpi);
    bool AcceptTicked() const;
    // After a click on the box `control`: the other one unticked.
    void BoxClicked(int control);

private:
    HWND sheet_;
    HWND text_;
    FlatMemo* memo_;
    FlatCheckBox* accept_;
    FlatCheckBox* reject_;
    bool unticking_ = false;
};

// A heading, the path being written and the progress bar, which the sheet paints.
class InstallingPage {
public:
    explicit InstallingPage(HWND sheet);
    ~InstallingPage();
    void SetFonts(const PageFonts& fonts);
    void SetDpi(UINT dpi);
    void Place(UINT dpi);
    // `heading` tells what is being done (the installation's text by default).
    void Enter(Language language, UINT dpi, TextId heading = TextId::Installing);
    void SetProgressRange(int maximum);
    void ShowStep(const std::wstring& path, int position);
    // True when `item` is the status line's, which it has drawn.
    bool DrawItem(const DRAWITEMSTRUCT& item) const;
    // The sheet's extras: the bar, when `sheet` is this page's.
    void PaintSheet(HDC dc, HWND sheet) const;

private:
    void ClipStatusLineToBar();

    HWND sheet_;
    HWND text_;
    HWND status_;
    std::unique_ptr<FlatGauge> bar_;
};
