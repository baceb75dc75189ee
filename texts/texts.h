#pragma once
#include <cstdint>
#include <string>

using Language = std::uint8_t;
using TextId = std::uint32_t;

inline constexpr Language kEnglish = 0;
inline constexpr Language kGerman = 1;
inline constexpr Language kRussian = 2;
inline constexpr Language kNoLanguage = 255;

// Replaces `text` by the entry for (id, language). An unknown id or language leaves
// `text` exactly as the caller passed it.
void LookupText(TextId id, Language language, std::wstring& text);

// The text for (id, language), or an empty string when the table has none.
std::wstring Text(TextId id, Language language);
