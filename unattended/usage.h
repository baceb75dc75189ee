#pragma once
#include <string>
#include <vector>

// Whether the command line is /? and nothing else.
bool AsksForUsage(const std::vector<std::wstring>& arguments);

// With /? alone, shows the summary in a message box and ends the process with exit code 0;
// otherwise returns at once.
void ShowUsageIfAsked(const std::vector<std::wstring>& arguments);
