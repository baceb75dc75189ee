#include "win32/ascii_text.h"

std::wstring Widened(std::string_view ascii) {
    std::wstring text;
    AppendWidened(text, ascii);
    return text;
}

void AppendWidened(std::wstring& text, std::string_view ascii) {
    const size_t start = text.size();
    text.resize(start + ascii.size());
    for (size_t i = 0; i < ascii.size(); ++i) text[start + i] = static_cast<unsigned char>(ascii[i]);
}

void AppendWidened(std::wstring& text, const char* ascii) { AppendWidened(text, std::string_view(ascii)); }
