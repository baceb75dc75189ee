#pragma once
#include <windows.h>

#include <string>

#include "texts/texts.h"

// Language of a locale identifier, compared whole (sort bits included); kNoLanguage when
// the locale is none of the known Russian-speaking or German-speaking ones.
Language LanguageOfLocaleId(LCID locale);

// The user's default locale if installed, else the thread's locale, mapped as above.
Language LanguageFromLocale();

// The language a known language switch names ("/en", "/eng", "/de", "/ge", "/ru", "/rus",
// ignoring ASCII letter case), else kNoLanguage.
Language LanguageOfSwitch(const std::wstring& argument);

// Start-up steps 2 to 4: the locale's language, overridden by a known switch as the
// first argument, English as the fallback.
Language ChooseLanguage(Language fromLocale, const wchar_t* commandLine);
