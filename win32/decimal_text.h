#pragma once
#include <cstdint>
#include <string>

// 64-bit unsigned division by a divisor below 65,536, 16 bits at a time: 32-bit code has no
// 64-bit division, and the compiler's helper for it would add its own code and unwind table.
inline std::uint64_t DividedBy(std::uint64_t value, std::uint16_t divisor, std::uint32_t* remainder = nullptr) {
    std::uint32_t rest = 0;
    std::uint64_t quotient = 0;
    for (int shift = 48; shift >= 0; shift -= 16) {
        const std::uint32_t part = rest << 16 | static_cast<std::uint32_t>(value >> shift & 0xFFFF);
        quotient |= static_cast<std::uint64_t>(part / divisor) << shift;
        rest = part % divisor;
    }
    if (remainder) *remainder = rest;
    return quotient;
}

// Unsigned decimal without the C library's formatted output, which would add its whole
// printf engine to the program.
inline void AppendDecimal(std::wstring& text, std::uint64_t value) {
    wchar_t digits[20];
    int at = 20;
    do {
        std::uint32_t digit = 0;
        value = DividedBy(value, 10, &digit);
        digits[--at] = static_cast<wchar_t>(L'0' + digit);
    } while (value);
    text.append(digits + at, digits + 20);
}

inline std::wstring DecimalText(std::uint64_t value) {
    std::wstring text;
    AppendDecimal(text, value);
    return text;
}
