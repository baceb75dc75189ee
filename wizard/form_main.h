#pragma once
#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "metatrader/deployment.h"
#include "texts/texts.h"
#include "win32/end_session_hold.h"
#include "win32/folder_list.h"
#include "win32/handles.h"
#include "win32/window.h"
#include "wizard/page_flow.h"
#include "wizard/wizard_ids.h"

class TCheckListBox;
class TFlatButton;
class TFlatCheckBox;
class TFlatGauge;
class TFlatMemo;
class TImage;
class TMyThread;
class TNewPageControl;
class WaitAnimation;

// The wizard's one window: borderless and black, 459 x 533 at 96 dpi and scaled with the
// monitor it stands on. It owns the two folder lists, the wait animation and the worker. Its
// destruction ends the process.
class TFormMain final : public InstallView {
public:
    static constexpr int kClientWidth = 459;
    static constexpr int kClientHeight = 533;

    TFormMain();
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

    // Window (form_main.cpp).
    void FormCreate();
    [[noreturn]] void FormDestroy();
    // The header, Back, Next, the close button and the Welcome page.
    void CreateControls();
    // The other pages' controls, once: after the first paint, or when a page needs them.
    void CreatePageControls();
    void CreateFonts();
    void SetPageFonts();
    void LayoutControls();
    void LayoutPages();
    void PlaceWaitImage();
    // The wait animation, decoded at most once.
    const WaitAnimation* Animation();
    void EnumAllControls();
    void FormMouseDown();
    bool PreTranslateMessage(MSG& message);
    void ProcessMessages();
    void PlaceInPage(HWND control, int left, int top, int width, int height);
    void OnPaint();
    void OnFirstIdle();
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

    // Controller (controller.cpp).
    void ShowPage(WizardPage page);
    // Steps 1 to 4 of showing a page: waiting messages, the page, its layout, its button rules,
    // its action; and where the focus goes.
    void EnterPage(WizardPage page);
    // The page control repainted, waiting messages handled.
    void SettlePage();
    void TakeStep(const FlowStep& step);
    void ApplyPageLayout(WizardPage page);
    void ApplyButtonRules(WizardPage page);
    void FitAgreementBoxes();
    void FoldersPageAction();
    void CollectSelection();
    void StartJob(int job);
    void JobTimerTick();
    void ButtonNavigationClick(int tag);
    void OnEscape();
    void CheckBox5Click(int tag);
    void CheckListBox4ClickCheck();
    void ButtonAddFolder4Click();
    void Finish();
    WizardPage CurrentPage() const;
    std::wstring TextOf(TextId id) const;

    // InstallView
    void SetProgressRange(int maximum) override;
    void ShowInstallStep(const std::wstring& text, int position) override;
    std::wstring DesktopFolder() override;
    void HoldEndSession(bool held) override;

    HWND handle_ = nullptr;
    UINT dpi_ = 96;
    bool quitRequested_ = false;
    int switching_ = 0;  // depth of ShowPage calls under way
    bool installing_ = false;  // the installation runs, inside the switch to Installing
    HWND savedFocus_ = nullptr;  // the focus while the window is inactive
    bool updatingAgreementBoxes_ = false;
    bool everyCopyWritten_ = true;
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
    std::unique_ptr<TMyThread> worker_;
    std::unique_ptr<FolderList> selectedInstallations_;
    std::unique_ptr<FolderList> foundDataFolders_;
};
