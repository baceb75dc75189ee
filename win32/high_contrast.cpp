#include "win32/high_contrast.h"

namespace {
bool highContrast = false;
}  // namespace

bool HighContrast() { return highContrast; }

void SetHighContrast(bool on) { highContrast = on; }

bool SystemHighContrast() {
    HIGHCONTRASTW setting{sizeof setting, 0, nullptr};
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof setting, &setting, 0) &&
           (setting.dwFlags & HCF_HIGHCONTRASTON);
}

HBRUSH BackgroundBrush() {
    return highContrast ? GetSysColorBrush(COLOR_WINDOW) : static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
}
