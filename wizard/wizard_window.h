#pragma once
#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "texts/texts.h"
#include "win32/end_session_hold.h"
#include "win32/handles.h"
#include "win32/window.h"
#include "wizard/page_layout.h"
#include "wizard/pages.h"
#include "wizard/report_queue.h"
#include "wizard/session.h"

class FlatButton;
class ImageControl;
class PageControl;

// The wizard's one window: borderless and black, 459 x 533 at 96 dpi and scaled with the
// monitor it stands on. It holds the frame (the header, Back, Next and the close button, the
// page control and the pages in it), keeps the fonts, the focus and the keys, paints, scales,
// answers screen readers, tells its session what the user did and shows what the session
// asks for. Its destruction ends the process.
class WizardWindow final : public SessionView {
public:
    // `removal`: the window shows the removal instead of the Welcome page.
    explicit WizardWindow(Language language, bool removal = false);
    ~WizardWindow();
    WizardWindow(const WizardWindow&) = delete;
    WizardWindow& operator=(const WizardWindow&) = delete;

    // Creates the window, which shows the Welcome page, and shows it.
    bool Create(HINSTANCE instance);
    HWND Handle() const { return handle_; }

    // Runs the message loop until the application is asked to terminate.
    void Run();

    // A passive run's window instead: the Installing page alone, without buttons, taking no
    // input (a click, Alt+F4 and the taskbar's close do nothing). Its progress is shown through
    // the SessionView it is.
    bool CreatePassive(HINSTANCE instance);
    // The passive run's end: `text` on the Finished page for `milliseconds`, answering meanwhile.
    void ShowFinishedFor(TextId text, DWORD milliseconds);

private:
    friend class OwnWindow<WizardWindow>;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void OnCreate();
    [[noreturn]] void OnDestroy();
    // The header, Back, Next, the close button and the Welcome page as windows, in place of
    // the window's own picture of them; once.
    void CreateFrame();
    // The other pages, once: after the first paint, or when a page is entered before.
    void CreatePages();
    void CreateFonts();
    void SetFrameFonts();
    void SetPageFonts();
    // The frame and every page made, at the window's dpi; or only the pages made after the
    // first paint.
    void LayoutControls(bool otherPagesOnly = false);
    void PlaceFrame();
    // The caption-bar move loop, from a press anywhere on the background.
    void MoveByDrag();
    // Makes the frame for input taken while the window paints the Welcome page itself.
    void RouteToControls(MSG& message);
    bool PreTranslateMessage(MSG& message);
    void OnPaint();
    // The Welcome page as its controls will paint it, while they are not made yet.
    void PaintWelcome(HDC dc);
    LRESULT OnCtlColor(UINT message, HDC dc, HWND control);
    void OnDrawItem(const DRAWITEMSTRUCT& item);
    void OnActivate(bool active);
    // Puts the focus on `control` if it shows and is enabled, else on the page's first tab
    // stop, Next, Back or the window itself. While the window is inactive, that is where the
    // focus goes when it is activated again.
    void KeepFocusUsable(HWND control);
    bool UsableFocus(HWND control) const;
    void OnCommand(HWND control, int id, int code);
    void OnDpiChanged(UINT dpi, const RECT& suggested);
    LRESULT OnGetObject(WPARAM wParam, LPARAM lParam);
    void OnSettingChange(bool coloursChanged);

    // SessionView
    void EnterPage(WizardPage page, TextId pageText) override;
    void ApplyButtonRules(const ButtonRules& rules) override;
    void ShowFolders(const FolderList& installations, const FolderList& ticked) override;
    FolderList TickedFolders() override;
    bool AcceptTicked() override;
    void EnableNext(bool enabled) override;
    bool ChooseFolder(std::wstring& folder) override;
    void TickAndSelectFolder(const std::wstring& folder) override;
    void SettlePage() override;
    bool StartJobTimer() override;
    void StopJobTimer() override;
    void SetProgressRange(int maximum) override;
    void ShowInstallStep(const std::wstring& path, int position) override;
    void HoldEndSession(bool held) override;
    void Terminate() override;
    void Finish() override;

    const Language language_;
    const bool removal_;
    HWND handle_ = nullptr;
    UINT dpi_ = 96;
    HWND savedFocus_ = nullptr;  // the focus while the window is inactive
    bool firstPaintDone_ = false;
    int restsCut_ = 0;  // moments of rest after the first paint that a message cut short
    // Until the queue first drains, the window paints the Welcome page itself: the common
    // controls and the windows of the frame stay off the way to the first paint.
    bool drawnWelcome_ = false;
    ButtonRules welcomeRules_{};  // applied while drawn, to the buttons once they are made
    bool passive_ = false;
    std::optional<EndSessionHold> endSessionHold_;  // while the installation writes files

    // The frame.
    std::unique_ptr<ImageControl> logo_;
    std::unique_ptr<ImageControl> banner_;
    HWND appName_ = nullptr;
    PageControl* pageControl_ = nullptr;
    FlatButton* backButton_ = nullptr;
    FlatButton* nextButton_ = nullptr;
    FlatButton* closeButton_ = nullptr;
    UniqueFont listFont_, labelFont_, buttonFont_, checkBoxFont_, appNameFont_;
    UniqueBitmap logoBitmap_, bannerBitmap_, closeGlyph_;

    // The pages; all but Welcome made after the first paint (CreatePages).
    std::optional<TextPage> welcomePage_;
    std::optional<WaitPage> waitPage_;
    std::optional<FoldersPage> foldersPage_;
    std::optional<AgreementPage> agreementPage_;
    std::optional<InstallingPage> installingPage_;
    std::optional<TextPage> finishedPage_;

    std::optional<ReportQueue> jobReports_;  // what the worker reports through
    std::unique_ptr<WizardSession> session_;
};
