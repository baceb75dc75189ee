#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "file_helpers.h"
#include "process_helpers.h"

// A stand-in terminal running as its own process, driven across processes like a real one.
class StandInTerminal {
public:
    explicit StandInTerminal(const std::wstring& options);
    HWND Window() const { return window_; }
    std::string Log() const { return ReadBytes(log_); }
    // "groups=<E|C per group> selected=<group>/<item> panel=<visible|hidden>"
    std::string State() const;

private:
    TempTree tree_;
    std::wstring title_, log_;
    std::unique_ptr<TestProcess> process_;
    HWND window_ = nullptr;
};
