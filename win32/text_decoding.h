#pragma once
#include <windows.h>

#include <optional>
#include <span>
#include <string>

// Text by its byte-order mark (UTF-8, UTF-16LE, UTF-16BE; the mark dropped), or else in
// `codePageWithoutMark`. UTF-8 is decoded strictly: nothing when it is invalid. Nothing is
// trimmed.
std::optional<std::wstring> DecodeText(std::span<const BYTE> bytes, UINT codePageWithoutMark);
