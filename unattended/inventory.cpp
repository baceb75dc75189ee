#include "unattended/inventory.h"

#include <optional>

#include "metatrader/data_folders.h"
#include "metatrader/deployment.h"
#include "metatrader/terminal_conventions.h"
#include "resources/resource_names.h"
#include "unattended/log_header.h"
#include "unattended/run_log.h"
#include "win32/decimal_text.h"
#include "win32/embedded_resource.h"
#include "win32/held_folder.h"
#include "win32/impersonation.h"
#include "win32/sha256.h"

namespace {

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string Ascii(const std::wstring& text) { return std::string(text.begin(), text.end()); }

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
std::string ExpertEntry(const std::wstring& target, bool usersOwn, HANDLE user, const std::optional<Sha256Digest>& embedded,
                        CopyCount& copies) {
    std::wstring experts, ledTo;
    std::optional<FileDigest> digest;
    DWORD error = 0;
    auto look = [&](bool asUser) {
        const Impersonation as(asUser ? user : nullptr);
        if (experts.empty()) experts = ExpertsFolder(target);
        if (experts.empty()) return;
        digest = DigestOfFile(experts + L"\\" + kExpertFileName, &ledTo);
        error = digest ? 0 : GetLastError();
    };
    look(usersOwn);
    if (error == kErrorFolderLeadsElsewhere && !usersOwn && user) look(true);
    std::string entry = "{\"folder\": " + JsonString(experts.empty() ? target : experts);
    if (digest) {
        const bool same = embedded && digest->sha256 == *embedded;
        entry += ", \"present\": true, \"size\": " + Ascii(DecimalText(digest->size)) + ", \"sha256\": \"" +
                 Ascii(HexText(digest->sha256)) + "\", \"sameAsEmbedded\": " + (same ? "true" : "false") +
                 ", \"state\": " + (same ? "\"current\"" : "\"other\"");
        ++copies.found;
        ++copies.present;
        copies.current += same;
    } else if (experts.empty() || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        entry += ", \"present\": false";
    } else {
        // Not looked at: saying "missing" would send support staff the wrong way.
        const std::wstring why =
            error == kErrorFolderLeadsElsewhere
                ? L"the folder leads to " + (ledTo.empty() ? L"(unknown)" : ledTo) + L", not the folder named"
            : error == kErrorFileHasOtherNames ? L"the file has other names (hard links): not read"
            : error == kErrorNotAPlainFile     ? L"not a plain file: not read"
                                               : L"error " + DecimalText(error);
        entry += ", \"present\": null, \"state\": \"unreadable\", \"error\": " + JsonString(why);
        ++copies.found;
    }
    return entry + "}";
}

template <typename Items, typename Write>
std::string JsonArray(const Items& items, const char* indent, Write write) {
    if (items.empty()) return "[]";
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i) out += (i ? ",\n" : "\n") + std::string(indent) + write(items[i]);
    return out + "\n" + std::string(indent).substr(2) + "]";
}

}  // namespace

std::string JsonString(const std::wstring& text) {
    std::string out = "\"";
    auto escape = [&](wchar_t unit) {
        out += "\\u";
        for (int shift = 12; shift >= 0; shift -= 4) out += "0123456789abcdef"[(unit >> shift) & 15];
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        const bool paired =
            c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
        const char32_t code = paired ? 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00) : c;
        if (c == L'"' || c == L'\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (IsHiddenCharacter(code) || (!paired && c >= 0xD800 && c <= 0xDFFF)) {
            // What the log blanks stays visible here, as the escape of each unit.
            escape(c);
            if (paired) escape(text[i + 1]);
        } else {
            AppendUtf8(out, code);
        }
        i += paired;
    }
    return out + "\"";
}

