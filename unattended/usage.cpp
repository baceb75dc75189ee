#include "unattended/usage.h"

#include <windows.h>

#include "product_identity.h"
#include "win32/ascii_case.h"
#include "win32/ascii_text.h"
#include "win32/embedded_resource.h"

namespace {

// The command-line summary, in English: how a script calls the program, each switch in a
// line, and the exit codes. Made from resources/usage.txt (ASCII), stored compressed.
#include "packed_usage.h"

std::wstring UsageText() {
    const std::vector<BYTE> ascii = Expanded(kPackedUsage);
    return Widened({reinterpret_cast<const char*>(ascii.data()), ascii.size()});
}

}  // namespace

bool AsksForUsage(const std::vector<std::wstring>& arguments) {
    return arguments.size() == 1 && (arguments.front() == L"/?" || EqualsAscii(AsciiLower(arguments.front()), "/help"));
}

void ShowUsageIfAsked(const std::vector<std::wstring>& arguments) {
    if (!AsksForUsage(arguments)) return;
    MessageBoxW(nullptr, UsageText().c_str(), kSetupTitle, MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
    ExitProcess(0);
}
