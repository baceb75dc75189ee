#include "unattended/switches.h"

#include "app/startup.h"
#include "metatrader/folder_list.h"

bool AsksForSilentRun(const std::vector<std::wstring>& arguments) {
    for (const std::wstring& argument : arguments)
        if (AsciiLower(argument) == L"/silent") return true;
    return false;
}

UnattendedSwitches ReadSwitches(const std::vector<std::wstring>& arguments) {
    UnattendedSwitches switches;
    auto refuse = [&](const std::wstring& why) {
        if (switches.usageError.empty()) switches.usageError = why;
    };
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        const std::wstring quoted = L"\"" + argument + L"\"";
        if (LanguageOfSwitch(argument) != kNoLanguage) {
            if (i != 0) refuse(quoted + L": a language switch must be the first argument");
            continue;
        }
        const size_t equals = argument.find(L'=');
        const std::wstring name = AsciiLower(argument.substr(0, equals));
        if (equals == std::wstring::npos) {
            if (name == L"/silent") continue;
            if (name == L"/accept-agreement") {
                switches.acceptAgreement = true;
                continue;
            }
            if (name == L"/skip-registry") {
                switches.skipRegistry = true;
                continue;
            }
        }
        std::wstring* single = name == L"/log"         ? &switches.logPath
                               : name == L"/agreement" ? &switches.agreementPath
                                                       : nullptr;
        if (!single && name != L"/folder") {
            refuse(L"unknown switch " + quoted);
            continue;
        }
        const std::wstring value = equals == std::wstring::npos ? std::wstring() : argument.substr(equals + 1);
        if (value.empty())
            refuse(quoted + L": the switch needs a value, " + name + L"=PATH");
        else if (!IsAbsolutePath(value))
            refuse(quoted + L": the path must be a full one, C:\\... or \\\\server\\...");
        else if (single && !single->empty())
            refuse(quoted + L": the switch is given twice");
        else if (single)
            *single = value;
        else
            switches.folders.push_back(value);
    }
    return switches;
}
