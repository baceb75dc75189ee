#pragma once
#include <string>

// The account the process runs as, and where: what a deployment engine's run looks like.
struct RunningAccount {
    std::wstring name;  // DOMAIN\name, or the SID when it has no name
    std::wstring sid;
    unsigned long session = 0;
    bool localSystem = false;
};
RunningAccount CurrentAccount();

// Whether a run works for every user profile whatever it was asked: as LocalSystem or in
// session 0 a deployment engine started it, and the account's own folders are no trader's.
bool ImpliesAllUsers(const RunningAccount& account);

// Whether a window of this process can be seen and answered: not in session 0, where services
// run, and on an interactive window station.
bool SomeoneCanAnswer(unsigned long session, bool stationVisible);
bool SomeoneCanAnswerHere();
