#pragma once
#include <string>
#include <vector>

// The user profiles of this machine, as its profile list names them, for a run that installs
// for every user: deployment engines start the program as SYSTEM, whose own folders no
// trader's terminal reads.

// A profile that is installed into: its folder and its roaming application data.
struct UserProfile {
    std::wstring sid, folder, appData;
};

// A profile that is not, and why.
struct PassedOverProfile {
    std::wstring sid, folder, why;
};

struct UserProfiles {
    std::vector<UserProfile> profiles;
    std::vector<PassedOverProfile> passedOver;
};

// What the profile list and the loaded hives say of one profile.
struct ProfileFacts {
    std::wstring sid;
    std::wstring folder;       // ProfileImagePath, expanded
    bool folderExists = false;
    std::wstring hiveAppData;  // the user's User Shell Folders "AppData" as stored; empty when not loaded
};

// `value` with %USERPROFILE% (any letter case) replaced by `profileFolder`; empty when it
// names any other variable, which only that user's own sign-in would give its meaning.
std::wstring ExpandAgainstProfile(const std::wstring& value, const std::wstring& profileFolder);

// Why the profile is passed over (a service account, a folder missing or not on this
// machine's drives, data named through a variable of that user's), or empty: then `appData`
// is its roaming application data, from the loaded hive, else the default below the folder.
// `onLocalDrive` tells a drive of this machine from a share or a network drive.
std::wstring WhyProfilePassedOver(const ProfileFacts& facts, bool (*onLocalDrive)(const std::wstring&),
                                  std::wstring& appData);

// Every profile in the profile list, sorted by the rule above.
UserProfiles ListUserProfiles();

// The desktop shared by every user (the public desktop), or empty.
std::wstring PublicDesktopFolder();
