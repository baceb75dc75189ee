// The wizard's controller: entering a page (its layout, the button rules and its action), the
// steps of the page flow applied to the window, the agreement boxes, and the background job.
#include <windows.h>
#include <shlobj.h>

#include "controls/check_list_box.h"
#include "controls/image.h"
#include "controls/page_control.h"
#include "controls/wait_animation.h"
#include "flat/flat_button.h"
#include "flat/flat_check_box.h"
#include "flat/flat_gauge.h"
#include "flat/flat_memo.h"
#include "metatrader/installations.h"
#include "metatrader/terminal_discovery.h"
#include "user_guide_address.h"
#include "win32/dpi.h"
#include "win32/end_session_hold.h"
#include "win32/folder_browser.h"
#include "win32/shell_folders.h"
#include "win32/signed_in_user.h"
#include "wizard/agreement.h"
#include "wizard/form_main.h"
#include "wizard/my_thread.h"

namespace {

constexpr UINT kJobTimerIntervalMs = 500;
constexpr DWORD kInstallStepPauseMs = 200;

void ApplyButtonRule(const TFlatButton& button, const ButtonRule& rule) {
    if (rule.caption) SetWindowTextW(button.Handle(), Text(rule.caption, CurrentLanguage).c_str());
    ShowWindow(button.Handle(), rule.visible ? SW_SHOWNA : SW_HIDE);
    if (rule.enabled != ButtonRule::Enabled::AsItWas)
        EnableWindow(button.Handle(), rule.enabled == ButtonRule::Enabled::Yes);
}

}  // namespace

std::wstring TFormMain::TextOf(TextId id) const {
    std::wstring text;
    LookupText(id, CurrentLanguage, text);
    return text;
}

WizardPage TFormMain::CurrentPage() const { return static_cast<WizardPage>(pageControl_->ActivePage()); }

void TFormMain::ShowPage(WizardPage page) {
    // Next and Back drop what arrives until the switch is done: a click queued on the old
    // page belongs to no page.
    ++switching_;
    EnterPage(page);
    if (page == WizardPage::Installing) {
        // The whole installation runs inside this switch, and ends on the page it leads to.
        everyCopyWritten_ = InstallFiles(nullptr, *selectedInstallations_, *foundDataFolders_, *this);
        EnterPage(StepOn(page, WizardEvent::InstallationDone).page);
        SettlePage();
    }
    SettlePage();
    --switching_;
}

void TFormMain::EnterPage(WizardPage page) {
    ProcessMessages();
    if (page != WizardPage::Welcome) CreatePageControls();
    if (page == WizardPage::Wait) Animation();  // so that its first frame is there from the start
    pageControl_->SetActivePage(static_cast<int>(page));
    ApplyPageLayout(page);
    ApplyButtonRules(page);
    if (page == WizardPage::Folders) FoldersPageAction();
    KeepFocusUsable(GetActiveWindow() == handle_ ? GetFocus() : savedFocus_);
}

void TFormMain::SettlePage() {
    RedrawWindow(pageControl_->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ProcessMessages();
}

void TFormMain::ApplyPageLayout(WizardPage page) {
    if (page != WizardPage::Wait && imageProgress2_) imageProgress2_->Stop();
    switch (page) {
        case WizardPage::Welcome:
            SetWindowTextW(labelText1_1_, TextOf(11).c_str());
            break;
        case WizardPage::Wait:
            SetWindowTextW(labelText1_2_, TextOf(21).c_str());
            imageProgress2_->SetAnimation(Animation());
            break;
        case WizardPage::Folders:
            SetWindowTextW(labelText1_4_, TextOf(41).c_str());
            SetWindowTextW(buttonAddFolder4_->Handle(), TextOf(4).c_str());
            break;
        case WizardPage::Agreement:
            SetWindowTextW(labelText5_1_, TextOf(51).c_str());
            LoadAgreementText(*memo5_, CurrentLanguage);
            SetWindowTextW(checkBoxAccept5_->Handle(), TextOf(52).c_str());
            SetWindowTextW(checkBoxReject5_->Handle(), TextOf(53).c_str());
            FitAgreementBoxes();
            break;
        case WizardPage::Installing:
            SetWindowTextW(labelText6_1_, TextOf(61).c_str());
            SetWindowTextW(labelText6_2_, TextOf(62).c_str());
            break;
        case WizardPage::Finished:
            // A run that left a folder without the expert says so instead of claiming success.
            SetWindowTextW(labelText7_1_, TextOf(everyCopyWritten_ ? 71 : 72).c_str());
            break;
    }
}

void TFormMain::FitAgreementBoxes() {
    // Placed at the full width, then fitted to their captions.
    const int tops[] = {300, 330};
    TFlatCheckBox* boxes[] = {checkBoxAccept5_, checkBoxReject5_};
    for (int i = 0; i < 2; ++i) {
        RECT r;
        GetWindowRect(boxes[i]->Handle(), &r);
        MoveWindow(boxes[i]->Handle(), Scale(20, dpi_), Scale(tops[i], dpi_), Scale(419, dpi_), r.bottom - r.top, TRUE);
        boxes[i]->SetAutoSize(true);
    }
}

void TFormMain::ApplyButtonRules(WizardPage page) {
    const bool accepted = checkBoxAccept5_ && checkBoxAccept5_->Checked();
    const ButtonRules rules = ButtonRulesOn(page, {selectedInstallations_->empty(), accepted});
    ApplyButtonRule(*buttonNext_, rules.next);
    ApplyButtonRule(*buttonBack_, rules.back);
}

void TFormMain::FoldersPageAction() {
    const FolderList installations = FoldersOf(FindAllInstallations({}).installations);
    checkListBox4_->Clear();
    for (const std::wstring& folder : installations) checkListBox4_->Add(folder);
    // What was carried forward with Next comes back ticked, user-added folders after the
    // registry's.
    for (const std::wstring& folder : *selectedInstallations_) {
        if (checkListBox4_->IndexOfExact(folder) < 0) checkListBox4_->Add(folder);
        checkListBox4_->SetChecked(checkListBox4_->IndexOfExact(folder), true);
    }
}

void TFormMain::CollectSelection() {
    selectedInstallations_->clear();
    for (int i = 0, count = checkListBox4_->Count(); i < count; ++i)
        if (checkListBox4_->Checked(i)) selectedInstallations_->push_back(checkListBox4_->Text(i));
}

void TFormMain::StartJob(int job) {
    if (!worker_) worker_ = std::make_unique<TMyThread>(*selectedInstallations_, *foundDataFolders_);
    worker_->SetTag(job);
    const bool threaded = worker_->Created();
    if (threaded) worker_->Start();
    const bool polled = threaded && SetTimer(handle_, kJobTimer, kJobTimerIntervalMs, nullptr);
    ShowPage(WizardPage::Wait);
    if (polled) return;
    // No thread of its own, or no timer to look after it: the job runs here, or its end is
    // awaited here, so that the Wait page never stays for good.
    if (!threaded) worker_->Start();
    while (worker_ && !worker_->Finished() && !quitRequested_) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kJobTimerIntervalMs, QS_ALLINPUT);
        ProcessMessages();
    }
    if (!quitRequested_) JobTimerTick();
}

