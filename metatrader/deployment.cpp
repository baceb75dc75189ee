#include "metatrader/deployment.h"

#include "app/embedded_resource.h"
#include "app/handles.h"
#include "metatrader/installations.h"
#include "metatrader/navigator.h"
#include "metatrader/terminal_conventions.h"

FolderList InstallTargets(const FolderList& selectedInstallations, const FolderList& foundDataFolders) {
    FolderList targets = selectedInstallations;
    targets.insert(targets.end(), foundDataFolders.begin(), foundDataFolders.end());
    return targets;
}

std::wstring ExpertsFolder(std::wstring folder) {
    if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    if (!DirectoryExists(folder)) return {};
    return folder + terminal::kExpertsFolder;
}

namespace {

bool WriteAll(HANDLE file, std::span<const BYTE> bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 20));
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
        bytes = bytes.subspan(written);
    }
    return FlushFileBuffers(file) != FALSE;
}

}  // namespace

bool WriteFileReplacing(const std::wstring& path, std::span<const BYTE> bytes) {
    const size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos) return false;
    const std::wstring folder = path.substr(0, slash);
    // Windows refuses to move over a read-only file; say so before writing anything, on
    // every system alike.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return false;

    // GetTempFileNameW creates the file, so the name is ours; it fails when the folder is
    // missing, which keeps the no-folder-created rule.
    wchar_t temporary[MAX_PATH + 16] = L"";
    if (folder.size() > MAX_PATH - 14 || !GetTempFileNameW(folder.c_str(), L"mv4", 0, temporary)) return false;

    bool written = false;
    {
        UniqueFile file(CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        written = file && WriteAll(file.get(), bytes);
    }
    if (written && MoveFileExW(temporary, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileW(temporary);
    return false;
}

bool ExtractResourceToFile(HMODULE module, const wchar_t* type, const wchar_t* name, const std::wstring& path) {
    const HRSRC found = FindResourceW(module, name, type);
    if (!found) return false;
    return WriteFileReplacing(path, EmbeddedResource(module, type, name));
}

bool InstallFiles(HMODULE module, const FolderList& selectedInstallations, const FolderList& foundDataFolders,
                  InstallView& view) {
    const FolderList targets = InstallTargets(selectedInstallations, foundDataFolders);
    view.SetProgressRange(static_cast<int>(targets.size()) + 1);
    int step = 1;
    bool everyCopyWritten = true;
    for (const std::wstring& target : targets) {
        const std::wstring experts = ExpertsFolder(target);
        if (experts.empty()) {
            everyCopyWritten = false;
            view.ShowInstallStep(target, step);  // the folder that is gone
        } else {
            const std::wstring file = experts + L"\\" + kExpertFileName;
            if (!ExtractResourceToFile(module, L"EXEFILE", L"EXPERT", file)) everyCopyWritten = false;
            view.ShowInstallStep(file, step);
        }
        ++step;
    }

    // Every running terminal lists and selects the new expert, before the shortcut.
    RefreshRunningTerminals(kExpertItemName);

    const std::wstring desktop = view.DesktopFolder();
    if (desktop.empty()) {
        view.ShowInstallStep(kShortcutFileName, step);
    } else {
        const std::wstring shortcut = desktop + L"\\" + kShortcutFileName;
        ExtractResourceToFile(module, L"EXEFILE", L"LINK", shortcut);
        view.ShowInstallStep(shortcut, step);
    }
    return everyCopyWritten;
}
