#include "unattended/log_header.h"

#include "product_identity.h"
#include "resources/resource_names.h"
#include "win32/decimal_text.h"
#include "win32/embedded_resource.h"
#include "win32/sha256.h"
#include "win32/system_functions.h"

namespace {

// The log speaks English whatever the language of the run: support staff read and search it.
const wchar_t* const kLanguageNames[] = {L"English", L"German", L"Russian"};

std::wstring TwoDigits(WORD value) { return (value < 10 ? L"0" : L"") + DecimalText(value); }

}  // namespace

std::wstring IsoUtcText(const SYSTEMTIME& time) {
    return DecimalText(time.wYear) + L"-" + TwoDigits(time.wMonth) + L"-" + TwoDigits(time.wDay) + L"T" +
           TwoDigits(time.wHour) + L":" + TwoDigits(time.wMinute) + L":" + TwoDigits(time.wSecond) + L"Z";
}

std::wstring WindowsVersionText() {
    // GetVersionEx answers what the manifest declares; ntdll tells the truth.
    using GetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
    const auto rtlGetVersion =
        reinterpret_cast<GetVersion>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!rtlGetVersion || rtlGetVersion(&info) != 0) return L"(unknown)";
    std::wstring text = DecimalText(info.dwMajorVersion) + L"." + DecimalText(info.dwMinorVersion) + L"." +
                        DecimalText(info.dwBuildNumber);
    DWORD revision = 0, size = sizeof revision;
    const auto get = AdvapiApi().regGetValue;
    if (get && get(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", L"UBR", RRF_RT_REG_DWORD,
                     nullptr, &revision, &size) == ERROR_SUCCESS)
        text += L"." + DecimalText(revision);
    return text;
}

void AddLogHeader(RunLog& log, Language language, const RunningAccount& account, bool allUsers) {
    SYSTEMTIME now;
    GetSystemTime(&now);
    std::wstring when = IsoUtcText(now);
    when[10] = L' ';
    when.back() = L' ';
    const std::span<const BYTE> expert =
        EmbeddedResource(nullptr, RESOURCE_STRING(RESOURCE_FILE_TYPE), RESOURCE_STRING(RESOURCE_EXPERT));
    const std::optional<Sha256Digest> digest = Sha256Of(expert);
    log.AddHeader(std::wstring(kSetupTitle) + L" " + kProductVersion + L", unattended run, agreement language " +
                  std::wstring(kLanguageNames[static_cast<size_t>(language) < 3 ? static_cast<size_t>(language) : 0]));
    log.AddHeader(L"started: " + when + L"UTC");
    log.AddHeader(L"expert: SHA-256 " + (digest ? HexText(*digest) : std::wstring(L"(not readable)")) + L", " +
                  DecimalText(expert.size()) + L" bytes");
    log.AddHeader(L"account: " + account.name + L" (" + account.sid + L"), session " + DecimalText(account.session));
    log.AddHeader(std::wstring(L"as SYSTEM: ") + (account.localSystem ? L"yes" : L"no") +
                  L", for all users: " + (allUsers ? L"yes" : L"no"));
    log.AddHeader(L"Windows: " + WindowsVersionText());
    log.AddHeader(L"command line: " + std::wstring(GetCommandLineW()));
}
