#pragma once
#include <windows.h>

#include <memory>

#include "app/handles.h"
#include "metatrader/folder_list.h"

// The wizard's one window: borderless, black, fixed size at 96 dpi and scaled with the
// monitor it stands on.
class TFormMain {
public:
    // Control ids double as the controls' Tags.
    enum ControlId : int {
        kButtonNext = 1,
        kButtonBack = 2,
        kButtonClose = 3,
        kLabelText = 100,
    };

    static constexpr int kClientWidth = 459;
    static constexpr int kClientHeight = 533;

    // Creates the window (running FormCreate) and shows it. Returns nullptr on failure.
    static HWND Create(HINSTANCE instance, int showCommand);

private:
    explicit TFormMain(HWND handle) : handle_(handle) {}
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void FormCreate();
    [[noreturn]] void FormDestroy();
    void CreateFonts();
    void LayoutControls();
    void PlaceInClient(HWND control, int left, int top, int width, int height);
    void ShowWelcomePage();

    void OnPaint();
    LRESULT OnCtlColorStatic(HDC dc);
    void OnDrawItem(const DRAWITEMSTRUCT& item);
    void OnCommand(int id);
    void OnDpiChanged(UINT dpi, const RECT& suggested);

    HWND handle_;
    UINT dpi_ = 96;
    HWND labelText_ = nullptr;
    HWND buttonClose_ = nullptr;
    UniqueFont textFont_;
    UniqueBrush blackBrush_;
    UniqueBitmap closeGlyph_;
    std::unique_ptr<FolderList> selectedInstallations_;
    std::unique_ptr<FolderList> foundDataFolders_;
};
