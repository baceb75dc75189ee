#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "file_helpers.h"

// A machine with MetaTrader 4 terminals: uninstall entries in the 32-bit view, installation
// folders and data folders with their markers, all removed afterwards, and with them what an
// installation registered of the product.
class Machine {
public:
    Machine();
    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    // An installation registered under `name`, stored with or without a trailing backslash.
    std::wstring AddTerminal(const std::wstring& name, bool registered = true, bool trailingBackslash = false);
    void Register(const std::wstring& name, const std::wstring& location);
    // The data folder of an installation, with its marker as a real terminal writes it.
    std::wstring AddDataFolder(const std::wstring& installation);
    const TempTree& Tree() const { return tree_; }

private:
    TempTree tree_;
    std::wstring appData_;
    std::vector<std::wstring> keys_;
    std::vector<std::wstring> dataFolders_;
};

// An embedded resource of type "EXEFILE" of the built program.
std::string ResourceBytes(const wchar_t* name);
inline std::string LinkBytes() { return ResourceBytes(L"LINK"); }

// Whether the folder's experts folder holds the embedded expert, byte for byte.
bool HasExpert(const std::wstring& folder);

// ASCII for test messages.
std::string Narrow(const std::wstring& text);

// A value of the product's keys (below HKEY_LOCAL_MACHINE) in the 32-bit view: text, or a
// number as decimal text; "<missing>" when there is none.
std::wstring ProductValue(const std::wstring& key, const wchar_t* name);
// The names of the temporary copies' folders in the Windows folder's Temp.
std::vector<std::wstring> TemporaryCopies();
// What Windows deletes at the next restart, the entries separated by "|".
std::wstring RemovedAtRestart();
// Whether the program's folder is gone once the temporary copy that removes it has ended (within
// half a minute), and that copy with it: now, or, where the system keeps a running program's
// file (Windows, Wine), at the next restart. The copy's folder is cleared here then.
bool GoneWithTheTemporaryCopy(const std::wstring& folder, const std::vector<std::wstring>& copiesBefore);
