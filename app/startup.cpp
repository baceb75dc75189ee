#include "app/startup.h"

bool ClaimSingleInstance(const wchar_t* name) {
    // Created, then looked at: of two starts at the same moment only one can be first. The
    // handle stays open on purpose; only the event's existence matters.
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, name);
    if (!event) return false;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return true;
    CloseHandle(event);
    return false;
}

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

const wchar_t* AfterProgramName(const wchar_t* commandLine) {
    // The name starts at the very first character, as the platform reads it: a line that
    // starts with a blank (CreateProcess given the program apart and " /silent") has an empty
    // name, and its first word is an argument.
    const wchar_t* p = commandLine ? commandLine : L"";
    for (bool quoted = false; *p != 0 && (quoted || *p > L' '); ++p)
        if (*p == L'"') quoted = !quoted;
    return p;
}

std::vector<std::wstring> CommandLineArguments(const wchar_t* commandLine) {
    std::vector<std::wstring> words;
    const wchar_t* p = AfterProgramName(commandLine);
    for (;;) {
        while (*p != 0 && *p <= L' ') ++p;
        if (*p == 0) break;
        std::wstring word;
        bool quoted = false;
        while (*p != 0 && (quoted || *p > L' ')) {
            if (*p == L'"')
                quoted = !quoted;
            else
                word += *p;
            ++p;
        }
        words.push_back(std::move(word));
    }
    return words;
}

std::wstring AsciiLower(std::wstring text) {
    for (wchar_t& c : text)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return text;
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
