#pragma once
#include <string>

// ASCII letters A to Z turned into lower case; no other character is changed. Switches,
// device names and window classes compare this way, whatever the user's locale.
inline std::wstring AsciiLower(std::wstring text) {
    for (wchar_t& c : text)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return text;
}
