#pragma once
#include <string>

// `line` as one line of the log that shows what it says: every control, format, line- and
// paragraph-separator character becomes a blank (a character outside the basic plane, two
// units, becomes one blank). Line breaks in a path or a system message would split a step in
// two, and the invisible ones (U+2028, U+0085, U+202E) would forge or hide lines.
std::wstring OneLogLine(const std::wstring& line);

// Whether `c` is one of those characters (Unicode's Cc, Cf, Zl and Zp).
bool IsHiddenCharacter(char32_t c);

// The log of one silent run, collected as it goes and written whole when the run begins and
// ends. The header's lines stand as given; every later line starts with the time since the
// process started, which shows support where a run spent its time.
class RunLog {
public:
    void AddHeader(const std::wstring& line);
    void Add(const std::wstring& line);
    // A line of English-only ASCII text.
    void Add(const char* ascii);
    const std::wstring& Text() const { return text_; }

private:
    std::wstring text_;
};
