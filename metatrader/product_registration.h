#pragma once
#include <windows.h>

#include <string>
#include <vector>

class InstallView;

// The product as Windows knows it once installed: the program's own copy in its folder under
// the 32-bit Program Files folder, its entry in Apps & Features (the machine's uninstall key)
// and the detection values under the machine's software key for the product. Both keys are
// in the 32-bit registry view, whichever width the program is built for.

// The uninstall entry and the detection values, below HKEY_LOCAL_MACHINE.
std::wstring UninstallKeyPath();
std::wstring DetectionKeyPath();
// The program's folder and its copy there; empty when the platform names no such folder.
std::wstring ProgramFolder();
std::wstring ProgramCopyPath();

// What became of one step of registering the product or taking it off again.
struct RegistrationOutcome {
    enum class Step { ProgramCopy, UninstallEntry, DetectionValues, ProgramFolder };
    Step step;
    std::wstring where;  // the file, the folder or the key (below HKEY_LOCAL_MACHINE)
    bool done = false;   // written, or removed (also: was not there)
    DWORD error = 0;
    std::wstring ledTo;  // where the folder's name led when it led elsewhere
    // Removal: the copy is the running program, which a temporary copy of it removes once
    // this process has ended; where none could start, Windows removes it at the next restart.
    bool afterExit = false;
};

// After an installation that wrote `copiesWritten` copies of the expert (at least one): the
// running program's file copied into its folder as every
// write of the program's own is made (the held folder, its final path checked, replaced in
// one step), then the uninstall entry naming that copy (a later installation rewrites it),
// then the detection values. No entry where the copy could not be written.
std::vector<RegistrationOutcome> RegisterProduct(unsigned copiesWritten);

// The uninstall entry, the detection values, the program's copy and its folder removed.
std::vector<RegistrationOutcome> UnregisterProduct();

// The removal that the Apps & Features entry starts, with a window: the expert taken off
// wherever an installation with every terminal ticked puts it, each file shown on `view`;
// then, where no copy of the expert is left, the product unregistered as above. True when no
// copy is left.
bool RemoveProduct(InstallView& view);

// The switch that starts the temporary copy, with the handle (decimal) of the process whose
// copy it removes once that process has ended.
inline constexpr wchar_t kFinishRemovalSwitch[] = L"/finish-removal=";
// The temporary copy's run: waits for that process, removes the program's copy and folder,
// then itself and its folder (at the next restart: Windows keeps a running program's file).
void FinishRemoval(const std::wstring& processHandle);
