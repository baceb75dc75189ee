#include "win32/command_line.h"

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
            if (*p == L'\\') {
                // Deployment engines double a backslash before a closing quote ("D:\T\\");
                // an odd run is kept whole, so that "C:\MT4\" as typed still ends its quote.
                size_t run = 0;
                while (p[run] == L'\\') ++run;
                word.append(p[run] == L'"' && run % 2 == 0 ? run / 2 : run, L'\\');
                p += run;
                continue;
            }
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
