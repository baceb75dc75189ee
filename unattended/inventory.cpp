#include "unattended/inventory.h"

#include <optional>
#include <span>

#include "metatrader/data_folders.h"
#include "metatrader/deployment.h"
#include "metatrader/terminal_conventions.h"
#include "resources/resource_names.h"
#include "unattended/log_header.h"
#include "unattended/run_log.h"
#include "win32/ascii_text.h"
#include "win32/decimal_text.h"
#include "win32/embedded_resource.h"
#include "win32/held_folder.h"
#include "win32/impersonation.h"
#include "win32/path_rules.h"
#include "win32/sha256.h"
#include "win32/text_decoding.h"

namespace {

// The JSON is built as wide text by appends into one buffer and encoded once at the end; its
// keys and other English-only parts are single bytes, widened as they are appended.
void Add(std::wstring& json, const char* ascii) { AppendWidened(json, ascii); }

void AddBool(std::wstring& json, bool value) { Add(json, value ? "true" : "false"); }

void AddDecimal(std::wstring& json, const char* key, std::uint64_t value) {
    Add(json, key);
    AppendDecimal(json, value);
}

void AddJsonString(std::wstring& json, const std::wstring& text) {
    json += L'"';
    auto escape = [&](wchar_t unit) {
        Add(json, "\\u");
        for (int shift = 12; shift >= 0; shift -= 4) json += kHexDigits[(unit >> shift) & 15];
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        const bool paired =
            c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
        const char32_t code = paired ? 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00) : c;
        if (c == L'"' || c == L'\\') {
            json += L'\\';
            json += c;
        } else if (IsHiddenCharacter(code) || (!paired && c >= 0xD800 && c <= 0xDFFF)) {
            // What the log blanks stays visible here, as the escape of each unit. An unpaired
            // surrogate, which UTF-8 cannot carry, never reaches the encoding.
            escape(c);
            if (paired) escape(text[i + 1]);
        } else {
            json += c;
            if (paired) json += text[i + 1];
        }
        i += paired;
    }
    json += L'"';
}

void AddString(std::wstring& json, const char* key, const std::wstring& text) {
    Add(json, key);
    AddJsonString(json, text);
}

const char* FoundByName(FoundBy how) {
    switch (how) {
        case FoundBy::Registry: return "registry";
        case FoundBy::Running: return "running";
        case FoundBy::Named: return "folder";
        case FoundBy::Scan: return "scan";
    }
    return "unknown";
}

// The copies found (readable or not), those read, and of them the embedded expert's.
struct CopyCount {
    size_t found = 0, present = 0, current = 0;
};

// One experts folder's entry: whether the expert is there, read under `asUser` or, for the
// program's own look that a link leads elsewhere, as the user where there is one; and the
// copy's state: "current" (the embedded bytes), "other" (another file of that name) or
// "unreadable".
void AddExpertEntry(std::wstring& json, const std::wstring& target, bool usersOwn, HANDLE user,
                    const std::optional<Sha256Digest>& embedded, CopyCount& copies) {
    std::wstring experts, ledTo;
    std::optional<FileDigest> digest;
    DWORD error = 0;
    auto look = [&](bool asUser) {
        const Impersonation as(asUser ? user : nullptr);
        if (experts.empty()) experts = ExpertsFolder(target);
        if (experts.empty()) return;
        digest = DigestOfFile(ChildPath(experts, kExpertFileName), &ledTo);
        error = digest ? 0 : GetLastError();
    };
    look(usersOwn);
    if (error == kErrorFolderLeadsElsewhere && !usersOwn && user) look(true);
    AddString(json, "{\"folder\": ", experts.empty() ? target : experts);
    if (digest) {
        const bool same = embedded && digest->sha256 == *embedded;
        AddDecimal(json, ", \"present\": true, \"size\": ", digest->size);
        Add(json, ", \"sha256\": \"");
        json += HexText(digest->sha256);
        Add(json, "\", \"sameAsEmbedded\": ");
        AddBool(json, same);
        Add(json, same ? ", \"state\": \"current\"" : ", \"state\": \"other\"");
        ++copies.found;
        ++copies.present;
        copies.current += same;
    } else if (experts.empty() || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        Add(json, ", \"present\": false");
    } else {
        // Not looked at: saying "missing" would send support staff the wrong way.
        std::wstring why;
        if (error == kErrorFolderLeadsElsewhere) {
            Add(why, "the folder leads to ");
            if (ledTo.empty()) Add(why, "(unknown)");
            why += ledTo;
            Add(why, ", not the folder named");
        } else if (error == kErrorFileHasOtherNames) {
            Add(why, "the file has other names (hard links): not read");
        } else if (error == kErrorNotAPlainFile) {
            Add(why, "not a plain file: not read");
        } else {
            Add(why, "error ");
            AppendDecimal(why, error);
        }
        AddString(json, ", \"present\": null, \"state\": \"unreadable\", \"error\": ", why);
        ++copies.found;
    }
    json += L'}';
}

// A JSON array's items each stand on their own line indented by four spaces, the closing
// bracket by two, then the comma that ends the member.
void AddItemStart(std::wstring& json, size_t i) { Add(json, i ? ",\n    " : "\n    "); }

void AddArrayEnd(std::wstring& json, size_t count) { Add(json, count ? "\n  ],\n" : "],\n"); }

}  // namespace

