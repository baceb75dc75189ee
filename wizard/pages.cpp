#include "wizard/pages.h"

#include "controls/check_list_box.h"
#include "controls/image.h"
#include "controls/wait_animation.h"
#include "flat/colors.h"
#include "flat/drawing.h"
#include "flat/flat_button.h"
#include "flat/flat_check_box.h"
#include "flat/flat_gauge.h"
#include "flat/flat_memo.h"
#include "resources/resource_names.h"
#include "texts/agreement.h"
#include "win32/dpi.h"
#include "win32/gdi.h"
#include "win32/handles.h"
#include "win32/high_contrast.h"
#include "win32/window.h"
#include "wizard/page_layout.h"
#include "wizard/wizard_ids.h"

namespace {

void SetFont(HWND control, HFONT font) { SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE); }

void PlaceRow(HWND control, int id, UINT dpi) { PlaceControl(control, RowOf(id), dpi); }

}  // namespace

HWND CreateLabel(HWND parent, int id, DWORD style) {
    return CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

FlatButtonColors WizardButtonColours() {
    static constexpr FlatButtonColors kColours{.fill = kColorBlack, .focused = kColorPurple, .font = kColorWhite};
    return kColours;
}

void SetButtonColours(FlatButton& button) { button.SetColors(WizardButtonColours()); }

// ---- Welcome, Finished

TextPage::TextPage(HWND sheet, WizardPage page, int control)
    : sheet_(sheet), page_(page), control_(control), text_(CreateLabel(sheet, control)) {}

void TextPage::SetFonts(const PageFonts& fonts) { SetFont(text_, fonts.label); }

void TextPage::Place(UINT dpi) { PlaceRow(text_, control_, dpi); }

void TextPage::Enter(Language language, UINT dpi, TextId text) {
    ShowPageTexts(sheet_, page_, language, dpi, control_, text);
}

// ---- Wait

WaitPage::WaitPage(HWND sheet)
    : sheet_(sheet), text_(CreateLabel(sheet, kWaitText)), image_(ImageControl::Create(sheet, kWaitAnimation)) {}

WaitPage::~WaitPage() = default;

void WaitPage::SetFonts(const PageFonts& fonts) { SetFont(text_, fonts.label); }

void WaitPage::Place(UINT dpi) {
    PlaceRow(text_, kWaitText, dpi);
    PlaceControl(image_->Handle(), RowOf(kWaitAnimation), dpi, animation_ ? animation_->Size() : SIZE{0, 0});
}

void WaitPage::Prepare(UINT dpi) {
    // Decoded when the page is first entered, not before: the platform's decoder is the
    // largest thing the wizard loads. Once, whatever comes of it.
    if (decoded_) return;
    decoded_ = true;
    animation_ = WaitAnimation::FromResource(RESOURCE_STRING(RESOURCE_WAIT_ANIMATION));
    PlaceControl(image_->Handle(), RowOf(kWaitAnimation), dpi, animation_ ? animation_->Size() : SIZE{0, 0});
}

void WaitPage::Enter(Language language, UINT dpi) {
    ShowPageTexts(sheet_, WizardPage::Wait, language, dpi);
    image_->SetAnimation(animation_.get());
}

void WaitPage::Stop() { image_->Stop(); }

void WaitPage::FreeAnimation() {
    image_->Stop();
    animation_.reset();
}

// ---- Folders

FoldersPage::FoldersPage(HWND sheet)
    : sheet_(sheet),
      text_(CreateLabel(sheet, kFoldersText)),
      list_(CheckListBox::Create(sheet, kFolderList)),
      addFolder_(FlatButton::Create(sheet, kAddFolderButton, L"")) {
    SetButtonColours(*addFolder_);
}

void FoldersPage::SetFonts(const PageFonts& fonts) {
    SetFont(text_, fonts.label);
    SetFont(list_->Handle(), fonts.list);
    addFolder_->SetFont(fonts.button);
}

void FoldersPage::SetDpi(UINT dpi) {
    list_->SetDpi(dpi);
    addFolder_->SetDpi(dpi);
}

void FoldersPage::Place(UINT dpi) {
    PlaceRow(text_, kFoldersText, dpi);
    PlaceRow(list_->Handle(), kFolderList, dpi);
    PlaceRow(addFolder_->Handle(), kAddFolderButton, dpi);
}

void FoldersPage::Enter(Language language, UINT dpi) { ShowPageTexts(sheet_, WizardPage::Folders, language, dpi); }

void FoldersPage::Show(const FolderList& installations, const FolderList& ticked) {
    list_->Clear();
    for (const std::wstring& folder : installations) list_->Add(folder);
    for (const std::wstring& folder : ticked) {
        if (list_->IndexOfExact(folder) < 0) list_->Add(folder);
        list_->SetChecked(list_->IndexOfExact(folder), true);
    }
}

FolderList FoldersPage::Ticked() const {
    FolderList ticked;
    for (int i = 0, count = list_->Count(); i < count; ++i)
        if (list_->Checked(i)) ticked.push_back(list_->Text(i));
    return ticked;
}

void FoldersPage::TickAndSelect(const std::wstring& folder) {
    if (list_->IndexOfExact(folder) < 0) list_->Add(folder);
    const int index = list_->IndexOfExact(folder);
    list_->SetChecked(index, true);
    list_->SetSelected(index);
}

bool FoldersPage::DrawItem(const DRAWITEMSTRUCT& item) const {
    if (item.hwndItem != list_->Handle()) return false;
    list_->DrawItem(item);
    return true;
}

// ---- Agreement

AgreementPage::AgreementPage(HWND sheet)
    : sheet_(sheet),
      text_(CreateLabel(sheet, kAgreementText)),
      memo_(FlatMemo::Create(sheet, kAgreementMemo, ES_READONLY | ES_WANTRETURN | WS_VSCROLL | WS_TABSTOP)),
      accept_(FlatCheckBox::Create(sheet, kAcceptBox, L"")),
      reject_(FlatCheckBox::Create(sheet, kRejectBox, L"")) {
    memo_->SetColorFlat(kColorWhite);
    for (FlatCheckBox* box : {accept_, reject_}) {
        box->SetColor(kColorBlack);
        box->SetColorFocused(kColorPurple);
        box->SetColorCheck(kColorWhite);
        box->SetFontColor(kColorWhite);
    }
}

void AgreementPage::SetFonts(const PageFonts& fonts) {
    SetFont(text_, fonts.label);
    SetFont(memo_->Handle(), fonts.list);
    for (FlatCheckBox* box : {accept_, reject_}) box->SetFont(fonts.checkBox);
}

void AgreementPage::SetDpi(UINT dpi) {
    memo_->SetDpi(dpi);
    for (FlatCheckBox* box : {accept_, reject_}) box->SetDpi(dpi);
}

void AgreementPage::Place(UINT dpi) {
    PlaceRow(text_, kAgreementText, dpi);
    PlaceRow(memo_->Handle(), kAgreementMemo, dpi);
    PlaceRow(accept_->Handle(), kAcceptBox, dpi);
    PlaceRow(reject_->Handle(), kRejectBox, dpi);
}

void AgreementPage::Enter(Language language, UINT dpi) {
    ShowPageTexts(sheet_, WizardPage::Agreement, language, dpi);
    // Without an agreement in any language the memo keeps what it held.
    if (std::optional<std::wstring> text = AgreementTextIn(nullptr, kAgreementResources, language))
        memo_->SetLines(*text);
}

bool AgreementPage::AcceptTicked() const { return accept_->Checked(); }

void AgreementPage::BoxClicked(int control) {
    // Unticking the other box raises its click too; that nested call must leave the box the
    // user clicked as the click left it.
    if (unticking_) return;
    unticking_ = true;
    (control == kAcceptBox ? reject_ : accept_)->SetChecked(false);
    unticking_ = false;
}

// ---- Installing

InstallingPage::InstallingPage(HWND sheet)
    : sheet_(sheet),
      text_(CreateLabel(sheet, kInstallingText)),
      status_(CreateLabel(sheet, kStatusLine, SS_OWNERDRAW)),  // DrawItem
      bar_(std::make_unique<FlatGauge>(sheet)) {
    bar_->SetColor(kColorBlack);
    bar_->SetBarColor(kColorGreen);
    bar_->SetColorBorder(kColorGreyBrown);
}

InstallingPage::~InstallingPage() = default;

void InstallingPage::SetFonts(const PageFonts& fonts) {
    SetFont(text_, fonts.label);
    SetFont(status_, fonts.label);
}

void InstallingPage::SetDpi(UINT dpi) { bar_->SetDpi(dpi); }

void InstallingPage::Place(UINT dpi) {
    PlaceRow(text_, kInstallingText, dpi);
    PlaceRow(status_, kStatusLine, dpi);
    const ControlPlace& bar = RowOf(kProgressBar);
    bar_->SetBounds(ScaledRect(bar.left, bar.top, bar.left + bar.width, bar.top + bar.height, dpi));
    ClipStatusLineToBar();
}

void InstallingPage::ClipStatusLineToBar() {
    // The bar lies over the lower part of the status line and is painted after it.
    RECT label, bar = bar_->Bounds();
    GetWindowRect(status_, &label);
    MapWindowPoints(nullptr, sheet_, reinterpret_cast<POINT*>(&label), 2);
    OffsetRect(&bar, -label.left, -label.top);
    UniqueRegion visible(CreateRectRgn(0, 0, label.right - label.left, label.bottom - label.top));
    const UniqueRegion covered(CreateRectRgn(bar.left, bar.top, bar.right, bar.bottom));
    CombineRgn(visible.get(), visible.get(), covered.get(), RGN_DIFF);
    SetWindowRgn(status_, visible.release(), TRUE);  // the window owns the region from here on
}

void InstallingPage::Enter(Language language, UINT dpi, TextId heading) {
    ShowPageTexts(sheet_, WizardPage::Installing, language, dpi, kInstallingText, heading);
}

void InstallingPage::SetProgressRange(int maximum) {
    bar_->SetMinValue(0);
    bar_->SetMaxValue(maximum);
    bar_->SetProgress(0);
}

void InstallingPage::ShowStep(const std::wstring& path, int position) {
    SetWindowCaption(status_, path.c_str());
    InvalidateRect(status_, nullptr, FALSE);  // owner-drawn: a new text need not repaint it
    bar_->SetProgress(position);
}

bool InstallingPage::DrawItem(const DRAWITEMSTRUCT& item) const {
    if (item.hwndItem != status_) return false;
    // One line above the bar: a path too wide for it loses its middle, so that the drive and
    // the file name stay in sight. Only the drawing is shortened; the text stays whole.
    const std::wstring text = WindowCaption(status_);
    // Wine lets a child paint outside its window region: the bar below stays the page's.
    const UniqueRegion region(CreateRectRgn(0, 0, 0, 0));
    if (GetWindowRgn(status_, region.get()) != ERROR) ExtSelectClipRgn(item.hDC, region.get(), RGN_AND);
    FillRect(item.hDC, &item.rcItem, BackgroundBrush());
    const SelectedObject font(item.hDC, reinterpret_cast<HFONT>(SendMessageW(status_, WM_GETFONT, 0, 0)));
    SetTextColor(item.hDC, ResolveColor(ContrastColor(kColorWhite, COLOR_WINDOWTEXT)));
    SetBkMode(item.hDC, TRANSPARENT);
    RECT bounds = item.rcItem;
    DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &bounds,
              DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_PATH_ELLIPSIS);
    return true;
}

void InstallingPage::PaintSheet(HDC dc, HWND sheet) const {
    if (sheet == sheet_) bar_->Paint(dc);
}
