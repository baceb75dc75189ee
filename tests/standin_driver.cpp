#include "standin_driver.h"

StandInTerminal::StandInTerminal(const std::wstring& options) {
    static int count = 0;
    title_ = L"Stand-in " + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++count);
    log_ = tree_.Path(L"terminal.log");
    process_ = std::make_unique<TestProcess>(BuiltProgram(L"standin_terminal.exe"),
                                             L"\"--title=" + title_ + L"\" \"--log=" + log_ + L"\" " + options);
    const ULONGLONG deadline = GetTickCount64() + 15000;
    while (ReadBytes(log_).find("ready") == std::string::npos && GetTickCount64() < deadline) Sleep(20);
    window_ = FindWindowW(nullptr, title_.c_str());
}

std::string StandInTerminal::State() const {
    SendMessageTimeoutW(window_, WM_APP + 1, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
    const std::string log = Log();
    const size_t at = log.rfind("state ");
    return at == std::string::npos ? "" : log.substr(at + 6, log.find('\n', at) - at - 6);
}
