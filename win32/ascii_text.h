#pragma once
#include <string>
#include <string_view>

// English-only text that is plain ASCII (the usage summary, the log's phrases) is stored as
// single bytes and widened where a wide string needs it: half the bytes of wide literals.
// Out of line: inlined, each of its many calls would make the string in place, several
// times the bytes of a call.
[[gnu::noinline]] std::wstring Widened(std::string_view ascii);
// Appends `ascii` to `text`, widened.
void AppendWidened(std::wstring& text, std::string_view ascii);
// The same for a zero-terminated string: the call a literal takes, half the code of one that
// builds a string_view at every call.
void AppendWidened(std::wstring& text, const char* ascii);
// Whether `text` is `ascii`, character for character.
bool EqualsAscii(const std::wstring& text, const char* ascii);

inline constexpr char kHexDigits[] = "0123456789abcdef";

// For a static_assert beside such text: a character beyond ASCII would be widened wrong.
constexpr bool IsAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}
