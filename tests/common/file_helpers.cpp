#include "file_helpers.h"

#include <atomic>

#include "win32/ascii_case.h"

namespace {

void CreateFolders(const std::wstring& path) {
    for (size_t i = 3; i <= path.size(); ++i)
        if (i == path.size() || path[i] == L'\\') CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
}

// The Unix path of a Windows one, as Wine maps it; empty outside Wine.
std::string UnixPath(const std::wstring& path) {
    using ToUnix = char*(__cdecl*)(const wchar_t*);
    const auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* unix = toUnix ? toUnix(path.c_str()) : nullptr;
    std::string result = unix ? unix : "";
    if (unix) HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

// Starts a Unix program of the machine, which Wine runs as it is, and waits up to 10 s for
// `done`: the handle Wine gives for such a program does not wait for its end.
template <typename Done>
bool RunUnix(const wchar_t* program, std::wstring commandLine, Done done) {
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int i = 0; i < 1000 && !done(); ++i) Sleep(10);
    return done();
}

std::wstring Quote(const std::string& unixPath) {
    std::wstring wide(unixPath.size(), L'\0');  // UTF-8 takes no fewer units than UTF-16
    wide.resize(MultiByteToWideChar(CP_UTF8, 0, unixPath.data(), static_cast<int>(unixPath.size()), wide.data(),
                                    static_cast<int>(wide.size())));
    return L"\"" + wide + L"\"";
}

}  // namespace

FolderLink::FolderLink(const std::wstring& link, const std::wstring& target) : path_(link) {
    const std::string to = UnixPath(target);
    link_ = UnixPath(link);
    if (to.empty() || link_.empty()) return;
    auto attributes = [&] { return GetFileAttributesW(path_.c_str()); };
    if (attributes() != INVALID_FILE_ATTRIBUTES)
        RunUnix(L"Z:\\bin\\rmdir", L"rmdir " + Quote(link_), [&] { return attributes() == INVALID_FILE_ATTRIBUTES; });
    made_ = RunUnix(L"Z:\\bin\\ln", L"ln -s " + Quote(to) + L" " + Quote(link_), [&] {
        // Wine shows a link to a file as a plain file.
        return attributes() != INVALID_FILE_ATTRIBUTES &&
               (attributes() & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != FILE_ATTRIBUTE_DIRECTORY;
    });
}

FolderLink::~FolderLink() {
    // No -r: the link goes, not what it leads to.
    if (made_)
        RunUnix(L"Z:\\bin\\rm", L"rm " + Quote(link_),
                [&] { return GetFileAttributesW(path_.c_str()) == INVALID_FILE_ATTRIBUTES; });
}

bool GiveToAnotherUser(const std::wstring& path) {
    const std::string unixPath = UnixPath(path);
    BYTE user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    HANDLE token = nullptr;
    if (unixPath.empty() || !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    const bool known = GetTokenInformation(token, TokenUser, user, sizeof user, &size);
    CloseHandle(token);
    auto givenAway = [&] {
        BYTE security[1024];
        DWORD needed = 0;
        PSID owner = nullptr;
        BOOL defaulted = FALSE;
        return GetFileSecurityW(path.c_str(), OWNER_SECURITY_INFORMATION, security, sizeof security, &needed) &&
               GetSecurityDescriptorOwner(security, &owner, &defaulted) && owner &&
               !EqualSid(owner, reinterpret_cast<TOKEN_USER*>(user)->User.Sid);
    };
    return known && RunUnix(L"Z:\\bin\\chown", L"chown 65534 " + Quote(unixPath), givenAway);
}

DriveLink::DriveLink(const std::wstring& letter, const std::wstring& folder) : root_(letter + L":\\") {
    const std::string drives = UnixPath(L"C:\\"), to = UnixPath(folder);  // ".../dosdevices/c:/"
    if (drives.size() < 3 || to.empty()) return;
    link_ = drives.substr(0, drives.size() - 3) + std::string(1, static_cast<char>(AsciiLower(letter)[0])) + ":";
    made_ = RunUnix(L"Z:\\bin\\ln", L"ln -s " + Quote(to) + L" " + Quote(link_),
                    [&] { return GetFileAttributesW(root_.c_str()) != INVALID_FILE_ATTRIBUTES; });
}

DriveLink::~DriveLink() {
    if (made_)
        RunUnix(L"Z:\\bin\\rm", L"rm " + Quote(link_),
                [&] { return GetFileAttributesW(root_.c_str()) == INVALID_FILE_ATTRIBUTES; });
}

TempTree::TempTree() {
    static std::atomic<int> counter{0};
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    root_ = std::wstring(temp) + L"mervane-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(counter++);
    RemoveTree(root_);
    CreateFolders(root_);
}

TempTree::~TempTree() { RemoveTree(root_); }

std::wstring TempTree::Folder(const std::wstring& relative) const {
    const std::wstring path = Path(relative);
    CreateFolders(path);
    return path;
}

std::wstring TempTree::File(const std::wstring& relative, const std::string& bytes) const {
    const std::wstring path = Path(relative);
    CreateFolders(path.substr(0, path.find_last_of(L'\\')));
    WriteBytes(path, bytes);
    return path;
}

std::wstring MakeInstallation(const TempTree& tree, const std::wstring& relative) {
    tree.File(relative + L"\\terminal.exe", "MZ stand-in");
    tree.Folder(relative + L"\\MQL4\\Experts");
    tree.Folder(relative + L"\\MQL4\\Files");
    return tree.Path(relative);
}

std::wstring RegisterTerminal(const std::wstring& name, const std::wstring& location) {
    const std::wstring key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name;
    HKEY entry = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr,
                        &entry, nullptr) != ERROR_SUCCESS)
        return key;
    RegSetValueExW(entry, L"MajorVersion", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"4"), 4);
    RegSetValueExW(entry, L"InstallLocation", 0, REG_SZ, reinterpret_cast<const BYTE*>(location.c_str()),
                   static_cast<DWORD>((location.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(entry);
    return key;
}

void UnregisterTerminal(const std::wstring& keyPath) {
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), KEY_WOW64_32KEY, 0);
}

