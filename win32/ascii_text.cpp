#include "win32/ascii_text.h"

std::wstring Widened(std::string_view ascii) {
    std::wstring text;
    AppendWidened(text, ascii);
    return text;
}

bool EqualsAscii(const std::wstring& text, const char* ascii) {
    size_t i = 0;
    for (; ascii[i]; ++i)
        if (i == text.size() || text[i] != static_cast<unsigned char>(ascii[i])) return false;
    return i == text.size();
}

void AppendWidened(std::wstring& text, std::string_view ascii) {
    const size_t start = text.size();
    text.resize(start + ascii.size());
    for (size_t i = 0; i < ascii.size(); ++i) text[start + i] = static_cast<unsigned char>(ascii[i]);
}

void AppendWidened(std::wstring& text, const char* ascii) { AppendWidened(text, std::string_view(ascii)); }
