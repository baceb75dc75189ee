#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "texts/texts.h"

// The single-instance guard of the logon session: creates the named event and keeps it for
// the life of the process. False when another process already holds it, or it cannot be
// made.
bool ClaimSingleInstance(const wchar_t* name = L"Quorvel_Installer");

// Language of a locale identifier, compared whole (sort bits included); kNoLanguage when
// the locale is none of the known Russian-speaking or German-speaking ones.
Language LanguageOfLocaleId(LCID locale);

// The user's default locale if installed, else the thread's locale, mapped as above.
Language LanguageFromLocale();

// The rest of the command line after the program's name, which runs from the first character
// to the first blank or control character outside double quotes.
const wchar_t* AfterProgramName(const wchar_t* commandLine);

// The arguments after the program's name. Blanks and control characters separate them;
// a stretch in double quotes may hold blanks, and the quotes are dropped.
std::vector<std::wstring> CommandLineArguments(const wchar_t* commandLine);

// ASCII letters A to Z turned into lower case; no other character is changed.
std::wstring AsciiLower(std::wstring text);

// The language a known language switch names ("/en", "/eng", "/de", "/ge", "/ru", "/rus",
// ignoring ASCII letter case), else kNoLanguage.
Language LanguageOfSwitch(const std::wstring& argument);

// Start-up steps 2 to 4: the locale's language, overridden by a known switch as the
// first argument, English as the fallback.
Language ChooseLanguage(Language fromLocale, const wchar_t* commandLine);
