#include "unattended/run_log.h"

#include <windows.h>

#include "win32/ascii_text.h"
#include "win32/decimal_text.h"

namespace {

// The characters of Unicode's general categories Cc, Cf, Zl and Zp (Unicode 15.1).
struct Range {
    char32_t first, last;
};
constexpr Range kHidden[] = {
    {0x0000, 0x001F},   {0x007F, 0x009F},   {0x00AD, 0x00AD},   {0x0600, 0x0605},   {0x061C, 0x061C},
    {0x06DD, 0x06DD},   {0x070F, 0x070F},   {0x0890, 0x0891},   {0x08E2, 0x08E2},   {0x180E, 0x180E},
    {0x200B, 0x200F},   {0x2028, 0x202E},   {0x2060, 0x2064},   {0x2066, 0x206F},   {0xFEFF, 0xFEFF},
    {0xFFF9, 0xFFFB},   {0x110BD, 0x110BD}, {0x110CD, 0x110CD}, {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3},
    {0x1D173, 0x1D17A}, {0xE0001, 0xE0001}, {0xE0020, 0xE007F},
};

}  // namespace

bool IsHiddenCharacter(char32_t c) {
    for (const Range& range : kHidden)
        if (c >= range.first && c <= range.last) return true;
    return false;
}

namespace {

void AppendShown(std::wstring& shown, const std::wstring& line) {
    for (size_t i = 0; i < line.size(); ++i) {
        char32_t c = line[i];
        size_t units = 1;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < line.size() && line[i + 1] >= 0xDC00 && line[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (line[i + 1] - 0xDC00);
            units = 2;
        }
        if (IsHiddenCharacter(c))
            shown += L' ';
        else
            shown.append(line, i, units);
        i += units - 1;
    }
}

}  // namespace

std::wstring OneLogLine(const std::wstring& line) {
    std::wstring shown;
    AppendShown(shown, line);
    return shown;
}

void RunLog::AddHeader(const std::wstring& line) {
    AppendShown(text_, line);
    text_ += L"\r\n";
}

void RunLog::Add(const std::wstring& line) {
    // The time since the process started, in FILETIME's 100 ns units: 0 should the clock go back.
    static_assert(sizeof(FILETIME) == sizeof(unsigned long long));
    static unsigned long long started = 0;  // read once: each read is a call into the system
    unsigned long long unused[3], now = 0;
    if (!started)
        GetProcessTimes(GetCurrentProcess(), reinterpret_cast<FILETIME*>(&started), reinterpret_cast<FILETIME*>(unused),
                        reinterpret_cast<FILETIME*>(unused + 1), reinterpret_cast<FILETIME*>(unused + 2));
    GetSystemTimeAsFileTime(reinterpret_cast<FILETIME*>(&now));
    text_ += L'[';
    AppendDecimal(text_, now >= started ? DividedBy(now - started, 10000) : 0);
    text_ += L" ms] ";
    AddHeader(line);
}

void RunLog::Add(const char* ascii) { Add(Widened(ascii)); }
