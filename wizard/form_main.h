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
#include "wizard/session.h"

class TCheckListBox;
class TFlatButton;
class TFlatCheckBox;
class TFlatGauge;
class TFlatMemo;
class TImage;
class TNewPageControl;
class WaitAnimation;

// The wizard's one window: borderless and black, 459 x 533 at 96 dpi and scaled with the
// monitor it stands on. It makes and places the controls, keeps the focus and the keys,
// paints, and shows what its session (the flow, the lists and the worker) asks for. Its
// destruction ends the process.
class TFormMain final : public SessionView, public JobSink {
public:
    explicit TFormMain(Language language);
    ~TFormMain();
    TFormMain(const TFormMain&) = delete;
    TFormMain& operator=(const TFormMain&) = delete;

    // Creates the window (running FormCreate, which shows the Welcome page) and shows it.
    bool Create(HINSTANCE instance);
    HWND Handle() const { return handle_; }

    // Runs the message loop until the application is asked to terminate.
    void Run();

private:
    friend class OwnWindow<TFormMain>;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void FormCreate();
    [[noreturn]] void FormDestroy();
    // The header, Back, Next, the close button and the Welcome page.
    void CreateControls();
    // The other pages' controls, once: after the first paint, or when a page needs them.
    void CreatePageControls();
    void CreateFonts();
    void SetPageFonts();
    // Every control that exists where the layout table puts it, at the window's dpi; or only
    // those of the pages made after the first paint.
    void LayoutControls(bool otherPagesOnly = false);
    void Place(const ControlPlace& place);
    HWND PlacedWindow(const ControlPlace& place) const;
    // The status line leaves the bar's rectangle to its page, which paints the bar.
    void ClipStatusLineToBar();
    // The wait animation, decoded at most once.
    const WaitAnimation* Animation();
    void EnumAllControls();
    void FormMouseDown();
    bool PreTranslateMessage(MSG& message);
    void OnPaint();
    LRESULT OnCtlColor(UINT message, HDC dc, HWND control);
    void OnDrawItem(const DRAWITEMSTRUCT& item);
    void DrawStatusLine(const DRAWITEMSTRUCT& item);
    void OnActivate(bool active);
    // Puts the focus on `control` if it shows and is enabled, else on the page's first tab
    // stop, Next, Back or the window itself. While the window is inactive, that is where the
    // focus goes when it is activated again.
    void KeepFocusUsable(HWND control);
    bool UsableFocus(HWND control) const;
    void OnCommand(HWND control, int id, int code);
    void OnSheetPaint(HDC dc, HWND sheet);
    void OnDpiChanged(UINT dpi, const RECT& suggested);
    LRESULT OnGetObject(WPARAM wParam, LPARAM lParam);
    void OnSettingChange(bool coloursChanged);
    void OnEscape();
    void CheckBox5Click(int tag);
    void LoadAgreementText();
    std::wstring TextOf(TextId id) const;

    // SessionView
    void EnterPage(WizardPage page, TextId finishedText) override;
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

    // JobSink: the job's reports, taken from the window's queue.
    void JobProgressRange(int maximum) override;
    void JobStep(const std::wstring& path, int position) override;
    void JobHoldEndSession(bool held) override;
    void JobEnded(bool everyCopyWritten) override;

    const Language language_;
    HWND handle_ = nullptr;
    UINT dpi_ = 96;
    HWND savedFocus_ = nullptr;  // the focus while the window is inactive
    bool updatingAgreementBoxes_ = false;
    bool firstPaintDone_ = false;
    bool pageControlsCreated_ = false;
    std::optional<EndSessionHold> endSessionHold_;  // while the installation writes files

    std::unique_ptr<TImage> image21_;
    std::unique_ptr<TImage> imageWeb_;
    HWND labelAppName_ = nullptr;
    TNewPageControl* pageControl_ = nullptr;
    TFlatButton* buttonBack_ = nullptr;
    TFlatButton* buttonNext_ = nullptr;
    TFlatButton* buttonClose_ = nullptr;
    HWND labelText1_1_ = nullptr;
    // Created with the other pages (CreatePageControls); null until then.
    HWND labelText1_2_ = nullptr;
    std::unique_ptr<TImage> imageProgress2_;
    HWND labelText1_4_ = nullptr;
    TCheckListBox* checkListBox4_ = nullptr;
    TFlatButton* buttonAddFolder4_ = nullptr;
    HWND labelText5_1_ = nullptr;
    TFlatMemo* memo5_ = nullptr;
    TFlatCheckBox* checkBoxAccept5_ = nullptr;
    TFlatCheckBox* checkBoxReject5_ = nullptr;
    HWND labelText6_1_ = nullptr;
    HWND labelText6_2_ = nullptr;
    std::unique_ptr<TFlatGauge> progressBar6_;
    HWND labelText7_1_ = nullptr;

    UniqueFont defaultFont_, labelFont_, buttonFont_, checkBoxFont_, appNameFont_;
    UniqueBitmap logo_, banner_, closeGlyph_;

    std::unique_ptr<WaitAnimation> waitAnimation_;
    bool animationDecoded_ = false;
    std::optional<PostedJobSink> jobReports_;  // what the worker reports through
    std::unique_ptr<WizardSession> session_;
};
