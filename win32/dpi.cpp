#include "win32/dpi.h"

#include <string_view>

#include "win32/handles.h"
#include "win32/system_functions.h"

namespace {

HFONT CreateFontOfHeight(const wchar_t* face, int characterHeight, bool bold) {
    LOGFONTW font{};
    font.lfHeight = -characterHeight;  // negative: character height, not cell height
    font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    std::wstring_view(face).copy(font.lfFaceName, LF_FACESIZE - 1);  // the rest stays zero
    return CreateFontIndirectW(&font);
}

}  // namespace

UINT DpiOfWindow(HWND window) {
    if (const auto getDpiForWindow = UserApi().getDpiForWindow; getDpiForWindow && window) {
        UINT dpi = getDpiForWindow(window);
        if (dpi != 0) return dpi;
    }
    const WindowDc screen(nullptr);
    const UINT dpi = static_cast<UINT>(GetDeviceCaps(screen.get(), LOGPIXELSY));
    return dpi ? dpi : 96;
}

HFONT CreatePointFont(const wchar_t* face, int points, bool bold, UINT dpi) {
    return CreateFontOfHeight(face, ScaledRounded(points, dpi, 72), bold);
}

HFONT CreatePixelFont(const wchar_t* face, int pixelsAt96, bool bold, UINT dpi) {
    return CreateFontOfHeight(face, Scale(pixelsAt96, dpi), bold);
}
