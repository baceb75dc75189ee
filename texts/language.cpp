#include "texts/language.h"

#include <windows.h>

#include "win32/ascii_case.h"
#include "win32/command_line.h"

Language LanguageOfLocaleId(LCID locale) {
    switch (locale) {
        case 0x0419:  // Russian (Russia)
        case 0x0422:  // Ukrainian (Ukraine)
        case 0x0423:  // Belarusian (Belarus)
            return kRussian;
        case 0x0407:  // German (Germany)
        case 0x0C07:  // German (Austria)
        case 0x1407:  // German (Liechtenstein)
        case 0x1007:  // German (Luxembourg)
        case 0x0807:  // German (Switzerland)
            return kGerman;
        default:
            return kNoLanguage;
    }
}

Language LanguageFromLocale() {
    LCID locale = GetUserDefaultLCID();
    if (!IsValidLocale(locale, LCID_INSTALLED)) locale = GetThreadLocale();
    return LanguageOfLocaleId(locale);
}

Language LanguageOfSwitch(const std::wstring& argument) {
    const std::wstring lower = AsciiLower(argument);
    if (lower == L"/en" || lower == L"/eng") return kEnglish;
    if (lower == L"/de" || lower == L"/ge") return kGerman;
    if (lower == L"/ru" || lower == L"/rus") return kRussian;
    return kNoLanguage;
}

Language ChooseLanguage(Language fromLocale, const wchar_t* commandLine) {
    const std::vector<std::wstring> arguments = CommandLineArguments(commandLine);
    const Language chosen = arguments.empty() ? kNoLanguage : LanguageOfSwitch(arguments.front());
    const Language language = chosen != kNoLanguage ? chosen : fromLocale;
    return language == kNoLanguage ? kEnglish : language;
}
