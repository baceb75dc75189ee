#pragma once
#include <cstdint>

#include "product_identity.h"

// What the wizard relies on of MetaTrader 4 terminals: registry entries, folder layout,
// window classes and control and command ids.
namespace terminal {

// Single bytes, widened where a key's path is made: half the bytes of wide literals.
inline constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
inline constexpr char kUninstallKeyWow64[] = "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
inline constexpr wchar_t kMajorVersionValue[] = L"MajorVersion";
inline constexpr wchar_t kMajorVersion[] = L"4";
inline constexpr wchar_t kInstallLocationValue[] = L"InstallLocation";

inline constexpr wchar_t kProgramFile[] = L"\\terminal.exe";
inline constexpr wchar_t kMql4Folder[] = L"\\MQL4";
inline constexpr wchar_t kExpertsFolder[] = L"\\MQL4\\Experts";
inline constexpr wchar_t kFilesFolder[] = L"\\MQL4\\Files";

inline constexpr wchar_t kDataRoot[] = L"\\MetaQuotes\\Terminal";
inline constexpr wchar_t kOriginFile[] = L"\\origin.txt";

inline constexpr wchar_t kMainWindowClass[] = L"MetaQuotes::MetaTrader::4.00";
inline constexpr int kNavigatorContainerId = 59420;
inline constexpr int kNavigatorPanelId = 82;
inline constexpr int kNavigatorTreeId = 35439;
inline constexpr int kShowNavigatorCommand = 33310;
inline constexpr int kRefreshNavigatorCommand = 38234;
inline constexpr std::uint8_t kExpertGroup = 2;

}  // namespace terminal