std::string InventoryJson(HMODULE module, const InstallationsFound& found, const InventoryScope& scope) {
    PrepareWrites();
    const std::span<const BYTE> expert =
        EmbeddedResource(module, RESOURCE_STRING(RESOURCE_FILE_TYPE), RESOURCE_STRING(RESOURCE_EXPERT));
    const std::optional<Sha256Digest> embedded = Sha256Of(expert);
    const FolderList installations = FoldersOf(found.installations);
    std::vector<FolderList> dataFolders;
    if (scope.allUsers) {
        dataFolders = DataFoldersOfEachUnder(scope.dataRoots, installations);
    } else {
        for (std::wstring& folder : DataFolderOfEach(installations))
            dataFolders.push_back(folder.empty() ? FolderList() : FolderList{std::move(folder)});
    }
    const UniqueHandle user = scope.allUsers ? UniqueHandle() : SignedInUserImpersonationToken();
    CopyCount copies;

    SYSTEMTIME now;
    GetSystemTime(&now);
    wchar_t machine[256];
    DWORD machineLength = 256;
    if (!GetComputerNameExW(ComputerNameDnsHostname, machine, &machineLength)) machineLength = 0;
    std::string json = "{\n  \"schemaVersion\": 1,\n  \"program\": " + JsonString(kSetupTitle) + ",\n  \"version\": " +
                       JsonString(kProductVersion) + ",\n";
    json += "  \"machine\": " + JsonString(std::wstring(machine, machineLength)) + ",\n  \"time\": " +
            JsonString(IsoUtcText(now)) + ",\n  \"account\": " + JsonString(scope.account) + ",\n  \"allUsers\": " +
            (scope.allUsers ? "true" : "false") + ",\n";
    json += "  \"expert\": {\"file\": " + JsonString(kExpertFileName) + ", \"size\": " + Ascii(DecimalText(expert.size())) +
            ", \"sha256\": " + (embedded ? "\"" + Ascii(HexText(*embedded)) + "\"" : std::string("null")) + "},\n";
    std::vector<size_t> positions(installations.size());
    for (size_t i = 0; i < positions.size(); ++i) positions[i] = i;
    json += "  \"installations\": " + JsonArray(positions, "    ", [&](size_t i) {
        std::string entry = "{\"folder\": " + JsonString(installations[i]) + ", \"foundBy\": \"" +
                            FoundByName(found.installations[i].foundBy) + "\",\n      \"dataFolders\": [";
        for (const std::wstring& folder : dataFolders[i]) entry += (&folder == &dataFolders[i].front() ? "" : ", ") + JsonString(folder);
        entry += "],\n      \"experts\": [\n        " + ExpertEntry(installations[i], false, user.get(), embedded, copies);
        for (const std::wstring& folder : dataFolders[i])
            entry += ",\n        " + ExpertEntry(folder, !scope.allUsers, user.get(), embedded, copies);
        return entry + "]}";
    }) + ",\n";
    json += "  \"summary\": {\"installations\": " + Ascii(DecimalText(installations.size())) + ", \"copiesPresent\": " +
            Ascii(DecimalText(copies.present)) + ", \"copiesSameAsEmbedded\": " +
            Ascii(DecimalText(copies.current)) + "},\n";
    json += "  \"notInstallations\": " +
            JsonArray(found.notInstallations, "    ", [](const std::wstring& folder) { return JsonString(folder); }) + ",\n";
    json += "  \"scans\": " + JsonArray(found.scans, "    ", [](const ScanResult& scan) {
        return "{\"root\": " + JsonString(scan.root) + ", \"opened\": " + (scan.rootOpened ? "true" : "false") +
               ", \"foldersVisited\": " + Ascii(DecimalText(scan.visited)) + ", \"capped\": " +
               (scan.capped ? "true" : "false") + "}";
    }) + ",\n";
    json += "  \"runningTerminals\": " + JsonArray(found.running, "    ", [](const RunningTerminal& terminal) {
        return "{\"processId\": " + Ascii(DecimalText(terminal.processId)) + ", \"program\": " +
               JsonString(terminal.program) + ", \"installationFolder\": " +
               (terminal.folder.empty() ? std::string("null") : JsonString(terminal.folder)) + "}";
    }) + ",\n";
    // No copy found is no installation that is current.
    json += "  \"copiesFound\": " + Ascii(DecimalText(copies.found)) + ",\n  \"everyCopyCurrent\": " +
            (copies.found && copies.current == copies.found ? "true" : "false") + "\n}\n";
    return json;
}
