#pragma once
#include <windows.h>

#include <memory>
#include <span>
#include <vector>

#include "win32/handles.h"

// An animated image decoded once by the platform's decoder (GDI+) into ready-to-blit frames,
// each with its stored delay.
class WaitAnimation {
public:
    static std::unique_ptr<WaitAnimation> Decode(std::span<const BYTE> gif);
    // The RCDATA resource `name` of the program, or nullptr when it is missing or undecodable.
    static std::unique_ptr<WaitAnimation> FromResource(const wchar_t* name);

    SIZE Size() const { return size_; }
    size_t FrameCount() const { return frames_.size(); }
    HBITMAP Frame(size_t index) const { return frames_[index].get(); }
    UINT DelayMs(size_t index) const { return delaysMs_[index]; }
    bool LoopsForever() const { return loopCount_ == 0; }

private:
    SIZE size_{};
    std::vector<UniqueBitmap> frames_;
    std::vector<UINT> delaysMs_;
    UINT loopCount_ = 1;
};
