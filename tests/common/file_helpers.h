#pragma once
#include <windows.h>

#include <string>
#include <vector>

// A private folder tree under the temporary folder, removed with everything in it when the
// object goes.
class TempTree {
public:
    TempTree();
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const std::wstring& Root() const { return root_; }
    // Root + "\" + relative, with every folder on the way created.
    std::wstring Folder(const std::wstring& relative) const;
    // Writes a file (its folders created) and returns its path.
    std::wstring File(const std::wstring& relative, const std::string& bytes) const;
    std::wstring Path(const std::wstring& relative) const { return root_ + L"\\" + relative; }

private:
    std::wstring root_;
};

// A symbolic link made in place of the folder `link` (removed first, when empty), leading to
// the folder or file `target`: a Unix link inside the prefix's drive, which Wine opens as
// Windows opens a junction (its CreateSymbolicLinkW makes nothing). The link alone goes with
// the object.
class FolderLink {
public:
    FolderLink(const std::wstring& link, const std::wstring& target);
    ~FolderLink();
    FolderLink(const FolderLink&) = delete;
    FolderLink& operator=(const FolderLink&) = delete;
    bool Made() const { return made_; }

private:
    std::wstring path_;
    std::string link_;
    bool made_ = false;
};

// Gives `path` to another Unix user: Wine then shows its security as that user's, which grants
// this process's user only what everyone may (reading). False outside Wine or when it failed.
bool GiveToAnotherUser(const std::wstring& path);

// The drive `letter` ("Q") of the prefix leading to `folder`, gone with the object.
class DriveLink {
public:
    DriveLink(const std::wstring& letter, const std::wstring& folder);
    ~DriveLink();
    DriveLink(const DriveLink&) = delete;
    DriveLink& operator=(const DriveLink&) = delete;
    bool Made() const { return made_; }

private:
    std::wstring root_;
    std::string link_;
    bool made_ = false;
};

// A folder with the layout of a terminal installation: terminal.exe, MQL4\Experts, MQL4\Files.
std::wstring MakeInstallation(const TempTree& tree, const std::wstring& relative);

// An uninstall entry of a MetaTrader 4 terminal in the 32-bit view of the machine's registry,
// as a terminal's installer writes it. Returns the key's path, for UnregisterTerminal.
std::wstring RegisterTerminal(const std::wstring& name, const std::wstring& location);
void UnregisterTerminal(const std::wstring& keyPath);

std::string ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::string& bytes);
void RemoveTree(const std::wstring& folder);
std::vector<std::wstring> FolderEntries(const std::wstring& folder);  // names, "." and ".." left out

std::string Utf16Le(const std::wstring& text, bool withMark);
std::string Utf16Be(const std::wstring& text);
std::string Utf8(const std::wstring& text, bool withMark);
std::string Ansi(const std::wstring& text, UINT codePage = CP_ACP);
