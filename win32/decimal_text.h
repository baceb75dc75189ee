#pragma once
#include <cstdint>
#include <string>

// Unsigned decimal without the C library's formatted output, which would add its whole
// printf engine to the program.
inline std::wstring DecimalText(std::uint64_t value) {
    wchar_t digits[20];
    int at = 20;
    do {
        digits[--at] = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    } while (value);
    return std::wstring(digits + at, digits + 20);
}
