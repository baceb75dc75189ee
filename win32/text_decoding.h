#pragma once
#include <windows.h>

#include <optional>
#include <span>
#include <string>

// Text by its byte-order mark (UTF-8, UTF-16LE, UTF-16BE; the mark dropped), or else in
// `codePageWithoutMark`. UTF-8 is decoded strictly: nothing when it is invalid. Nothing is
// trimmed.
std::optional<std::wstring> DecodeText(std::span<const BYTE> bytes, UINT codePageWithoutMark);

// The whole text of a file, decoded by its byte-order mark (UTF-8, UTF-16LE, UTF-16BE) or
// else in the ANSI code page, nothing trimmed. Nothing when the file cannot be read, is
// larger than `maxBytes`, or its text cannot be decoded.
std::optional<std::wstring> ReadTextFile(const std::wstring& path, DWORD maxBytes = 64 * 1024);
// The same of the file open behind `file` (with read access).
std::optional<std::wstring> ReadText(HANDLE file, DWORD maxBytes = 64 * 1024);

// Appends `text` to `bytes` in UTF-8; false (nothing appended) when it cannot be encoded.
bool AppendUtf8(std::string& bytes, const std::wstring& text);