void TFormMain::JobTimerTick() {
    if (switching_ || !worker_ || !worker_->Finished()) return;
    const int tag = worker_->Tag();
    worker_.reset();
    KillTimer(handle_, kJobTimer);
    if (tag == TMyThread::kDataFolderJob) TakeStep(StepOn(CurrentPage(), WizardEvent::JobFinished));
}

void TFormMain::ButtonNavigationClick(int tag) {
    WizardEvent event;
    switch (tag) {
        case kTagNext: event = WizardEvent::Next; break;
        case kTagBack: event = WizardEvent::Back; break;
        case kTagClose: event = WizardEvent::Close; break;
        default: return;
    }
    // Next and Back are dropped while a page is being switched (the installation runs inside
    // such a switch), and once the application is to end.
    if (event != WizardEvent::Close && (switching_ || quitRequested_)) return;
    TakeStep(StepOn(CurrentPage(), event));
}

void TFormMain::TakeStep(const FlowStep& step) {
    switch (step.action) {
        case FlowAction::None:
            break;
        case FlowAction::ShowPage:
            ShowPage(step.page);
            break;
        case FlowAction::StartJob:
            if (worker_) break;  // the worker reads the selection until it is freed
            CollectSelection();
            StartJob(TMyThread::kDataFolderJob);
            break;
        case FlowAction::Finish:
            Finish();
            break;
        case FlowAction::Terminate:
            PostQuitMessage(0);  // the application terminates once back in its message loop
            break;
    }
}

void TFormMain::CheckBox5Click(int tag) {
    // Unticking the other box raises its click too; that nested call must leave the box the
    // user clicked as the click left it.
    if (!updatingAgreementBoxes_) {
        updatingAgreementBoxes_ = true;
        (tag == kTagAccept ? checkBoxReject5_ : checkBoxAccept5_)->SetChecked(false);
        updatingAgreementBoxes_ = false;
    }
    EnableWindow(buttonNext_->Handle(), checkBoxAccept5_->Checked());
}

void TFormMain::CheckListBox4ClickCheck() { EnableWindow(buttonNext_->Handle(), checkListBox4_->AnyChecked()); }

void TFormMain::ButtonAddFolder4Click() {
    // Like the navigation table's "nothing" cells: a click that reaches the button while its
    // page is hidden, or is being left, does nothing; a folder added then would be lost.
    if (switching_ || CurrentPage() != WizardPage::Folders) return;
    std::wstring folder = InitialBrowseFolder(handle_);
    if (!BrowseForFolder(handle_, TextOf(110), folder) || !IsTerminalFolder(folder)) return;
    if (checkListBox4_->IndexOfExact(folder) < 0) checkListBox4_->Add(folder);
    const int index = checkListBox4_->IndexOfExact(folder);
    checkListBox4_->SetChecked(index, true);
    checkListBox4_->SetSelected(index);
    EnableWindow(buttonNext_->Handle(), checkListBox4_->AnyChecked());
}

void TFormMain::Finish() {
    OpenAddressAsSignedInUser(handle_, kUserGuideAddress);
    DestroyWindow(handle_);  // ends the process in FormDestroy
}

void TFormMain::SetProgressRange(int maximum) {
    progressBar6_->SetMinValue(0);
    progressBar6_->SetMaxValue(maximum);
    progressBar6_->SetProgress(0);
}

void TFormMain::ShowInstallStep(const std::wstring& text, int position) {
    SetWindowTextW(labelText6_2_, text.c_str());
    InvalidateRect(labelText6_2_, nullptr, FALSE);  // owner-drawn: a new text need not repaint it
    progressBar6_->SetProgress(position);
    ProcessMessages();
    // The pause keeps each path readable; the window goes on painting meanwhile, also once
    // the close button has been pressed.
    const ULONGLONG end = GetTickCount64() + kInstallStepPauseMs;
    for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
        ProcessMessages();
    }
}

std::wstring TFormMain::DesktopFolder() { return SignedInUserFolderPath(handle_, CSIDL_DESKTOP); }

void TFormMain::HoldEndSession(bool held) {
    if (held)
        endSessionHold_.emplace(handle_, TextOf(61));
    else
        endSessionHold_.reset();
}
