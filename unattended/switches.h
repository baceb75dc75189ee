#pragma once
#include <string>
#include <vector>

// What the switches of a silent run ask for. Switch names are compared ignoring ASCII letter
// case; values are kept exactly as given.
struct UnattendedSwitches {
    bool acceptAgreement = false;       // /accept-agreement
    bool skipRegistry = false;          // /skip-registry
    std::vector<std::wstring> folders;  // /folder=PATH, repeatable, in the order given
    std::wstring logPath;               // /log=PATH
    std::wstring agreementPath;         // /agreement=PATH
    std::vector<std::wstring> scanRoots;  // /scan=ROOT, repeatable
    std::wstring statusPath;            // /status=PATH
    bool remove = false;                // /remove
    bool allUsers = false;              // /all-users: every profile's data folders, the public desktop
    bool passive = false;               // /passive: the Installing page alone, no input taken
    std::wstring usageError;            // why the command line is refused; empty when it is not
};

// Whether any argument is /silent, or one of the names deployment tools and agents pass for it
// (/S, /VERYSILENT, /quiet, /qn, /q). Without one (or /passive) no other switch means anything:
// the wizard runs with its window.
bool AsksForSilentRun(const std::vector<std::wstring>& arguments);

// Whether any argument is /passive: a silent run that shows its progress and takes no input.
bool AsksForPassiveRun(const std::vector<std::wstring>& arguments);

// Whether any argument is /remove: what the Apps & Features entry starts, without /silent.
bool AsksForRemoval(const std::vector<std::wstring>& arguments);

// Where /log without a value writes: Mervane4Setup.log in the running account's temporary
// folder (SYSTEM's is the Windows one).
std::wstring DefaultLogPath();

// The switches of a silent run, read from every argument (the program's name left out). A
// language switch counts only as the first argument, where it chose the language; anywhere
// else it is refused, since consent given in one language must not be taken in another.
UnattendedSwitches ReadSwitches(const std::vector<std::wstring>& arguments);