std::string ReadBytes(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read) bytes.append(buffer, read);
    CloseHandle(file);
    return bytes;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    if (file == INVALID_HANDLE_VALUE) return;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::vector<std::wstring> FolderEntries(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return names;
}

void RemoveTree(const std::wstring& folder) {
    // By the names as spelt, also those that name a device or end with a dot.
    auto spelt = [](const std::wstring& path) { return path.starts_with(L"\\\\") ? path : L"\\\\?\\" + path; };
    for (const std::wstring& name : FolderEntries(folder)) {
        const std::wstring path = folder + L"\\" + name;
        const DWORD attributes = GetFileAttributesW(spelt(path).c_str());
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;  // never emptied through a link
        SetFileAttributesW(spelt(path).c_str(), FILE_ATTRIBUTE_NORMAL);
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            RemoveTree(path);
        else
            DeleteFileW(spelt(path).c_str());
    }
    RemoveDirectoryW(spelt(folder).c_str());
}

std::string Utf16Le(const std::wstring& text, bool withMark) {
    std::string bytes = withMark ? std::string("\xFF\xFE") : std::string();
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

std::string Utf16Be(const std::wstring& text) {
    std::string bytes = "\xFE\xFF";
    for (wchar_t c : text) {
        bytes += static_cast<char>(c >> 8);
        bytes += static_cast<char>(c & 0xFF);
    }
    return bytes;
}

std::string Ansi(const std::wstring& text, UINT codePage) {
    if (text.empty()) return {};
    std::string bytes(WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                          nullptr, nullptr),
                      '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                        static_cast<int>(bytes.size()), nullptr, nullptr);
    return bytes;
}

std::string Utf8(const std::wstring& text, bool withMark) {
    return (withMark ? std::string("\xEF\xBB\xBF") : std::string()) + Ansi(text, CP_UTF8);
}
