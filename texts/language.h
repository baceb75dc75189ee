#pragma once
#include <windows.h>

#include <optional>
#include <string>

#include "texts/texts.h"

// Language of a locale identifier, compared whole (sort bits included); none when the
// locale is none of the known Russian-speaking or German-speaking ones.
std::optional<Language> LanguageOfLocaleId(LCID locale);

// The user's default locale if installed, else the thread's locale, mapped as above.
std::optional<Language> LanguageFromLocale();

// The language a known language switch names ("/en", "/eng", "/de", "/ge", "/ru", "/rus",
// ignoring ASCII letter case), else none.
std::optional<Language> LanguageOfSwitch(const std::wstring& argument);

// The locale's language, overridden by a known switch as the first argument, English as the
// fallback.
Language ChooseLanguage(std::optional<Language> fromLocale, const wchar_t* commandLine);
