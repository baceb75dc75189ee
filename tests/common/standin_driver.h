#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "file_helpers.h"
#include "process_helpers.h"

// A stand-in terminal running as its own process, driven across processes like a real one.
class StandInTerminal {
public:
    // With `installation`, the stand-in is copied there as terminal.exe and runs from there.
    explicit StandInTerminal(const std::wstring& options, const std::wstring& installation = {});
    HWND Window() const { return window_; }
    DWORD ProcessId() const { return process_->Id(); }
    std::string Log() const { return ReadBytes(log_); }
    // "groups=<E|C per group> selected=<group>/<item> panel=<visible|hidden>"
    std::string State() const;
    // The names of the experts its Navigator lists, comma-separated.
    std::string Experts() const;

private:
    TempTree tree_;
    std::string Report(UINT message, const char* prefix) const;
    std::wstring title_, log_;
    std::unique_ptr<TestProcess> process_;
    HWND window_ = nullptr;
};