std::string JsonString(const std::wstring& text) {
    std::wstring json;
    AddJsonString(json, text);
    std::string bytes;
    AppendUtf8(bytes, json);
    return bytes;
}

std::string InventoryJson(HMODULE module, const InstallationsFound& found, const InventoryScope& scope) {
    PrepareWrites();
    const std::span<const BYTE> expert =
        EmbeddedResource(module, RESOURCE_STRING(RESOURCE_FILE_TYPE), RESOURCE_STRING(RESOURCE_EXPERT));
    const std::optional<Sha256Digest> embedded = Sha256Of(expert);
    const FolderList installations = FoldersOf(found.installations);
    // For every user, each installation's data folders in every profile; otherwise the
    // signed-in user's one, empty where there is none.
    const std::vector<FolderList> dataFolders =
        scope.allUsers ? DataFoldersOfEachUnder(scope.dataRoots, installations) : std::vector<FolderList>();
    const FolderList dataFolder = scope.allUsers ? FolderList() : DataFolderOfEach(installations);
    const UniqueHandle user = scope.allUsers ? UniqueHandle() : SignedInUserImpersonationToken();
    CopyCount copies;

    SYSTEMTIME now;
    GetSystemTime(&now);
    wchar_t machine[256];
    DWORD machineLength = 256;
    if (!GetComputerNameExW(ComputerNameDnsHostname, machine, &machineLength)) machineLength = 0;
    std::wstring json;
    json.reserve(4096);
    AddString(json, "{\n  \"schemaVersion\": 1,\n  \"program\": ", kSetupTitle);
    AddString(json, ",\n  \"version\": ", kProductVersion);
    AddString(json, ",\n  \"machine\": ", std::wstring(machine, machineLength));
    AddString(json, ",\n  \"time\": ", IsoUtcText(now));
    AddString(json, ",\n  \"account\": ", scope.account);
    Add(json, ",\n  \"allUsers\": ");
    AddBool(json, scope.allUsers);
    AddString(json, ",\n  \"expert\": {\"file\": ", kExpertFileName);
    AddDecimal(json, ", \"size\": ", expert.size());
    Add(json, ", \"sha256\": ");
    if (embedded) {
        json += L'"';
        json += HexText(*embedded);
        json += L'"';
    } else {
        Add(json, "null");
    }
    Add(json, "},\n");
    Add(json, "  \"installations\": [");
    for (size_t i = 0; i < installations.size(); ++i) {
        AddItemStart(json, i);
        AddString(json, "{\"folder\": ", installations[i]);
        Add(json, ", \"foundBy\": \"");
        Add(json, FoundByName(found.installations[i].foundBy));
        Add(json, "\",\n      \"dataFolders\": [");
        const std::span<const std::wstring> folders =
            scope.allUsers ? std::span(dataFolders[i]) : std::span(&dataFolder[i], !dataFolder[i].empty());
        for (const std::wstring& folder : folders) AddString(json, &folder == folders.data() ? "" : ", ", folder);
        Add(json, "],\n      \"experts\": [\n        ");
        AddExpertEntry(json, installations[i], false, user.get(), embedded, copies);
        for (const std::wstring& folder : folders) {
            Add(json, ",\n        ");
            AddExpertEntry(json, folder, !scope.allUsers, user.get(), embedded, copies);
        }
        Add(json, "]}");
    }
    AddArrayEnd(json, installations.size());
    AddDecimal(json, "  \"summary\": {\"installations\": ", installations.size());
    AddDecimal(json, ", \"copiesPresent\": ", copies.present);
    AddDecimal(json, ", \"copiesSameAsEmbedded\": ", copies.current);
    Add(json, "},\n");
    Add(json, "  \"notInstallations\": [");
    for (size_t i = 0; i < found.notInstallations.size(); ++i) {
        AddItemStart(json, i);
        AddJsonString(json, found.notInstallations[i]);
    }
    AddArrayEnd(json, found.notInstallations.size());
    Add(json, "  \"scans\": [");
    for (size_t i = 0; i < found.scans.size(); ++i) {
        AddItemStart(json, i);
        const ScanResult& scan = found.scans[i];
        AddString(json, "{\"root\": ", scan.root);
        Add(json, ", \"opened\": ");
        AddBool(json, scan.rootOpened);
        AddDecimal(json, ", \"foldersVisited\": ", scan.visited);
        Add(json, ", \"capped\": ");
        AddBool(json, scan.capped);
        json += L'}';
    }
    AddArrayEnd(json, found.scans.size());
    Add(json, "  \"runningTerminals\": [");
    for (size_t i = 0; i < found.running.size(); ++i) {
        AddItemStart(json, i);
        const RunningTerminal& terminal = found.running[i];
        AddDecimal(json, "{\"processId\": ", terminal.processId);
        AddString(json, ", \"program\": ", terminal.program);
        Add(json, ", \"installationFolder\": ");
        if (terminal.folder.empty())
            Add(json, "null");
        else
            AddJsonString(json, terminal.folder);
        json += L'}';
    }
    AddArrayEnd(json, found.running.size());
    // No copy found is no installation that is current.
    AddDecimal(json, "  \"copiesFound\": ", copies.found);
    Add(json, ",\n  \"everyCopyCurrent\": ");
    AddBool(json, copies.found && copies.current == copies.found);
    Add(json, "\n}\n");
    std::string bytes;
    AppendUtf8(bytes, json);
    return bytes;
}
