#include "win32/text_decoding.h"

#include <algorithm>
#include <initializer_list>
#include <vector>

#include "win32/handles.h"

std::optional<std::wstring> DecodeText(std::span<const BYTE> bytes, UINT codePageWithoutMark) {
    auto startsWith = [&](std::initializer_list<BYTE> mark) {
        return bytes.size() >= mark.size() && std::equal(mark.begin(), mark.end(), bytes.begin());
    };
    if (startsWith({0xFF, 0xFE}) || startsWith({0xFE, 0xFF})) {
        const bool bigEndian = bytes[0] == 0xFE;
        std::wstring text;
        text.reserve(bytes.size() / 2);
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            text += static_cast<wchar_t>(bigEndian ? (bytes[i] << 8) | bytes[i + 1] : bytes[i] | (bytes[i + 1] << 8));
        return text;
    }
    UINT codePage = codePageWithoutMark;
    DWORD flags = 0;
    if (startsWith({0xEF, 0xBB, 0xBF})) {
        bytes = bytes.subspan(3);
        codePage = CP_UTF8;
        flags = MB_ERR_INVALID_CHARS;
    }
    if (bytes.empty()) return std::wstring();
    const char* source = reinterpret_cast<const char*>(bytes.data());
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(codePage, flags, source, size, nullptr, 0);
    if (length <= 0) return std::nullopt;
    std::wstring text(static_cast<size_t>(length), L'\0');
    if (MultiByteToWideChar(codePage, flags, source, size, text.data(), length) != length) return std::nullopt;
    return text;
}

std::optional<std::wstring> ReadTextFile(const std::wstring& path, DWORD maxBytes) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file ? ReadText(file.get(), maxBytes) : std::nullopt;
}

std::optional<std::wstring> ReadText(HANDLE file, DWORD maxBytes) {
    ULONGLONG size = 0;
    if (!FileSizeOf(file, size) || size > maxBytes) return std::nullopt;
    std::vector<BYTE> bytes(static_cast<size_t>(size));
    DWORD read = 0;
    if (!bytes.empty() && (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                           read != bytes.size()))
        return std::nullopt;
    return DecodeText(bytes, CP_ACP);
}

bool AppendUtf8(std::string& bytes, const std::wstring& text) {
    if (text.empty()) return true;
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (size <= 0) return false;
    const size_t start = bytes.size();
    bytes.resize(start + static_cast<size_t>(size));
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data() + start, size, nullptr,
                        nullptr);
    return true;
}
