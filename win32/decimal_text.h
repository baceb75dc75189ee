#pragma once
#include <cstdint>
#include <string>

// Unsigned decimal without the C library's formatted output, which would add its whole
// printf engine to the program.
inline void AppendDecimal(std::wstring& text, std::uint64_t value) {
    wchar_t digits[20];
    int at = 20;
    do {
        // Divided by ten 16 bits at a time: 32-bit code has no 64-bit division, and the
        // compiler's helper for it would add its own code.
        std::uint32_t rest = 0;
        std::uint64_t quotient = 0;
        for (int shift = 48; shift >= 0; shift -= 16) {
            const std::uint32_t part = rest << 16 | static_cast<std::uint32_t>(value >> shift & 0xFFFF);
            quotient |= static_cast<std::uint64_t>(part / 10) << shift;
            rest = part % 10;
        }
        digits[--at] = static_cast<wchar_t>(L'0' + rest);
        value = quotient;
    } while (value);
    text.append(digits + at, digits + 20);
}

inline std::wstring DecimalText(std::uint64_t value) {
    std::wstring text;
    AppendDecimal(text, value);
    return text;
}
