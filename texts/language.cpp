#include "texts/language.h"

#include <windows.h>

#include "win32/ascii_case.h"
#include "win32/command_line.h"

std::optional<Language> LanguageOfLocaleId(LCID locale) {
    switch (locale) {
        case 0x0419:  // Russian (Russia)
        case 0x0422:  // Ukrainian (Ukraine)
        case 0x0423:  // Belarusian (Belarus)
            return Language::Russian;
        case 0x0407:  // German (Germany)
        case 0x0C07:  // German (Austria)
        case 0x1407:  // German (Liechtenstein)
        case 0x1007:  // German (Luxembourg)
        case 0x0807:  // German (Switzerland)
            return Language::German;
        default:
            return std::nullopt;
    }
}

std::optional<Language> LanguageFromLocale() {
    LCID locale = GetUserDefaultLCID();
    if (!IsValidLocale(locale, LCID_INSTALLED)) locale = GetThreadLocale();
    return LanguageOfLocaleId(locale);
}

std::optional<Language> LanguageOfSwitch(const std::wstring& argument) {
    const std::wstring lower = AsciiLower(argument);
    if (lower == L"/en" || lower == L"/eng") return Language::English;
    if (lower == L"/de" || lower == L"/ge") return Language::German;
    if (lower == L"/ru" || lower == L"/rus") return Language::Russian;
    return std::nullopt;
}

Language ChooseLanguage(std::optional<Language> fromLocale, const wchar_t* commandLine) {
    const std::vector<std::wstring> arguments = CommandLineArguments(commandLine);
    const std::optional<Language> chosen = arguments.empty() ? std::nullopt : LanguageOfSwitch(arguments.front());
    return chosen.value_or(fromLocale.value_or(Language::English));
}
