#pragma once
#include <string>
#include <vector>

// The rest of the command line after the program's name, which runs from the first character
// to the first blank or control character outside double quotes.
const wchar_t* AfterProgramName(const wchar_t* commandLine);

// The arguments after the program's name. Blanks and control characters separate them;
// a stretch in double quotes may hold blanks, and the quotes are dropped. A run of backslashes
// right before a quote is halved when it is even; any other backslash is kept as it stands.
std::vector<std::wstring> CommandLineArguments(const wchar_t* commandLine);
