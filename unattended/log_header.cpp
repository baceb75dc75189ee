#include "unattended/log_header.h"

#include "product_identity.h"
#include "resources/resource_names.h"
#include "win32/ascii_text.h"
#include "win32/decimal_text.h"
#include "win32/embedded_resource.h"
#include "win32/sha256.h"
#include "win32/system_functions.h"

namespace {

// The log speaks English whatever the language of the run: support staff read and search it.
const char* const kLanguageNames[] = {"English", "German", "Russian"};

// `text` followed by `number` in decimal, for the lines built by appends.
void AddNumber(std::wstring& text, const char* ascii, std::uint64_t number) {
    AppendWidened(text, ascii);
    AppendDecimal(text, number);
}

// Adds `line` to the header and starts the next one with `label`.
void NextLine(RunLog& log, std::wstring& line, const char* label) {
    log.AddHeader(line);
    line.clear();
    AppendWidened(line, label);
}

}  // namespace

std::wstring IsoUtcText(const SYSTEMTIME& time) {
    std::wstring text;
    AppendDecimal(text, time.wYear);
    const WORD parts[] = {time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond};
    for (size_t i = 0; i < 5; ++i) {
        text += static_cast<wchar_t>("--T::"[i]);
        if (parts[i] < 10) text += L'0';
        AppendDecimal(text, parts[i]);
    }
    text += L'Z';
    return text;
}

std::wstring WindowsVersionText() {
    // GetVersionEx answers what the manifest declares; ntdll tells the truth.
    using GetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
    const auto rtlGetVersion =
        reinterpret_cast<GetVersion>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!rtlGetVersion || rtlGetVersion(&info) != 0) return Widened("(unknown)");
    std::wstring text;
    AppendDecimal(text, info.dwMajorVersion);
    AddNumber(text, ".", info.dwMinorVersion);
    AddNumber(text, ".", info.dwBuildNumber);
    DWORD revision = 0, size = sizeof revision;
    const auto get = AdvapiApi().regGetValue;
    if (get && get(HKEY_LOCAL_MACHINE, Widened("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion").c_str(), L"UBR", RRF_RT_REG_DWORD,
                     nullptr, &revision, &size) == ERROR_SUCCESS)
        AddNumber(text, ".", revision);
    return text;
}

void AddLogHeader(RunLog& log, Language language, const RunningAccount& account, bool allUsers) {
    SYSTEMTIME now;
    GetSystemTime(&now);
    std::wstring line = kSetupTitle;
    line += L' ';
    line += kProductVersion;
    AppendWidened(line, ", unattended run, agreement language ");
    AppendWidened(line, kLanguageNames[static_cast<size_t>(language) < 3 ? static_cast<size_t>(language) : 0]);

    NextLine(log, line, "started: ");
    const size_t at = line.size();
    line += IsoUtcText(now);
    line[at + 10] = L' ';
    line.back() = L' ';
    AppendWidened(line, "UTC");

    const std::span<const BYTE> expert =
        EmbeddedResource(nullptr, RESOURCE_STRING(RESOURCE_FILE_TYPE), RESOURCE_STRING(RESOURCE_EXPERT));
    const std::optional<Sha256Digest> digest = Sha256Of(expert);
    NextLine(log, line, "expert: SHA-256 ");
    if (digest)
        line += HexText(*digest);
    else
        AppendWidened(line, "(not readable)");
    AddNumber(line, ", ", expert.size());
    AppendWidened(line, " bytes");

    NextLine(log, line, "account: ");
    line += account.name;
    AppendWidened(line, " (");
    line += account.sid;
    AddNumber(line, "), session ", account.session);

    NextLine(log, line, account.localSystem ? "as SYSTEM: yes" : "as SYSTEM: no");
    AppendWidened(line, allUsers ? ", for all users: yes" : ", for all users: no");

    NextLine(log, line, "Windows: ");
    line += WindowsVersionText();

    NextLine(log, line, "command line: ");
    line += GetCommandLineW();
    log.AddHeader(line);
}
