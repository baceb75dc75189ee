#include "win32/end_session_hold.h"

EndSessionHold::EndSessionHold(HWND window, const std::wstring& reason)
    : window_(window), reasonShown_(ShutdownBlockReasonCreate(window, reason.c_str()) != FALSE) {
    ++holds_;
}

EndSessionHold::~EndSessionHold() {
    --holds_;
    if (reasonShown_) ShutdownBlockReasonDestroy(window_);
}
