#include "standin_driver.h"

StandInTerminal::StandInTerminal(const std::wstring& options, const std::wstring& installation) {
    static int count = 0;
    title_ = L"Stand-in " + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++count);
    log_ = tree_.Path(L"terminal.log");
    std::wstring program = BuiltProgram(L"standin_terminal.exe");
    if (!installation.empty()) {
        CopyFileW(program.c_str(), (installation + L"\\terminal.exe").c_str(), FALSE);
        program = installation + L"\\terminal.exe";
    }
    process_ = std::make_unique<TestProcess>(program,
                                             L"\"--title=" + title_ + L"\" \"--log=" + log_ + L"\" " + options);
    const ULONGLONG deadline = GetTickCount64() + 15000;
    while (ReadBytes(log_).find("ready") == std::string::npos && GetTickCount64() < deadline) Sleep(20);
    window_ = FindWindowW(nullptr, title_.c_str());
}

std::string StandInTerminal::Report(UINT message, const char* prefix) const {
    SendMessageTimeoutW(window_, message, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
    const std::string log = Log(), start = std::string(prefix) + " ";
    const size_t at = log.rfind(start);
    return at == std::string::npos ? "" : log.substr(at + start.size(), log.find('\n', at) - at - start.size());
}

std::string StandInTerminal::State() const { return Report(WM_APP + 1, "state"); }
std::string StandInTerminal::Experts() const { return Report(WM_APP + 2, "experts"); }
